#pragma once
// Fixed-width text helpers for the record layouts of the tool's files and displays.
#include <cstdint>
#include <string>
#include <string_view>

namespace zerka {

// At most n characters of s.
inline std::string cutText(std::string_view s, size_t n) { return std::string(s.substr(0, n)); }

// ASCII upper case (the source language and the chip files are case-insensitive in ASCII only).
std::string toUpperAscii(std::string_view s);

// s padded with blanks (or cut) to exactly n characters.
std::string padRight(std::string_view s, size_t n);

// Upper-case hexadecimal with at least `digits` digits.
std::string hexText(uint32_t value, int digits);

// Strips a trailing "\r" (files written on Windows).
inline std::string_view stripCarriageReturn(std::string_view s) {
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    return s;
}

} // namespace zerka
