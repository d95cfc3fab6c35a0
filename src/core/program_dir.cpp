#include "core/program_dir.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace zerka {
namespace fs = std::filesystem;

fs::path executableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path programDir() {
    if (const char* home = std::getenv("ZERKA_HOME"); home && *home) return fs::path(home);
    fs::path exeDir = executableDir();
    if (::access(exeDir.c_str(), W_OK) == 0) return exeDir;
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* h = std::getenv("HOME"); h && *h)
        config = fs::path(h) / ".config";
    else
        config = fs::temp_directory_path();
    fs::path dir = config / "zerka-ide";
    std::error_code ec;
    if (!fs::exists(dir / "INCLUDE", ec)) {
        // Seed the per-user folder from the installed data directory.
        fs::create_directories(dir, ec);
        fs::path data = exeDir.parent_path() / "share" / "zerka-ide";
        if (fs::exists(data, ec))
            fs::copy(data, dir, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    }
    return dir;
}

} // namespace zerka
