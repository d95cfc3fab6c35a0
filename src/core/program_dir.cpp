#include "core/program_dir.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace zerka {
namespace fs = std::filesystem;

namespace {

std::string envText(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool isDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

} // namespace

fs::path executableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec);
    return exe.parent_path();
}

fs::path installedDataDir(const fs::path& exeDir) {
    return exeDir.parent_path() / "share" / "zerka-ide";
}

void seedProgramDir(const fs::path& data, const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (const fs::directory_entry& entry : fs::directory_iterator(data, ec)) {
        const fs::path name = entry.path().filename();
        if (name == "INCLUDE") continue;
        std::error_code ignored;
        fs::copy(entry.path(), dir / name,
                 fs::copy_options::recursive | fs::copy_options::skip_existing, ignored);
    }
    const fs::path library = data / "INCLUDE";
    if (!isDir(library) || isDir(dir / "INCLUDE")) return;
    const fs::path partial = dir / ("INCLUDE.seeding-" + std::to_string(::getpid()));
    fs::remove_all(partial, ec);
    fs::copy(library, partial, fs::copy_options::recursive, ec);
    if (!ec) fs::rename(partial, dir / "INCLUDE", ec);
    if (ec) fs::remove_all(partial, ec);
}

fs::path resolveProgramDir(const ProgramDirInputs& in) {
    if (!in.zerkaHome.empty()) return fs::path(in.zerkaHome);
    const fs::path data = installedDataDir(in.exeDir);
    // An installed bin/ may well be writable (root, a prefix in the home folder), but its chip
    // library lives in share/: only a folder that carries its own library, or one with no
    // installed data beside it, is a program directory of its own.
    const bool portable = isDir(in.exeDir / "INCLUDE") || !isDir(data);
    if (portable && ::access(in.exeDir.c_str(), W_OK) == 0) return in.exeDir;
    fs::path config;
    if (!in.xdgConfigHome.empty())
        config = in.xdgConfigHome;
    else if (!in.home.empty())
        config = fs::path(in.home) / ".config";
    else
        config = fs::temp_directory_path();
    const fs::path dir = config / "zerka-ide";
    if (!isDir(dir / "INCLUDE") && isDir(data)) {
        seedProgramDir(data, dir);
    } else {
        std::error_code ec;
        fs::create_directories(dir, ec);
    }
    return dir;
}

fs::path programDir() {
    return resolveProgramDir(
        {executableDir(), envText("ZERKA_HOME"), envText("XDG_CONFIG_HOME"), envText("HOME")});
}

} // namespace zerka
