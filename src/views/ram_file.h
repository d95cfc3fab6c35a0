#pragma once
// The ".ram" data-memory file: the bytes of the RAM layout (2 hexadecimal digits, or "-" for an
// address that is not implemented), then per address the mark and hint flags, the mark colour
// and the hint text, one item per line.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

struct RamAnnotation {
    bool mark = false;
    uint32_t colour = 0; // 24-bit mark colour
    bool hint = false;   // drawn underlined
    std::string hintText;
    bool operator==(const RamAnnotation&) const = default;
};

struct RamFileData {
    std::vector<int> values;                // (n div 16) × 16 entries; -1 for "-"
    std::vector<RamAnnotation> annotations; // n entries
};

// The file text for n bytes of layout. `values[a]` < 0 writes "-". Line breaks in hint texts
// would break the record layout and are written as blanks.
std::string formatRamFile(const RamFileData& data);

// Reads the text written for a layout of n bytes; nothing (and a reason) when it does not have
// that layout.
std::optional<RamFileData> parseRamFile(std::string_view text, uint32_t n, std::string* error);

} // namespace zerka
