// The shipped examples run on the simulator. An example that lists "; expect: ADDR=VALUE ..."
// checks itself with --expect; each one names its chip in its first INCLUDE line.
#include "cli/app.h"
#include "cli/cli_context.h"

#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;

struct Example {
    fs::path file;
    std::string chip;
    std::vector<std::string> expects;
};

Example readExample(const fs::path& file) {
    Example e{file, {}, {}};
    std::ifstream in(file);
    std::string line;
    const std::regex include(R"(^\s*INCLUDE\s+(?:\S*[\\/])?([A-Za-z0-9_]+)\.INC\s*$)",
                             std::regex::icase);
    std::smatch m;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("; expect:", 0) == 0) {
            std::istringstream words(line.substr(9));
            std::string w;
            while (words >> w)
                e.expects.push_back(w);
        } else if (e.chip.empty() && std::regex_match(line, m, include)) {
            e.chip = m[1];
        }
    }
    return e;
}

// The final-state lines both targets must agree on (the emulator counts no instructions).
std::string stateLines(const std::string& report) {
    std::istringstream in(report);
    std::string line, kept;
    for (const char* key :
         {"PC ", "W ", "STATUS ", "BSR ", "STKPTR ", "STACK ", "CYCLES ", "STOP "}) {
        in.clear();
        in.seekg(0);
        while (std::getline(in, line))
            if (line.rfind(key, 0) == 0) kept += line + "\n";
    }
    return kept;
}

TEST(ExamplesSim, EveryShippedExampleRunsOnBothTargetsAndTheSelfCheckingOnesPass) {
    test::TempDir dir;
    fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
    fs::copy(test::sourceDir() / "examples", dir.path() / "examples");
    int selfChecking = 0, total = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path() / "examples")) {
        if (entry.path().extension() != ".asm") continue;
        const Example e = readExample(entry.path());
        ASSERT_FALSE(e.chip.empty()) << entry.path() << " names no chip include";
        std::string report[2];
        for (int emulator = 0; emulator < 2; ++emulator) {
            std::vector<std::string> args{
                "sim",    "--lib",    (dir.path() / "chips").string(),
                "--chip", e.chip,     "--max-instructions",
                "20000",  "--target", emulator ? "emulator" : "simulator"};
            for (const std::string& x : e.expects) {
                args.push_back("--expect");
                args.push_back(x);
            }
            args.push_back(e.file.string());
            std::ostringstream out, err;
            const int status = runZerka(args, out, err);
            EXPECT_EQ(status, kExitOk) << e.file << " emulator=" << emulator << "\n"
                                       << out.str() << err.str();
            report[emulator] = out.str();
            if (!e.expects.empty()) {
                // A self-checking example ends by itself, not at the limit.
                EXPECT_THAT(out.str(), ::testing::HasSubstr("STOP         = sleep")) << e.file;
            }
        }
        // A limited run goes by steps on the emulator: every example, also one that runs for
        // ever, ends in the same state on both targets.
        EXPECT_EQ(stateLines(report[0]), stateLines(report[1])) << e.file;
        EXPECT_FALSE(stateLines(report[0]).empty());
        if (!e.expects.empty()) ++selfChecking;
        ++total;
    }
    EXPECT_GE(total, 3);
    EXPECT_GE(selfChecking, 1);
}

} // namespace
} // namespace zerka::cli
