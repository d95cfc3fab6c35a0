// The message log, the layout file, the window geometry and tiling.
#include "shell/message_log_model.h"
#include "shell/shell_fixture.h"
#include "shell/window_geometry.h"
#include "shell/window_layout.h"

namespace zerka::test {
namespace {

TEST(MessageLogModel, HoldsAtMostHundredEntriesAndCutsNames) {
    MessageLogModel log;
    int changes = 0;
    log.changed.connect([&] { ++changes; });
    log.AddEntry(std::string(200, 'f'), 0, "first");
    EXPECT_EQ(log.entries()[0].file.size(), 128u);
    EXPECT_EQ(log.entries()[0].line, 1);
    for (int i = 1; i < 105; ++i)
        log.AddEntry("f", i, "t" + std::to_string(i));
    EXPECT_EQ(log.count(), 100u);
    EXPECT_EQ(log.entries().back().text, "t99");
    EXPECT_EQ(changes, 100);
    log.ClearLog();
    log.AddEntry("f", 3, "again");
    EXPECT_EQ(log.count(), 1u);
}

TEST(MessageLogModel, GoToSourceSelectsOrOpensTheFile) {
    TempDir dir;
    const std::string a = dir.write("a.asm", "x\nx\nx\nx\nx\nx\nx\nx\n").string();
    EditorDocuments editor;
    auto caretLine = [&] {
        return lineOfOffset(editor.text(1).bytes(), editor.text(1).selectionStart());
    };
    MessageLogModel log;
    log.AddEntry(a, 0, "error in a");
    log.AddEntry("OK", 5, "Compiler OK");
    log.AddEntry(a, 7, "again");
    EXPECT_TRUE(GotoLogEntry(log, 0, editor));
    EXPECT_EQ(editor.slotCount(), 1);
    EXPECT_EQ(editor.currentSlot(), 1);
    EXPECT_EQ(caretLine(), 0);                  // line 0 opens line 1
    EXPECT_FALSE(GotoLogEntry(log, 1, editor)); // not a file
    EXPECT_TRUE(GotoLogEntry(log, 2, editor));
    EXPECT_EQ(editor.slotCount(), 1); // already open: selected
    EXPECT_EQ(caretLine(), 6);
    EXPECT_FALSE(GotoLogEntry(log, 9, editor));
}

TEST(WindowLayout, ReadsWritesAndKeepsUnknownRecords) {
    WindowLayout l;
    EXPECT_TRUE(l.parse("1.10\r\n2\r\nTZk_EDIT\r\n   10   20  300  400    1    1\r\n"
                        "TGone\r\n    1    2    3    4    0    0\r\n"));
    ASSERT_EQ(l.records().size(), 2u);
    const WindowPlacement* e = l.find("TZk_EDIT");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->state, WindowState::Maximized);
    EXPECT_TRUE(e->visible);
    l.store({"TZk_EDIT", 1, 2, 3, 4, WindowState::Normal, false});
    WindowLayout back;
    EXPECT_TRUE(back.parse(l.format()));
    EXPECT_EQ(back.records(), l.records());
    EXPECT_NE(back.find("TGone"), nullptr);

    EXPECT_FALSE(l.parse("1.09\r\n1\r\nX\r\n 1 2 3 4 0 1\r\n"));
    EXPECT_TRUE(l.records().empty());
    // Cut short or a word where a number belongs: the list ends there.
    EXPECT_TRUE(l.parse("1.10\r\n3\r\nA\r\n1 2 3 4 0 1\r\nB\r\n1 x 3 4 0 1\r\n"));
    EXPECT_EQ(l.records().size(), 1u);
    std::string many = "1.10\r\n50\r\n";
    for (int i = 0; i < 50; ++i)
        many += "W" + std::to_string(i) + "\r\n0 0 1 1 0 1\r\n";
    EXPECT_TRUE(l.parse(many));
    EXPECT_EQ(l.records().size(), 40u);
}

TEST(WindowGeometry, FitToScreen) {
    EXPECT_EQ(fitToScreen({0, 0, 3000, 2000}, 1920, 1080), (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(fitToScreen({2000, 10, 100, 100}, 1920, 1080), (Rect{1820, 10, 100, 100}));
    EXPECT_EQ(fitToScreen({1905, 1070, 100, 100}, 1920, 1080), (Rect{1900, 1060, 100, 100}));
    EXPECT_EQ(firstRunMainWindow(1000, 500), (Rect{100, 50, 800, 400}));
}

TEST(WindowGeometry, TwoColumnsPlaceThreeWindowsAsTheyShould) {
    // Given in another order: the tiling order is editor, source, program memory...
    const auto t = tileTwoColumns({Slot::ProgramMemory, Slot::Editor, Slot::Source}, 1001, 301);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].slot, Slot::Editor);
    EXPECT_EQ(t[0].rect, (Rect{0, 0, 500, 150}));
    EXPECT_EQ(t[1].slot, Slot::Source);
    EXPECT_EQ(t[1].rect, (Rect{500, 0, 500, 150}));
    EXPECT_EQ(t[2].slot, Slot::ProgramMemory);
    EXPECT_EQ(t[2].rect, (Rect{0, 150, 500, 150}));
    EXPECT_TRUE(tileTwoColumns({Slot::Editor}, 1000, 500).empty());
}

TEST(WindowGeometry, OneColumnStacksEveryShowingWindow) {
    const auto t = tileOneColumn({Slot::Log, Slot::Editor, Slot::Ram}, 800, 302);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].slot, Slot::Editor);
    EXPECT_EQ(t[1].slot, Slot::Ram);
    EXPECT_EQ(t[2].rect, (Rect{0, 200, 800, 100}));
    EXPECT_TRUE(tileOneColumn({}, 800, 400).empty());
}

} // namespace
} // namespace zerka::test
