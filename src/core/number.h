#pragma once
// The number notation shared by the assembler and the chip-description loader: decimal by
// default; a final "H", "B" or "D" selects hexadecimal, binary or decimal; a leading sign marks
// a decimal number; letters A-F in the middle mark hexadecimal and require the final "H".
#include <cstdint>
#include <optional>
#include <string_view>

namespace zerka {

struct NumberTest {
    bool isNumber = false;
    int32_t value = 0;
};

// The number test. Values wrap to 32 bits like the machine integers of the tool.
NumberTest testNumber(std::string_view text);

// Convenience: the value when the text is a number.
inline std::optional<int32_t> parseNumber(std::string_view text) {
    NumberTest t = testNumber(text);
    if (!t.isNumber) return std::nullopt;
    return t.value;
}

} // namespace zerka
