#pragma once
// Paths from files and source lines may use "\" or "/", and source lines are upper-cased when
// read; on Linux a name that does not exist as written is looked up case-insensitively.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zerka {

// Turns "\" into "/".
std::string normalizeSeparators(std::string_view path);

// Resolves `name` (relative to `baseDir` unless absolute). Each path component that does not
// exist as written is matched case-insensitively (ASCII) against its directory's entries; the
// first match in sorted order wins so the result does not depend on directory order.
// Returns nothing when some component cannot be found.
std::optional<std::filesystem::path> findFileCaseInsensitive(const std::filesystem::path& baseDir,
                                                             std::string_view name);

// The same lookups for many names (a chip list of thousands of entries): each folder is
// listed once, so n lookups cost n, not n times the folder's size. It does not see files
// created after their folder was listed; keep one only for a batch of lookups.
class PathLookupCache {
  public:
    std::optional<std::filesystem::path> find(const std::filesystem::path& baseDir,
                                              std::string_view name);

  private:
    // Folder → upper-cased entry name → the entry (first in sorted order).
    std::unordered_map<std::string, std::unordered_map<std::string, std::filesystem::path>>
        folders_;
};

// ASCII case-insensitive equality.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace zerka
