#include "editor/editor_documents.h"
#include "editor/find_replace.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace zerka {
namespace {

namespace fs = std::filesystem;

TEST(TextBuffer, ModifiedFollowsUndoBackToTheSavePoint) {
    StringBuffer t;
    t.load("MOV A,B\n");
    EXPECT_FALSE(t.modified());
    t.replace(0, 3, "ADD");
    t.replace(8, 8, "NOP\n");
    EXPECT_TRUE(t.modified());
    EXPECT_TRUE(t.undo());
    EXPECT_EQ(t.bytes(), "ADD A,B\n");
    EXPECT_TRUE(t.modified());
    EXPECT_TRUE(t.undo());
    EXPECT_EQ(t.bytes(), "MOV A,B\n");
    EXPECT_FALSE(t.modified()); // back where it was read
    EXPECT_FALSE(t.undo());

    // Saved in the middle of the history: undoing past the save point is a change too.
    t.replace(0, 0, ";");
    t.setSavePoint();
    t.replace(0, 0, ";");
    EXPECT_TRUE(t.modified());
    t.undo();
    EXPECT_FALSE(t.modified());
    t.undo();
    EXPECT_TRUE(t.modified());
    // A new change after undoing past the save point: the saved text is out of reach.
    t.replace(0, 0, ";");
    t.undo();
    EXPECT_TRUE(t.modified());

    // A group undoes as one step.
    t.load("abc");
    t.beginUndoGroup();
    t.replace(0, 1, "x");
    t.replace(2, 3, "z");
    t.endUndoGroup();
    EXPECT_EQ(t.bytes(), "xbz");
    t.undo();
    EXPECT_EQ(t.bytes(), "abc");
    EXPECT_FALSE(t.modified());
}

TEST(FindReplace, MatchCaseWholeWordAndNoWrap) {
    const std::string text = "mov A,count\nMOV COUNT2,a\n  count+1 _count\n";
    EXPECT_EQ(findIn(text, "MOV", 0, {}), (TextRange{0, 3}));
    EXPECT_EQ(findIn(text, "MOV", 0, {true, false}), (TextRange{12, 15}));
    // Whole word: COUNT2 and _COUNT are other words; "+" and "," end a word.
    EXPECT_EQ(findIn(text, "count", 7, {false, true}), (TextRange{27, 32}));
    EXPECT_FALSE(findIn(text, "count", 28, {false, true}));
    EXPECT_EQ(findIn(text, "+", 0, {false, true}), (TextRange{32, 33}));
    EXPECT_FALSE(findIn(text, "", 0, {}));

    // Downwards from the end of the selection, stopping at the end of the text.
    StringBuffer t;
    t.load(text);
    t.select(0, 3);
    EXPECT_EQ(findNext(t, "mov", {}), (TextRange{12, 15}));
    EXPECT_EQ(t.selectionStart(), 12);
    EXPECT_EQ(t.selectionEnd(), 15);
    EXPECT_FALSE(findNext(t, "mov", {}));
    EXPECT_EQ(t.selectionStart(), 12); // not found: the selection stays

    // The editor's own find leaves the caret after the match, nothing selected.
    t.select(0, 0);
    EXPECT_EQ(quickFind(t, "COUNT"), (TextRange{6, 11}));
    EXPECT_EQ(t.selectionStart(), 11);
    EXPECT_EQ(t.selectionEnd(), 11);
}

TEST(FindReplace, ReplaceOnceAllAndUndoAsOne) {
    StringBuffer t;
    t.load("r r R rr\nr\n");
    // Once: the first match after the caret is selected text's replacement.
    t.select(1, 1);
    EXPECT_EQ(replaceMatches(t, "r", "reg", {false, true}, false), 1);
    EXPECT_EQ(t.bytes(), "r reg R rr\nr\n");
    // All from the caret on, whole words only, case ignored; the caret after the last one.
    EXPECT_EQ(replaceMatches(t, "r", "reg", {false, true}, true), 2);
    EXPECT_EQ(t.bytes(), "r reg reg rr\nreg\n");
    EXPECT_EQ(t.selectionEnd(), 16);
    EXPECT_EQ(t.selectionStart(), 16);
    t.undo();
    EXPECT_EQ(t.bytes(), "r reg R rr\nr\n");
    // A selection that is the find text is replaced first; match case skips "R".
    t.select(0, 1);
    EXPECT_EQ(replaceMatches(t, "r", "x", {true, false}, true), 5);
    EXPECT_EQ(t.bytes(), "x xeg R xx\nx\n");
    // Nothing to replace: nothing changes.
    EXPECT_EQ(replaceMatches(t, "q", "x", {}, true), 0);
    // A replace-all told to stop leaves the text as it was at that point.
    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "a ";
    t.load(many);
    int asked = 0;
    EXPECT_EQ(replaceMatches(t, "a", "b", {}, true, [&] { return ++asked < 2; }), 512);
    EXPECT_EQ(asked, 2);
}

TEST(EditorDocuments, OpenSaveReloadAndClose) {
    test::TempDir dir;
    const std::string a = dir.write("a.asm", "NOP\n").string();
    const std::string b = dir.write("b.asm", "RET\n").string();
    EditorDocuments docs;
    EXPECT_FALSE(docs.openFile((dir.path() / "missing.asm").string()));
    EXPECT_FALSE(docs.openFile(dir.path().string())); // a folder
    ASSERT_TRUE(docs.openFile(a));
    ASSERT_TRUE(docs.openFile(b));
    EXPECT_EQ(docs.currentSlot(), 2);
    EXPECT_EQ(docs.findSlot(dir.path().string() + "/A.ASM"), 1);
    EXPECT_EQ(docs.text(1).bytes(), "NOP\n");

    docs.text(1).replace(0, 3, "HALT");
    EXPECT_TRUE(docs.isModified(1));
    ASSERT_TRUE(docs.saveAs(1, a));
    EXPECT_FALSE(docs.isModified(1));
    EXPECT_EQ(dir.read("a.asm"), "HALT\n");

    // Saved under another name: the slot follows it.
    const std::string c = (dir.path() / "c.asm").string();
    ASSERT_TRUE(docs.saveAs(1, c));
    EXPECT_EQ(docs.pathOf(1), c);

    // Reload takes what is on disk and is not modified.
    docs.text(2).replace(0, 0, "X");
    dir.write("b.asm", "SLEEP\n");
    ASSERT_TRUE(docs.reload(2));
    EXPECT_EQ(docs.text(2).bytes(), "SLEEP\n");
    EXPECT_FALSE(docs.isModified(2));

    docs.select(1);
    docs.closeCurrent();
    EXPECT_EQ(docs.slotCount(), 1);
    EXPECT_EQ(docs.pathOf(1), b);
    EXPECT_EQ(docs.currentSlot(), 1);
    docs.closeAll();
    EXPECT_EQ(docs.currentSlot(), 0);
}

TEST(EditorDocuments, AFailedSaveKeepsTheOldFileAndTheModifiedState) {
    test::TempDir dir;
    const std::string a = dir.write("a.asm", "OLD\n").string();
    EditorDocuments docs;
    ASSERT_TRUE(docs.openFile(a));
    docs.text(1).replace(0, 3, "NEW");
    // The temporary file cannot be made (a folder has its name): the old file stays whole.
    fs::create_directory(a + ".tmp" + std::to_string(::getpid()));
    EXPECT_FALSE(docs.saveAs(1, a));
    EXPECT_EQ(dir.read("a.asm"), "OLD\n");
    EXPECT_TRUE(docs.isModified(1));
    EXPECT_FALSE(docs.saveAs(1, (dir.path() / "no" / "such" / "x.asm").string()));
    EXPECT_EQ(docs.pathOf(1), a);
}

TEST(EditorDocuments, GoToLineAndSelectLineMoveTheCaret) {
    EditorDocuments docs;
    ASSERT_TRUE(docs.newFile());
    ASSERT_TRUE(docs.newFile());
    EXPECT_EQ(docs.pathOf(2), "~New1");
    docs.text(1).replace(0, 0, "one\r\ntwo\r\nthree");
    docs.gotoLine(1, 1);
    EXPECT_EQ(docs.currentSlot(), 1);
    EXPECT_EQ(docs.text(1).selectionStart(), 5);
    docs.gotoLine(1, 99); // past the end: the last line
    EXPECT_EQ(docs.text(1).selectionStart(), 10);
    docs.selectLine(0);
    EXPECT_EQ(docs.text(1).selectionStart(), 0);
    EXPECT_EQ(docs.text(1).selectionEnd(), 5);
    docs.selectLine(2);
    EXPECT_EQ(docs.text(1).selectionEnd(), 15);
}

} // namespace
} // namespace zerka
