// The source view model over a real assembly on a shipped chip: rows and mark fields, breakpoint
// toggling (no-code rows, two-word instructions, macro bodies), the current line and stepping
// through a macro body, bookmarks, the value hint, the limits of the view, and the breakpoint
// list that names each breakpoint's line.
#include "views/source_view.h"

#include "views/breakpoint_list.h"

#include "chip/chip_library.h"
#include "core/text.h"
#include "shell/up_receiver.h"
#include "support/temp_dir.h"
#include "upcentre/run/up_centre.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zerka {
namespace {

class MessageRecorder : public UiHost {
  public:
    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override {
        messages.push_back({type, text, buttons});
        return Button::Cancel;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    struct Message {
        MessageType type;
        std::string text;
        Buttons buttons;
    };
    std::vector<Message> messages;
};

// Rows of MAIN.ASM (1-based) the tests point at.
constexpr int32_t kCommentRow = 1;
constexpr int32_t kTabRow = 2;
constexpr int32_t kBodyFirst = 6; // INF REG, TOF (the macro body)
constexpr int32_t kJmpRow = 11;
constexpr int32_t kMvfRow = 13;
constexpr int32_t kCallRow = 14; // BUMP COUNT
constexpr int32_t kBsfRow = 15;
constexpr int32_t kBankedRow = 16;
constexpr int32_t kDwRow = 17;
constexpr int32_t kIndirectRow = 18;

const char* const kMain = "; tiny program for the source view\n"  // 1
                          "TOF\tEQU\t1\n"                         // 2
                          "COUNT   EQU     23H\n"                 // 3
                          "\n"                                    // 4
                          "BUMP    MACRO   REG\n"                 // 5
                          "        INF     REG, TOF\n"            // 6
                          "        DCF     REG, TOF\n"            // 7
                          "        ENDM\n"                        // 8
                          "\n"                                    // 9
                          "        ORG     0\n"                   // 10
                          "        JMP     START\n"               // 11
                          "START:  MVL     5\n"                   // 12
                          "        MVF     023H, TOF   ; count\n" // 13
                          "        BUMP    COUNT\n"               // 14
                          "        BSF     COUNT, 3\n"            // 15
                          "        INF     123H, TOF, 1\n"        // 16
                          "        DW      1234H\n"               // 17
                          "        INF     4, TOF\n"              // 18
                          "        INCLUDE PART.ASM\n"            // 19
                          "        END\n";                        // 20

class SourceViewTest : public ::testing::Test {
  protected:
    SourceViewTest() : view(up) {
        ChipLibrary library(test::sourceDir() / "chips");
        library.buildChipList();
        const auto index = library.findChipByName("KXA1608");
        EXPECT_TRUE(index.has_value());
        if (index) {
            EXPECT_TRUE(library.GetSELUP(*index, chip));
        }
        up.applyChip(chip);
        view.setUiHost(&ui);
    }

    void build() {
        dir.write("PART.ASM", "\tNOP\n\tNOP\n");
        const auto path = dir.write("MAIN.ASM", kMain);
        AssemblyContext ctx;
        ctx.chip = &chip;
        ctx.instructions = &up.instructions();
        ctx.includeRoot = dir.path();
        AssemblyOptions options;
        options.listing = options.hexFile = options.mapFile = options.errorFile = false;
        result = Assemble(path, ctx, options);
        ASSERT_TRUE(result.success) << (result.errorList.empty() ? "" : result.errorList[0]);
        UpCentreReceiver cells(up);
        ASSERT_TRUE(HandOverAssembly(result, cells));
        ASSERT_TRUE(view.load(result, ui));
    }

    uint32_t addressOf(int32_t row) const { return view.file(1).address(row); }
    std::vector<BreakpointEntry> userBreakpoints() const { return up.breakpoints(); }

    test::TempDir dir;
    ChipModel chip;
    TZk_UP up;
    SourceViewModel view;
    MessageRecorder ui;
    AssemblyResult result;
};

TEST_F(SourceViewTest, LoadsEveryFileWithRowsMarksAndExpandedTabs) {
    build();
    ASSERT_EQ(view.fileCount(), 2);
    EXPECT_EQ(view.caption(1), "MAIN.ASM");
    EXPECT_EQ(view.caption(2), "PART.ASM");
    EXPECT_EQ(view.rowCount(1), 20);
    EXPECT_EQ(view.rowCount(2), 2);
    // A tab fills to the next multiple of 6 columns; at a multiple of 6 it adds 6.
    EXPECT_EQ(view.rowText(1, kTabRow), "TOF   EQU   1");
    EXPECT_EQ(view.rowText(2, 1), "      NOP");
    EXPECT_EQ(expandTabs("ABCDEF\tX"), "ABCDEF      X");

    EXPECT_EQ(view.markText(1, kCommentRow), "-   ");
    EXPECT_EQ(view.markText(1, kMvfRow), "    ");
    EXPECT_EQ(view.markText(2, 2), "    ");
    // JMP takes two words; its row keeps the address of the last one.
    EXPECT_EQ(addressOf(kJmpRow), 1u);
    EXPECT_EQ(addressOf(kJmpRow + 1), 2u);
    EXPECT_EQ(view.file(2).address(1), addressOf(kIndirectRow) + 1);
    // The macro body has no code of its own; the call line has none either but leads to code.
    EXPECT_EQ(view.markText(1, kBodyFirst), "-   ");
    EXPECT_EQ(view.markText(1, kCallRow), "    ");
    EXPECT_EQ(view.rowColour(1, kMvfRow), SourceRowColour::Normal);
    view.SetDimmed(true);
    EXPECT_EQ(view.rowColour(1, kMvfRow), SourceRowColour::Dimmed);

    // A new load starts from nothing.
    ASSERT_TRUE(view.load(result, ui));
    EXPECT_EQ(view.fileCount(), 2);
}

TEST_F(SourceViewTest, BreakpointsFollowTheRowRules) {
    build();
    view.ToggleBreakpointAtRow(1, kCommentRow);
    EXPECT_TRUE(up.breakpoints().empty()) << "a row without code takes no breakpoint";

    view.ToggleBreakpointAtRow(1, kMvfRow);
    ASSERT_EQ(up.breakpoints().size(), 1u);
    EXPECT_EQ(up.breakpoints()[0].address, addressOf(kMvfRow));
    EXPECT_EQ(up.breakpoints()[0].kind, BreakpointKind::Address);
    EXPECT_EQ(view.markText(1, kMvfRow), std::string(kSourceBreakpointMark) + "  ");
    EXPECT_EQ(view.rowColour(1, kMvfRow), SourceRowColour::Breakpoint);
    view.ToggleBreakpointAtRow(1, kMvfRow);
    EXPECT_TRUE(up.breakpoints().empty());
    EXPECT_EQ(view.markText(1, kMvfRow), "    ");

    // The JMP row holds its second word: the breakpoint lands on the first word.
    view.ToggleBreakpointAtRow(1, kJmpRow);
    ASSERT_EQ(up.breakpoints().size(), 1u);
    EXPECT_EQ(up.breakpoints()[0].address, 0u);
    EXPECT_EQ(view.markText(1, kJmpRow).substr(0, 3), kSourceBreakpointMark);
    view.ToggleBreakpointAtRow(1, kJmpRow);
    EXPECT_TRUE(up.breakpoints().empty());
    EXPECT_EQ(view.markText(1, kJmpRow), "    ");

    // A macro line without its own address: kind 2 at the next code address of the expansion
    // (the body's first instruction), marked on this row.
    const uint32_t expansion = addressOf(kMvfRow) + 1;
    view.ToggleBreakpointAtRow(1, kCallRow);
    ASSERT_EQ(up.breakpoints().size(), 1u);
    const BreakpointEntry bp = up.breakpoints()[0];
    EXPECT_EQ(bp.kind, BreakpointKind::SourceLine);
    EXPECT_EQ(bp.address, expansion);
    EXPECT_EQ(bp.line, kCallRow);
    EXPECT_TRUE(view.file(1).breakpoint(kCallRow));
    EXPECT_FALSE(view.file(1).breakpoint(kBodyFirst)) << "a body row shows no mark";
    // Another row leading to the same address takes the breakpoint over; one mark remains.
    view.SetRowValue(1, kBodyFirst, view.addressRecord(expansion), 1);
    view.ToggleBreakpointAtRow(1, kBodyFirst);
    ASSERT_EQ(up.breakpoints().size(), 1u);
    EXPECT_TRUE(view.file(1).breakpoint(kBodyFirst));
    EXPECT_FALSE(view.file(1).breakpoint(kCallRow));
    view.ToggleBreakpointAtRow(1, kBodyFirst);
    EXPECT_TRUE(up.breakpoints().empty());
    EXPECT_FALSE(view.file(1).breakpoint(kBodyFirst));
}

TEST_F(SourceViewTest, CurrentLineAtCallLevelThenStepsThroughTheMacroBody) {
    build();
    const uint32_t first = addressOf(kMvfRow) + 1; // the expansion's first word
    // An ordinary line.
    view.ShowCurrentLine(addressOf(kMvfRow), true);
    EXPECT_EQ(view.highlightFile(), 1);
    EXPECT_EQ(view.highlightRow(), kMvfRow);
    EXPECT_EQ(view.rowColour(1, kMvfRow), SourceRowColour::HighlightSimulator);
    view.SetEmulatorTarget(true);
    EXPECT_EQ(view.rowColour(1, kMvfRow), SourceRowColour::HighlightEmulator);
    EXPECT_FALSE(view.InMacro());

    // The first word of an expansion shows the call line and starts the macro stepping.
    view.ShowCurrentLine(first, true);
    EXPECT_EQ(view.highlightRow(), kCallRow);
    ASSERT_TRUE(view.InMacro());
    // The bounds Step Over runs between: the words around the expansion.
    EXPECT_EQ(view.MacroRange(), std::make_pair(addressOf(kMvfRow), addressOf(kBsfRow)));
    std::vector<int32_t> walked;
    for (int i = 0; i < 10 && view.AdvanceInMacro(); ++i)
        walked.push_back(view.highlightRow());
    // The body line of the instruction at the PC; then stepping executes again.
    EXPECT_EQ(walked, (std::vector<int32_t>{kBodyFirst}));
    EXPECT_FALSE(view.InMacro());
    EXPECT_FALSE(view.AdvanceInMacro());

    // Any new current line ends the stepping; an address without a line removes the highlight.
    view.ShowCurrentLine(first, true);
    view.ShowCurrentLine(first, false);
    EXPECT_FALSE(view.InMacro());
    EXPECT_EQ(view.highlightRow(), kBodyFirst) << "not at call level: the body line";
    view.ShowCurrentLine(0x7FF, true);
    EXPECT_EQ(view.highlightRow(), 0);
}

TEST_F(SourceViewTest, TheHundredAndFirstFileIsRefusedWithTheMessage) {
    AssemblyResult many;
    many.success = many.handOver = true;
    for (int i = 0; i <= SourceViewModel::kMaxFiles; ++i)
        many.files.push_back((dir.path() / ("F" + std::to_string(i) + ".ASM")).string());
    EXPECT_FALSE(view.load(many, ui));
    EXPECT_EQ(view.fileCount(), SourceViewModel::kMaxFiles);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Number of files are over 100. Can't simulation/emulation!");
    EXPECT_EQ(ui.messages[0].type, MessageType::Error);
    EXPECT_EQ(ui.messages[0].buttons, Buttons::Cancel);
    EXPECT_EQ(view.rowCount(1), 1) << "a file that cannot be read leaves one empty row";

    view.setLanguage(1);
    EXPECT_FALSE(view.AddSourceText("X.ASM", "NOP"));
    EXPECT_EQ(ui.messages.back().text, "檔案數目超過100個, 無法模擬!");
}

TEST_F(SourceViewTest, ObjectFilesHaveNoTabAndLaterFilesKeepTheirRows) {
    dir.write("A.ASM", "L1\nL2\n");
    dir.write("B.ASM", "M1\nM2\n");
    AssemblyResult r;
    r.success = r.handOver = true;
    r.files = {(dir.path() / "A.ASM").string(), (dir.path() / "LIB.OBJ").string(),
               (dir.path() / "B.ASM").string()};
    LineMapEntry e;
    e.fileIndex = 2;
    e.lineNumber = 2;
    e.address = 7;
    r.lineMap.push_back(e);
    ASSERT_TRUE(view.load(r, ui));
    ASSERT_EQ(view.fileCount(), 2);
    EXPECT_EQ(view.file(2).address(2), 7u);
    EXPECT_EQ(view.tabOfFileIndex(2), 2);
    EXPECT_EQ(view.tabOfFileIndex(1), 0);
}

TEST_F(SourceViewTest, BookmarksComeFromTheEditorAndShowInMarksAndMenu) {
    build();
    std::string lower = (dir.path() / "main.asm").string();
    view.SyncBookmarksFromEditor({{3, lower, kMvfRow}, {5, "/elsewhere/X.ASM", 2}});
    EXPECT_TRUE(view.HasBookmark(3));
    EXPECT_FALSE(view.HasBookmark(5));
    EXPECT_EQ(view.markText(1, kMvfRow), "   3");
    EXPECT_EQ(view.markText(1, kCommentRow), "-   ");

    view.SetBookmark(7, 2, 1);
    view.GoToBookmark(7);
    EXPECT_EQ(view.CurrentFile(), 2);
    EXPECT_EQ(view.CurrentRow(), 1);
    view.SetBookmark(7, 2, 1); // twice on the same row removes it
    EXPECT_FALSE(view.HasBookmark(7));

    const SourceMenu menu = view.popupMenu();
    ASSERT_EQ(menu.files.size(), 2u);
    EXPECT_EQ(menu.files[0].text, "Open MAIN.ASM");
    EXPECT_EQ(menu.files[1].file, 2);
    ASSERT_EQ(menu.set.size(), 10u);
    EXPECT_EQ(menu.set[0].text, "設定書籤-1    Ctrl+Shift+1");
    EXPECT_EQ(menu.go[2].text, "移至書籤-3    Ctrl+3");
    EXPECT_TRUE(menu.go[2].checked);
    EXPECT_FALSE(menu.set[0].checked);
}

TEST_F(SourceViewTest, ValueHintReadsTheOperandUnderThePointer) {
    build();
    CpuState& cpu = up.cpu();
    cpu.WriteData(0x23, 0x5A);
    const std::string row(view.rowText(1, kMvfRow));
    const int operand = int(row.find("023H"));
    EXPECT_EQ(view.valueHint(1, kMvfRow, operand + 1), "023H[023h] = 5Ah");
    EXPECT_EQ(view.valueHint(1, kMvfRow, int(row.find("MVF"))), std::nullopt);
    EXPECT_EQ(view.valueHint(1, kMvfRow, int(row.find("count"))), std::nullopt)
        << "the comment is no operand";

    // Bit form over the bit number; byte form over the register name.
    const std::string bsf(view.rowText(1, kBsfRow));
    EXPECT_EQ(view.valueHint(1, kBsfRow, int(bsf.find('3'))), "COUNT[023h].3 = 1");
    EXPECT_EQ(view.valueHint(1, kBsfRow, int(bsf.find("COUNT"))), "COUNT[023h] = 5Ah");

    // Banked addressing puts the bank register's low 4 bits in front.
    cpu.WriteData(42, 0xF1);
    cpu.WriteData(0x123, 0x07);
    const std::string banked(view.rowText(1, kBankedRow));
    EXPECT_EQ(view.valueHint(1, kBankedRow, int(banked.find("123H"))), "123H[123h] = 07h");

    // Operand 4 goes through pointer 0 plus the offset register.
    cpu.WriteData(15, 0x01);
    cpu.WriteData(16, 0x20);
    cpu.WriteData(41, 0x03);
    EXPECT_EQ(view.valueHint(1, kIndirectRow, 16), "4[123h] = 07h");

    // Directive lines, no-code rows and macro expansions show nothing.
    EXPECT_EQ(view.valueHint(1, kDwRow, int(std::string(view.rowText(1, kDwRow)).find("1234"))),
              std::nullopt);
    EXPECT_EQ(view.valueHint(1, kTabRow, 8), std::nullopt);
    EXPECT_EQ(view.valueHint(1, kCallRow, 17), std::nullopt);
}

TEST_F(SourceViewTest, BreakpointListNamesEachLineFollowsEveryChangeAndRemoves) {
    build();
    BreakpointListModel list(up, &view);
    int changes = 0;
    list.changed().connect([&] { ++changes; });
    EXPECT_EQ(list.rows(), 0);

    view.ToggleBreakpointAtRow(1, kMvfRow);  // an address breakpoint
    view.ToggleBreakpointAtRow(1, kCallRow); // a macro call line: a source-line breakpoint
    const uint32_t part = view.file(2).address(2);
    ASSERT_EQ(up.ToggleBreakpoint(part, BreakpointKind::Address, true), ToggleResult::Done);
    ASSERT_EQ(list.rows(), 3);
    EXPECT_GE(changes, 3);
    const std::vector<std::vector<std::string>> expected = {
        {hexText(addressOf(kMvfRow), 4) + "h", "MAIN.ASM", "13", "MVF     023H, TOF   ; count"},
        {hexText(addressOf(kMvfRow) + 1, 4) + "h", "MAIN.ASM", "14", "BUMP    COUNT"},
        {hexText(part, 4) + "h", "PART.ASM", "2", "NOP"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < BreakpointListModel::kColumns; ++c)
            EXPECT_EQ(list.cell(r, c), expected[size_t(r)][size_t(c)]) << r << "," << c;
    EXPECT_EQ(list.row(1)->file, 1);
    EXPECT_EQ(list.row(1)->line, kCallRow);
    EXPECT_EQ(list.cell(3, 0), "");

    // Removing a row removes the breakpoint and its mark in the source view.
    EXPECT_TRUE(list.remove(0));
    EXPECT_EQ(view.markText(1, kMvfRow), "    ");
    ASSERT_EQ(list.rows(), 2);
    EXPECT_EQ(list.cell(0, 2), "14");
    EXPECT_FALSE(list.remove(5));
    // The entries placed for the built-in EEPROM emulation are not the user's: not listed.
    const uint32_t reserved[] = {0};
    up.PlaceReservedBreakpoints(reserved);
    list.Refresh();
    EXPECT_EQ(list.rows(), 2);
    // Removed elsewhere.
    view.ToggleBreakpointAtRow(1, kCallRow);
    EXPECT_EQ(list.rows(), 1);
}

} // namespace
} // namespace zerka
