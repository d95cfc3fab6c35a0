// Long texts are edited without the control's per-change notices (typing stays fast deep in the
// file); the bookmarks, the gutter, the size panel and screen readers must still follow.
#include "gui/editor/editor_window.h"
#include "gui/editor/text_control.h"
#include "support/temp_dir.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <string>

namespace zerka::gui {
namespace {

class EditorLongTextTest : public ::testing::Test {
  protected:
    EditorLongTextTest() {
        window.resize(900, 600);
        window.show();
    }
    TextControl* text() {
        return qobject_cast<TextControl*>(
            window.findChild<QTabWidget*>(QStringLiteral("editorTabs"))->currentWidget());
    }
    std::string gutterAt(int line) {
        char buffer[8] = {};
        const long n = text()->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, line, buffer);
        std::string shown(buffer, n > 0 && n < 8 ? n : 0);
        return shown.empty() ? shown : shown.substr(shown.find_first_not_of(' '));
    }
    int markLine(int n) {
        int line = -1;
        return window.bookmark(n, nullptr, &line) ? line : -1;
    }
    QString sizePanel() { return window.findChild<QLabel*>(QStringLiteral("panel3"))->text(); }
    bool readerSeesText() {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(text());
        return iface && iface->textInterface();
    }

    test::TempDir dir;
    EditorDocuments docs;
    EditorWindow window{docs};
};

std::string lines(int count) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += "        NOP             ; line " + std::to_string(i) + "\n";
    return s;
}

TEST_F(EditorLongTextTest, BookmarksGutterAndSizeFollowEveryKindOfChange) {
    ASSERT_TRUE(window.openFile(dir.write("long.asm", lines(20000)).string()));
    ASSERT_TRUE(text()->quietEdits());
    docs.gotoLine(1, 15000);
    window.setBookmark(3);

    // Keys: two lines typed above the mark move it down at once.
    docs.gotoLine(1, 100);
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Return);
    EXPECT_EQ(markLine(3), 15002);
    EXPECT_EQ(gutterAt(15002), "3");
    EXPECT_EQ(gutterAt(15000), "");
    EXPECT_EQ(sizePanel(), QStringLiteral("file of size = %1 byte").arg(text()->length()));

    // One key that removes two line ends and inserts a letter: both changes are counted.
    const long from = text()->lineStart(50);
    text()->SendScintilla(QsciScintillaBase::SCI_SETSEL, from, text()->lineStart(52));
    QTest::keyClick(text(), Qt::Key_X);
    EXPECT_EQ(markLine(3), 15000);
    EXPECT_EQ(gutterAt(15000), "3");
    EXPECT_EQ(gutterAt(15002), "");

    // Undo from the menu is not a key: it is reported once the event loop runs.
    window.undo();
    QApplication::processEvents();
    EXPECT_EQ(markLine(3), 15002);
    EXPECT_EQ(gutterAt(15002), "3");
    EXPECT_EQ(sizePanel(), QStringLiteral("file of size = %1 byte").arg(text()->length()));
}

TEST_F(EditorLongTextTest, ScreenReadersGetTheTextOfShortFilesAndAgainOnceALongOneShrinks) {
    ASSERT_TRUE(window.openFile(dir.write("short.asm", lines(200)).string()));
    EXPECT_FALSE(text()->quietEdits());
    EXPECT_TRUE(readerSeesText());

    ASSERT_TRUE(window.openFile(dir.write("long.asm", lines(20000)).string()));
    EXPECT_TRUE(text()->quietEdits());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(text());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_FALSE(iface->textInterface());

    // Everything but a short tail deleted: the control is back to full notices.
    text()->SendScintilla(QsciScintillaBase::SCI_SETSEL, 0L, text()->lineStart(19900));
    QTest::keyClick(text(), Qt::Key_Delete);
    EXPECT_FALSE(text()->quietEdits());
    EXPECT_TRUE(readerSeesText());
    docs.gotoLine(window.currentSlot(), 10);
    window.setBookmark(1);
    docs.gotoLine(window.currentSlot(), 0);
    QTest::keyClick(text(), Qt::Key_Return);
    EXPECT_EQ(markLine(1), 11);
}

} // namespace
} // namespace zerka::gui
