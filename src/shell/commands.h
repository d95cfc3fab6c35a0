#pragma once
// The enable, visibility and check states of the main window's commands (menu items, toolbar
// buttons and toolbars). The shell computes them; the window only shows them.
#include <array>
#include <string_view>

namespace zerka {

enum class Command : int {
    // File
    New,
    Open,
    Save,
    SaveAs,
    SaveAll,
    CloseFile,
    CloseAll,
    OpenProject,
    SaveProject,
    SaveConfiguration,
    LoadConfiguration,
    Exit,
    // Build and debug
    AssembleRun,
    Assemble,
    EditDebugButton,
    EditMode,
    Simulation,
    Emulation,
    // Debug mode: the run commands and what goes with them
    Run,
    Reset,
    Trace,
    StepOver,
    StepBack,
    StackOut,
    Continue,
    Stop,
    SetBreakPoint,
    ReloadRom,
    IceTest,
    SramRecordMenu,
    // View
    ViewEdit,
    ViewSource,
    ViewHex,
    ViewWatch,
    ViewRam,
    ViewRegister,
    ViewStack,
    ViewBreakpoints,
    ViewAdc,
    ViewOpAmp,
    ViewComparator,
    Message,
    // Programmer
    ProgrammerMenu,
    ProgBlank,
    ProgProgram,
    ProgVerify,
    ProgRead,
    ProgAuto,
    DownLoad,
    ReadFlash,
    // Menus and toolbars as a whole
    FileMenu,
    EditMenu,
    OptionsMenu,
    RunToolbar,
    EditToolbar,
    ProgrammerToolbar,
    // The window's own items: edit, find, window management, help
    Undo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    Find,
    Replace,
    FindNext,
    NextFile,
    PreviousFile,
    TileHorizontally,
    TileVertically,
    ShowWindows,
    InformationBlock,
    SetMainFile,
    BuildOptions,
    RevisionHistory,
    Count
};
inline constexpr int kCommandCount = int(Command::Count);

struct CommandState {
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

class CommandStates {
  public:
    CommandState& operator[](Command c) { return s_[size_t(c)]; }
    const CommandState& operator[](Command c) const { return s_[size_t(c)]; }
    bool enabled(Command c) const { return s_[size_t(c)].enabled; }
    void enable(Command c, bool on) { s_[size_t(c)].enabled = on; }
    void show(Command c, bool on) { s_[size_t(c)].visible = on; }
    void check(Command c, bool on) { s_[size_t(c)].checked = on; }

  private:
    std::array<CommandState, kCommandCount> s_{};
};

// The commands that need an open editor file.
inline constexpr std::array<Command, 8> kFileDependentCommands = {
    Command::ViewEdit,  Command::Save,     Command::SaveAs,      Command::SaveAll,
    Command::CloseFile, Command::CloseAll, Command::AssembleRun, Command::Assemble};

// The five programmer toolbar buttons.
inline constexpr std::array<Command, 5> kProgrammerButtons = {
    Command::ProgBlank, Command::ProgProgram, Command::ProgVerify, Command::ProgRead,
    Command::ProgAuto};

} // namespace zerka
