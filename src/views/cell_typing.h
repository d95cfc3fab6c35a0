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
    // `key`, settled as every grid does: a commit calls `commit` (which writes the value) and
    // ends the edit, Escape ends it; every key taken calls `redraw`. False for a refused key.
    template <typename Commit, typename Redraw>
    bool key(int key, size_t maxDigits, Commit&& commit, Redraw&& redraw) {
        switch (this->key(key, maxDigits)) {
        case Result::Refused:
            return false;
        case Result::Commit:
            commit();
            begin(-1, -1);
            break;
        case Result::Cancelled:
            begin(-1, -1);
            break;
        case Result::Typed:
            break;
        }
        redraw();
        return true;
    }
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
