#pragma once
// TZk_STK, the stack window: the stack pointer state and the entries 1 to the stack depth,
// drawn from the stack model (views/stack_view.h). Entries are edited by typing or with the
// pop-up editor; when the window loses the focus the shown entries go back into the CPU state.
// The models first: Qt defines its keyword `emit` as a macro, which core/signal.h uses as a name.
#include "views/stack_view.h"

#include "gui/debug/grid_window_parts.h"

namespace zerka::gui {

class StackWindow : public GridDebugWindow {
    Q_OBJECT
  public:
    StackWindow(DebugViews& views, UiHost& ui, QWidget* parent = nullptr);
    StackWindow(StackViewModel& model, UiHost& ui, QWidget* parent = nullptr);
    ~StackWindow() override;

    // Follows a new stack depth (the grid is rebuilt) and the refreshed entries.
    void refreshView() override;
    void setCellFont(const QFont& font);

    HexCellGrid* grid() const { return grid_; }

  protected:
    bool event(QEvent* event) override;

  private:
    void focusMoved(QWidget* from, QWidget* to);

    StackViewModel& model_;
    HexCellGrid* grid_ = nullptr;
    QMetaObject::Connection focusConnection_;
};

} // namespace zerka::gui
