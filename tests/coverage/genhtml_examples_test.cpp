// The lcov trace file of every shipped example goes through Debian's genhtml (package lcov)
// without a warning or an error, branch coverage included.
#include "cli/app.h"
#include "cli/cli_context.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace zerka::coverage {
namespace {

namespace fs = std::filesystem;

std::string chipOf(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    const std::regex include(R"(^\s*INCLUDE\s+(?:\S*[\\/])?([A-Za-z0-9_]+)\.INC\s*$)",
                             std::regex::icase);
    std::smatch m;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (std::regex_match(line, m, include)) return m[1];
    }
    return {};
}

TEST(GenhtmlExamples, EveryExamplesTraceFileMakesAReportWithoutWarnings) {
    if (std::system("genhtml --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "genhtml is not installed (scripts/bootstrap.sh installs lcov)";
    test::TempDir dir;
    fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
    fs::copy(test::sourceDir() / "examples", dir.path() / "examples");
    int examples = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path() / "examples")) {
        if (entry.path().extension() != ".asm") continue;
        ++examples;
        const std::string chip = chipOf(entry.path());
        ASSERT_FALSE(chip.empty()) << entry.path();
        const fs::path info = dir.path() / (entry.path().stem().string() + ".info");
        std::ostringstream out, err;
        const int status = cli::runZerka({"sim", "--lib", (dir.path() / "chips").string(), "--chip",
                                          chip, "--max-instructions", "20000", "--coverage",
                                          info.string(), entry.path().string()},
                                         out, err);
        ASSERT_EQ(status, cli::kExitOk) << entry.path() << "\n" << err.str();
        const fs::path html = dir.path() / ("html_" + entry.path().stem().string());
        const fs::path log = dir.path() / "genhtml.log";
        const std::string command = "genhtml --branch-coverage --quiet --output-directory '" +
                                    html.string() + "' '" + info.string() + "' >'" + log.string() +
                                    "' 2>&1";
        const int rc = std::system(command.c_str());
        const std::string said = dir.read(fs::relative(log, dir.path()).string());
        EXPECT_EQ(rc, 0) << entry.path() << "\n" << said;
        EXPECT_EQ(said.find("WARNING"), std::string::npos) << entry.path() << "\n" << said;
        EXPECT_EQ(said.find("ERROR"), std::string::npos) << entry.path() << "\n" << said;
        EXPECT_TRUE(fs::exists(html / "index.html")) << entry.path();
        // The report has the example's own page (its lines with code).
        EXPECT_FALSE(dir.read(fs::relative(info, dir.path()).string()).empty());
    }
    EXPECT_GE(examples, 3);
}

} // namespace
} // namespace zerka::coverage
