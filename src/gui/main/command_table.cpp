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

constexpr CommandEntry entry(Command c, TextId caption, QKeyCombination key = kNoKey,
                           Enabling e = kShell, Qt::ShortcutContext context = kWindow) {
    return {c, caption, "", key, e, context, std::nullopt, kNone};
}
constexpr CommandEntry own(Command c, const char* caption, QKeyCombination key = kNoKey,
                          Enabling e = kShell, Qt::ShortcutContext context = kWindow) {
    return {c, TextId::None, caption, key, e, context, std::nullopt, kNone};
}
constexpr CommandEntry routed(Command c, TextId caption, QKeyCombination key, WindowCommand w) {
    return {c, caption, "", key, kAlways, kWindow, w, kText};
}
constexpr CommandEntry debugKey(Command c, TextId caption, QKeyCombination key) {
    return {c, caption, "", key, kShell, kApp, std::nullopt, kNone};
}

const auto kTable = std::to_array<CommandEntry>({
    // File
    entry(New, TextId::ItemNew, Qt::CTRL | Qt::Key_N),
    entry(Open, TextId::ItemOpen, Qt::CTRL | Qt::Key_O),
    entry(Save, TextId::ItemSave, Qt::CTRL | Qt::Key_S),
    entry(SaveAs, TextId::ItemSaveAs),
    entry(SaveAll, TextId::ItemSaveAll),
    entry(CloseFile, TextId::ItemCloseFile),
    entry(CloseAll, TextId::ItemCloseAll),
    entry(OpenProject, TextId::ItemOpenProject),
    entry(SaveProject, TextId::ItemSaveProject),
    entry(Exit, TextId::ItemExit, Qt::CTRL | Qt::Key_Q),
    entry(DownLoad, TextId::ItemDownLoadToFlash),
    entry(ReadFlash, TextId::ItemReadFromFlash),
    // Edit and Search
    entry(Undo, TextId::ItemUndo, Qt::CTRL | Qt::Key_Z, kAlways),
    entry(Cut, TextId::ItemCut, Qt::CTRL | Qt::Key_X, kAlways),
    entry(Copy, TextId::ItemCopy, Qt::CTRL | Qt::Key_C, kAlways),
    entry(Paste, TextId::ItemPaste, Qt::CTRL | Qt::Key_V, kAlways),
    entry(SelectAll, TextId::ItemSelectAll, kNoKey, kAlways),
    routed(Find, TextId::ItemFind, Qt::CTRL | Qt::Key_F, WindowCommand::Find),
    routed(Replace, TextId::ItemReplace, Qt::CTRL | Qt::Key_R, WindowCommand::Replace),
    routed(FindNext, TextId::ItemFindNext, QKeyCombination(Qt::Key_F3), WindowCommand::FindNext),
    // View
    entry(ViewEdit, TextId::ItemViewEdit, Qt::ALT | Qt::Key_1),
    entry(ViewSource, TextId::ItemViewSource, Qt::ALT | Qt::Key_2),
    entry(ViewHex, TextId::ItemViewHex, Qt::ALT | Qt::Key_3),
    entry(ViewWatch, TextId::ItemViewWatch, Qt::ALT | Qt::Key_4),
    entry(ViewRam, TextId::ItemViewRam, Qt::ALT | Qt::Key_5),
    entry(ViewRegister, TextId::ItemViewRegister, Qt::ALT | Qt::Key_6),
    entry(ViewStack, TextId::ItemViewStack, Qt::ALT | Qt::Key_7),
    entry(ViewBreakpoints, TextId::ItemViewBreakPoint, Qt::ALT | Qt::Key_8),
    entry(ViewAdc, TextId::ItemAdcPanel, Qt::ALT | Qt::Key_9),
    entry(ViewOpAmp, TextId::ItemOpPanel),
    entry(ViewComparator, TextId::ItemComparatorPanel),
    entry(Message, TextId::ItemViewMessage),
    routed(NextFile, TextId::ItemNextFile, Qt::ALT | Qt::Key_Right, WindowCommand::NextFile),
    routed(PreviousFile, TextId::ItemPreviousFile, Qt::ALT | Qt::Key_Left,
           WindowCommand::PreviousFile),
    entry(TileHorizontally, TextId::ItemTileHorizontally, Qt::ALT | Qt::Key_Down, kAlways),
    entry(TileVertically, TextId::ItemTileVertically, Qt::ALT | Qt::Key_Up, kAlways),
    // Windows
    own(ShowWindows, "ShowWindows", kNoKey, kAlways),
    own(InformationBlock, "Information Block", kNoKey, kAlways),
    // Assemble&&Run
    entry(AssembleRun, TextId::ItemAssembleRun, QKeyCombination(Qt::Key_F4)),
    entry(Assemble, TextId::ItemAssemble, Qt::CTRL | Qt::Key_F10),
    entry(SetMainFile, TextId::ItemSetMainFile, kNoKey, kAlways),
    entry(Simulation, TextId::ItemSimulation),
    entry(Emulation, TextId::ItemEmulation),
    entry(EditMode, TextId::ItemEditMode, Qt::CTRL | Qt::Key_F11),
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
    entry(BuildOptions, TextId::ItemBuildOptions, kNoKey, kAlways),
    entry(SaveConfiguration, TextId::ItemSaveConfiguration),
    entry(LoadConfiguration, TextId::ItemLoadConfiguration),
    entry(RevisionHistory, TextId::ItemRevisionHistory, Qt::ALT | Qt::Key_A, kAlways),
});

} // namespace

std::span<const CommandEntry> commandTable() {
    return kTable;
}

const CommandEntry* commandEntry(Command c) {
    for (const CommandEntry& s : kTable)
        if (s.command == c) return &s;
    return nullptr;
}

} // namespace zerka::gui
