#pragma once
// The IDE shell without widgets: it owns IdeState and runs start-up, the configuration and
// project files, the file commands, the build-and-load pipeline and the exit sequence, talking
// to the user through UiHost and to the main window through ShellWindows.
#include "asm/assembler.h"
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "core/signal.h"
#include "core/ui_host.h"
#include "editor/editor_files.h"
#include "shell/commands.h"
#include "shell/emulator_target.h"
#include "shell/ide_state.h"
#include "shell/message_log_model.h"
#include "shell/shell_windows.h"
#include "upcentre/run/up_centre.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zerka {

struct ConfigurationFile;
class ProgrammerSession;
class WatchListModel;

// Everything the shell works with; each part must outlive the shell.
struct ShellParts {
    ChipLibrary& library;
    ChipModel& chip;
    OptionsModel& options;
    TZk_UP& up;
    EditorFiles& editor;
    MessageLogModel& log;
    UiHost& ui;
    ShellWindows& windows;
    EmulatorTarget* emulator = nullptr; // null: emulator mode reports that no unit answers
    YieldHook yield;                    // lets pending window messages through
};

// Message texts of the shell that the UI text table does not hold.
namespace shell_text {
inline constexpr const char* kChipIdError = "ICE Chip ID Error!!";
inline constexpr const char* kBusy = "ZK-IDE Buzy !!";
inline constexpr const char* kSbmLog = "RUN  SBM  ERROR !!!";
inline constexpr const char* kSbmAsk = "SMB RUN Error!! OK --> Continue , Cancel --> Out ";
inline constexpr const char* kFileNotFound = "File not Found!!";
inline constexpr const char* kNoFile = "Error! file do't exist!";
inline constexpr const char* kSaveFileError = "Save File Error";
inline constexpr const char* kProgrammerMissing =
    "The programmer is not available in this version: nothing was downloaded.";
} // namespace shell_text

class Shell {
  public:
    explicit Shell(ShellParts parts, std::string programDir);
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    IdeState& state() { return s_; }
    const IdeState& state() const { return s_; }
    const CommandStates& commands() const { return cmd_; }
    const AssemblyResult& lastAssembly() const { return lastResult_; }
    ShellParts& parts() { return p_; }
    void setEmulator(EmulatorTarget* emulator) { p_.emulator = emulator; }
    // Folders where INCLUDE names not beside the main file are looked up before the chip
    // library (the command line's -I).
    void setIncludeDirs(std::vector<std::filesystem::path> dirs) { includeDirs_ = std::move(dirs); }
    // The programmer the programmer-mode build downloads through (null: none).
    void setProgrammer(ProgrammerSession* programmer) { programmer_ = programmer; }
    // The watch list that projects and the exit sequence write (null: none).
    void setWatchList(WatchListModel* list) { watchList_ = list; }
    // Writes the watch list to `path` (atomically) when it holds the symbols of a build of the
    // current main file; a failure is reported. False when nothing was written.
    bool writeWatchList(const std::string& path);

    // --- start-up and exit ---------------------------------------------------------------
    // The main window's creation step (before it is shown).
    void create();
    // The first activation: configuration, windows, captions and the command-line start. Runs
    // ApplyIdeMode at the end. `args` are the program's arguments without its name.
    void firstActivation(const std::vector<std::string>& args);
    void ApplyIdeMode();
    // Exit steps 1 to 6; false when the close is refused.
    bool closeRequested();
    // Exit step 7 (the main window is finally closed).
    void closeFinal();
    // The options dialog was closed (its step 7): the device's display shows the IDE mode.
    void optionsClosed(IdeMode mode, bool usb);
    // A status text on the USB unit's display, from position 0 (the programmer's `progShow`, as
    // `zerka prog` writes it), connecting first when the link is not open; the UI host sees
    // it too. Nothing reaches a unit on the printer port.
    void showOnDevice(const std::string& text);

    // --- configuration -------------------------------------------------------------------
    // Returns what keeps the file from describing a whole build, naming the record (empty
    // when nothing does); the user has been told.
    std::string ReadConfiguration(const std::string& path);
    bool WriteConfiguration(const std::string& path);
    std::string configPath() const;
    void saveConfigurationCommand();
    void loadConfigurationCommand();

    // --- target, mode and status ---------------------------------------------------------
    void SelectTarget(bool simulator);
    // The "Simulation" and "Emulation" menu items.
    void targetCommand(bool simulator);
    void SetMainFile(const std::string& path);
    void showStatus(const std::string& text);
    void SetShellMode(int debug);
    // The running-state (true) or stopped-state command states of debug mode.
    void SetRunState(bool running);
    void EnterEditMode(bool rememberWindows);
    std::string title() const;
    void applyCaptions();

    // --- files and projects --------------------------------------------------------------
    bool SaveModifiedFiles(const std::string& filter, bool force);
    void openProject();
    bool openProjectFile(const std::string& path);
    void saveProject();
    bool saveProjectAs(const std::string& path);
    void newFile();
    void save(bool saveAs);
    void saveAll();
    void closeFile();
    void closeAll();
    void setFileCommands(bool on);
    // The editor has files after they were opened outside the shell (drop, open button).
    void filesOpened();
    // Refreshes the "Edit" view item from the editor's file count (each time "View" opens).
    void refreshViewMenu();

    // --- build ---------------------------------------------------------------------------
    bool BuildAndLoad(bool forDebug);
    // "Assemble&&Run" (F4) and "Assemble" (Ctrl+F10).
    bool assembleAndRun();
    bool assembleOnly();
    // The assembler's wait-indicator update between passes.
    void updateWaitIndicator();

    // --- what the debug commands follow --------------------------------------------------
    Signal<> buildStarting;    // BuildAndLoad begins (a new program is coming)
    Signal<> debugModeEntered; // debug mode is set up, the source view loaded
    Signal<> debugModeLeaving; // EnterEditMode begins, before the target is stopped

  private:
    ConfigurationFile captureConfiguration() const;
    // Returns what it refused to apply (a chip outside the chip list), naming the record.
    std::string applyConfiguration(const ConfigurationFile& f, int lastRecord,
                                   const std::string& baseDir);
    void afterLoad(const ConfigurationFile& f);
    Button message(MessageType type, const std::string& text, Buttons buttons);
    void yieldNow();
    void changed();
    void setConnection(ConnectionPanel panel);
    bool emulatorSteps(bool& continueToDebug);
    void enterDebugMode();
    bool buildCleanup(bool ok);
    bool programmerSteps();
    std::string resolve(const std::string& path, const std::string& baseDir) const;

    ShellParts p_;
    ProgrammerSession* programmer_ = nullptr;
    WatchListModel* watchList_ = nullptr;
    // The main file whose build filled the watch list (empty: no build yet).
    std::string watchListMain_;
    IdeState s_;
    CommandStates cmd_;
    AssemblyResult lastResult_;
    bool assembleOnly_ = false;
    bool waitVisible_ = false;
    std::chrono::steady_clock::time_point buildStart_{};
    bool watchWasShowing_ = false;
    std::string openFilter_ = "*.asm|*.asm|*.inc|*.inc|*.*|*.*";
    std::vector<std::filesystem::path> includeDirs_;
};

// The watch-list file of a project: the path up to its first "." followed by ".pro".
std::string watchListFileOf(const std::string& projectPath);

} // namespace zerka
