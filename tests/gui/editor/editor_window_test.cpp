// The editor window on the offscreen platform: files, typing, bookmarks, find, indentation.
#include "gui/editor/editor_window.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

#include <functional>

namespace zerka::gui {
namespace {

struct RecordingListener : EditorListener {
    std::vector<std::string> closed, mainFiles, dropped;
    int lastClosed = 0;
    void editorCloseFile(const std::string& path) override { closed.push_back(path); }
    void editorSetMainFile(const std::string& path) override { mainFiles.push_back(path); }
    void editorFilesDropped(const std::vector<std::string>& paths) override { dropped = paths; }
    void editorLastSlotClosed() override { ++lastClosed; }
};

class EditorWindowTest : public ::testing::Test {
  protected:
    EditorWindowTest() {
        window.setListener(&listener);
        window.resize(900, 600);
        window.show();
    }
    QsciScintilla* text() {
        return qobject_cast<QsciScintilla*>(
            window.findChild<QTabWidget*>(QStringLiteral("editorTabs"))->currentWidget());
    }
    QString panel(int i) {
        return window.findChild<QLabel*>(QStringLiteral("panel%1").arg(i))->text();
    }
    // The bookmark digit shown in the gutter at a line ("" for none).
    std::string gutterAt(int line) {
        char buffer[8] = {};
        const long n = text()->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, line, buffer);
        std::string shown(buffer, n > 0 && n < 8 ? n : 0);
        return shown.empty() ? shown : shown.substr(shown.find_first_not_of(' '));
    }
    int caretLine() {
        int line = 0, index = 0;
        text()->getCursorPosition(&line, &index);
        return line;
    }
    // Runs `act` on the modal dialog that `open` shows, once it is up.
    static void withModal(const std::function<void(QWidget*)>& act,
                          const std::function<void()>& open) {
        QTimer::singleShot(0, [act] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            act(modal);
        });
        open();
    }

    test::TempDir dir;
    RecordingListener listener;
    EditorDocuments docs;
    EditorWindow window{docs};
};

TEST_F(EditorWindowTest, OpenEditSaveRoundTripKeepsTheFilesBytes) {
    // CRLF line ends and a Latin-1 byte must come back exactly as they were.
    const std::string original = "; caf\xE9\r\n\tNOP\r\n";
    const auto path = dir.write("prog.asm", original).string();
    ASSERT_TRUE(window.openFile(path));
    EXPECT_EQ(window.slotCount(), 1);
    EXPECT_EQ(window.currentSlot(), 1);
    EXPECT_FALSE(docs.isModified(1));
    EXPECT_EQ(docs.findSlot(dir.path().string() + "/PROG.ASM"), 1);
    EXPECT_EQ(window.findChild<QTabWidget*>()->tabText(0), QStringLiteral("prog.asm"));
    EXPECT_EQ(panel(3), QStringLiteral("file of size = %1 byte").arg(original.size()));

    docs.gotoLine(1, 2);
    QTest::keyClicks(text(), "\tRET");
    QTest::keyClick(text(), Qt::Key_Return);
    EXPECT_TRUE(docs.isModified(1));
    EXPECT_EQ(panel(1), QStringLiteral("Modified"));
    EXPECT_EQ(panel(0), QStringLiteral("4: 2"));

    ASSERT_TRUE(docs.saveAs(1, path));
    EXPECT_FALSE(docs.isModified(1));
    EXPECT_EQ(panel(1), QString());
    EXPECT_EQ(dir.read("prog.asm"), original + "\tRET\r\n\t");

    const auto copy = (dir.path() / "copy.asm").string();
    ASSERT_TRUE(docs.saveAs(1, copy));
    EXPECT_EQ(window.pathOf(1), copy);
    EXPECT_EQ(window.findChild<QTabWidget*>()->tabText(0), QStringLiteral("copy.asm"));
    EXPECT_FALSE(docs.saveAs(1, (dir.path() / "no/such/dir/x.asm").string()));

    // Reload reads the disk again and is not modified afterwards.
    dir.write("copy.asm", "NEW\n");
    ASSERT_TRUE(docs.reload(1));
    EXPECT_EQ(std::string(docs.text(1).bytes()), "NEW\n");
    EXPECT_FALSE(docs.isModified(1));
    EXPECT_FALSE(window.openFile((dir.path() / "missing.asm").string()));
    EXPECT_FALSE(window.openFile(dir.path().string()));
}

TEST_F(EditorWindowTest, TwentyFirstFileIsRefusedAndNewNamesNeverRepeat) {
    ASSERT_TRUE(docs.newFile());
    EXPECT_EQ(window.pathOf(1), "~New0");
    docs.closeCurrent();
    EXPECT_EQ(listener.lastClosed, 1);
    EXPECT_EQ(window.slotCount(), 0);
    for (int i = 0; i < kMaxEditorSlots; ++i)
        ASSERT_TRUE(docs.newFile());
    EXPECT_EQ(window.pathOf(1), "~New1");
    EXPECT_FALSE(docs.newFile());
    const auto path = dir.write("a.asm", "X\n").string();
    EXPECT_FALSE(window.openFile(path));
    EXPECT_EQ(window.slotCount(), kMaxEditorSlots);
    EXPECT_EQ(window.findChild<QTabWidget*>()->count(), kMaxEditorSlots);

    docs.select(3);
    docs.closeCurrent();
    EXPECT_EQ(window.currentSlot(), 3);
    EXPECT_EQ(window.pathOf(3), "~New4");
    window.nextFile();
    EXPECT_EQ(window.currentSlot(), 4);
    docs.select(1);
    window.previousFile();
    EXPECT_EQ(window.currentSlot(), kMaxEditorSlots - 1);
    docs.closeAll();
    EXPECT_EQ(window.slotCount(), 0);
    EXPECT_EQ(listener.lastClosed, 2);
}

TEST_F(EditorWindowTest, BookmarksFollowTypedLinesAndClosedSlots) {
    const auto a = dir.write("a.asm", "L0\nL1\nL2\nL3\nL4\nL5\n").string();
    const auto b = dir.write("b.asm", "B0\nB1\nB2\n").string();
    const auto c = dir.write("c.asm", "C0\nC1\nC2\n").string();
    ASSERT_TRUE(window.openFile(a));
    docs.gotoLine(1, 4);
    QTest::keyClick(text(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    std::string path;
    int line = -1;
    ASSERT_TRUE(window.bookmark(3, &path, &line));
    EXPECT_EQ(path, a);
    EXPECT_EQ(line, 4);
    EXPECT_EQ(gutterAt(4), "3");

    // Two lines typed above the mark move it down by two; Enter inside its own line does not.
    docs.gotoLine(1, 1);
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Return);
    ASSERT_TRUE(window.bookmark(3, nullptr, &line));
    EXPECT_EQ(line, 6);
    EXPECT_EQ(gutterAt(6), "3");
    EXPECT_EQ(gutterAt(4), "");
    docs.gotoLine(1, 6);
    QTest::keyClick(text(), Qt::Key_End);
    QTest::keyClick(text(), Qt::Key_Return);
    ASSERT_TRUE(window.bookmark(3, nullptr, &line));
    EXPECT_EQ(line, 6);
    // Deleting the lines above pulls it back up.
    docs.gotoLine(1, 1);
    QTest::keyClick(text(), Qt::Key_Delete);
    ASSERT_TRUE(window.bookmark(3, nullptr, &line));
    EXPECT_EQ(line, 5);

    // Ctrl+digit goes there; setting it twice on one line removes it.
    docs.gotoLine(1, 0);
    QTest::keyClick(text(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(caretLine(), 5);
    window.setBookmark(3);
    EXPECT_FALSE(window.bookmark(3, nullptr, nullptr));
    EXPECT_EQ(gutterAt(5), "");

    // Closing slot 2 of 3 drops its marks and moves those of slot 3 to slot 2.
    ASSERT_TRUE(window.openFile(b));
    docs.gotoLine(2, 1);
    window.setBookmark(1);
    ASSERT_TRUE(window.openFile(c));
    docs.gotoLine(3, 2);
    window.setBookmark(2);
    docs.select(2);
    docs.closeCurrent();
    EXPECT_FALSE(window.bookmark(1, nullptr, nullptr));
    ASSERT_TRUE(window.bookmark(2, &path, &line));
    EXPECT_EQ(path, c);
    EXPECT_EQ(line, 2);
    docs.select(1);
    window.gotoBookmark(2);
    EXPECT_EQ(window.currentSlot(), 2);
    EXPECT_EQ(caretLine(), 2);
}

TEST_F(EditorWindowTest, FindHighlightsTheMatchInBlueUntilTheCaretMoves) {
    const auto path = dir.write("f.asm", "START:  MVL 5\n        mvl 6\n").string();
    ASSERT_TRUE(window.openFile(path));
    docs.gotoLine(1, 0);
    auto typeAndFind = [](const QString& what) {
        return [what](QWidget* modal) {
            EXPECT_EQ(modal->objectName(), QStringLiteral("TZk_NFind"));
            auto* box = modal->findChild<QComboBox*>();
            EXPECT_EQ(box->currentText(), QString()); // opened without a preset text
            box->setEditText(what);
            modal->findChild<QPushButton*>(QStringLiteral("findButton"))->click();
        };
    };
    withModal(typeAndFind(QStringLiteral("mvl")), [&] { window.find(); });
    // Found ignoring case; the caret sits after the match with nothing selected.
    const long caret = text()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    EXPECT_EQ(caret, 11);
    EXPECT_FALSE(text()->hasSelectedText());
    EXPECT_FALSE(docs.isModified(1));
    for (int indicator : {8, 9}) {
        EXPECT_EQ(text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, 8L), 1);
        EXPECT_EQ(text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, 11L),
                  0);
    }
    // Find next goes on to the lower-case one; the old highlight goes.
    window.findNext();
    EXPECT_EQ(text()->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS), 25);
    EXPECT_EQ(text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8, 8L), 0);
    EXPECT_EQ(text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8, 22L), 1);
    QTest::keyClick(text(), Qt::Key_Home);
    EXPECT_EQ(text()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8, 22L), 0);

    // The history offers the last texts, newest first.
    withModal(typeAndFind(QStringLiteral("START")), [&] { window.find(); });
    withModal(
        [](QWidget* modal) {
            auto* box = modal->findChild<QComboBox*>();
            ASSERT_EQ(box->count(), 2);
            EXPECT_EQ(box->itemText(0), QStringLiteral("START"));
            EXPECT_EQ(box->itemText(1), QStringLiteral("mvl"));
            modal->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        },
        [&] { window.find(); });
}

TEST_F(EditorWindowTest, EnterIndentsLikeTheLineAboveAndInsertTogglesOverwrite) {
    ASSERT_TRUE(docs.newFile());
    QTest::keyClicks(text(), "\t  MVL 5");
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClicks(text(), "NOP");
    QTest::keyClick(text(), Qt::Key_Return);
    QTest::keyClick(text(), Qt::Key_Return);
    // The third line holds blanks only, so the fourth gets no indentation.
    EXPECT_EQ(std::string(docs.text(1).bytes()), "\t  MVL 5\n\t  NOP\n\t  \n");

    // Enter at column 0 of an indented line moves it down with its own blanks.
    ASSERT_TRUE(docs.newFile());
    QTest::keyClicks(text(), "        NOP");
    text()->setCursorPosition(0, 0);
    QTest::keyClick(text(), Qt::Key_Return);
    EXPECT_EQ(std::string(docs.text(2).bytes()), "\n        NOP");
    EXPECT_EQ(caretLine(), 1);

    EXPECT_EQ(panel(2), QStringLiteral("Insert"));
    QTest::keyClick(text(), Qt::Key_Insert);
    EXPECT_EQ(panel(2), QStringLiteral("Overwrite"));
    EXPECT_TRUE(text()->overwriteMode());
    window.setCodeExtentWarning(5000, 4096);
    EXPECT_EQ(panel(2), QStringLiteral("Program Memory Over Spec.!!!!! Total Code Line is 5000"));
    window.setCodeExtentWarning(0, 4096);
    EXPECT_EQ(panel(2), QStringLiteral("Overwrite"));
}

TEST_F(EditorWindowTest, ReplaceAllChangesEveryMatchAndNeverANonMatchingSelection) {
    const auto path = dir.write("r.asm", "NOP\nnop\nJMP X\nNOPE\n").string();
    ASSERT_TRUE(window.openFile(path));
    docs.gotoLine(1, 0);
    window.replace();
    auto* dialog = window.findChild<QDialog*>(QStringLiteral("FindReplaceDialog"));
    ASSERT_NE(dialog, nullptr);
    auto edits = dialog->findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 2);
    edits[0]->setText(QStringLiteral("NOP"));
    edits[1]->setText(QStringLiteral("RET"));
    auto button = [&](const char* name) {
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->accessibleName() == QLatin1String(name)) return b;
        return static_cast<QPushButton*>(nullptr);
    };
    button("Replace All")->click();
    EXPECT_EQ(std::string(docs.text(1).bytes()), "RET\nRET\nJMP X\nRETE\n");
    EXPECT_TRUE(docs.isModified(1));
    // Nothing more to find: a selection that is not the find text stays as it is.
    docs.gotoLine(1, 2);
    text()->setSelection(2, 0, 2, 3);
    button("Replace")->click();
    EXPECT_EQ(std::string(docs.text(1).bytes()), "RET\nRET\nJMP X\nRETE\n");
    window.undo();
    EXPECT_EQ(std::string(docs.text(1).bytes()), "NOP\nnop\nJMP X\nNOPE\n");
}

TEST_F(EditorWindowTest, FileListPopupIsSortedAndSwitchesFiles) {
    ASSERT_TRUE(window.openFile(dir.write("zeta.asm", "Z\n").string()));
    ASSERT_TRUE(window.openFile(dir.write("Alpha.inc", "A\n").string()));
    ASSERT_TRUE(docs.newFile());
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            captions << action->text();
        menu->actions().at(1)->trigger();
        menu->close();
    });
    window.showFileListPopup(QPoint(10, 10));
    EXPECT_EQ(captions, (QStringList{"file: Alpha.inc", "file: zeta.asm", "file: ~New0"}));
    EXPECT_EQ(window.currentSlot(), 1);
}

TEST_F(EditorWindowTest, MissingFontFallsBackToTheSystemFixedFont) {
    ASSERT_TRUE(docs.newFile());
    window.applyFont(EditorFont{"No Such Family Zerka", 13, 1});
    const QFont shown = text()->lexer()->font(0);
    EXPECT_EQ(shown.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    EXPECT_EQ(shown.pointSize(), 13);
    EXPECT_TRUE(shown.bold());
    ASSERT_TRUE(docs.newFile()); // later files take the same font
    EXPECT_EQ(text()->lexer()->font(0).pointSize(), 13);
}

TEST_F(EditorWindowTest, DroppedFilesGoToTheListener) {
    ASSERT_TRUE(docs.newFile());
    const auto path = dir.write("d.asm", "X\n").string();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(text()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(text()->viewport(), &drop);
    EXPECT_EQ(listener.dropped, std::vector<std::string>{path});
    EXPECT_EQ(window.slotCount(), 1); // opening is the main window's decision
}

TEST_F(EditorWindowTest, MainFileChooserCopiesAnEntryAndNeedsAName) {
    const std::vector<std::string> open = {"/w/a.asm", "/w/b.asm"};
    std::string mainFile = "/w/a.asm";
    bool chosen = false;
    withModal(
        [](QWidget* modal) {
            EXPECT_EQ(modal->objectName(), QStringLiteral("TF_MFile"));
            auto* list = modal->findChild<QListWidget*>();
            list->setCurrentRow(1);
            QTest::keyClick(list, Qt::Key_Space);
            EXPECT_EQ(modal->findChild<QLineEdit*>()->text(), QStringLiteral("/w/b.asm"));
            for (auto* b : modal->findChildren<QPushButton*>())
                if (b->accessibleName() == QLatin1String("Ok")) b->click();
        },
        [&] { chosen = chooseMainFile(&window, open, mainFile); });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(mainFile, "/w/b.asm");

    withModal(
        [](QWidget* modal) {
            modal->findChild<QLineEdit*>()->clear();
            for (auto* b : modal->findChildren<QPushButton*>())
                if (b->accessibleName() == QLatin1String("Ok")) b->click();
            EXPECT_TRUE(modal->isVisible()); // an empty name is refused with a beep
            for (auto* b : modal->findChildren<QPushButton*>())
                if (b->accessibleName() == QLatin1String("Cancel")) b->click();
        },
        [&] { chosen = chooseMainFile(&window, open, mainFile); });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(mainFile, "/w/b.asm");
}

TEST_F(EditorWindowTest, ExampleFileIsHighlightedAndEveryWidgetIsNamed) {
    LanguageWords words;
    words.mnemonics = {"MVL", "MVF",  "DCSZ", "JMP", "RETI", "BCF",
                       "BSF", "BTGF", "CALL", "NOP", "RET"};
    window.setLanguageWords(words);
    ASSERT_TRUE(window.openFile((test::sourceDir() / "examples/blink_cx4b.asm").string()));
    ASSERT_TRUE(docs.newFile());
    docs.select(1);
    docs.gotoLine(1, 26);
    window.setBookmark(1);
    docs.gotoLine(1, 33);
    window.setBookmark(2);
    text()->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0L, -1L);
    const std::string all = std::string(docs.text(1).bytes());
    auto styleAt = [&](const std::string& what) {
        return text()->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, all.find(what));
    };
    EXPECT_EQ(styleAt("START:"), 5);            // label
    EXPECT_EQ(styleAt("BCF"), 2);               // mnemonic
    EXPECT_EQ(styleAt("EQU"), 3);               // directive
    EXPECT_EQ(styleAt("80H             ;"), 4); // number
    EXPECT_EQ(styleAt("; outer"), 1);           // comment

    docs.gotoLine(1, 20);
    withModal(
        [](QWidget* modal) {
            modal->findChild<QComboBox*>()->setEditText(QStringLiteral("delay"));
            modal->findChild<QPushButton*>(QStringLiteral("findButton"))->click();
        },
        [&] { window.find(); });
    QApplication::processEvents();
    const QString shot = test::saveScreenshot(window, QStringLiteral("editor"));
    EXPECT_FALSE(QImage(shot).isNull());

    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window) || w->inherits("QScrollBar") ||
            w->metaObject()->className() == QByteArray("QWidget") ||
            w->inherits("QStackedWidget") || w->inherits("QTabBar") || w->inherits("QToolButton"))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
    }
}

} // namespace
} // namespace zerka::gui
