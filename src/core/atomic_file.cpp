#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // One read of the whole file where its size is known (one byte more, to see the end at
    // once); a file that grows meanwhile is still read to its end.
    struct stat st {};
    std::string bytes;
    bytes.resize(::fstat(fd, &st) == 0 && st.st_size > 0 ? size_t(st.st_size) + 1 : 4096);
    size_t used = 0;
    bool ok = true;
    while (true) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        used += size_t(n);
    }
    ::close(fd);
    if (!ok) return false;
    bytes.resize(used);
    content = std::move(bytes);
    return true;
}

} // namespace zerka
