#pragma once
// TZkPopSelHex, the hexadecimal pop-up editor, without its window: the digits typed so far,
// the limit rule and when the editor closes. The limit text gives the number of digits and,
// position by position, the largest digit allowed there ("FF" a byte, "3FF" a 10-bit value).
#include <cstdint>
#include <string>

namespace zerka {

class HexEntry {
  public:
    enum class State { Open, Accepted, Cancelled };
    // Special keys; every other key is given as its character.
    static constexpr int kEnter = '\r';
    static constexpr int kEscape = 27;
    static constexpr int kBackspace = 8;

    HexEntry(std::string limit, std::string rangeText, std::string caption);

    const std::string& limit() const { return limit_; }
    const std::string& rangeText() const { return rangeText_; } // the status line
    const std::string& caption() const { return caption_; }
    const std::string& text() const { return text_; } // the edit box, upper case
    State state() const { return state_; }
    bool closed() const { return state_ != State::Open; }
    bool accepted() const { return state_ == State::Accepted; }
    // The edit box read as a hexadecimal number (0 when empty).
    uint32_t value() const;

    // A key typed in the editor; every key is consumed. Ignored once the editor has closed.
    void key(int key);
    // The digit buttons, accept, clear and cancel.
    void digitButton(int digit);
    void acceptButton();
    void clearButton();
    void cancelButton();

  private:
    void append(char digit);
    void closeWhenFull();

    std::string limit_;
    std::string rangeText_;
    std::string caption_;
    std::string text_;
    State state_ = State::Open;
};

// Where the editor opens: at (x, y), moved left or up so that it ends at the screen's right or
// bottom edge when it would reach past it.
struct ScreenPoint {
    int x = 0, y = 0;
    bool operator==(const ScreenPoint&) const = default;
};
ScreenPoint placeInsideScreen(ScreenPoint at, int width, int height, int screenWidth,
                              int screenHeight);

} // namespace zerka
