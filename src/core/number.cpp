#include "core/number.h"

namespace zerka {
namespace {

enum class Base { None, Decimal, Hex, Binary };

bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
bool isLetter(char c) { c = upper(c); return c >= 'A' && c <= 'Z'; }
bool isHexLetter(char c) { c = upper(c); return c >= 'A' && c <= 'F'; }

// Records one base mark; false when it disagrees with an earlier one.
bool mark(Base& base, Base m) {
    if (base == Base::None || base == m) {
        base = m;
        return true;
    }
    return false;
}

} // namespace

NumberTest testNumber(std::string_view text) {
    NumberTest notNumber;
    if (text.empty()) return notNumber;
    const char first = text.front();
    const bool signed_ = first == '+' || first == '-';
    if (!isDigit(first) && !signed_) return notNumber;

    Base base = Base::None;
    if (signed_) mark(base, Base::Decimal);

    // Body: the characters without a final base letter.
    std::string_view body = text;
    if (text.size() > 1) {
        const char last = upper(text.back());
        if (isLetter(last)) {
            Base m = last == 'H' ? Base::Hex : last == 'B' ? Base::Binary : last == 'D' ? Base::Decimal : Base::None;
            if (m == Base::None) return notNumber;
            if (!mark(base, m)) return notNumber;
            body = text.substr(0, text.size() - 1);
        } else if (!isDigit(last)) {
            return notNumber;
        }
    }
    for (size_t i = 1; i < body.size(); ++i) {
        const char c = body[i];
        if (isDigit(c)) continue;
        if (isHexLetter(c)) {
            if (!mark(base, Base::Hex)) return notNumber;
            continue;
        }
        return notNumber;
    }
    // Hexadecimal letters without the final "H" make the word not a number.
    if (base == Base::Hex && upper(text.back()) != 'H') return notNumber;

    std::string_view digits = signed_ ? body.substr(1) : body;
    if (digits.empty()) return notNumber; // a lone sign or base letter carries no value
    uint32_t v = 0;
    switch (base) {
    case Base::Hex:
        for (char c : digits) v = v * 16 + uint32_t(isDigit(c) ? c - '0' : upper(c) - 'A' + 10);
        break;
    case Base::Binary:
        for (char c : digits) {
            if (c != '0' && c != '1') return {true, 0};
            v = v * 2 + uint32_t(c - '0');
        }
        break;
    default:
        for (char c : digits) v = v * 10 + uint32_t(c - '0');
        if (first == '-') v = 0u - v;
        break;
    }
    return {true, static_cast<int32_t>(v)};
}

} // namespace zerka
