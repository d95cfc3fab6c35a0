#pragma once
// Files that replace existing ones are written to a temporary file in the same folder and
// renamed over the old one, so a crash never leaves half a file.
#include <filesystem>
#include <string>
#include <string_view>

namespace zerka {

// Writes `content` to `path` atomically. Returns false (with a reason) when it could not.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view content,
                     std::string* error = nullptr);

// Reads a whole file as bytes. Returns false when it cannot be opened or read.
bool readFileBytes(const std::filesystem::path& path, std::string& content);

} // namespace zerka
