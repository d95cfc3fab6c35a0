#include "core/file_key.h"

#include <system_error>

namespace zerka {
namespace fs = std::filesystem;

std::string fileKey(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    if (ec) {
        c = fs::absolute(p, ec);
        if (ec) c = p;
        c = c.lexically_normal();
    }
    return c.generic_string();
}

} // namespace zerka
