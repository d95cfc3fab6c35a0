#include "core/path_lookup.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace zerka {
namespace fs = std::filesystem;

namespace {

std::string upperAscii(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return u;
}

// The entries of `dir` whose name equals `name` ignoring case: the first in sorted order.
std::optional<fs::path> scanFolder(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    std::optional<fs::path> best;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (equalsIgnoreCase(it->path().filename().string(), name) && (!best || it->path() < *best))
            best = it->path();
    }
    return best;
}

// Walks `name` component by component from `baseDir` (or the root for an absolute name); a
// component that does not exist as written is matched by `match(folder, component)`.
template <typename Match>
std::optional<fs::path> lookup(const fs::path& baseDir, std::string_view name, Match&& match) {
    std::error_code ec;
    const std::string norm = normalizeSeparators(name);
    if (norm.empty()) return std::nullopt;
    const fs::path rel(norm);
    const fs::path full = rel.is_absolute() ? rel : baseDir / rel;
    if (fs::exists(full, ec)) return full;

    fs::path current = rel.is_absolute() ? rel.root_path() : baseDir;
    for (const fs::path& part : rel.relative_path()) {
        const std::string p = part.string();
        if (p.empty() || p == ".") continue;
        if (p == "..") {
            current /= "..";
            continue;
        }
        const fs::path direct = current / part;
        if (fs::exists(direct, ec)) {
            current = direct;
            continue;
        }
        const std::optional<fs::path> found = match(current, p);
        if (!found) return std::nullopt;
        current = *found;
    }
    if (!fs::exists(current, ec)) return std::nullopt;
    return current;
}

} // namespace

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
    return lookup(baseDir, name, scanFolder);
}

std::optional<fs::path> PathLookupCache::find(const fs::path& baseDir, std::string_view name) {
    return lookup(baseDir, name,
                  [this](const fs::path& dir, const std::string& part) -> std::optional<fs::path> {
                      auto [it, added] = folders_.try_emplace(dir.generic_string());
                      if (added) {
                          // One listing per folder: the first name in sorted order wins, as in
                          // the single lookup.
                          std::error_code ec;
                          for (fs::directory_iterator d(dir.empty() ? fs::path(".") : dir, ec), end;
                               !ec && d != end; d.increment(ec)) {
                              auto [e, fresh] = it->second.try_emplace(
                                  upperAscii(d->path().filename().string()), d->path());
                              if (!fresh && d->path() < e->second) e->second = d->path();
                          }
                      }
                      const auto e = it->second.find(upperAscii(part));
                      if (e == it->second.end()) return std::nullopt;
                      return e->second;
                  });
}

} // namespace zerka
