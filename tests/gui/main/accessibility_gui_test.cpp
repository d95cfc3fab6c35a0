// The IDE as a screen reader meets it: an example built and stepped in the main window, then
// W, PC and a data byte read through the accessible tables and panels and compared with the
// CPU; the first cells of every debug window, the source view's current line and breakpoint
// rows, the status line's panels, and the events a step sends.
// First: the core headers it pulls in must come before Qt defines its keywords.
#include "gui/support/main_window_fixture.h"

#include "gui/editor/editor_window.h"
#include "gui/support/accessibility.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QStyleFactory>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;
using test::cellName;
using test::findAccessible;

QString hex(uint32_t v, int width) {
    return QStringLiteral("%1").arg(v, width, 16, QLatin1Char('0')).toUpper();
}

// The first interface below `root` that passes `match`, depth first, not into tables.
QAccessibleInterface* findIf(QAccessibleInterface* root,
                             const std::function<bool(QAccessibleInterface*)>& match,
                             int depth = 0) {
    if (!root || depth > 40) return nullptr;
    if (match(root)) return root;
    if (root->tableInterface()) return nullptr;
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* hit = findIf(root->child(i), match, depth + 1)) return hit;
    return nullptr;
}

class AccessibilityGuiTest : public MainWindowFixture {
  protected:
    AccessibilityGuiTest() { boxes.cancel = true; }

    void start(QSize size = {1280, 800}) {
        MainWindowFixture::start();
        window->resize(size);
        QApplication::processEvents();
        openMain(source);
        press(Command::AssembleRun);
        ASSERT_EQ(shell().state().debugMode, 1);
    }
    void press(Command c) {
        QTest::qWait(60);
        window->action(c)->trigger();
        QApplication::processEvents();
        (void)QTest::qWaitFor([this] { return !bench().up().running(); }, 5000);
        QApplication::processEvents();
    }
    uint32_t symbol(const std::string& name) {
        for (const SymbolEntry& e : shell().lastAssembly().labels)
            if (e.name == name) return uint32_t(e.value);
        ADD_FAILURE() << "no label " << name;
        return 0;
    }
    QAccessibleInterface* root() { return QAccessible::queryAccessibleInterface(window.get()); }
    QAccessibleInterface* table(const QString& name) {
        QAccessibleInterface* t = findAccessible(root(), name, QAccessible::Table);
        EXPECT_NE(t, nullptr) << name.toStdString();
        return t;
    }
    // The source view's table of the main file.
    QAccessibleInterface* sourceTable() {
        QAccessibleInterface* view = findAccessible(root(), QStringLiteral("Source Code"));
        EXPECT_NE(view, nullptr);
        return findIf(view, [](QAccessibleInterface* i) {
            return i->role() == QAccessible::Table && i->tableInterface() &&
                   i->text(QAccessible::Name).endsWith(QStringLiteral("sum_cx4a.asm"),
                                                       Qt::CaseInsensitive);
        });
    }

    BoxAnswerer boxes; // any message box: Cancel
};

TEST_F(AccessibilityGuiTest, AfterStepsTheWindowsReadAsTheCpuStands) {
    start();
    test::AccessibleEventRecorder recorder;
    QAccessibleInterface* ram = table(QStringLiteral("Data Memory"));
    QAccessibleInterface* pcPanel = findAccessible(root(), QStringLiteral("Program Counter"));
    ASSERT_TRUE(ram && pcPanel);
    // Into the loop: SUM (80H) has its first addend.
    const uint32_t call = symbol("ADDUP") + 2;
    for (int i = 0; i < 12 && bench().up().cpu().GetPC() != call; ++i)
        press(Command::Trace);
    const CpuState& cpu = bench().up().cpu();
    ASSERT_EQ(cpu.GetPC(), call);
    ASSERT_EQ(cpu.ReadData(0x80), 5);

    // W, PC and the byte through the accessibility interface.
    EXPECT_EQ(pcPanel->text(QAccessible::Value), QString::number(cpu.GetPC(), 16).toUpper());
    QAccessibleInterface* w = findAccessible(root(), QStringLiteral("WREG"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->text(QAccessible::Value), hex(cpu.ReadData(41), 2));
    ASSERT_EQ(ram->tableInterface()->rowDescription(8), "080");
    EXPECT_EQ(cellName(ram, 8, 0), hex(cpu.ReadData(0x80), 2));
    EXPECT_EQ(cellName(ram, 8, 4), hex(cpu.ReadData(0x84), 2));

    // The step was announced: the new PC, and the data-memory table's changed rows.
    auto saw = [&](auto&& match) {
        return std::any_of(recorder.events.begin(), recorder.events.end(), match);
    };
    EXPECT_TRUE(saw([&](const auto& e) {
        return e.type == QAccessible::ValueChanged && e.name == "Program Counter" &&
               e.value == QString::number(call, 16).toUpper();
    }));
    EXPECT_TRUE(saw([&](const auto& e) {
        return e.type == QAccessible::TableModelChanged && e.firstRow <= 8 && e.lastRow >= 8 &&
               e.object && e.object->isWidgetType() &&
               static_cast<QWidget*>(e.object)->accessibleName() == "Data Memory";
    }));

    // The first cells of every window, named and in their states.
    QAccessibleInterface* prog = table(QStringLiteral("Program Memory"));
    ASSERT_NE(prog, nullptr);
    // The window shows a page around the PC: the PC's row, named by its address, is selected.
    QAccessibleTableInterface* pt = prog->tableInterface();
    int pcRow = -1;
    for (int r = 0; r < pt->rowCount(); ++r)
        if (pt->rowDescription(r) == hex(cpu.GetPC(), 4)) pcRow = r;
    ASSERT_GE(pcRow, 0);
    EXPECT_TRUE(cellName(prog, pcRow, 3).contains("CALL"));
    EXPECT_TRUE(pt->cellAt(pcRow, 3)->state().selected);
    EXPECT_FALSE(pt->cellAt(pcRow == 0 ? 1 : 0, 3)->state().selected);
    QAccessibleInterface* stack = table(QStringLiteral("Stack"));
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->tableInterface()->rowDescription(0), "Stack");
    EXPECT_EQ(cellName(stack, 0, 0), "0");
    QAccessibleInterface* bits = table(QStringLiteral("Bit Registers"));
    ASSERT_NE(bits, nullptr);
    EXPECT_FALSE(bits->tableInterface()->rowDescription(0).isEmpty());
    EXPECT_FALSE(cellName(bits, 0, 0).isEmpty());
    QAccessibleInterface* watch = table(QStringLiteral("Watch"));
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->tableInterface()->columnDescription(0), "Name");
    EXPECT_EQ(watch->tableInterface()->columnDescription(1), "Addr");

    // The source view: the current line is selected and says so; a breakpoint row is checked.
    QAccessibleInterface* source = sourceTable();
    ASSERT_NE(source, nullptr);
    QAccessibleTableInterface* st = source->tableInterface();
    const int line = cpu.cellAt(cpu.GetPC())->sourceLine;
    ASSERT_GT(line, 0);
    QAccessibleInterface* current = st->cellAt(line - 1, 1);
    ASSERT_NE(current, nullptr);
    EXPECT_TRUE(current->text(QAccessible::Name).contains("CALL"));
    EXPECT_TRUE(current->state().selected);
    EXPECT_EQ(current->text(QAccessible::Description), "current line");
    EXPECT_FALSE(st->cellAt(line - 2, 1)->state().selected);
    const uint32_t done = symbol("DONE");
    const int doneLine = cpu.cellAt(done)->sourceLine;
    ASSERT_EQ(bench().up().ToggleBreakpoint(done, BreakpointKind::Address, true),
              ToggleResult::Done);
    QApplication::processEvents();
    EXPECT_TRUE(st->cellAt(doneLine - 1, 0)->state().checked);
    EXPECT_EQ(st->cellAt(doneLine - 1, 1)->text(QAccessible::Description), "breakpoint");
    EXPECT_EQ(st->cellAt(doneLine - 1, 0)->text(QAccessible::Name).trimmed().left(1),
              QString::fromUtf8("\u25C6"));

    // The status line's panels have names.
    for (const char* name : {"Status", "Connection", "File CheckSum"})
        EXPECT_NE(findAccessible(root(), QString::fromLatin1(name)), nullptr) << name;
}

// A debugging session with the keyboard alone: build, a breakpoint, run, a RAM byte edited, a
// watch added, back one step; windows reached with Ctrl+Tab, every value checked as a screen
// reader reads it.
TEST_F(AccessibilityGuiTest, ADebugSessionWithKeysAlone) {
    MainWindowFixture::start();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    openMain(source);
    auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* to = QApplication::focusWidget();
        ASSERT_NE(to, nullptr);
        QTest::keyClick(to, k, m);
        QApplication::processEvents();
    };
    auto settle = [this] {
        (void)QTest::qWaitFor([this] { return !bench().up().running(); }, 5000);
        QTest::qWait(80);
    };
    // The window whose sub-window is active, reached with Ctrl+Tab as a user does: Ctrl held
    // past the quick switch back to the previous window, then Tab moves on to the next one.
    auto activate = [&](const QString& title) {
        auto focus = [&]() -> QWidget* {
            return QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        };
        auto active = [&] {
            QMdiSubWindow* sub = window->mdi()->activeSubWindow();
            return sub && sub->widget() && sub->widget()->windowTitle() == title;
        };
        for (int i = 0; i < window->mdi()->subWindowList().size() && !active(); ++i) {
            QTest::keyPress(focus(), Qt::Key_Control);
            QTest::qWait(QApplication::keyboardInputInterval() + 50);
            QTest::keyClick(focus(), Qt::Key_Tab, Qt::ControlModifier);
            QTest::keyRelease(focus(), Qt::Key_Control);
            QApplication::processEvents();
        }
        return active();
    };
    window->editor().setFocus();
    QApplication::processEvents();

    // F4 builds and starts debugging.
    key(Qt::Key_F4);
    settle();
    ASSERT_EQ(shell().state().debugMode, 1);
    const CpuState& cpu = bench().up().cpu();
    const uint32_t done = symbol("DONE");
    const int doneLine = cpu.cellAt(done)->sourceLine;

    // The source view: down to DONE's line, F2 sets the breakpoint there.
    ASSERT_TRUE(activate(QStringLiteral("Source Code")));
    QAccessibleInterface* source = sourceTable();
    ASSERT_NE(source, nullptr);
    auto* sourceView = static_cast<QWidget*>(source->object());
    for (int i = 0; i < 6 && !sourceView->hasFocus(); ++i)
        key(Qt::Key_Tab);
    ASSERT_TRUE(sourceView->hasFocus());
    for (int i = 0; i < 60; ++i) {
        QAccessibleInterface* at = source->focusChild();
        if (at && at->tableCellInterface()->rowIndex() == doneLine - 1) break;
        key(Qt::Key_Down);
    }
    key(Qt::Key_F2);
    EXPECT_TRUE(source->tableInterface()->cellAt(doneLine - 1, 0)->state().checked);

    // F5 runs to it.
    key(Qt::Key_F5);
    settle();
    ASSERT_EQ(cpu.GetPC(), done);
    EXPECT_EQ(findAccessible(root(), QStringLiteral("Program Counter"))->text(QAccessible::Value),
              QString::number(done, 16).toUpper());

    // The RAM window: to 085 by arrows, a new value typed.
    ASSERT_TRUE(activate(QStringLiteral("Data Memory")));
    QAccessibleInterface* ram = table(QStringLiteral("Data Memory"));
    ASSERT_NE(ram, nullptr);
    ASSERT_TRUE(static_cast<QWidget*>(ram->object())->hasFocus());
    for (int i = 0; i < 20; ++i) {
        QAccessibleInterface* at = ram->focusChild();
        ASSERT_NE(at, nullptr);
        const int r = at->tableCellInterface()->rowIndex();
        const int c = at->tableCellInterface()->columnIndex();
        if (r == 8 && c == 5) break;
        key(r < 8 ? Qt::Key_Down : c < 5 ? Qt::Key_Right : Qt::Key_Left);
    }
    QTest::keyClicks(QApplication::focusWidget(), "7e");
    key(Qt::Key_Return);
    EXPECT_EQ(cpu.ReadData(0x85), 0x7E);
    EXPECT_EQ(cellName(ram, 8, 5), "7E");

    // A watch: Alt+4 shows the watch list, Shift+F10 its menu, "Add/Delete Watches" the dialog
    // where SUM is typed into the add field.
    key(Qt::Key_4, Qt::AltModifier);
    ASSERT_TRUE(activate(QStringLiteral("Watch")));
    QAccessibleInterface* watches = table(QStringLiteral("Watch"));
    ASSERT_NE(watches, nullptr);
    auto* watchTable = static_cast<QWidget*>(watches->object());
    for (int i = 0; i < 6 && !watchTable->hasFocus(); ++i)
        key(Qt::Key_Tab);
    ASSERT_TRUE(watchTable->hasFocus());
    QTimer::singleShot(50, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    key(Qt::Key_F10, Qt::ShiftModifier);
    QWidget* dialog = QApplication::activeWindow();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->windowTitle(), QStringLiteral("Add/Delete Watches"));
    for (int i = 0; i < 12 && !qobject_cast<QLineEdit*>(QApplication::focusWidget()); ++i)
        key(Qt::Key_Tab);
    ASSERT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    QTest::keyClicks(QApplication::focusWidget(), "SUM");
    key(Qt::Key_Return);
    key(Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
    // A window manager gives the activation back to the main window when the dialog closes;
    // the offscreen platform has none.
    if (!QApplication::activeWindow()) QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    bool listed = false;
    for (int r = 0; r < watches->tableInterface()->rowCount(); ++r)
        for (int c = 0; c < watches->tableInterface()->columnCount(); ++c)
            listed = listed || cellName(watches, r, c) == QStringLiteral("SUM");
    EXPECT_TRUE(listed);

    // F9 steps back: the PC leaves DONE and the screen reader hears it.
    key(Qt::Key_F9);
    settle();
    EXPECT_NE(bench().views().programMemory.currentAddress(), done);
    test::saveScreenshot(*window, QStringLiteral("keyboard_session"));
}

// The Fusion dark palette as desktops set it.
QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(42, 42, 42));
    p.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    p.setColor(QPalette::ToolTipBase, QColor(53, 53, 53));
    p.setColor(QPalette::ToolTipText, Qt::white);
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Light, QColor(80, 80, 80));
    p.setColor(QPalette::Mid, QColor(35, 35, 35));
    p.setColor(QPalette::Dark, QColor(25, 25, 25));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    return p;
}

// Run by the test below in a process of its own (the scale factor is read at start-up): the
// debugging layout on a 1366x768 screen, every window at least its minimum size and inside the
// main area, the grids' texts inside their cells, and a screenshot to look at.
TEST_F(AccessibilityGuiTest, ScreenLayout) {
    const QByteArray look = qgetenv("ZERKA_SCREEN_LOOK");
    if (look.isEmpty()) GTEST_SKIP() << "run by ScaledAndDarkScreens";
    if (look == "dark") {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    start(QSize(1366, 768));
    tile(true);
    press(Command::Trace);
    QApplication::processEvents();
    const double scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                             ? qgetenv("QT_SCALE_FACTOR").toDouble()
                             : 1.0;
    EXPECT_DOUBLE_EQ(window->devicePixelRatio(), scale);
    const QRect area = window->mdi()->viewport()->rect();
    for (QMdiSubWindow* sub : window->mdi()->subWindowList()) {
        if (!sub->isVisible()) continue;
        const std::string name = sub->windowTitle().toStdString();
        EXPECT_TRUE(area.contains(sub->geometry())) << name;
        EXPECT_GE(sub->width(), sub->minimumSizeHint().width()) << name;
        EXPECT_GE(sub->height(), sub->minimumSizeHint().height()) << name;
    }
    // Fixed-pitch grids: every text fits its cell, and every row's cells share their columns.
    for (const char* name : {"Data Memory", "Bit Registers", "Stack", "Program Memory"}) {
        QAccessibleInterface* t = findAccessible(root(), QString::fromLatin1(name),
                                                 QAccessible::Table);
        ASSERT_NE(t, nullptr) << name;
        auto* grid = static_cast<QWidget*>(t->object());
        const QFontMetrics fm(grid->font());
        QAccessibleTableInterface* ti = t->tableInterface();
        for (int r = 0; r < ti->rowCount(); ++r)
            for (int c = 0; c < ti->columnCount(); ++c) {
                QAccessibleInterface* cell = ti->cellAt(r, c);
                const QRect rect = cell->rect();
                if (rect.isEmpty()) continue;
                EXPECT_LE(fm.horizontalAdvance(cell->text(QAccessible::Name)), rect.width())
                    << name << " " << r << "," << c;
                EXPECT_LE(fm.height(), rect.height()) << name;
                EXPECT_EQ(rect.left(), ti->cellAt(0, c)->rect().left()) << name;
            }
    }
    test::saveScreenshot(*window, QStringLiteral("ide-") + QString::fromLatin1(look));
}

// The layout above at scale 2 and 1.5 and in the dark palette, each in a process of its own.
TEST(Screens, ScaledAndDarkScreens) {
    const std::pair<const char*, const char*> runs[] = {
        {"scale2", "2"}, {"scale1.5", "1.5"}, {"dark", nullptr}};
    for (const auto& [look, scale] : runs) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZERKA_SCREEN_LOOK"), QString::fromLatin1(look));
        if (scale)
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        else
            env.remove(QStringLiteral("QT_SCALE_FACTOR"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=AccessibilityGuiTest.ScreenLayout")});
        ASSERT_TRUE(child.waitForFinished(120000)) << look;
        EXPECT_EQ(child.exitCode(), 0) << look << "\n" << child.readAll().toStdString();
    }
}

} // namespace
} // namespace zerka::gui
