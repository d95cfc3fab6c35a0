#include "core/text.h"

#include <cstdio>

namespace zerka {

std::string toUpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return r;
}

std::string padRight(std::string_view s, size_t n) {
    std::string r(s.substr(0, n));
    r.resize(n, ' ');
    return r;
}

std::string hexText(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

} // namespace zerka
