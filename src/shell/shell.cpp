// Start-up, IDE mode, target selection, titles and the exit sequence.
#include "shell/shell.h"

#include "core/path_lookup.h"
#include "core/text.h"
#include "programmer/prog_link.h"
#include "shell/window_slots.h"
#include "uitext/text_table.h"
#include "views/watch_list.h"

#include <filesystem>

namespace zerka {

namespace fs = std::filesystem;

Shell::Shell(ShellParts parts, std::string programDir) : p_(std::move(parts)) {
    if (!programDir.empty() && programDir.back() != '/') programDir += '/';
    s_.programDir = std::move(programDir);
}

Button Shell::message(MessageType type, const std::string& text, Buttons buttons) {
    return p_.ui.messageBox(type, text, buttons);
}

void Shell::yieldNow() {
    if (p_.yield) p_.yield();
}

void Shell::changed() {
    p_.windows.commandsChanged();
}

void Shell::setConnection(ConnectionPanel panel) {
    p_.windows.setConnectionPanel(panel);
}

void Shell::create() {
    s_.iceConnected = false;
    p_.ui.busy(false);
    s_.lastStepTime = std::chrono::steady_clock::now();
    s_.portDriverMode = 1; // every Linux kernel counts as the NT family
    s_.commandLineStart = false;
    s_.simulatorMode = true;
    SetShellMode(0);
    setFileCommands(false);
    cmd_.enable(Command::Message, false);
    s_.linkState = p_.emulator ? p_.emulator->connectCheck() : 255;
    p_.windows.waitIndicator(false, 0);
    // The debugger must be reachable: the IDE-mode choice is shown, and a first run (no
    // configuration file yet) starts in debugger mode with the simulator.
    p_.options.controls().PICE.visible = true;
    if (!fs::exists(configPath())) p_.options.selectIdeMode(IdeMode::Debugger);
    changed();
}

void Shell::firstActivation(const std::vector<std::string>& args) {
    SelectTarget(true);
    ReadConfiguration(configPath());
    // The read-result grid holds only what a read of this session brings: it keeps its place,
    // not its showing.
    for (Slot slot : {Slot::Source, Slot::ProgramMemory, Slot::Stack, Slot::Ram, Slot::Register,
                      Slot::Watch, Slot::Log, Slot::Adc, Slot::OpAmp, Slot::Comparator,
                      Slot::ReadResult})
        p_.windows.showAsChild(slot, false);
    p_.windows.showBreakpointList(false);
    if (p_.editor.slotCount() > 0) {
        p_.windows.showAsChild(Slot::Editor, true);
        setFileCommands(true);
    } else if (args.empty() && p_.options.ideMode() == IdeMode::Debugger) {
        // Nothing to reopen and nothing named: an untitled file ready for typing rather than
        // an empty frame.
        newFile();
    }
    SetMainFile(s_.mainFile);
    applyCaptions();
    if (!args.empty()) {
        const std::string file = fs::absolute(args[0]).lexically_normal().string();
        if (fs::is_regular_file(file)) {
            s_.commandLineStart = true;
            SetMainFile(file);
            if (p_.editor.findSlot(file) == 0 && p_.editor.openFile(file)) {
                p_.windows.showAsChild(Slot::Editor, true);
                setFileCommands(true);
            }
            if (!BuildAndLoad(true)) return; // the clean-up closed the program
        } else {
            message(MessageType::Error, shell_text::kNoFile, Buttons::Cancel);
            p_.windows.closeMainWindow();
            return;
        }
    }
    // The printer-port driver is started by the link layer when a port is used.
    ApplyIdeMode();
}

void Shell::ApplyIdeMode() {
    const bool programmer = p_.options.ideMode() == IdeMode::Programmer;
    if (programmer) {
        cmd_.show(Command::RunToolbar, false);
        cmd_.enable(Command::AssembleRun, false);
        cmd_.enable(Command::ViewHex, true);
        cmd_.enable(Command::Message, true);
        cmd_.enable(Command::ProgrammerMenu, true);
        cmd_.show(Command::ProgrammerToolbar, true);
        cmd_.enable(Command::ProgrammerToolbar, true);
        for (Command c : kProgrammerButtons)
            cmd_.enable(c, true);
        for (Command c : {Command::New, Command::Save, Command::SaveAs, Command::SaveAll,
                          Command::CloseFile, Command::CloseAll})
            cmd_.enable(c, false);
        cmd_.show(Command::EditToolbar, false);
        cmd_.enable(Command::DownLoad, true);
        openFilter_ = "*.Hex";
        showStatus(s_.programmerHexFile);
        p_.windows.setChecksumPanel("Checksum = 0x" + hexText(s_.imageChecksum, 4));
    } else {
        cmd_.enable(Command::ProgrammerMenu, false);
        // Building waits for edit mode.
        cmd_.enable(Command::AssembleRun, p_.editor.slotCount() > 0 && s_.debugMode == 0);
        cmd_.show(Command::RunToolbar, true);
        cmd_.show(Command::ProgrammerToolbar, false);
        cmd_.enable(Command::ViewHex, s_.debugMode == 1);
        const bool files = p_.editor.slotCount() > 0;
        cmd_.enable(Command::New, true);
        for (Command c : {Command::Save, Command::SaveAs, Command::SaveAll, Command::CloseFile,
                          Command::CloseAll})
            cmd_.enable(c, files);
        cmd_.show(Command::EditToolbar, p_.options.editToolbarVisible());
        cmd_.enable(Command::DownLoad, false);
        openFilter_ = "*.asm|*.asm|*.inc|*.inc|*.*|*.*";
        showStatus(s_.mainFile.empty() ? "" : " main: " + s_.mainFile);
        for (Command c : kProgrammerButtons)
            cmd_.enable(c, false);
    }
    changed();
}

void Shell::SelectTarget(bool simulator) {
    cmd_.check(Command::Simulation, simulator);
    cmd_.check(Command::Emulation, !simulator);
    s_.simulatorMode = simulator;
    s_.iceConnected = false;
    if (p_.options.ideMode() == IdeMode::Debugger && simulator) {
        setConnection(ConnectionPanel::Simulator);
    } else {
        s_.linkState = p_.emulator ? p_.emulator->connectCheck() : 255;
        s_.iceConnected = s_.linkState == 0;
        setConnection(s_.iceConnected ? ConnectionPanel::Connected : ConnectionPanel::NotConnected);
    }
    changed();
}

void Shell::targetCommand(bool simulator) {
    if (s_.simulatorMode == simulator) return;
    p_.options.reloadChip();
    p_.up.applyChip(p_.chip);
    if (!s_.mainFile.empty()) EnterEditMode(true);
    SelectTarget(simulator);
}

void Shell::SetMainFile(const std::string& path) {
    s_.mainFile = path;
    showStatus(path.empty() ? "" : " main: " + path);
}

void Shell::showStatus(const std::string& text) {
    p_.ui.statusText(text);
}

namespace {
// The run commands of debug mode: enabled while stopped, disabled while running.
constexpr Command kStoppedCommands[] = {Command::Run,      Command::ReloadRom, Command::Trace,
                                        Command::Continue, Command::StepOver,  Command::StackOut,
                                        Command::StepBack};
} // namespace

void Shell::SetShellMode(int debug) {
    const bool editing = debug == 0;
    const bool locked = s_.commandLineStart && !editing;
    cmd_.enable(Command::FileMenu, !locked);
    cmd_.enable(Command::EditMenu, !locked);
    cmd_.enable(Command::OptionsMenu, !locked);
    cmd_.enable(Command::EditMode, !editing && !s_.commandLineStart);
    cmd_.enable(Command::ViewSource, !editing);
    cmd_.enable(Command::ViewHex, !editing || p_.options.ideMode() == IdeMode::Programmer);
    for (Command c : {Command::ViewWatch, Command::ViewRam, Command::ViewRegister,
                      Command::ViewStack, Command::ViewBreakpoints})
        cmd_.enable(c, !editing);
    cmd_.enable(Command::ViewAdc, !editing && p_.chip.hasAdc);
    cmd_.enable(Command::ViewOpAmp, !editing && p_.chip.hasOp);
    cmd_.enable(Command::ViewComparator, !editing && p_.chip.hasCmp);
    // The run commands: all but Stop in a fresh debug mode, none in edit mode.
    for (Command c : kStoppedCommands)
        cmd_.enable(c, !editing);
    cmd_.enable(Command::Reset, !editing);
    cmd_.enable(Command::SetBreakPoint, !editing);
    cmd_.enable(Command::Stop, false);
    // Building and changing the target wait for edit mode; the emulator test runs only there.
    if (!editing) {
        cmd_.enable(Command::AssembleRun, false);
        cmd_.enable(Command::Assemble, false);
    }
    cmd_.enable(Command::Simulation, editing);
    cmd_.enable(Command::Emulation, editing);
    cmd_.enable(Command::IceTest, editing);
    cmd_.show(Command::SramRecordMenu, !editing);
    cmd_.enable(Command::SramRecordMenu, !editing);
    s_.debugMode = debug;
    p_.windows.setTitle(title());
    changed();
}

void Shell::SetRunState(bool running) {
    if (s_.debugMode != 1) return;
    for (Command c : kStoppedCommands)
        cmd_.enable(c, !running);
    cmd_.enable(Command::Stop, running);
    changed();
}

void Shell::EnterEditMode(bool rememberWindows) {
    if (s_.debugMode == 0) return;
    debugModeLeaving.emit();
    p_.ui.busy(true);
    yieldNow();
    if (rememberWindows) {
        for (const SlotInfo& w : kSlotTable)
            if (w.reopenFlag >= 0)
                s_.reopenFlags[size_t(w.reopenFlag)] = p_.windows.isShowing(w.slot);
        watchWasShowing_ = s_.reopenFlags[kReopenWatch];
    }
    p_.up.Stop();
    if (!s_.simulatorMode && p_.emulator) p_.emulator->leaveDebug();
    p_.windows.clearSourceView();
    for (Slot slot : {Slot::Source, Slot::ProgramMemory, Slot::Ram, Slot::Register, Slot::Stack,
                      Slot::Watch, Slot::Adc, Slot::OpAmp, Slot::Comparator})
        p_.windows.showAsChild(slot, false);
    p_.windows.showBreakpointList(false);
    SetShellMode(0);
    if (p_.editor.slotCount() > 0) p_.windows.showAsChild(Slot::Editor, true);
    cmd_.enable(Command::AssembleRun,
                p_.editor.slotCount() > 0 && p_.options.ideMode() == IdeMode::Debugger);
    cmd_.enable(Command::Assemble, p_.editor.slotCount() > 0);
    applyCaptions();
    p_.ui.busy(false);
    changed();
}

std::string Shell::title() const {
    if (s_.debugMode == 0)
        return "KXA and KXB Codeloft " + p_.library.chipListVersion() +
               (p_.options.engineerMode() ? "-Engineer" : "");
    const OptionsModel& o = p_.options;
    std::string t = "ZerkaIDE - ";
    t += s_.simulatorMode ? "Simulation" : "Emulation";
    t += s_.simulatorMode ? "   ***  Chip = " : "        Chip = Zerka - ";
    t += o.chipText();
    t += "     ICE Inteface = " + o.controls().SelLPT.text();
    t += "   Project = " + s_.projectFile;
    return t;
}

void Shell::applyCaptions() {
    if (s_.debugMode == 0) p_.windows.setTitle(title());
    p_.windows.applyCaptions();
}

bool Shell::closeRequested() {
    if (!s_.projectFile.empty()) {
        if (p_.windows.askYesCancel("Save Project : " + s_.projectFile + " ?")) {
            WriteConfiguration(s_.projectFile);
            writeWatchList(s_.watchListFile);
        }
    }
    if (!s_.serviceLowByteIs(1)) {
        if (!SaveModifiedFiles("", false)) {
            if (p_.editor.slotCount() > 0) p_.windows.showAsChild(Slot::Editor, true);
            return false;
        }
    }
    if (s_.debugMode == 1) p_.windows.showAsChild(Slot::Watch, false);
    return true;
}

void Shell::closeFinal() {
    if (p_.emulator) p_.emulator->release();
    WriteConfiguration(configPath());
    s_.currentFile = s_.mainFile;
    // A session that ends in debug mode, or whose watch window showed when it left debug mode,
    // keeps its watch list beside the main file.
    if ((s_.debugMode == 1 || watchWasShowing_) && !s_.currentFile.empty())
        writeWatchList(fs::path(s_.currentFile).replace_extension(".pro").string());
}

bool Shell::writeWatchList(const std::string& path) {
    // Before a build (or after the main file changed) the list holds nothing of this program:
    // writing it would empty the file the next build reads.
    if (!watchList_ || watchList_->symbols().empty() || path.empty() ||
        !equalsIgnoreCase(watchListMain_, s_.mainFile))
        return false;
    std::string error;
    if (watchList_->savePro(path, &error)) return true;
    message(MessageType::Error, "Can't save " + path + (error.empty() ? "" : ": " + error),
            Buttons::Ok);
    return false;
}

void Shell::optionsClosed(IdeMode mode, bool usb) {
    if (!usb) return;
    showOnDevice(
        padRight(mode == IdeMode::Programmer ? "ZK-IDE Program Mode" : "ZK-IDE Debug Mode", 32));
}

void Shell::showOnDevice(const std::string& text) {
    p_.ui.deviceDisplay(text);
    UsbLink* usb = p_.emulator && p_.options.usbInterface() ? p_.emulator->usbLink() : nullptr;
    if (!usb || (!usb->isOpen() && usb->connect() != kLinkConnected)) return;
    ProgLink link(*usb);
    if (link.displayPosition(0)) link.progShow(text);
}

std::string watchListFileOf(const std::string& projectPath) {
    const size_t dot = projectPath.find('.');
    return projectPath.substr(0, dot) + ".pro";
}

} // namespace zerka
