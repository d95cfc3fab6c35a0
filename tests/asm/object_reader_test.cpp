#include <gtest/gtest.h>

#include <string>

#include "asm/object_reader.h"
#include "preproc_fixture.h"

namespace zerka::test {
namespace {
using ::testing::ElementsAre;

// Hand-made object bytes.
std::string sub(char marker, std::string_view four) {
    return std::string(1, marker) + std::string(four);
}
const std::string kNone = sub('\x8D', "0000");
std::string record(std::string_view word, const std::string& s1 = kNone,
                   const std::string& s2 = kNone, const std::string& s3 = kNone) {
    return s1 + s2 + s3 + std::string(word);
}
std::string header(std::string_view last) {
    return "\x80" + std::string(last) + "\x81";
}
std::string global(char kind, std::string_view name, std::string_view value,
                   std::string_view size = "00") {
    char len[3];
    std::snprintf(len, sizeof len, "%02X", unsigned(name.size()));
    return "\x84" + std::string(1, kind) + std::string(size) + len + std::string(name) +
           "\x85\x86" + std::string(value) + "\x87";
}
std::string external(std::string_view name) {
    char len[3];
    std::snprintf(len, sizeof len, "%02X", unsigned(name.size()));
    return "\x89" + std::string(len) + std::string(name) + "\x8A\x8B" + "00000000" + "\x8C";
}
std::string code(const std::string& records) {
    return "\x82" + records + "\x88";
}

class ObjectReaderTest : public PreprocTest {
  protected:
    bool read(const std::string& bytes) {
        files.addText("LIB.OBJ", 1, TLinePack::AtEnd, 0);
        return readObjectModule(env, bytes, 3, makeLineClassifier(&instructions, &macros));
    }
};

TEST_F(ObjectReaderTest, PlainCodeRecords) {
    ASSERT_TRUE(read(header("00000001") + code(record("0612") + record("122A"))));
    EXPECT_THAT(texts(), ElementsAre("MVL       0012H", "ADDF       002AH, 0001H, 0000H"));
    for (const SourceLine* l : lineList()) {
        EXPECT_TRUE(l->isObject);
        EXPECT_EQ(l->fileIndex, 3);
        EXPECT_EQ(l->lineNumber, 0);
        EXPECT_EQ(l->storedText, l->workingText);
        EXPECT_FALSE(l->relocate[0]);
    }
    const SourceLine* addf = lineList()[1];
    EXPECT_EQ(addf->operationId, int(OpId::ADDF));
    ASSERT_EQ(addf->operandCount(), 3);
    EXPECT_EQ(addf->operand(2), "0001H");
    EXPECT_TRUE(errors.empty());
}

TEST_F(ObjectReaderTest, LocalOperandsAreRelocated) {
    struct Case {
        const char* four;
        const char* text;
        uint8_t modifier;
    };
    const Case cases[] = {{"0001", "MVL       0012H", 0},
                          {"0005", "MVL       0012H", 0},
                          {"0009", "MVL       0012H", 0},
                          {"0002", "MVL       UP       0012H", 1},
                          {"0007", "MVL       HIGH       0012H", 2},
                          {"000C", "MVL       LOW       0012H", 3}};
    std::string records;
    for (const Case& c : cases)
        records += record("0612", sub('\x8D', c.four));
    records += record("0612", sub('\x90', "   1")) + record("0612", sub('\x8F', "   1"));
    ASSERT_TRUE(read(header("00000007") + code(records)));
    const auto l = lineList();
    ASSERT_EQ(l.size(), 8u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(l[i]->workingText, cases[i].text) << i;
        EXPECT_TRUE(l[i]->relocate[0]) << i;
        EXPECT_EQ(l[i]->relocationModifier, cases[i].modifier) << i;
    }
    EXPECT_TRUE(l[6]->relocate[0]);  // 90h: a global label
    EXPECT_FALSE(l[7]->relocate[0]); // 8Fh: a global constant
    EXPECT_EQ(l[7]->workingText, "MVL       0012H");
}

TEST_F(ObjectReaderTest, ExternalOperands) {
    struct Case {
        char marker;
        const char* four;
        const char* text;
    };
    const Case cases[] = {{'\x8E', "   2", "MVL       PORT"},
                          {'\x8E', "   0", "MVL       0012H"},
                          {'\x91', "   1", "MVL       UP       EXT"},
                          {'\x93', "   1", "MVL       LOW       EXT"},
                          {'\x94', "   1", "MVL       EXT+0012H"},
                          {'\x98', "   2", "MVL       PORT+0012H"},
                          {'\x96', "   1", "MVL       HIGH       EXT+0012H"},
                          {'\x9B', "   1", "MVL       LOW       EXT+0012H"}};
    std::string records;
    for (const Case& c : cases)
        records += record("0612", sub(c.marker, c.four));
    ASSERT_TRUE(read(external("EXT") + external("PORT") + external("EXT") + header("00000007") +
                     code(records)));
    const auto l = lineList();
    ASSERT_EQ(l.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(l[i]->workingText, cases[i].text) << i;
        EXPECT_FALSE(l[i]->relocate[0]) << i;
    }
    // The module's externals do not outlive it.
    EXPECT_EQ(tables.externs.count(), 0);
}

TEST_F(ObjectReaderTest, GlobalSymbolsGiveLabelLinesOnce) {
    ASSERT_TRUE(read(global('L', "START", "00000010") + global('D', "BUF", "00000020", "04") +
                     global('L', "START", "00000030") + header("00000000") + code(record("0000"))));
    EXPECT_THAT(texts(), ElementsAre("START", "BUF", "NOP       "));
    const SourceLine* start = lineList()[0];
    EXPECT_TRUE(start->isLabel);
    EXPECT_TRUE(start->isObject);
    EXPECT_EQ(start->field(2), "START");
    EXPECT_EQ(start->fileIndex, 3);
    const SymbolEntry* s = tables.objectSymbols.findEntry("START");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->value, 0x10);
    EXPECT_EQ(s->kind, 'L');
    EXPECT_EQ(s->text, "START");
    const SymbolEntry* b = tables.objectSymbols.findEntry("BUF");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->extra, 4);
    EXPECT_EQ(b->kind, 'D');
    EXPECT_EQ(tables.objectSymbols.count(), 2); // the second START was a duplicate label
}

TEST_F(ObjectReaderTest, RecordCountAndEndMarkers) {
    // The header asks for one record: the second is not read as code.
    ASSERT_TRUE(read(header("0") + code(record("0612") + record("0612"))));
    EXPECT_EQ(lines.count(), 1u);
    // An end marker inside the code section ends the module early and successfully.
    lines.clear();
    ASSERT_TRUE(read(header("00000009") + "\x82" + record("0612") + "\x83"));
    EXPECT_EQ(lines.count(), 1u);
    // Bytes outside any record are passed over; no code section at all is fine.
    lines.clear();
    ASSERT_TRUE(read("junk\x8D\x81" + header("00000000") + "more junk"));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(errors.empty());
}

struct BadModule {
    const char* what;
    std::string bytes;
    const char* detail; // nullptr: no detail
};

class ObjectFailureTest : public ObjectReaderTest,
                          public ::testing::WithParamInterface<BadModule> {};

TEST_P(ObjectFailureTest, FailsCleanlyWithCode16) {
    EXPECT_FALSE(read(external("EXT") + GetParam().bytes)) << GetParam().what;
    const PreprocError e = onlyError();
    EXPECT_EQ(e.code, 16) << GetParam().what;
    EXPECT_TRUE(e.fatal);
    if (GetParam().detail) {
        EXPECT_EQ(e.detail, std::optional<std::string>(GetParam().detail)) << GetParam().what;
    } else {
        EXPECT_EQ(e.detail, std::nullopt) << GetParam().what;
    }
    EXPECT_EQ(tables.externs.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ObjectFailureTest,
    ::testing::Values(
        BadModule{"word that is no instruction", header("0") + code(record("0004")), "Error Code"},
        BadModule{"word that is not hexadecimal", header("0") + code(record("06G2")), "Error Code"},
        BadModule{"record cut by the end of the file", header("0") + "\x82" + kNone + "06",
                  "Bad object file"},
        BadModule{"fewer records than the header counts", header("2") + "\x82" + record("0612"),
                  "Bad object file"},
        BadModule{"foreign byte in a record",
                  header("0") + code(record("0612", sub('\xC0', "0000"))), "Bad object file"},
        BadModule{"unknown local code", header("0") + code(record("0612", sub('\x8D', "000D"))),
                  "Bad object file"},
        BadModule{"external index beyond the table",
                  header("0") + code(record("0612", sub('\x8E', "   2"))), "Bad object file"},
        BadModule{"index that is not a number",
                  header("0") + code(record("0612", sub('\x90', " 1x1"))), "Bad object file"},
        BadModule{"code without a header", code(record("0612")), "Bad object file"},
        BadModule{"second code section after the count",
                  header("0") + "\x82" + record("0612") + "\x82" + record("0612"), nullptr},
        BadModule{"header of nine digits", header("000000000"), "Bad object file"},
        BadModule{"header without its end",
                  "\x80"
                  "12",
                  "Bad object file"},
        BadModule{"global name with a marker byte",
                  "\x84L0003A\x8D"
                  "C\x85\x86"
                  "0\x87",
                  "Bad object file"},
        BadModule{"global name longer than stated",
                  "\x84L0001ABC\x85\x86"
                  "0\x87",
                  "Bad object file"},
        BadModule{"global cut short", "\x84L0005STA", "Bad object file"},
        BadModule{"global without value marker", "\x84L0001A\x85X0\x87", "Bad object file"},
        BadModule{"external with a blank in the name",
                  "\x89"
                  "03A B\x8A\x8B"
                  "0\x8C",
                  "Bad object file"}));

TEST_F(ObjectReaderTest, EveryTruncationFailsOrSucceedsCleanly) {
    const std::string module = global('L', "START", "00000001") + external("EXT") +
                               header("00000002") +
                               code(record("0612", sub('\x8E', "   1")) + record("122A") +
                                    record("7812", sub('\x90', "   1")));
    ASSERT_TRUE(read(module));
    for (size_t n = 0; n < module.size(); ++n) {
        TLinePack fresh;
        SymbolTables freshTables;
        env.lines = &fresh;
        env.tables = &freshTables;
        read(module.substr(0, n)); // must not read past the bytes (checked by the sanitizers)
        EXPECT_EQ(freshTables.externs.count(), 0);
        EXPECT_LE(fresh.count(), 4u);
    }
}

} // namespace
} // namespace zerka::test
