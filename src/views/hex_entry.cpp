#include "views/hex_entry.h"

#include "core/chars.h"

#include <algorithm>

namespace zerka {

HexEntry::HexEntry(std::string limit, std::string rangeText, std::string caption)
    : limit_(std::move(limit)), rangeText_(std::move(rangeText)), caption_(std::move(caption)) {
    // A limit that names no digit would close the editor on nothing; treat it as one free digit.
    if (limit_.empty()) limit_.push_back('F');
}

uint32_t HexEntry::value() const {
    uint32_t v = 0;
    for (char c : text_)
        v = v * 16 + uint32_t(hexDigitValue(c));
    return v;
}

void HexEntry::append(char digit) {
    const size_t pos = text_.size();
    if (pos >= limit_.size()) return;
    const int max = hexDigitValue(limit_[pos]);
    if (hexDigitValue(digit) > (max < 0 ? 15 : max)) return;
    text_.push_back(digit);
}

void HexEntry::closeWhenFull() {
    if (state_ == State::Open && text_.size() >= limit_.size()) state_ = State::Accepted;
}

void HexEntry::key(int key) {
    if (closed()) return;
    if (key == kEnter) {
        state_ = text_.empty() ? State::Cancelled : State::Accepted;
        return;
    }
    if (key == kEscape) {
        state_ = State::Cancelled;
        return;
    }
    if (key == kBackspace) {
        if (!text_.empty()) text_.pop_back();
        return;
    }
    if (key < 0 || key > 127) return;
    const int v = hexDigitValue(char(key));
    if (v < 0) return;
    append("0123456789ABCDEF"[v]);
    closeWhenFull();
}

void HexEntry::digitButton(int digit) {
    if (closed() || digit < 0 || digit > 15) return;
    append("0123456789ABCDEF"[digit]);
    closeWhenFull();
}

void HexEntry::acceptButton() {
    if (closed()) return;
    state_ = text_.empty() ? State::Cancelled : State::Accepted;
}

void HexEntry::clearButton() {
    if (!closed()) text_.clear();
}

void HexEntry::cancelButton() {
    if (!closed()) state_ = State::Cancelled;
}

ScreenPoint placeInsideScreen(ScreenPoint at, int width, int height, int screenWidth,
                              int screenHeight) {
    if (at.x + width > screenWidth) at.x = std::max(0, screenWidth - width);
    if (at.y + height > screenHeight) at.y = std::max(0, screenHeight - height);
    return at;
}

} // namespace zerka
