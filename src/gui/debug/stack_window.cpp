#include "gui/debug/stack_window.h"

#include "gui/debug/accessible_windows.h"
#include "gui/debug/hex_cell_grid.h"
#include "uitext/text_id.h"
#include "views/debug_views.h"

#include <QApplication>
#include <QEvent>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {

constexpr int kLabelChars = 8; // "Stack = "
constexpr int kValueChars = 6;

} // namespace

StackWindow::StackWindow(DebugViews& views, UiHost& ui, QWidget* parent)
    : StackWindow(views.stack, ui, parent) {}

StackWindow::StackWindow(StackViewModel& model, UiHost&, QWidget* parent)
    : GridDebugWindow(model.changed(), TextId::StackCaption, parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    grid_ = new HexCellGrid(this);
    grid_->setCellSource([this](int r, int c) {
        Cell cell = model_.cell(r, c);
        if (c == 0) cell.role = CellRole::Header;
        return cell;
    });
    grid_->setSelectable([](int r, int c) { return r >= 1 && c == 1; });
    grid_->onKey = [this](int r, int c, int key) {
        const bool taken = model_.key(r, c, key);
        grid_->refresh();
        return taken;
    };
    grid_->onDoubleClick = [this](int r, int c, QPoint global) {
        const auto request = model_.doubleClick(r, c);
        if (!request) return;
        const HexEditResult result = hexEditor_(this, global, *request);
        if (!result.accepted) return;
        model_.apply(*request, result.value);
        grid_->refresh();
    };
    makeStackGridAccessible(*grid_);
    // A window tiled shorter than the stack scrolls it rather than cutting it off.
    addScrollingGrid(this, layout, grid_);
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget* from, QWidget* to) { focusMoved(from, to); });
    refreshView();
}

StackWindow::~StackWindow() {
    // Hiding the dying widget moves the focus; this part of it must not hear that any more.
    disconnect(focusConnection_);
}

void StackWindow::setCellFont(const QFont& font) {
    grid_->setFont(font);
    refreshView();
}

void StackWindow::refreshView() {
    refresh_.done();
    if (grid_->rows() != model_.rows()) grid_->setShape(model_.rows(), {kLabelChars, kValueChars});
    grid_->refresh();
    announceAccessibleChanges(this);
}

bool StackWindow::event(QEvent* event) {
    // The entries are read again whenever the window is activated.
    if (event->type() == QEvent::WindowActivate) {
        model_.Refresh();
        refreshView();
    }
    return QWidget::event(event);
}

void StackWindow::focusMoved(QWidget* from, QWidget* to) {
    const bool wasInside = from && (from == this || isAncestorOf(from));
    const bool nowInside = to && (to == this || isAncestorOf(to));
    if (wasInside && !nowInside) {
        model_.focusLost();
        refreshView();
    }
}

} // namespace zerka::gui
