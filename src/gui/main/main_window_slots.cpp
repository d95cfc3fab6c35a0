// The main window's window slots: showing and hiding a slot's sub-window, where it shows first,
// tiling, and the layout file that keeps their places between sessions.
#include "gui/main/main_window.h"

#include "core/atomic_file.h"
#include "gui/main/analog_views.h"

#include <QGuiApplication>
#include <QScreen>

namespace zerka::gui {

namespace {

const char* slotName(Slot slot) {
    static const char* names[kSlotCount] = {"TZk_EDIT",  "TZk_HEX", "TZk_SOURCE", "TZk_RAM",
                                            "TZk_STACK", "TZk_REG", "TZk_WATCH",  "TZk_ERR",
                                            "TZk_ADC",   "TZk_OP",  "TZk_CMP",    "TZk_BREAK"};
    return names[int(slot)];
}

} // namespace

void MainWindow::showAsChild(Slot slot, bool show) {
    QMdiSubWindow* s = subs_[size_t(slot)];
    if (!s) return;
    const bool calculator = AnalogViews::handles(slot) && analogViews_;
    if (show) {
        if (calculator) analogViews_->aboutToShow(slot);
        if (!placed_[size_t(slot)]) {
            s->setGeometry(defaultPlace(slot));
            placed_[size_t(slot)] = true;
        }
        const bool first = !shown_[size_t(slot)];
        shown_[size_t(slot)] = true;
        s->show();
        s->widget()->show();
        // The state the layout file gave the window applies when it first shows.
        if (first && layoutState_[size_t(slot)] == WindowState::Maximized) s->showMaximized();
        if (first && layoutState_[size_t(slot)] == WindowState::Minimized) s->showMinimized();
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
    // The calculators and the breakpoint list keep their own size, at the top right.
    case Slot::Adc:
    case Slot::OpAmp:
    case Slot::Comparator:
    case Slot::Breakpoints: {
        const QSize size = subs_[size_t(slot)]->size().boundedTo(QSize(w, h));
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
    QMdiSubWindow* s = subs_[size_t(slot)];
    return s && s->isVisible();
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
        QMdiSubWindow* s = subs_[size_t(p.slot)];
        if (s->isMinimized() || s->isMaximized()) s->showNormal();
        s->setGeometry(p.rect.left, p.rect.top, p.rect.width, p.rect.height);
    }
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
        QMdiSubWindow* s = subs_[size_t(i)];
        if (!s) continue;
        if (const WindowPlacement* p = layout_.find(slotName(Slot(i)))) {
            s->setGeometry(p->left, p->top, std::max(p->width, 200), std::max(p->height, 100));
            placed_[size_t(i)] = true;
            layoutState_[size_t(i)] = p->state;
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
        QMdiSubWindow* s = subs_[size_t(i)];
        // A window never shown has only its design place: the record read from the file (if
        // any) stays as it was.
        if (!s || !shown_[size_t(i)]) continue;
        const QRect r = s->geometry();
        const WindowState state = s->isMaximized()   ? WindowState::Maximized
                                  : s->isMinimized() ? WindowState::Minimized
                                                     : WindowState::Normal;
        layout_.store(
            {slotName(Slot(i)), r.x(), r.y(), r.width(), r.height(), state, s->isVisible()});
    }
    writeFileAtomic(layoutPath(), layout_.format());
}

} // namespace zerka::gui
