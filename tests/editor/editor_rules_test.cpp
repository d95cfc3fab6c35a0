// The find history, automatic indentation, the file list popup and the main-file chooser.
#include "editor/auto_indent.h"
#include "editor/file_list.h"
#include "editor/find_history.h"
#include "editor/main_file_choice.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

TEST(FindHistory, KeepsFourNewestFirstAndMovesRepeatsToTheTop) {
    FindHistory history;
    for (const char* t : {"one", "two", "three", "four", "five"})
        history.add(t);
    EXPECT_EQ(history.entries(), (std::vector<std::string>{"five", "four", "three", "two"}));
    history.add("THREE");
    EXPECT_EQ(history.entries(), (std::vector<std::string>{"THREE", "five", "four", "two"}));
    history.add("");
    EXPECT_EQ(history.entries().size(), 4u);
}

TEST(AutoIndent, TheNewLineTakesThePreviousLinesBlanksAndTabs) {
    EXPECT_EQ(indentedLine("\t  MVL 5", ""), "\t  ");
    EXPECT_EQ(indentedLine("\t  MVL 5", "    NOP"), "\t  NOP");
    EXPECT_EQ(indentedLine("\t  MVL 5", "\t  NOP"), "\t  NOP");
    // A line above with nothing to give (Enter at column 0 or inside the indentation, or after
    // a label at column 0) never moves the new line to column 0, where it would be a label.
    EXPECT_EQ(indentedLine("", "        NOP"), "        NOP");
    EXPECT_EQ(indentedLine("    ", "    NOP"), "    NOP");
    EXPECT_EQ(indentedLine("LOOP: NOP", "  \tJMP LOOP"), "  \tJMP LOOP");
    EXPECT_EQ(indentedLine("   \t", "X"), "X");
    EXPECT_EQ(leadingIndent("  X\r"), "  ");
    EXPECT_EQ(leadingIndent("  \r"), "");
}

TEST(FileList, SortedByFileNameAndFoundAgainFromTheCaption) {
    const std::vector<std::string> paths = {"/w/zeta.asm", "/w/sub/Alpha.inc", "~New3"};
    const auto entries = fileListEntries(paths, "file: ");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].caption, "file: Alpha.inc");
    EXPECT_EQ(entries[0].slot, 2);
    EXPECT_EQ(entries[1].caption, "file: zeta.asm");
    EXPECT_EQ(entries[2].caption, "file: ~New3");
    EXPECT_EQ(slotOfFileListCaption(paths, "file: ", "file: &ALPHA.inc"), 2);
    EXPECT_EQ(slotOfFileListCaption(paths, "file: ", "file: ~New3"), 3);
    EXPECT_EQ(slotOfFileListCaption(paths, "file: ", "file: gone.asm"), 0);
}

TEST(MainFileChoice, PickCopiesAPathAndOkNeedsText) {
    MainFileChoice choice({"/w/a.asm", "/w/b.asm"}, "/w/old.asm");
    std::string mainFile = "unchanged";
    choice.pick(1);
    EXPECT_EQ(choice.field(), "/w/b.asm");
    choice.pick(7);
    EXPECT_EQ(choice.field(), "/w/b.asm");
    choice.setField("");
    EXPECT_FALSE(choice.accept(mainFile));
    EXPECT_EQ(mainFile, "unchanged");
    choice.setField("/w/a.asm");
    EXPECT_TRUE(choice.accept(mainFile));
    EXPECT_EQ(mainFile, "/w/a.asm");
}

} // namespace
} // namespace zerka
