#pragma once
#include <filesystem>
#include <string>

namespace zerka {

// The identity of a file: the same file reached through "." or "..", a link or another spelling
// is one key (the canonical path where it exists, else the normalised absolute one).
std::string fileKey(const std::filesystem::path& path);

} // namespace zerka
