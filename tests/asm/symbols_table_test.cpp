#include <gtest/gtest.h>

#include <random>
#include <string>

#include "asm/sym_def_pack.h"
#include "asm/symbol_tables.h"
#include "core/number.h"

namespace zerka {
namespace {

TEST(SymDefPack, EntriesAreNumberedFromOneInInsertionOrder) {
    TSymDefPack t;
    EXPECT_EQ(t.count(), 0);
    EXPECT_EQ(t.entry(1), nullptr);
    EXPECT_EQ(t.add("A", "A", 1, 'L', 100), kSymAdded);
    EXPECT_EQ(t.add("B", "0010H", 2, 'C', 16), kSymAdded);
    ASSERT_EQ(t.count(), 2);
    EXPECT_EQ(t.entry(0), nullptr);
    EXPECT_EQ(t.entry(3), nullptr);
    ASSERT_NE(t.entry(2), nullptr);
    EXPECT_EQ(t.entry(2)->name, "B");
    EXPECT_EQ(t.entry(2)->text, "0010H");
    EXPECT_EQ(t.entry(2)->value, 16);
    EXPECT_EQ(t.entry(2)->kind, 'C');
    EXPECT_EQ(t.entry(2)->extra, 2);

    // Entries never move: a pointer taken early survives many later additions.
    const SymbolEntry* a = t.entry(1);
    for (int i = 0; i < 1000; ++i)
        t.add("N" + std::to_string(i), "X", 0, 'L', i);
    EXPECT_EQ(a, t.entry(1));
    EXPECT_EQ(a->name, "A");
}

TEST(SymDefPack, ConstantsAndLabelsAreDuplicatesAndChangeNothing) {
    TSymDefPack t;
    t.add("K", "0010H", 0, 'C', 16);
    t.add("L", "L", 0, 'L', 0x234);
    EXPECT_EQ(t.add("K", "0020H", 5, 'C', 32), kSymDuplicate);
    EXPECT_EQ(t.add("L", "L", 0, 'V', 1), kSymDuplicate);
    // SET on an EQU name is a duplicate too.
    EXPECT_EQ(t.add("K", "5", 0, 'V', 5), kSymDuplicate);
    EXPECT_EQ(t.count(), 2);
    EXPECT_EQ(t.entry(1)->value, 16);
    EXPECT_EQ(t.entry(1)->text, "0010H");
    EXPECT_EQ(t.entry(2)->kind, 'L');
}

TEST(SymDefPack, VariablesAreOverwrittenInPlace) {
    TSymDefPack t;
    t.add("V", "1", 0, 'V', 1);
    EXPECT_EQ(t.add("V", "2", 3, 'V', 2), kSymAdded);
    ASSERT_EQ(t.count(), 1);
    EXPECT_EQ(t.entry(1)->text, "2");
    EXPECT_EQ(t.entry(1)->extra, 3);
    // EQU on a SET name replaces the SET entry, which then is a constant.
    EXPECT_EQ(t.add("V", "0007H", 4, 'C', 7), kSymAdded);
    ASSERT_EQ(t.count(), 1);
    EXPECT_EQ(t.entry(1)->kind, 'C');
    EXPECT_EQ(t.entry(1)->value, 7);
    EXPECT_EQ(t.entry(1)->extra, 4);
    EXPECT_EQ(t.add("V", "1", 0, 'V', 1), kSymDuplicate);
}

TEST(SymDefPack, OtherKindsArePassedOverAndPendingEntriesAlwaysAppended) {
    TSymDefPack t;
    t.add("X", "X", 1, 'D', 0x20);
    t.add("X", "X", 0, 'E', 0);
    ASSERT_EQ(t.count(), 2); // D and E do not block each other
    EXPECT_EQ(t.add("X", "3", 0, 'V', 3), kSymAdded);
    ASSERT_EQ(t.count(), 3);
    // The first V behind the passed-over entries is the one overwritten.
    EXPECT_EQ(t.add("X", "4", 0, 'V', 4), kSymAdded);
    EXPECT_EQ(t.count(), 3);
    EXPECT_EQ(t.entry(3)->value, 4);

    t.add("K", "1", 0, 'C', 1);
    EXPECT_EQ(t.add("K", "K", 0, 'M', 0x40), kSymAdded);
    EXPECT_EQ(t.add("K", "K", 0, 'M', 0x41), kSymAdded);
    EXPECT_EQ(t.count(), 6);
    // Lookup by name gives the first entry of that name whatever its kind.
    EXPECT_EQ(t.findName("X"), 1);
    EXPECT_EQ(t.findName("K"), 4);
    EXPECT_EQ(t.findName("Q"), 0);
}

TEST(SymDefPack, NamesAndTextsAreCutTo32Characters) {
    TSymDefPack t;
    const std::string n33(33, 'A');
    std::string other = std::string(32, 'A') + "B";
    EXPECT_EQ(t.add(n33, std::string(40, 'T'), 0, 'C', 1), kSymAdded);
    EXPECT_EQ(t.entry(1)->name.size(), 32u);
    EXPECT_EQ(t.entry(1)->text, std::string(32, 'T'));
    EXPECT_EQ(t.add(other, "2", 0, 'C', 2), kSymDuplicate);
    EXPECT_EQ(t.findName(other), 1);
    EXPECT_EQ(t.findName(std::string(32, 'A')), 1);
    EXPECT_EQ(t.findName(std::string(31, 'A')), 0);
}

TEST(SymDefPack, FindByTextIsExactAndFirst) {
    TSymDefPack t;
    t.add("A", "OBJ1", 0, 'L', 0);
    t.add("B", "OBJ", 0, 'L', 0);
    t.add("C", "OBJ", 0, 'L', 0);
    EXPECT_EQ(t.findText("OBJ"), 2);
    EXPECT_EQ(t.findText("OBJ1"), 1);
    EXPECT_EQ(t.findText("obj"), 0);
    EXPECT_EQ(t.findText(""), 0);
}

TEST(SymDefPack, FullTableRefusesNewNamesButStillAnswers) {
    TSymDefPack t;
    for (int i = 0; i < TSymDefPack::kMaxEntries; ++i)
        ASSERT_EQ(t.add("S" + std::to_string(i), "T", 0, i == 5 ? 'V' : 'L', i), kSymAdded);
    EXPECT_EQ(t.count(), 8192);
    EXPECT_EQ(t.add("NEW", "NEW", 0, 'L', 1), kSymOutOfMemory);
    EXPECT_EQ(t.add("NEW", "NEW", 0, 'M', 1), kSymOutOfMemory);
    EXPECT_EQ(t.count(), 8192);
    EXPECT_EQ(t.findName("NEW"), 0);
    // Answers that need no room are still given.
    EXPECT_EQ(t.add("S7", "T", 0, 'C', 1), kSymDuplicate);
    EXPECT_EQ(t.add("S5", "9", 0, 'V', 9), kSymAdded);
    EXPECT_EQ(t.entry(6)->value, 9);
    EXPECT_EQ(t.findName("S8191"), 8192);

    t.clear();
    EXPECT_EQ(t.count(), 0);
    EXPECT_EQ(t.findName("S1"), 0);
    EXPECT_EQ(t.add("S1", "S1", 0, 'L', 1), kSymAdded);
    EXPECT_EQ(t.findName("S1"), 1);
}

// The name index must give exactly what an in-order scan would, across kind changes.
TEST(SymDefPack, IndexAgreesWithInOrderScan) {
    std::mt19937 rng(7);
    const char kinds[] = {'L', 'C', 'V', 'D', 'E', 'M'};
    TSymDefPack t;
    for (int step = 0; step < 5000; ++step) {
        const std::string name = "N" + std::to_string(rng() % 40);
        const char kind = kinds[rng() % 6];
        // Expected result from a scan of the entries as they are.
        int expected = kSymAdded;
        int overwrite = 0;
        if (kind != 'M') {
            for (int i = 1; i <= t.count(); ++i) {
                const SymbolEntry* e = t.entry(i);
                if (e->name != name) continue;
                if (e->kind == 'C' || e->kind == 'L') {
                    expected = kSymDuplicate;
                    break;
                }
                if (e->kind == 'V') {
                    overwrite = i;
                    break;
                }
            }
        }
        const int before = t.count();
        ASSERT_EQ(t.add(name, "T", 0, kind, step), expected) << step;
        if (expected == kSymAdded && overwrite != 0) {
            EXPECT_EQ(t.count(), before);
            EXPECT_EQ(t.entry(overwrite)->value, step);
            EXPECT_EQ(t.entry(overwrite)->kind, kind);
        } else if (expected == kSymAdded) {
            EXPECT_EQ(t.count(), before + 1);
        }
        const std::string probe = "N" + std::to_string(rng() % 45);
        int first = 0;
        for (int i = 1; i <= t.count() && first == 0; ++i)
            if (t.entry(i)->name == probe) first = i;
        ASSERT_EQ(t.findName(probe), first) << probe;
    }
}

TEST(SymbolTables, DefinesReplaceEarlierDefinesAndPassStartEmptiesPassTables) {
    SymbolTables tables;
    // DEFINE values follow the number notation: +5 and -5 are numbers, 5- is not.
    ASSERT_TRUE(testNumber("+5").isNumber);
    EXPECT_EQ(testNumber("+5").value, 5);
    EXPECT_EQ(testNumber("-5").value, -5);
    EXPECT_FALSE(testNumber("5-").isNumber);

    EXPECT_EQ(addDefine(tables.defines, "DBG", 5), kSymAdded);
    EXPECT_EQ(addDefine(tables.defines, "DBG", -5), kSymAdded);
    ASSERT_EQ(tables.defines.count(), 1);
    EXPECT_EQ(tables.defines.entry(1)->value, -5);
    EXPECT_EQ(tables.defines.entry(1)->text, "DBG");
    EXPECT_EQ(tables.defines.entry(1)->kind, 'V');
    EXPECT_EQ(tables.defines.entry(1)->extra, 0);

    tables.assembly.add("L", "L", 0, 'L', 1);
    tables.debugger.add("K", "1", 0, 'C', 1);
    tables.pending.add("X", "X", 0, 'M', 1);
    tables.globals.add("G", "G", 0, 'E', 0xFFFF);
    tables.startPass();
    EXPECT_EQ(tables.assembly.count(), 0);
    EXPECT_EQ(tables.debugger.count(), 0);
    EXPECT_EQ(tables.pending.count(), 0);
    EXPECT_EQ(tables.globals.count(), 1);
    EXPECT_EQ(tables.defines.count(), 1);
    tables.clearAll();
    EXPECT_EQ(tables.globals.count() + tables.defines.count(), 0);
}

} // namespace
} // namespace zerka
