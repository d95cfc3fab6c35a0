#include "views/cell_typing.h"

namespace zerka {

CellTyping::Result CellTyping::key(int key, size_t maxDigits) {
    if (key == kEnter || key == kTab) return Result::Commit;
    if (key == kEscape) {
        const bool was = editing_;
        text_.clear();
        editing_ = false;
        return was ? Result::Cancelled : Result::Refused;
    }
    if (key == kBackspace) {
        if (!text_.empty()) text_.pop_back();
        return Result::Typed;
    }
    char c = key >= 0 && key < 128 ? char(key) : '\0';
    if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    if (!hex || text_.size() >= maxDigits) return Result::Refused;
    text_.push_back(c);
    editing_ = true;
    return Result::Typed;
}

uint32_t CellTyping::take() {
    uint32_t v = 0;
    for (char c : text_)
        v = v * 16 + uint32_t(c <= '9' ? c - '0' : c - 'A' + 10);
    text_.clear();
    editing_ = false;
    return v;
}

} // namespace zerka
