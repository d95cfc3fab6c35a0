#pragma once
// The debugging session behind `zerka dap`: a headless Workbench (chip library, options, uP
// centre, shell, debug commands, view models) with the source view model beside it, and the
// launch that builds and loads the program with the shell's own "Assemble&&Run". The protocol
// side never constructs any of these itself.
#include "shell/workbench.h"
#include "views/source_view.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zerka::dap {

// What a launch asks for; unset switches keep the chip's (or the project's) defaults.
struct LaunchSettings {
    std::string program; // .asm, or a .prj/.cfg file
    std::string chip;    // index or name
    std::string lib;     // chip library folder
    std::vector<std::string> includeDirs;
    std::optional<bool> list, hex, asc, obj, smart, optimize, protect, wdt;
    std::string fill; // 00, FF, JMP0
    std::string acm;  // 1.0, 1.2
    std::string target = "simulator";
    std::string connect; // the emulator's unit: unix:PATH or tcp:127.0.0.1:PORT
};

class DapSession {
  public:
    // Messages of the shell and the uP centre reach the user through `ui`.
    explicit DapSession(UiHost& ui);
    ~DapSession();
    DapSession(const DapSession&) = delete;
    DapSession& operator=(const DapSession&) = delete;

    // Builds and loads the program; empty when debugging can start, else why not.
    std::string launch(const LaunchSettings& settings);
    // "Assemble&&Run" again (the sources changed); empty or why it failed.
    std::string rebuild();
    // True when a file of the last build is newer than the build.
    bool sourcesChanged() const;
    bool emulator() const { return emulator_; }
    // The emulator's unit stopped answering (nothing read since is the target's state).
    bool linkLost() { return emulator_ && bench_->linkLost(); }
    // The emulator's data watch: stop when the byte at `address` changes to `data` in the bits
    // of `mask` (mask 0: off).
    void setEmulatorWatch(uint16_t address, uint8_t data, uint8_t mask) {
        bench_->emulator().setWatch(address, data, mask);
    }
    // The unit in words.
    std::string unitName() const { return bench_ ? bench_->unit().name() : std::string(); }

    Shell& shell() { return bench_->shell(); }
    TZk_UP& up() { return bench_->up(); }
    DebugCommands& commands() { return bench_->debug(); }
    DebugViews& views() { return bench_->views(); }
    SourceViewModel& source() { return *source_; }
    const ChipModel& chip() const { return bench_->chip(); }
    MessageLogModel& log() { return bench_->log(); }
    // The last build (an empty result before the first).
    const AssemblyResult& assembly() const;

  private:
    class Windows;
    std::string buildFailure();

    UiHost& ui_;
    std::unique_ptr<Windows> windows_;
    std::unique_ptr<Workbench> bench_;
    std::unique_ptr<SourceViewModel> source_;
    std::chrono::steady_clock::time_point clock_{};
    std::filesystem::file_time_type builtAt_{};
    bool launched_ = false;
    bool emulator_ = false;
};

} // namespace zerka::dap
