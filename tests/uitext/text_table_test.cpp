#include "uitext/text_table.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(TextTable, EnglishTextsOfMessagesAndCaptions) {
    EXPECT_EQ(TextOf(1), "Save changes to ");
    EXPECT_EQ(TextOf(6), "Please set Configuration!");
    EXPECT_EQ(TextOf(44), "ZerKa-IDE Connect Error , Please check !!");
    EXPECT_EQ(TextOf(73), "File");
    EXPECT_EQ(TextOf(118), "Assemble&&Run");
    EXPECT_EQ(TextOf(235), "RomWriter");
    EXPECT_EQ(TextOf(301), "Add Current PC Address");
    EXPECT_EQ(TextOf(55), "");
    EXPECT_EQ(TextOf(302), "");
    EXPECT_EQ(TextOf(-1), "");
}

TEST(TextTable, OnlyTheSwitchedEntriesFollowTheChineseSelector) {
    EXPECT_EQ(TextOfLanguage(18, 1), "請重新設定LPT I/O位址!");
    EXPECT_EQ(TextOfLanguage(22, 1), "ICE \"程式記憶體\" 驗証無誤!");
    EXPECT_EQ(TextOfLanguage(44, 1), "ZerKa-IDE 連線失敗 , 請檢查");
    EXPECT_EQ(TextOfLanguage(44, 0), TextOf(44));
    // Every other entry stays English whatever the selector says.
    for (int entry = 0; entry < kTextTableSize; ++entry) {
        if (!IsLanguageSwitchedEntry(entry)) {
            EXPECT_EQ(TextOfLanguage(entry, 1), TextOf(entry)) << entry;
        }
    }
}

} // namespace
} // namespace zerka
