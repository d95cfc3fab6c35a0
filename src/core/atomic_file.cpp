#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace zerka {
namespace fs = std::filesystem;

bool writeFileAtomic(const fs::path& path, std::string_view content, std::string* error) {
    fs::path tmp = path;
    tmp += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) {
            if (error) *error = "cannot create " + tmp.string() + ": " + std::strerror(errno);
            return false;
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            if (error) *error = "cannot write " + tmp.string();
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec) {
        if (error) *error = "cannot replace " + path.string() + ": " + ec.message();
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

bool readFileBytes(const fs::path& path, std::string& content) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false; // a folder or a device is not a file to read
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace zerka
