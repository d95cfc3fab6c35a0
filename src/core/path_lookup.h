#pragma once
// Paths from files and source lines may use "\" or "/", and source lines are upper-cased when
// read; on Linux a name that does not exist as written is looked up case-insensitively.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zerka {

// Turns "\" into "/".
std::string normalizeSeparators(std::string_view path);

// Resolves `name` (relative to `baseDir` unless absolute). Each path component that does not
// exist as written is matched case-insensitively (ASCII) against its directory's entries; the
// first match in sorted order wins so the result does not depend on directory order.
// Returns nothing when some component cannot be found.
std::optional<std::filesystem::path> findFileCaseInsensitive(const std::filesystem::path& baseDir,
                                                             std::string_view name);

// ASCII case-insensitive equality.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

} // namespace zerka
