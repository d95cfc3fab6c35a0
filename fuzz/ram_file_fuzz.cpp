// Arbitrary bytes as a ".ram" data-memory file of a small RAM layout (16 to 64 bytes, chosen by
// the first byte). Whatever parses must survive a write and a second read unchanged.
#include "views/ram_file.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t n = 16u * (1u + (size ? data[0] % 4u : 0u));
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto parsed = zerka::parseRamFile(text, n, &error);
    if (!parsed) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (parsed->values.size() != n / 16 * 16 || parsed->annotations.size() != n) __builtin_trap();
    for (int v : parsed->values)
        if (v < -1 || v > 255) __builtin_trap();
    for (const auto& a : parsed->annotations)
        if (a.colour > 0xFFFFFF) __builtin_trap();
    auto again = zerka::parseRamFile(zerka::formatRamFile(*parsed), n, nullptr);
    if (!again || again->values != parsed->values) __builtin_trap();
    for (uint32_t a = 0; a < n; ++a) {
        auto expected = parsed->annotations[a];
        for (char& c : expected.hintText)
            if (c == '\r' || c == '\n') c = ' ';
        if (!(again->annotations[a] == expected)) __builtin_trap();
    }
    return 0;
}
