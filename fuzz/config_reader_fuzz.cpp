// Configuration and project files come from anywhere (a project in version control, a file
// mailed by a colleague). Whatever they hold, reading must end, and what was read must be
// written and read back to the same values.
#include "shell/config_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view version =
        "V1.3 Zerka chip library (fictional chips for development and tests)";
    zerka::ConfigurationFile f;
    const zerka::ConfigReadResult r = zerka::parseConfiguration(text, version, f);
    if (r.lastRecord < 0 || r.lastRecord > 34) std::abort();
    if (!r.versionMatched) return 0;
    zerka::ConfigurationFile g;
    g.versionLine = f.versionLine;
    f.serviceFlag &= 0xFF;
    f.romSelect = 0;
    const zerka::ConfigReadResult r2 =
        zerka::parseConfiguration(zerka::formatConfiguration(f), version, g);
    if (r2.lastRecord != 34 || r2.badValue || !(g == f)) std::abort();
    return 0;
}
