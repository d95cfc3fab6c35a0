#pragma once
// TZk_Hex, the program-memory window, without widgets: address, code word, instruction text and
// the data operand of each word from the top address, the breakpoint column, the current row,
// scrolling keys, and what a double-click asks the shell to do.
#include "core/signal.h"
#include "views/view_cell.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zerka {

struct ViewContext;

class ProgramMemoryViewModel {
  public:
    static constexpr int kColumns = 5;
    static constexpr int kRowHeight = 18;
    static constexpr const char* kBreakMark = "\u25C6";
    static constexpr std::array<int, 4> kColumnWidths{18, 60, 60, 180}; // column 4: the rest

    enum class Key { PageUp, PageDown, CtrlHome, CtrlEnd, Up, Down };
    // What a double-click asks for.
    struct Action {
        enum class Kind { None, ToggleBreakpoint, ShowSource } kind = Kind::None;
        uint32_t address = 0;
    };

    explicit ProgramMemoryViewModel(ViewContext& context);
    ~ProgramMemoryViewModel();
    ProgramMemoryViewModel(const ProgramMemoryViewModel&) = delete;
    ProgramMemoryViewModel& operator=(const ProgramMemoryViewModel&) = delete;

    // Data rows from the grid area's height in pixels.
    void setGridHeight(int pixels);
    void setDataRows(int rows);
    int dataRows() const { return dataRows_; }
    int rows() const { return dataRows_ + 1; } // with the header row

    uint32_t topAddress() const { return top_; }
    uint32_t currentAddress() const { return current_; }
    // Clamps, makes it current and centres it.
    void ShowAddress(uint32_t address);
    // Clamps; scrolls only when the address is not shown (it then becomes the last data row).
    void EnsureVisible(uint32_t address);
    void setTopAddress(int64_t top);
    void Refresh();

    const Cell& cell(int row, int col) const;
    // The address of a data row, or nothing past the end of program memory.
    std::optional<uint32_t> addressAt(int row) const;

    // The selection stays in column 1; row is the selected data row (1..).
    void key(Key key, int selectedRow);
    void clicked(int col) { lastColumn_ = col; }
    Action doubleClick(int row) const;
    // Selecting a row below the last full row scrolls by the difference.
    void selectRow(int row);

    Signal<>& changed() { return changed_; }

  private:
    uint32_t programSize() const;
    uint32_t maxTop() const;
    std::string operandText(uint16_t word) const;

    ViewContext& ctx_;
    int dataRows_ = 18;
    uint32_t top_ = 0;
    uint32_t current_ = 0;
    int lastColumn_ = 1;
    bool busy_ = false;
    std::vector<Cell> cells_;
    Signal<> changed_;
    std::vector<std::pair<int, size_t>> connections_;
};

} // namespace zerka
