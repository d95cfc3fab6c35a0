#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace zerka::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "zerka-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempDir::write(std::string_view relative, std::string_view content) const {
    fs::path p = path_ / fs::path(std::string(relative));
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return p;
}

std::string TempDir::read(std::string_view relative) const {
    std::ifstream in(path_ / fs::path(std::string(relative)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path sourceDir() {
#ifdef ZERKA_SOURCE_DIR
    return ZERKA_SOURCE_DIR;
#else
    return fs::current_path();
#endif
}

} // namespace zerka::test
