#include "chip/chip_lines.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace zerka;

TEST(CutLIPara, UpperCasesSplitsAtBlankRunsAndRecordsTheComment) {
    const ChipLineWords l = CutLIPara("  12h\tPort_a \t  pa7 ; Port A data\r");
    ASSERT_EQ(l.count(), 3u);
    EXPECT_EQ(l.w(1), "12H");
    EXPECT_EQ(l.w(2), "PORT_A");
    EXPECT_EQ(l.w(3), "PA7");
    EXPECT_EQ(l.w(4), ""); // beyond the last word
    EXPECT_EQ(l.w(0), "");
    ASSERT_TRUE(l.hasComment());
    EXPECT_EQ(l.commentPos, 20);
    EXPECT_EQ(l.commentLength, 13); // the marker to the end, without the carriage return
}

TEST(CutLIPara, QuoteAlsoStartsAComment) {
    const ChipLineWords l = CutLIPara("ABC \"quoted ; text");
    ASSERT_EQ(l.count(), 1u);
    EXPECT_EQ(l.commentPos, 4);
    EXPECT_EQ(l.commentLength, 14);

    const ChipLineWords none = CutLIPara("ABC DEF");
    EXPECT_FALSE(none.hasComment());
    EXPECT_TRUE(CutLIPara("").words.empty());
    EXPECT_TRUE(CutLIPara(" \t ").words.empty());
}

TEST(CutLIPara, CutsTheLineAt160CharactersBeforeSplitting) {
    std::string line(158, 'A');
    line += " BCD ;late comment";
    const ChipLineWords l = CutLIPara(line);
    ASSERT_EQ(l.count(), 2u);
    EXPECT_EQ(l.w(2), "B"); // characters 159 and 160 only
    EXPECT_FALSE(l.hasComment());
}

TEST(CutLIPara, KeepsAtMost29Words) {
    std::string line;
    for (int i = 0; i < 40; ++i)
        line += "W" + std::to_string(i) + " ";
    const ChipLineWords l = CutLIPara(line);
    ASSERT_EQ(l.count(), 29u);
    EXPECT_EQ(l.w(29), "W28");
}

TEST(IsPseudo, NumbersEveryKeywordOnceAndRejectsEverythingElse) {
    std::set<uint8_t> codes;
    // The 57 keywords of the format and our own "#FIXBITS".
    for (uint8_t c = 1; c <= 58; ++c) {
        const std::string_view k = sectionKeyword(c);
        ASSERT_FALSE(k.empty()) << int(c);
        EXPECT_EQ(IsPseudo(k), c) << k;
        codes.insert(c);
    }
    EXPECT_EQ(codes.size(), 58u);
    EXPECT_EQ(IsPseudo("#FIXBITS"), kSecFixBits);
    EXPECT_EQ(IsPseudo("#RAMBANK15"), kSecRamBank15);
    EXPECT_EQ(IsPseudo("#RAMBANK16"), kNotKeyword);
    EXPECT_EQ(IsPseudo("#regbit"), kNotKeyword); // exact test: callers upper-case first
    EXPECT_EQ(IsPseudo("#REGBIT4"), kNotKeyword);
    EXPECT_EQ(IsPseudo("REGBIT"), kNotKeyword);
    EXPECT_EQ(IsPseudo("#"), kNotKeyword);
    EXPECT_EQ(IsPseudo(""), kNotKeyword);
    EXPECT_EQ(sectionKeyword(0), "");
    EXPECT_EQ(sectionKeyword(59), "");
}
