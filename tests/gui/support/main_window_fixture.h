#pragma once
// The one set-up of the GUI tests on the main window: a program folder holding the chip library
// (and a copy of it beside the examples), the examples copied where a test may change them, the
// window with its workbench, and the ways a user finds things: widgets by their accessible names,
// menu items by their captions. Message boxes are answered by a BoxAnswerer.
// First: the core headers the window pulls in must come before Qt defines its keywords.
#include "gui/main/main_window.h"

#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zerka::gui {

// Answers every message box and keeps its text: Yes where offered while `yes`; otherwise with
// Cancel while `cancel`, else with the box's escape button.
class BoxAnswerer : public QObject {
  public:
    BoxAnswerer() {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            texts.push_back(box->text().toStdString());
            QAbstractButton* b = yes ? box->button(QMessageBox::Yes) : nullptr;
            if (!b && cancel) return box->done(QMessageBox::Cancel);
            if (!b) b = box->escapeButton();
            if (b)
                b->click();
            else
                box->reject();
        });
        timer_.start();
    }
    bool saw(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::vector<std::string> texts;
    bool yes = false;
    bool cancel = false;

  private:
    QTimer timer_;
};

class MainWindowFixture : public ::testing::Test {
  protected:
    MainWindowFixture() {
        namespace fs = std::filesystem;
        const fs::path prog = dir.path() / "prog";
        fs::create_directories(prog / "INCLUDE");
        fs::create_directories(dir.path() / "chips");
        fs::create_directories(dir.path() / "examples");
        for (const auto& e : fs::directory_iterator(test::sourceDir() / "chips")) {
            fs::copy_file(e.path(), prog / "INCLUDE" / e.path().filename());
            fs::copy_file(e.path(), dir.path() / "chips" / e.path().filename());
        }
        fs::copy_file(test::sourceDir() / "Revision_EN.txt", prog / "Revision_EN.txt");
        programDir = prog.string() + "/";
        source = example("sum_cx4a.asm");
    }

    // A copy of the shipped example `name` in the test's examples folder.
    std::string example(const std::string& name) {
        namespace fs = std::filesystem;
        const fs::path to = dir.path() / "examples" / name;
        fs::copy_file(test::sourceDir() / "examples" / name, to,
                      fs::copy_options::overwrite_existing);
        return to.string();
    }

    // A new main window on the program folder, shown at 1280 x 800.
    void start(std::vector<std::string> args = {}) {
        window = std::make_unique<MainWindow>(programDir, std::move(args));
        window->resize(1280, 800);
        window->show();
        QApplication::processEvents();
    }

    Workbench& bench() { return window->workbench(); }
    Shell& shell() { return bench().shell(); }
    QAction* action(Command c) { return window->action(c); }

    // `path` open in the editor as the main file, for chip `chipName`.
    void openMain(const std::string& path, const std::string& chipName = "KXA1608") {
        Shell& s = shell();
        const auto index = bench().library().findChipByName(chipName);
        ASSERT_TRUE(index.has_value());
        bench().options().restoreChipIndex(*index);
        ASSERT_TRUE(window->editor().openFile(path));
        s.filesOpened();
        s.SetMainFile(path);
    }

    // The example built and debugged ("Assemble&&Run") for chip `chipName`.
    void debugOn(const std::string& chipName = "KXA1608") {
        openMain(source, chipName);
        window->action(Command::AssembleRun)->trigger();
        QApplication::processEvents();
        ASSERT_EQ(shell().state().debugMode, 1);
    }

    // An item of the menu `menu` (a top-level caption) as the user finds it: by its caption.
    QAction* menuItem(const QString& menu, const QString& caption) {
        for (QAction* top : window->menuBar()->actions())
            if (top->menu() && top->text() == menu)
                for (QAction* a : top->menu()->actions())
                    if (a->text() == caption) return a;
        ADD_FAILURE() << "no menu item " << caption.toStdString();
        return nullptr;
    }

    // The widget a screen reader announces under `name` (the showing one when `shown`).
    template <typename W = QWidget> W* named(const QString& name, bool shown = false) {
        for (W* w : window->findChildren<W*>())
            if (w->accessibleName() == name && (!shown || w->isVisible())) return w;
        return nullptr;
    }
    QWidget* shownWidget(const QString& name) { return named(name, true); }
    // The action of the toolbar button announced as `name` (its hint).
    QAction* button(const QString& name) {
        auto* b = named<QToolButton>(name);
        if (!b) ADD_FAILURE() << "no button " << name.toStdString();
        return b ? b->defaultAction() : nullptr;
    }
    // The edit toolbar, its bookmark buttons and its number bar.
    QToolBar* editBar() { return window->findChild<QToolBar*>(QStringLiteral("EditToolBar")); }
    QAction* markButton() { return button(QStringLiteral("set bookmark")); }
    QAction* gotoButton() { return button(QStringLiteral("goto bookmark")); }
    QAction* numberBar() {
        for (QAction* a : editBar()->actions())
            if (QWidget* w = editBar()->widgetForAction(a);
                w && w->accessibleName() == QStringLiteral("Bookmark number"))
                return a;
        return nullptr;
    }
    QToolButton* digitButton(int n) {
        return named<QToolButton>(QStringLiteral("Bookmark ") + QString::number(n));
    }
    // Item `i` of the Windows menu's always-on-top menu (0 the main window ... 10 the ADC
    // panel); its last item clears them all.
    QAction* onTopItem(int i) {
        for (QAction* top : window->menuBar()->actions())
            if (top->menu())
                for (QAction* a : top->menu()->actions())
                    if (a->menu() && a->menu()->accessibleName() == QStringLiteral("Always on top"))
                        return i < 0 ? a->menu()->actions().back() : a->menu()->actions().at(i);
        ADD_FAILURE() << "no always-on-top menu";
        return nullptr;
    }
    void clearOnTop() { onTopItem(-1)->trigger(); }
    // "Tile Horizontally" (two columns) or "Tile Verticlly" from the View menu.
    void tile(bool twoColumns) {
        menuItem(QStringLiteral("View"), twoColumns ? QStringLiteral("Tile Horizontally")
                                                    : QStringLiteral("Tile Verticlly"))
            ->trigger();
    }

    // The window's timer `name`: "RunTimer", "ContinueTimer" or "LinkWatchdog".
    QTimer* timer(const char* name) { return window->findChild<QTimer*>(QLatin1String(name)); }

    static std::string fileText(const std::string& path) {
        std::string text;
        readFileBytes(path, text);
        return text;
    }

    test::TempDir dir;
    std::string programDir, source;
    std::unique_ptr<MainWindow> window;
};

} // namespace zerka::gui
