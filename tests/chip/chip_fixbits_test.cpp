#include "chip/chip_library.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zerka;

namespace {

struct FixBitsLoad {
    test::TempDir dir;
    ChipLibrary library{dir.path()};
    ChipModel model;
    FixBitsLoad() { dir.write("ZkSel.INC", "V1.0\nA.INC KXA100 (4K)\n"); }
    bool load(const std::string& text) {
        dir.write("A.INC", text);
        return library.GetSELUP(0, model, {});
    }
};

} // namespace

TEST(ChipFixedBits, SixZeroOrOneWordsSwitchTheRulesAndEachLoadStartsWithout) {
    FixBitsLoad f;
    ASSERT_TRUE(f.load("#FIXBITS\n1 0 1 0 0 1\n"));
    EXPECT_EQ(f.model.fixedBitRules, (std::array<bool, 6>{true, false, true, false, false, true}));

    // A chip without the section uses no rule, even after one that had them.
    ASSERT_TRUE(f.load("#ID\n12H\n"));
    EXPECT_EQ(f.model.fixedBitRules, (std::array<bool, 6>{}));
}

TEST(ChipFixedBits, FaultyLinesAreAbsent) {
    FixBitsLoad f;
    for (const char* bad : {"1 1 1 1 1", "1 1 1 1 1 1 1", "1 1 2 1 1 1", "1 X 1 1 1 1"}) {
        ASSERT_TRUE(f.load(std::string("#FIXBITS\n") + bad + "\n"));
        EXPECT_EQ(f.model.fixedBitRules, (std::array<bool, 6>{})) << bad;
    }
    // Number notation applies to the words.
    ASSERT_TRUE(f.load("#FIXBITS\n1H 01 0 0B 1D 0\n"));
    EXPECT_EQ(f.model.fixedBitRules, (std::array<bool, 6>{true, true, false, false, true, false}));
}
