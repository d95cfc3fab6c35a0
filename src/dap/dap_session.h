#pragma once
// The debugging session behind `zerka dap`: every object the adapter debugs through, built the
// way the other headless clients build them (chip library, options, uP centre, shell, debug
// commands, view models, source view), and the launch that builds and loads the program with
// the shell's own "Assemble&&Run". The protocol side never constructs any of these itself.
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "shell/debug_commands.h"
#include "shell/headless_editor.h"
#include "shell/message_log_model.h"
#include "shell/shell.h"
#include "upcentre/run/up_centre.h"
#include "views/debug_views.h"
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

    Shell& shell() { return *shell_; }
    TZk_UP& up() { return up_; }
    DebugCommands& commands() { return *commands_; }
    DebugViews& views() { return *views_; }
    SourceViewModel& source() { return source_; }
    const ChipModel& chip() const { return chip_; }
    MessageLogModel& log() { return log_; }
    // The last build (an empty result before the shell exists).
    const AssemblyResult& assembly() const;

  private:
    class Windows;
    class Host;
    std::string buildFailure();

    UiHost& ui_;
    std::unique_ptr<ChipLibrary> library_;
    ChipModel chip_;
    std::unique_ptr<OptionsModel> options_;
    TZk_UP up_;
    HeadlessEditor editor_;
    MessageLogModel log_;
    SourceViewModel source_;
    std::unique_ptr<Windows> windows_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<DebugViews> views_;
    std::unique_ptr<DebugCommands> commands_;
    std::chrono::steady_clock::time_point clock_{};
    std::filesystem::file_time_type builtAt_{};
};

} // namespace zerka::dap
