#pragma once
// What the tests of `zerka` share: a command run in-process with its status and both streams,
// and a folder holding the chip library, the example and a project that `zerka build` builds.
#include "chip/chip_library.h"
#include "cli/app.h"
#include "core/atomic_file.h"
#include "shell/config_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::test {

struct CliRun {
    int status = -1;
    std::string out, err;
};

// `zerka ARGS...` in this process.
inline CliRun runCli(const std::vector<std::string>& args) {
    std::ostringstream o, e;
    CliRun r;
    r.status = cli::runZerka(args, o, e);
    r.out = o.str();
    r.err = e.str();
    return r;
}

// The shipped chip library.
inline std::string shippedLib() {
    return (sourceDir() / "chips").string();
}

// A folder with a copy of the chip library and of the example, and `project`: the example for
// KXA1608, its main file relative to the project's folder.
class BuildProjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        fs::copy(sourceDir() / "chips", dir.path() / "chips");
        fs::create_directories(dir.path() / "examples");
        fs::copy(sourceDir() / "examples" / "sum_cx4a.asm",
                 dir.path() / "examples" / "sum_cx4a.asm");
        ChipLibrary library(lib());
        library.buildChipList();
        project.versionLine = library.chipListVersion();
        project.chipIndex = chipIndex("KXA1608");
        project.files = {"examples/sum_cx4a.asm"};
        project.activeFile = 1;
        project.mainFile = "examples/sum_cx4a.asm";
    }
    std::string lib() const { return (dir.path() / "chips").string(); }
    int chipIndex(const std::string& name) const {
        ChipLibrary library(lib());
        library.buildChipList();
        return library.findChipByName(name).value_or(0);
    }
    // `f` written as NAME in the folder; its path.
    std::string write(const ConfigurationFile& f, const std::string& name = "demo.prj") {
        const std::filesystem::path p = dir.path() / name;
        writeFileAtomic(p, formatConfiguration(f));
        return p.string();
    }
    // `zerka build --lib LIB ARGS...`.
    CliRun build(std::vector<std::string> args) {
        args.insert(args.begin(), {"build", "--lib", lib()});
        return runCli(args);
    }

    TempDir dir;
    ConfigurationFile project;
};

} // namespace zerka::test
