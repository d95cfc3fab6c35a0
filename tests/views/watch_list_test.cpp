// The watch list: display modes, byte and bit watches, the edit rules and ".pro" files.
#include "support/temp_dir.h"
#include "views_fixture.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

using test::ViewsFixture;

std::vector<ViewSymbol> symbols() {
    return {{"PAIR", 0x40, 2, 'D'},   {"COUNT", 0x45, 1, 'C'}, {"FLAG", 2, 0, 'C'},
            {"STATUS", 0x2B, 0, 'C'}, {"BIG", 8, 0, 'C'},      {"START", 0x100, 0, 'L'},
            {"AUTO", 0x46, 0, 'A'}};
}

TEST(WatchList, DisplayModesOfADataSymbol) {
    ViewsFixture f;
    WatchListModel& w = f.views->watch;
    w.setSymbols(symbols());
    f.cpu().WriteData(0x40, 0x12);
    f.cpu().WriteData(0x41, 0x34);
    ASSERT_TRUE(w.add("pair")); // typed names are upper-cased
    const int row = 2;          // AUTO came in with the build
    EXPECT_EQ(w.cell(row, 0).text, "PAIR");
    EXPECT_EQ(w.cell(row, 1).text, "040");
    EXPECT_EQ(w.cell(0, 2).text, "Hex(H --> L)");
    EXPECT_EQ(w.cell(row, 2).text, "3412");
    w.nextMode();
    EXPECT_EQ(w.cell(0, 2).text, "Hex(L --> H)");
    EXPECT_EQ(w.cell(row, 2).text, "1234");
    w.nextMode();
    EXPECT_EQ(w.cell(row, 2).text, "13330");
    w.nextMode();
    EXPECT_EQ(w.cell(row, 2).text, "4660");
    w.nextMode();
    EXPECT_EQ(w.mode(), WatchMode::HexHighLow);

    // A long data symbol in decimal does not overflow.
    std::vector<ViewSymbol> big{{"WIDE", 0x80, 12, 'D'}};
    w.setSymbols(big);
    for (uint32_t a = 0x80; a < 0x8C; ++a)
        f.cpu().WriteData(a, 0xFF);
    w.add("WIDE");
    w.setMode(WatchMode::DecHighLow);
    EXPECT_EQ(w.cell(1, 2).text, "79228162514264337593543950335"); // 2^96 - 1
}

TEST(WatchList, ByteAndBitWatchesAndTheirEditRules) {
    ViewsFixture f;
    WatchListModel& w = f.views->watch;
    w.setSymbols(symbols());
    EXPECT_EQ(w.watchListBox(), (std::vector<std::string>{"AUTO"}));
    EXPECT_EQ(w.otherBox(), (std::vector<std::string>{"BIG", "COUNT", "FLAG", "PAIR", "STATUS"}));
    f.cpu().WriteData(0x45, 0xA5);
    f.cpu().WriteData(0x2B, 0x04);
    ASSERT_TRUE(w.add("COUNT"));
    EXPECT_EQ(w.cell(2, 2).text, "A5");
    EXPECT_EQ(w.cell(2, 3).text, "10100101");
    EXPECT_EQ(w.cell(2, 6).text, "C");

    auto r = w.applyEdit("FLAG", true, "STATUS", 'A');
    EXPECT_EQ(r.outcome, WatchListModel::EditOutcome::Applied);
    EXPECT_EQ(w.watchedCount(), 3);
    EXPECT_EQ(w.cell(3, 1).text, "02B[2]");
    EXPECT_EQ(w.cell(3, 2).text, "1");
    EXPECT_EQ(w.cell(3, 3).text, "STATUS");
    EXPECT_EQ(w.cell(3, 4).text, "1");
    EXPECT_EQ(w.cell(3, 5).text, "2B");
    EXPECT_EQ(w.cell(3, 6).text, "2");
    f.cpu().WriteData(0x2B, 0x00);
    w.Refresh();
    EXPECT_EQ(w.cell(3, 2).text, "0");

    // A number is taken as the address; a value of 8 is no bit number; a bad name is an error.
    r = w.applyEdit("FLAG", true, "45H", 'A');
    EXPECT_EQ(w.cell(3, 1).text, "045[2]");
    EXPECT_EQ(w.cell(3, 3).text, "");
    r = w.applyEdit("BIG", true, "STATUS", 'A');
    EXPECT_EQ(r.outcome, WatchListModel::EditOutcome::Beeped);
    EXPECT_EQ(w.find("BIG")->reserve, "0");
    r = w.applyEdit("FLAG", true, "NOSUCH", 'A');
    EXPECT_EQ(r.outcome, WatchListModel::EditOutcome::Error);
    EXPECT_EQ(r.message, "Refered Address NOSUCH is error!");
    EXPECT_EQ(w.cell(3, 1).text, "045[2]"); // unchanged

    w.clearAllProperties();
    EXPECT_EQ(w.find("FLAG")->reserve, "0");
    EXPECT_EQ(w.cell(3, 1).text, "002");

    ASSERT_TRUE(w.remove("COUNT"));
    EXPECT_EQ(w.cell(2, 0).text, "FLAG"); // the following rows move up
    w.removeAll();
    EXPECT_EQ(w.watchedCount(), 0);
    EXPECT_FALSE(w.contextMenu()[1].enabled); // "Edit Watch" needs a watched row
    EXPECT_EQ(w.rows(), 2);                   // one empty row stays below the header
    w.toggleHideAddress();
    EXPECT_EQ(w.columnWidth(1), 0);
}

TEST(WatchList, EditDialogRestoreAndBeep) {
    ViewsFixture f;
    WatchListModel& w = f.views->watch;
    w.setSymbols(symbols());
    w.add("FLAG");
    WatchEditDialog d(w, "FLAG");
    EXPECT_FALSE(d.referredEnabled());
    EXPECT_TRUE(d.chooseBit(true));
    d.pickSymbol("STATUS");
    EXPECT_TRUE(d.modified());
    d.restore();
    EXPECT_FALSE(d.modified());
    EXPECT_EQ(d.referred(), "000");
    d.chooseBit(true);
    d.setReferred("STATUS");
    EXPECT_EQ(d.apply().outcome, WatchListModel::EditOutcome::Applied);
    EXPECT_FALSE(d.modified());
    EXPECT_TRUE(w.find("FLAG")->bitWatch);

    WatchEditDialog big(w, "BIG");
    EXPECT_FALSE(big.chooseBit(true));
    EXPECT_FALSE(big.bit());
}

TEST(WatchList, ProFileRoundTrip) {
    test::TempDir dir;
    ViewsFixture f;
    WatchListModel& w = f.views->watch;
    std::vector<ViewSymbol> more = symbols();
    more.push_back({"BIT3", 3, 0, 'C'});
    w.setSymbols(more);
    w.add("COUNT");
    w.applyEdit("FLAG", true, "STATUS", 'A');
    w.applyEdit("BIT3", true, "64", 'A'); // a typed address: decimal 64 = 40h
    const std::string text = w.proText();
    EXPECT_NE(text.find("0 COUNT A \n"), std::string::npos);
    EXPECT_NE(text.find("1 FLAG A STATUS 2 \n"), std::string::npos);
    EXPECT_NE(text.find("0 PAIR R \n"), std::string::npos);
    ASSERT_TRUE(w.savePro(dir.path() / "t.pro", nullptr));

    ViewsFixture g;
    WatchListModel& v = g.views->watch;
    v.setSymbols(more);
    EXPECT_TRUE(v.loadPro(dir.path() / "t.pro").empty());
    EXPECT_EQ(v.proText(), text);
    EXPECT_EQ(v.find("BIT3")->referredAddress, 0x40u);
    EXPECT_EQ(v.watchedCount(), w.watchedCount());
    for (int row = 1; row <= v.watchedCount(); ++row)
        for (int col = 0; col < WatchListModel::kColumns; ++col)
            EXPECT_EQ(v.cell(row, col).text, w.cell(row, col).text) << row << "," << col;

    // Unknown names and short lines are skipped; a bad referred name is reported.
    const auto problems = v.loadProText("0 NOSUCH A \n\n1\n1 FLAG A NOWHERE 2 \r\n");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "Refered Address NOWHERE is error!");
    EXPECT_TRUE(v.loadPro(dir.path() / "missing.pro").empty());
}

} // namespace
} // namespace zerka
