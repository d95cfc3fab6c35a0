// The main window's window slots: showing and hiding a slot's sub-window, where it shows first,
// tiling, and the layout file that keeps their places between sessions.
#include "gui/main/main_window.h"

#include "core/atomic_file.h"
#include "gui/main/analog_views.h"
#include "shell/window_slots.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

namespace zerka::gui {

void MainWindow::showAsChild(Slot slot, bool show) {
    QMdiSubWindow* s = slots_[size_t(slot)].sub;
    const bool calculator = AnalogViews::handles(slot) && analogViews_;
    if (show) {
        if (calculator) analogViews_->aboutToShow(slot);
        if (!slots_[size_t(slot)].placed) {
            s->setGeometry(defaultPlace(slot));
            slots_[size_t(slot)].placed = true;
        }
        const bool first = !slots_[size_t(slot)].shown;
        slots_[size_t(slot)].shown = true;
        s->show();
        s->widget()->show();
        // The state the layout file gave the window applies when it first shows.
        if (first && slots_[size_t(slot)].layoutState == WindowState::Maximized) s->showMaximized();
        if (first && slots_[size_t(slot)].layoutState == WindowState::Minimized) s->showMinimized();
        mdi_->setActiveSubWindow(s);
        if (DebugWindow* w = debugWindow(slot); w && bench_->shell().state().debugMode == 1)
            w->refreshView();
        if (calculator) analogViews_->refreshShowing();
    } else {
        s->hide();
    }
    refreshViewButtons();
}

void MainWindow::showBreakpointList(bool show) {
    showAsChild(Slot::Breakpoints, show);
}

QRect MainWindow::defaultPlace(Slot slot) const {
    // The editor takes the upper two thirds of the area, the message log the rest below it;
    // the other windows start on the right half.
    const QRect area = mdi_->viewport()->rect();
    const int w = std::max(area.width(), 400), h = std::max(area.height(), 300);
    switch (slot) {
    // The calculators, the breakpoint list and the read-result grid keep their own size, at the
    // top right.
    case Slot::Adc:
    case Slot::OpAmp:
    case Slot::Comparator:
    case Slot::Breakpoints:
    case Slot::ReadResult: {
        const QSize size = slots_[size_t(slot)].sub->size().boundedTo(QSize(w, h));
        return QRect(QPoint(w - size.width(), 0), size);
    }
    case Slot::Editor:
        return QRect(0, 0, w, h * 2 / 3);
    case Slot::Log:
        return QRect(0, h * 2 / 3, w, h - h * 2 / 3);
    // Debugging: the source on the left above the RAM, program memory and registers on the
    // right above the stack and the watch list, so that a first session shows them side by side.
    case Slot::Source:
        return QRect(0, 0, w / 2, h * 2 / 3);
    case Slot::Ram:
        return QRect(0, h * 2 / 3, w / 2, h - h * 2 / 3);
    case Slot::ProgramMemory:
        return QRect(w / 2, 0, w - w / 2, h / 3);
    case Slot::Register:
        return QRect(w / 2, h / 3, w - w / 2, h * 2 / 3 - h / 3);
    case Slot::Stack:
        return QRect(w / 2, h * 2 / 3, w / 4, h - h * 2 / 3);
    case Slot::Watch:
        return QRect(w / 2 + w / 4, h * 2 / 3, w - w / 2 - w / 4, h - h * 2 / 3);
    default:
        return QRect(w / 2, 0, w / 2, h / 2);
    }
}

bool MainWindow::isShowing(Slot slot) const {
    return slots_[size_t(slot)].sub->isVisible();
}

void MainWindow::tile(bool twoColumns) {
    std::vector<Slot> showing;
    for (int i = 0; i < kSlotCount; ++i)
        if (isShowing(Slot(i))) showing.push_back(Slot(i));
    const QSize area = mdi_->viewport()->size();
    const auto placed = twoColumns ? tileTwoColumns(showing, area.width(), area.height())
                                   : tileOneColumn(showing, area.width(), area.height());
    // A showing slot has its sub-window (isShowing says so); a minimized or maximized one is
    // brought back to normal first, or it would keep its icon or cover the others.
    for (const TilePlacement& p : placed) {
        QMdiSubWindow* s = slots_[size_t(p.slot)].sub;
        if (s->isMinimized() || s->isMaximized()) s->showNormal();
        s->setGeometry(p.rect.left, p.rect.top, p.rect.width, p.rect.height);
    }
}

void MainWindow::installWindowCycling() {
    // Ctrl+Tab walks every showing window in turn (the MDI area's own switch only goes back to
    // the window before); Ctrl+Shift+Tab walks back. Key widgets pass these keys on.
    const auto add = [this](QKeyCombination key, int step) {
        auto* cut = new QShortcut(QKeySequence(key), this);
        cut->setContext(Qt::WindowShortcut);
        connect(cut, &QShortcut::activated, this, [this, step] { cycleWindows(step); });
    };
    add(Qt::CTRL | Qt::Key_Tab, 1);
    add(Qt::CTRL | Qt::Key_Backtab, -1);
    add(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1);
    add(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1);
}

void MainWindow::cycleWindows(int step) {
    std::vector<QMdiSubWindow*> showing;
    for (QMdiSubWindow* s : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (s->isVisible()) showing.push_back(s);
    if (showing.empty()) return;
    const auto at = std::find(showing.begin(), showing.end(), mdi_->activeSubWindow());
    const int n = int(showing.size());
    const int from = at == showing.end() ? (step > 0 ? n - 1 : 0) : int(at - showing.begin());
    QMdiSubWindow* next = showing[size_t(((from + step) % n + n) % n)];
    mdi_->setActiveSubWindow(next);
    // The keys go into the window: to the child that had them last, else to its first child
    // that takes the Tab key (a grid, the source view, the editor).
    QWidget* w = next->widget();
    QWidget* focus = QApplication::focusWidget();
    if (!w || (focus && w->isAncestorOf(focus))) return;
    if (QWidget* last = w->focusWidget()) return last->setFocus(Qt::TabFocusReason);
    for (QWidget* c = w->nextInFocusChain(); c && c != w; c = c->nextInFocusChain())
        if (w->isAncestorOf(c) && c->isVisible() && (c->focusPolicy() & Qt::TabFocus))
            return c->setFocus(Qt::TabFocusReason);
    w->setFocus(Qt::TabFocusReason);
}

// --- layout file ----------------------------------------------------------------------------

void MainWindow::readLayout() {
    std::string text;
    if (!readFileBytes(layoutPath(), text) || !layout_.parse(text)) return;
    if (const WindowPlacement* p = layout_.find("TZKMAIN")) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const Rect r =
            fitToScreen({p->left, p->top, p->width, p->height}, screen.width(), screen.height());
        setGeometry(r.left, r.top, std::max(r.width, 240), std::max(r.height, 300));
        // A main window stored minimized starts as a normal one: the program would otherwise
        // seem not to start at all.
        if (p->state == WindowState::Maximized) showMaximized();
    }
    for (int i = 0; i < kSlotCount; ++i) {
        QMdiSubWindow* s = slots_[size_t(i)].sub;
        if (const WindowPlacement* p = layout_.find(slotInfo(Slot(i)).layoutName)) {
            s->setGeometry(p->left, p->top, std::max(p->width, 200), std::max(p->height, 100));
            slots_[size_t(i)].placed = true;
            slots_[size_t(i)].layoutState = p->state;
            // The first activation then hides the windows that belong to debug mode.
            if (p->visible) showAsChild(Slot(i), true);
        }
    }
}

void MainWindow::writeLayout() {
    const QRect g = normalGeometry();
    layout_.store({"TZKMAIN", g.x(), g.y(), g.width(), g.height(),
                   isMaximized() ? WindowState::Maximized : WindowState::Normal, true});
    for (int i = 0; i < kSlotCount; ++i) {
        QMdiSubWindow* s = slots_[size_t(i)].sub;
        // A window never shown has only its design place: the record read from the file (if
        // any) stays as it was.
        if (!slots_[size_t(i)].shown) continue;
        const QRect r = s->geometry();
        const WindowState state = s->isMaximized()   ? WindowState::Maximized
                                  : s->isMinimized() ? WindowState::Minimized
                                                     : WindowState::Normal;
        layout_.store(
            {slotInfo(Slot(i)).layoutName, r.x(), r.y(), r.width(), r.height(), state, s->isVisible()});
    }
    writeFileAtomic(layoutPath(), layout_.format());
}

} // namespace zerka::gui
