#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "asm/line_pack.h"

namespace zerka {
namespace {

// Texts of every line in order, and their sequence numbers.
std::vector<std::string> texts(const TLinePack& p) {
    std::vector<std::string> out;
    for (const SourceLine& l : p)
        out.push_back(l.workingText);
    return out;
}
std::vector<int32_t> numbers(const TLinePack& p) {
    std::vector<int32_t> out;
    for (const SourceLine& l : p)
        out.push_back(l.sequenceNumber);
    return out;
}

TEST(LinePack, AddAtTheFourPlacesNumbersAndMakesCurrent) {
    TLinePack p;
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.current(), nullptr);
    ASSERT_TRUE(p.addText("B", 0, TLinePack::AtEnd, 2));
    ASSERT_TRUE(p.addText("A", 0, TLinePack::AtFront, 1));
    EXPECT_EQ(p.current()->workingText, "A");
    ASSERT_TRUE(p.addText("A2", 0, TLinePack::AfterCurrent, 0));
    ASSERT_TRUE(p.addText("A1", 0, TLinePack::BeforeCurrent, 0));
    EXPECT_EQ(p.current()->workingText, "A1");
    EXPECT_EQ(p.currentNumber(), 2);
    ASSERT_TRUE(p.addText("C", 0, TLinePack::AtEnd, 3));
    EXPECT_EQ(texts(p), (std::vector<std::string>{"A", "A1", "A2", "B", "C"}));
    EXPECT_EQ(numbers(p), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(p.count(), 5u);
    EXPECT_FALSE(p.addText("X", 0, 4, 0));
    EXPECT_FALSE(p.addText("X", 0, -1, 0));
    EXPECT_EQ(p.count(), 5u);
}

TEST(LinePack, AddTextBuildsAFreshRecordCutTo160) {
    TLinePack p;
    const std::string longText(200, 'X');
    ASSERT_TRUE(p.addText(longText, 3, TLinePack::AtEnd, 42));
    const SourceLine* l = p.current();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->workingText, std::string(160, 'X'));
    EXPECT_EQ(l->storedText, l->workingText);
    EXPECT_EQ(l->fileIndex, 3);
    EXPECT_EQ(l->lineNumber, 42);
    EXPECT_EQ(l->address, 0xFFFFF);
    EXPECT_EQ(l->lastAddress, 0xFFFFF);
    EXPECT_EQ(l->expansionStart, 0xFFFFF);
    EXPECT_EQ(l->callSiteFile, 255);
    EXPECT_EQ(l->operationId, -1);
    EXPECT_FALSE(l->hasField(1));

    // add() stores a copy: later changes to the record do not reach the list.
    SourceLine rec;
    rec.setText("ORIGINAL");
    ASSERT_TRUE(p.add(rec, TLinePack::AtEnd));
    rec.workingText = "CHANGED";
    EXPECT_EQ(p.current()->workingText, "ORIGINAL");
    EXPECT_EQ(p.copyOfCurrent().workingText, "ORIGINAL");
}

TEST(LinePack, NavigationStopsAtTheEnds) {
    TLinePack p;
    EXPECT_FALSE(p.first());
    EXPECT_FALSE(p.last());
    EXPECT_FALSE(p.next());
    EXPECT_FALSE(p.previous());
    EXPECT_FALSE(p.deleteCurrent());
    EXPECT_EQ(p.copyOfCurrent().sequenceNumber, 0);
    for (const char* t : {"1", "2", "3"})
        p.addText(t, 0, TLinePack::AtEnd, 0);
    ASSERT_TRUE(p.first());
    EXPECT_FALSE(p.previous());
    EXPECT_EQ(p.current()->workingText, "1");
    ASSERT_TRUE(p.next());
    ASSERT_TRUE(p.next());
    EXPECT_FALSE(p.next());
    EXPECT_EQ(p.current()->workingText, "3");
    ASSERT_TRUE(p.first());
    ASSERT_TRUE(p.last());
    EXPECT_EQ(p.current()->workingText, "3");
}

TEST(LinePack, DeleteCurrentMovesBackAndLeavesNumbersAlone) {
    TLinePack p;
    for (const char* t : {"1", "2", "3", "4"})
        p.addText(t, 0, TLinePack::AtEnd, 0);
    ASSERT_TRUE(p.find(3));
    ASSERT_TRUE(p.deleteCurrent());
    EXPECT_EQ(p.current()->workingText, "2");
    // The gap stays until an insertion in front of it renumbers.
    EXPECT_EQ(numbers(p), (std::vector<int32_t>{1, 2, 4}));
    EXPECT_FALSE(p.find(3));
    EXPECT_EQ(p.current()->workingText, "2"); // a failed find keeps the position
    ASSERT_TRUE(p.find(4));
    EXPECT_EQ(p.current()->workingText, "4");

    ASSERT_TRUE(p.first());
    ASSERT_TRUE(p.deleteCurrent()); // the first line: its successor becomes current
    EXPECT_EQ(p.current()->workingText, "2");
    EXPECT_EQ(numbers(p), (std::vector<int32_t>{2, 4}));
    ASSERT_TRUE(p.addText("X", 0, TLinePack::AfterCurrent, 0));
    EXPECT_EQ(numbers(p), (std::vector<int32_t>{2, 3, 4}));
    ASSERT_TRUE(p.addText("F", 0, TLinePack::AtFront, 0));
    EXPECT_EQ(numbers(p), (std::vector<int32_t>{1, 2, 3, 4}));

    while (p.deleteCurrent()) {
    }
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(p.current(), nullptr);
    ASSERT_TRUE(p.addText("Z", 0, TLinePack::BeforeCurrent, 0));
    EXPECT_EQ(p.currentNumber(), 1);
}

TEST(LinePack, FindFromEitherEndOrTheCurrentLine) {
    TLinePack p;
    for (int i = 1; i <= 1000; ++i)
        p.addText(std::to_string(i), 0, TLinePack::AtEnd, i);
    for (int target : {1, 1000, 500, 499, 2, 999, 501}) {
        ASSERT_TRUE(p.find(target)) << target;
        EXPECT_EQ(p.current()->workingText, std::to_string(target));
    }
    EXPECT_FALSE(p.find(0));
    EXPECT_FALSE(p.find(1001));
    EXPECT_FALSE(p.find(-3));
    EXPECT_EQ(p.current()->workingText, "501");
}

// Reference: the list with eager renumbering from every inserted line to the end.
struct EagerModel {
    std::vector<std::pair<int, int32_t>> lines; // id, sequence number
    int current = -1;                           // index into lines
    void insert(size_t at, int id) {
        lines.insert(lines.begin() + long(at), {id, 0});
        for (size_t i = at; i < lines.size(); ++i)
            lines[i].second = (i == 0 ? 0 : lines[i - 1].second) + 1;
        current = int(at);
    }
};

TEST(LinePack, LazyNumberingMatchesEagerRenumbering) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        TLinePack p;
        EagerModel m;
        int nextId = 0;
        for (int step = 0; step < 400; ++step) {
            const unsigned op = rng() % 10;
            if (op < 5) {
                const int where = int(rng() % 4);
                const int id = nextId++;
                ASSERT_TRUE(p.addText(std::to_string(id), 0, where, 0));
                size_t at = 0;
                if (where == 1) at = m.lines.size();
                if (where == 2) at = m.current < 0 ? 0 : size_t(m.current) + 1;
                if (where == 3) at = m.current < 0 ? m.lines.size() : size_t(m.current);
                m.insert(at, id);
            } else if (op == 5) {
                const bool had = m.current >= 0;
                ASSERT_EQ(p.deleteCurrent(), had);
                if (had) {
                    const size_t at = size_t(m.current);
                    m.lines.erase(m.lines.begin() + long(at));
                    m.current = m.lines.empty() ? -1 : at > 0 ? int(at) - 1 : 0;
                }
            } else if (op == 6 && !m.lines.empty()) {
                // Find some number, present or not (gaps after deletions).
                const int32_t target = int32_t(rng() % (m.lines.size() + 3));
                int found = -1;
                for (size_t i = 0; i < m.lines.size(); ++i)
                    if (m.lines[i].second == target) found = int(i);
                ASSERT_EQ(p.find(target), found >= 0) << target;
                if (found >= 0) m.current = found;
            } else if (op == 7) {
                if (p.next()) ++m.current;
            } else if (op == 8) {
                if (p.previous()) --m.current;
            } else if (!m.lines.empty()) {
                // Read the current line only now and then: reading numbers up to it, and
                // the lazy paths are only exercised while lines stay unnumbered.
                ASSERT_EQ(p.current()->workingText,
                          std::to_string(m.lines[size_t(m.current)].first));
                ASSERT_EQ(p.currentNumber(), m.lines[size_t(m.current)].second);
            }
        }
        std::vector<int32_t> expected;
        for (auto& l : m.lines)
            expected.push_back(l.second);
        ASSERT_EQ(numbers(p), expected) << "round " << round;
        ASSERT_EQ(p.count(), m.lines.size());
        // Repeated finds on the unchanged list (the first walk, later the sorted table), in an
        // order that jumps about, and for the numbers left out by deletions.
        for (size_t k = 0; k < m.lines.size(); ++k) {
            const auto& [id, number] = m.lines[(k * 7) % m.lines.size()];
            ASSERT_TRUE(p.find(number)) << number;
            ASSERT_EQ(p.current()->workingText, std::to_string(id));
        }
        for (size_t k = 1; k < m.lines.size(); ++k)
            for (int32_t gap = m.lines[k - 1].second + 1; gap < m.lines[k].second; ++gap)
                ASSERT_FALSE(p.find(gap)) << gap;
    }
}

TEST(LinePack, MoveKeepsLinesAndPosition) {
    TLinePack a("BODY", 4);
    for (const char* t : {"1", "2", "3"})
        a.addText(t, 0, TLinePack::AtEnd, 0);
    a.find(2);
    TLinePack b(std::move(a));
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.name(), "BODY");
    EXPECT_EQ(b.number(), 4);
    EXPECT_EQ(b.current()->workingText, "2");
    ASSERT_TRUE(b.addText("X", 0, TLinePack::AtFront, 0));
    EXPECT_EQ(numbers(b), (std::vector<int32_t>{1, 2, 3, 4}));
    a.addText("A", 0, TLinePack::AtEnd, 0);
    b = std::move(a);
    EXPECT_EQ(texts(b), (std::vector<std::string>{"A"}));
}

TEST(SourceLineFields, FieldAccessAndReplacement) {
    SourceLine l;
    l.setText(" MOV  A, B ;C");
    // Fields as the splitter would set them: operation "MOV", operands "A" and "B", comment.
    l.fieldStart[2] = 2, l.fieldLength[2] = 3;
    l.fieldStart[3] = 7, l.fieldLength[3] = 1;
    l.fieldStart[4] = 10, l.fieldLength[4] = 1;
    l.fieldStart[0] = 12, l.fieldLength[0] = 2;
    EXPECT_EQ(l.field(3), "MOV");
    EXPECT_EQ(l.operand(2), "B");
    EXPECT_EQ(l.operandCount(), 2);
    EXPECT_EQ(l.field(0), "");
    EXPECT_EQ(l.field(33), "");

    ASSERT_TRUE(l.replaceField(4, "PORTA+1"));
    EXPECT_EQ(l.workingText, " MOV  PORTA+1, B ;C");
    EXPECT_EQ(l.operand(1), "PORTA+1");
    EXPECT_EQ(l.operand(2), "B");
    EXPECT_EQ(l.field(1), ";C");
    EXPECT_EQ(l.field(3), "MOV");
    EXPECT_EQ(l.storedText, " MOV  A, B ;C");
    EXPECT_FALSE(l.replaceField(9, "X"));

    // Growing past 160 characters cuts the text; fields pushed out are dropped, none reads
    // outside the text.
    ASSERT_TRUE(l.replaceField(4, std::string(170, 'Z')));
    EXPECT_EQ(l.workingText.size(), SourceLine::kTextMax);
    EXPECT_EQ(l.operand(1).size(), 160u - 6u);
    EXPECT_FALSE(l.hasField(5));
    EXPECT_FALSE(l.hasField(1));
    EXPECT_EQ(l.operandCount(), 1);
}

TEST(LinePackLink, BodiesAreNumberedAndFoundByExactName) {
    TLinePackLink link;
    EXPECT_TRUE(link.isEmpty());
    EXPECT_EQ(link.current(), nullptr);
    EXPECT_EQ(link.currentNumber(), -1);
    EXPECT_FALSE(link.first());
    EXPECT_EQ(link.findByName("M"), nullptr);

    TLinePack* m1 = link.add("MAC1");
    ASSERT_NE(m1, nullptr);
    EXPECT_EQ(m1->number(), 0);
    m1->addText("MAC1 MACRO P", 0, TLinePack::AtEnd, 1);
    TLinePack* m2 = link.add("MAC2");
    EXPECT_EQ(m2->number(), 1);
    EXPECT_EQ(link.current(), m2);
    link.add("MAC1"); // a second body of the same name is never the one found
    EXPECT_EQ(link.count(), 3u);

    EXPECT_EQ(link.findByName("MAC1"), m1);
    EXPECT_EQ(link.currentNumber(), 0);
    EXPECT_EQ(link.findByName("mac2"), nullptr);
    EXPECT_EQ(link.currentNumber(), 0);
    ASSERT_TRUE(link.goTo(2));
    EXPECT_EQ(link.current()->name(), "MAC1");
    EXPECT_FALSE(link.goTo(7));
    EXPECT_EQ(link.currentNumber(), 2);
    EXPECT_FALSE(link.next());
    ASSERT_TRUE(link.first());
    ASSERT_TRUE(link.next());
    EXPECT_EQ(link.current(), m2);
    EXPECT_EQ(link.at(0)->count(), 1u);

    link.clear();
    EXPECT_TRUE(link.isEmpty());
    EXPECT_EQ(link.add("N")->number(), 0);
}

} // namespace
} // namespace zerka
