#pragma once
// The headless workbench: one debugging session as one object. It owns what a session needs —
// the chip library and chip model, the options, the uP centre, the message log, the editor
// documents, the emulator session and the programmer session on the same unit, the shell and
// the debug commands — and does the one bring-up of the emulator. The main window, `zerka sim`,
// `zerka build`, `zerka prog` and the tests build one; a window is a view of it (it passes
// itself as the windows and the debug host, and its editor shows the workbench's documents),
// a command runs without any.
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "core/ui_host.h"
#include "editor/editor_documents.h"
#include "shell/debug_commands.h"
#include "shell/emulator_bring_up.h"
#include "shell/ice_session.h"
#include "shell/message_log_model.h"
#include "shell/shell.h"
#include "shell/shell_windows.h"
#include "upcentre/run/up_centre.h"
#include "views/debug_views.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace zerka {

class ProgrammerSession;
class TargetUnit;
class VirtualPrinterPort;

// Where the unit is that the emulator session (and the programmer on the same link) talks to.
struct UnitChoice {
    enum class Kind {
        Hardware,  // the USB devices (or the socket named by ZERKA_TARGET) and the printer port
        InProcess, // the virtual target unit, in this process, for the current chip
        Socket,    // a virtual unit served at `address`
    };
    Kind kind = Kind::Hardware;
    std::string address;          // Socket: unix:PATH or tcp:127.0.0.1:PORT
    bool fromEnvironment = false; // Socket: the address came from ZERKA_TARGET

    static UnitChoice hardware() { return {}; }
    static UnitChoice inProcess() { return {Kind::InProcess, {}, false}; }
    static UnitChoice socket(std::string address, bool fromEnvironment = false) {
        return {Kind::Socket, std::move(address), fromEnvironment};
    }
    // The command line's rule: `connect` when given, else ZERKA_TARGET when `environment` and
    // it is set, else the in-process unit.
    static UnitChoice commandLine(const std::string& connect, bool environment = true);
    // The unit in words: its socket address, the built-in virtual unit or the USB unit.
    std::string name() const;
};

struct WorkbenchSetup {
    // Holds Zkmain.cfg, Inst.txt and the layout file; ends with a separator (or is empty).
    std::string programDir;
    // The chip library; empty: programDir + "INCLUDE".
    std::filesystem::path libraryDir;
    // Messages and questions; null: none shown, Ok or Yes where offered, else Cancel.
    UiHost* ui = nullptr;
    // The windows the shell shows; null: none (nothing shows, every dialog is cancelled).
    ShellWindows* windows = nullptr;
    // The debug windows and timers; null: none (nothing to repaint, no timers).
    DebugHost* debugHost = nullptr;
    // Lets pending window messages through during long jobs; empty: nothing to let through.
    YieldHook yield;
    // The emulator's unit at the start.
    UnitChoice unit = UnitChoice::hardware();
    // The clock of the debug commands' key-repeat gaps; empty: the steady clock.
    DebugCommands::Clock clock;
};

class Workbench {
  public:
    explicit Workbench(WorkbenchSetup setup);
    ~Workbench();
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    const std::string& programDir() const { return programDir_; }
    ChipLibrary& library() { return library_; }
    ChipModel& chip() { return chip_; }
    OptionsModel& options() { return options_; }
    UiHost& ui() { return *ui_; }
    TZk_UP& up() { return up_; }
    MessageLogModel& log() { return log_; }
    // The editor documents the shell works with (a window shows them through its view).
    EditorDocuments& editor() { return documents_; }
    Shell& shell() { return *shell_; }
    DebugViews& views() { return views_; }
    DebugCommands& debug() { return *debug_; }
    IceSession& emulator() { return *ice_; }
    // The programmer on the emulator's link, made at the first call.
    ProgrammerSession& programmer();

    // --- the chip ----------------------------------------------------------------------------
    // Loads the chip list of the library; false with the reason in `problem`.
    bool loadChipList(std::string* problem = nullptr);
    // Selects and loads chip `index` of the list into the chip model and the options.
    bool chooseChip(int index, std::string* problem = nullptr);

    // --- the unit ----------------------------------------------------------------------------
    // The emulator and the programmer talk to `unit` from now on (the link is closed first).
    void useUnit(const UnitChoice& unit);
    // The same with transports of the caller's own (tests, a unit of their own).
    void useTransports(UsbBackends backends, std::unique_ptr<PortProvider> port, WaitHook wait);
    const UnitChoice& unit() const { return unit_; }
    // The in-process virtual unit while it is used (null otherwise).
    TargetUnit* inProcessUnit() { return unitHost_.get(); }
    // True once a transfer to the unit has failed: nothing read since is the target's state.
    bool linkLost();

    // --- the emulator ------------------------------------------------------------------------
    // The one bring-up for the program the uP centre holds (the command line, the adapter):
    // USB and the options' stack-overflow stop, connect → chip ID → debug mode → core →
    // information block → monitor → run-away guard → memory test → download, then debug mode
    // on the emulator with the built-in EEPROM's reserved breakpoints for `selfEromAccesses`
    // (an overflow is a warning through the UiHost). Ok: the uP centre now runs on the unit.
    // The IDE's build runs the same steps through the shell (BuildAndLoad).
    BringUp bringUpEmulator(std::span<const uint32_t> selfEromAccesses);
    // Back to the simulator branch.
    void leaveEmulator();

  private:
    struct Defaults;
    std::unique_ptr<Defaults> defaults_; // the stand-ins for what the setup left null
    std::string programDir_;
    ChipLibrary library_;
    ChipModel chip_;
    OptionsModel options_;
    UiHost* ui_;
    TZk_UP up_;
    MessageLogModel log_;
    EditorDocuments documents_;
    UnitChoice unit_;
    std::unique_ptr<TargetUnit> unitHost_;
    std::unique_ptr<VirtualPrinterPort> unitPort_;
    std::unique_ptr<IceSession> ice_;
    std::unique_ptr<Shell> shell_;
    DebugViews views_;
    std::unique_ptr<DebugCommands> debug_;
    std::unique_ptr<ProgrammerSession> programmer_;
    YieldHook yield_;
};

} // namespace zerka
