#include "gui/main/command_table.h"

#include <array>

namespace zerka::gui {

namespace {

using enum Command;
constexpr Enabling kShell = Enabling::Shell;
constexpr Enabling kAlways = Enabling::Always;
constexpr Qt::ShortcutContext kWindow = Qt::WindowShortcut;
constexpr Qt::ShortcutContext kApp = Qt::ApplicationShortcut;
constexpr WindowKinds kNone = 0;
// Find, replace and the file commands serve the editor while editing and the source view while
// debugging.
constexpr WindowKinds kText = windowKinds({Slot::Editor, Slot::Source});

constexpr CommandSpec spec(Command c, TextId caption, QKeyCombination key = kNoKey,
                           Enabling e = kShell, Qt::ShortcutContext context = kWindow) {
    return {c, caption, "", key, e, context, std::nullopt, kNone};
}
constexpr CommandSpec own(Command c, const char* caption, QKeyCombination key = kNoKey,
                          Enabling e = kShell, Qt::ShortcutContext context = kWindow) {
    return {c, TextId::None, caption, key, e, context, std::nullopt, kNone};
}
constexpr CommandSpec routed(Command c, TextId caption, QKeyCombination key, WindowCommand w) {
    return {c, caption, "", key, kAlways, kWindow, w, kText};
}
constexpr CommandSpec debugKey(Command c, TextId caption, QKeyCombination key) {
    return {c, caption, "", key, kShell, kApp, std::nullopt, kNone};
}

const auto kTable = std::to_array<CommandSpec>({
    // File
    spec(New, TextId::ItemNew, Qt::CTRL | Qt::Key_N),
    spec(Open, TextId::ItemOpen, Qt::CTRL | Qt::Key_O),
    spec(Save, TextId::ItemSave, Qt::CTRL | Qt::Key_S),
    spec(SaveAs, TextId::ItemSaveAs),
    spec(SaveAll, TextId::ItemSaveAll),
    spec(CloseFile, TextId::ItemCloseFile),
    spec(CloseAll, TextId::ItemCloseAll),
    spec(OpenProject, TextId::ItemOpenProject),
    spec(SaveProject, TextId::ItemSaveProject),
    spec(Exit, TextId::ItemExit, Qt::CTRL | Qt::Key_Q),
    spec(DownLoad, TextId::ItemDownLoadToFlash),
    spec(ReadFlash, TextId::ItemReadFromFlash),
    // Edit and Search
    spec(Undo, TextId::ItemUndo, Qt::CTRL | Qt::Key_Z, kAlways),
    spec(Cut, TextId::ItemCut, Qt::CTRL | Qt::Key_X, kAlways),
    spec(Copy, TextId::ItemCopy, Qt::CTRL | Qt::Key_C, kAlways),
    spec(Paste, TextId::ItemPaste, Qt::CTRL | Qt::Key_V, kAlways),
    spec(SelectAll, TextId::ItemSelectAll, kNoKey, kAlways),
    routed(Find, TextId::ItemFind, Qt::CTRL | Qt::Key_F, WindowCommand::Find),
    routed(Replace, TextId::ItemReplace, Qt::CTRL | Qt::Key_R, WindowCommand::Replace),
    routed(FindNext, TextId::ItemFindNext, QKeyCombination(Qt::Key_F3), WindowCommand::FindNext),
    // View
    spec(ViewEdit, TextId::ItemViewEdit, Qt::ALT | Qt::Key_1),
    spec(ViewSource, TextId::ItemViewSource, Qt::ALT | Qt::Key_2),
    spec(ViewHex, TextId::ItemViewHex, Qt::ALT | Qt::Key_3),
    spec(ViewWatch, TextId::ItemViewWatch, Qt::ALT | Qt::Key_4),
    spec(ViewRam, TextId::ItemViewRam, Qt::ALT | Qt::Key_5),
    spec(ViewRegister, TextId::ItemViewRegister, Qt::ALT | Qt::Key_6),
    spec(ViewStack, TextId::ItemViewStack, Qt::ALT | Qt::Key_7),
    spec(ViewBreakpoints, TextId::ItemViewBreakPoint, Qt::ALT | Qt::Key_8),
    spec(ViewAdc, TextId::ItemAdcPanel, Qt::ALT | Qt::Key_9),
    spec(ViewOpAmp, TextId::ItemOpPanel),
    spec(ViewComparator, TextId::ItemComparatorPanel),
    spec(Message, TextId::ItemViewMessage),
    routed(NextFile, TextId::ItemNextFile, Qt::ALT | Qt::Key_Right, WindowCommand::NextFile),
    routed(PreviousFile, TextId::ItemPreviousFile, Qt::ALT | Qt::Key_Left,
           WindowCommand::PreviousFile),
    spec(TileHorizontally, TextId::ItemTileHorizontally, Qt::ALT | Qt::Key_Down, kAlways),
    spec(TileVertically, TextId::ItemTileVertically, Qt::ALT | Qt::Key_Up, kAlways),
    // Windows
    own(ShowWindows, "ShowWindows", kNoKey, kAlways),
    own(InformationBlock, "Information Block", kNoKey, kAlways),
    // Assemble&&Run
    spec(AssembleRun, TextId::ItemAssembleRun, QKeyCombination(Qt::Key_F4)),
    spec(Assemble, TextId::ItemAssemble, Qt::CTRL | Qt::Key_F10),
    spec(SetMainFile, TextId::ItemSetMainFile, kNoKey, kAlways),
    spec(Simulation, TextId::ItemSimulation),
    spec(Emulation, TextId::ItemEmulation),
    spec(EditMode, TextId::ItemEditMode, Qt::CTRL | Qt::Key_F11),
    debugKey(Run, TextId::ItemRun, QKeyCombination(Qt::Key_F5)),
    debugKey(Reset, TextId::ItemProgramReset, QKeyCombination(Qt::Key_F6)),
    debugKey(Trace, TextId::ItemTrace, QKeyCombination(Qt::Key_F7)),
    debugKey(StepOver, TextId::ItemStepOver, QKeyCombination(Qt::Key_F8)),
    own(StepBack, "StepBack", QKeyCombination(Qt::Key_F9), kShell, kApp),
    debugKey(StackOut, TextId::ItemStackOut, QKeyCombination(Qt::Key_F10)),
    debugKey(Continue, TextId::ItemContinue, QKeyCombination(Qt::Key_F11)),
    debugKey(Stop, TextId::ItemStop, QKeyCombination(Qt::Key_F12)),
    debugKey(SetBreakPoint, TextId::ItemSetBreakPoint, QKeyCombination(Qt::Key_F2)),
    own(ReloadRom, "ReLoad-ROM", kNoKey, kShell, kApp),
    debugKey(IceTest, TextId::IceTest, kNoKey),
    // Options and Help
    spec(BuildOptions, TextId::ItemBuildOptions, kNoKey, kAlways),
    spec(SaveConfiguration, TextId::ItemSaveConfiguration),
    spec(LoadConfiguration, TextId::ItemLoadConfiguration),
    spec(RevisionHistory, TextId::ItemRevisionHistory, Qt::ALT | Qt::Key_A, kAlways),
});

} // namespace

std::span<const CommandSpec> commandTable() {
    return kTable;
}

const CommandSpec* commandSpec(Command c) {
    for (const CommandSpec& s : kTable)
        if (s.command == c) return &s;
    return nullptr;
}

} // namespace zerka::gui
