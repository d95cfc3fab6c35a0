#pragma once
// Splitting text at a separator character, the one way every reader of lines and fields does it.
#include <string_view>
#include <vector>

namespace zerka {

// The pieces of `s` between the separators: one more piece than separators, empty ones kept.
inline std::vector<std::string_view> splitAt(std::string_view s, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const size_t at = s.find(separator);
        pieces.push_back(s.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        s.remove_prefix(at + 1);
    }
}

} // namespace zerka
