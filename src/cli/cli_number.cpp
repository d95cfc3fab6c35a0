#include "cli/cli_number.h"

#include "core/number.h"

#include <limits>

namespace zerka::cli {

CommandNumber parseCommandNumber(std::string_view text) {
    CommandNumber result;
    // The notation test decides what is a number and in which base; only the value is ours.
    if (!testNumber(text).isNumber) return result;
    const char first = text.front();
    const bool negative = first == '-';
    std::string_view digits = text;
    if (first == '+' || first == '-') digits.remove_prefix(1);
    unsigned base = 10;
    const char last = char(digits.back() & ~0x20);
    if (last == 'H' || last == 'B' || (last == 'D' && digits.size() > 1 && text.size() > 1)) {
        base = last == 'H' ? 16 : last == 'B' ? 2 : 10;
        digits.remove_suffix(1);
    }
    // Magnitudes up to 2^63 (the most negative value); anything beyond is too large.
    constexpr uint64_t kLimit = uint64_t(std::numeric_limits<int64_t>::max()) + 1;
    uint64_t v = 0;
    for (char c : digits) {
        unsigned d = 0;
        if (c >= '0' && c <= '9')
            d = unsigned(c - '0');
        else
            d = unsigned((c & ~0x20) - 'A' + 10);
        if (d >= base) return result; // a binary number with other digits
        if (v > (kLimit - d) / base) {
            result.isNumber = true;
            result.tooLarge = true;
            return result;
        }
        v = v * base + d;
    }
    if (!negative && v == kLimit) {
        result.isNumber = true;
        result.tooLarge = true;
        return result;
    }
    result.isNumber = true;
    result.value = negative ? int64_t(0 - v) : int64_t(v);
    return result;
}

} // namespace zerka::cli
