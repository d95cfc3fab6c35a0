#pragma once
// Fast fixed-width hexadecimal and binary texts for cells refreshed after every step.
#include <cstdint>
#include <string>

namespace zerka::viewtext {

// Upper-case hexadecimal, zero-padded to `digits` (more digits when the value needs them).
inline std::string hex(uint32_t value, int digits) {
    char buf[9];
    int n = 0;
    do {
        buf[8 - n] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
        ++n;
    } while ((value != 0 || n < digits) && n < 8);
    return std::string(buf + 9 - n, size_t(n));
}

inline std::string binary8(uint8_t value) {
    std::string s(8, '0');
    for (int i = 0; i < 8; ++i)
        if (value & (0x80 >> i)) s[size_t(i)] = '1';
    return s;
}

} // namespace zerka::viewtext
