#pragma once
// Typing hexadecimal digits straight into a grid cell (register, RAM and stack windows): lower
// case is raised, other printable keys are refused, at most `maxDigits` digits; Enter or Tab
// asks the model to write the cell.
#include <cstdint>
#include <optional>
#include <string>

namespace zerka {

class CellTyping {
  public:
    static constexpr int kEnter = '\r';
    static constexpr int kTab = '\t';
    static constexpr int kBackspace = 8;
    static constexpr int kEscape = 27;

    // Cancelled: Escape dropped the digits typed; the cell shows its value again.
    enum class Result { Refused, Typed, Commit, Cancelled };

    // Starts editing a cell that shows `text`; typing replaces it.
    void begin(int row, int col) {
        row_ = row;
        col_ = col;
        text_.clear();
        editing_ = false;
    }
    Result key(int key, size_t maxDigits);
    bool editing() const { return editing_; }
    int row() const { return row_; }
    int col() const { return col_; }
    const std::string& text() const { return text_; }
    // The typed value (0 when nothing was typed); ends the edit.
    uint32_t take();
    void cancel() { editing_ = false; }

  private:
    int row_ = -1;
    int col_ = -1;
    std::string text_;
    bool editing_ = false;
};

} // namespace zerka
