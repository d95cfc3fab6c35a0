#pragma once
// A temporary folder removed at the end of a test, with helpers to write files into it.
#include <filesystem>
#include <string>
#include <string_view>

namespace zerka::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to `relative` (folders created), returns the full path.
    std::filesystem::path write(std::string_view relative, std::string_view content) const;
    std::string read(std::string_view relative) const;

private:
    std::filesystem::path path_;
};

// The source tree (for shipped chips and examples).
std::filesystem::path sourceDir();

} // namespace zerka::test
