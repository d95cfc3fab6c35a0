#include "core/path_lookup.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace zerka {
namespace fs = std::filesystem;

std::string normalizeSeparators(std::string_view path) {
    std::string s(path);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::optional<fs::path> findFileCaseInsensitive(const fs::path& baseDir, std::string_view name) {
    std::error_code ec;
    const std::string norm = normalizeSeparators(name);
    if (norm.empty()) return std::nullopt;
    fs::path rel(norm);
    fs::path full = rel.is_absolute() ? rel : baseDir / rel;
    if (fs::exists(full, ec)) return full;

    fs::path current = rel.is_absolute() ? rel.root_path() : baseDir;
    for (const fs::path& part : rel.relative_path()) {
        const std::string p = part.string();
        if (p.empty() || p == ".") continue;
        if (p == "..") {
            current /= "..";
            continue;
        }
        fs::path direct = current / part;
        if (fs::exists(direct, ec)) {
            current = direct;
            continue;
        }
        std::vector<fs::path> matches;
        for (fs::directory_iterator it(current.empty() ? fs::path(".") : current, ec), end;
             !ec && it != end; it.increment(ec)) {
            if (equalsIgnoreCase(it->path().filename().string(), p)) matches.push_back(it->path());
        }
        if (matches.empty()) return std::nullopt;
        std::sort(matches.begin(), matches.end());
        current = matches.front();
    }
    if (!fs::exists(current, ec)) return std::nullopt;
    return current;
}

} // namespace zerka
