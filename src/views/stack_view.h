#pragma once
// TZk_STK, the stack window, without widgets: the stack pointer state and the entries 1 to the
// stack depth, typing and the pop-up editor on the entries, and the write-back when the window
// loses focus.
#include "core/signal.h"
#include "views/cell_typing.h"
#include "views/edit_request.h"
#include "views/view_cell.h"

#include <optional>
#include <string>
#include <vector>

namespace zerka {

struct ViewContext;

class StackViewModel {
  public:
    static constexpr int kColumns = 2;
    static constexpr int kRowHeight = 18;
    static constexpr int kColumnWidth = 60;

    explicit StackViewModel(ViewContext& context);

    // A new stack depth: depth + 1 rows with their fixed texts.
    void Build(int depth);
    void Refresh();

    int rows() const { return int(cells_.size() / kColumns); }
    int gridHeight() const { return (kRowHeight + 1) * rows() + 3; }
    const Cell& cell(int row, int col) const;

    // Typing in column 1 of rows 1..depth; false when the key is refused. Enter writes the entry.
    bool key(int row, int col, int key);
    std::optional<HexEditRequest> doubleClick(int row, int col) const;
    void apply(const HexEditRequest& request, uint32_t value);
    // The window lost focus: every row (empty as 0) goes into the CPU state's stack entries.
    // Nothing is written while the target runs.
    void focusLost();

    Signal<>& changed() { return changed_; }

  private:
    ViewContext& ctx_;
    std::vector<Cell> cells_;
    CellTyping typing_;
    Signal<> changed_;
};

} // namespace zerka
