#include "shell/debug_commands.h"

#include "core/text.h"
#include "uitext/text_id.h"

#include <filesystem>
#include <vector>

namespace zerka {

namespace {

// The analog reference advice reads the ADC control bytes.
constexpr uint32_t kAdcControl = 0x30;
constexpr uint32_t kAdcReference = 0x3C;

} // namespace

DebugCommands::DebugCommands(Shell& shell, DebugViews& views, DebugHost& host, Clock clock)
    : shell_(shell), up_(shell.parts().up), views_(views), host_(host), clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
    lastStepOver_ = clock_();
    stopped_ = up_.OnStopped().connect([this] { onStop(); });
    traced_ = up_.OnTraceStep().connect([this] { onStep(); });
    started_ = up_.runStarted().connect([this] { onRunStarted(); });
    ended_ = up_.continueModeEnded().connect([this] { setContinue(false); });
    history_ = up_.historyShown().connect([this](uint32_t a) { onHistory(a); });
    building_ = shell_.buildStarting.connect([this] { adviceState_ = 0; });
    entered_ = shell_.debugModeEntered.connect([this] {
        active_ = true;
        stepFlag_ = false;
        std::vector<ViewSymbol> symbols;
        for (const SymbolEntry& e : shell_.lastAssembly().symbols)
            symbols.push_back({e.name, e.value, e.extra, e.kind});
        views_.chipChanged();
        views_.symbolsChanged(symbols);
        if (source_) source_->SetEmulatorTarget(emulator());
        refreshViews();
        stepFlag_ = true; // the first line shows at call level
        placeLine();
        setRunningUi(false);
        showStackStatus();
        setWatchdog(true);
        host_.refreshDebugWindows();
    });
    leaving_ = shell_.debugModeLeaving.connect([this] {
        active_ = false;
        setContinue(false);
        setWatchdog(false);
    });
}

DebugCommands::~DebugCommands() {
    up_.OnStopped().disconnect(stopped_);
    up_.OnTraceStep().disconnect(traced_);
    up_.runStarted().disconnect(started_);
    up_.continueModeEnded().disconnect(ended_);
    up_.historyShown().disconnect(history_);
    shell_.buildStarting.disconnect(building_);
    shell_.debugModeEntered.disconnect(entered_);
    shell_.debugModeLeaving.disconnect(leaving_);
}

bool DebugCommands::debugging() const {
    return shell_.state().debugMode == 1;
}

bool DebugCommands::emulator() const {
    return !shell_.state().simulatorMode;
}

Button DebugCommands::message(MessageType type, const std::string& text, Buttons buttons) {
    return shell_.parts().ui.messageBox(type, text, buttons);
}

void DebugCommands::setRunningUi(bool running) {
    shell_.SetRunState(running);
    host_.setSramAddEnabled(!running);
    if (source_) source_->SetDimmed(running);
    if (!running) {
        setContinue(false);
        up_.setStepDone(true);
    }
    host_.runTimerChanged();
}

void DebugCommands::setContinue(bool on) {
    if (continue_ == on) return;
    continue_ = on;
    host_.setContinueTimer(on);
}

void DebugCommands::setWatchdog(bool on) {
    if (watchdog_ == on) return;
    watchdog_ = on;
    host_.setLinkWatchdog(on);
}

// --- notifications --------------------------------------------------------------------------

void DebugCommands::refreshViews() {
    views_.refreshAll();
}

void DebugCommands::placeLine() {
    const uint32_t pc = up_.cpu().GetPC();
    if (source_) {
        // A step shows the line it reached at call level; a stop does so at a macro-line
        // breakpoint and on the emulator.
        const bool callLevel =
            stepFlag_ || emulator() || up_.cpu().BreakpointMarkAt(pc, BreakpointKind::SourceLine);
        source_->ShowCurrentLine(pc, callLevel);
    }
    stepFlag_ = false;
    lastStop_ = pc;
}

void DebugCommands::onStep() {
    if (!active_) return;
    refreshViews();
    placeLine();
    host_.refreshDebugWindows();
}

void DebugCommands::onStop() {
    if (!active_) return;
    refreshViews();
    placeLine();
    host_.refreshDebugWindows();
    setRunningUi(false);
    showStackStatus();
    analogAdvice();
}

void DebugCommands::onRunStarted() {
    if (!active_) return;
    setRunningUi(true);
}

void DebugCommands::onHistory(uint32_t address) {
    if (!active_) return;
    views_.programMemory.ShowAddress(address);
    if (source_) source_->ShowCurrentLine(address, false);
    host_.refreshDebugWindows();
}

void DebugCommands::showStackStatus() {
    host_.showStackStatus(up_.cpu().stackState(), shell_.state().mainFile);
}

void DebugCommands::analogAdvice() {
    // Once per build: the first stop only arms it, so that the reset values do not count.
    if (adviceState_ == 0) {
        adviceState_ = 1;
        return;
    }
    if (adviceState_ != 1) return;
    const uint8_t control = up_.cpu().ReadData(kAdcControl);
    if (!(control & 0x10)) return;
    adviceState_ = 2;
    if (!(control & 0x80) || !(up_.cpu().ReadData(kAdcReference) & 0x80)) return;
    const int h = (control >> 5) & 3;
    const OptionsModel& o = shell_.parts().options;
    if (o.acm10() && h <= 1)
        message(MessageType::Warning, TextOf(TextId::AdcReferenceAbove), Buttons::Ok);
    else if (o.acm12() && h >= 2)
        message(MessageType::Warning, TextOf(TextId::AdcReferenceBelow), Buttons::Ok);
}

// --- commands --------------------------------------------------------------------------------

void DebugCommands::run() {
    if (!debugging() || up_.running()) return;
    up_.Run();
    // The emulator runs on while the run timer polls it.
    if (emulator() && up_.running()) setRunningUi(true);
}

void DebugCommands::trace() {
    if (!debugging() || up_.running()) return;
    IdeState& s = shell_.state();
    const auto now = clock_();
    if (now - s.lastStepTime <= kTraceGap) return;
    s.lastStepTime = now;
    if (source_ && source_->AdvanceInMacro()) return; // a visual step through the macro body
    stepFlag_ = true;
    up_.StepInto();
}

void DebugCommands::stepOver() {
    if (!debugging() || up_.running()) return;
    const auto now = clock_();
    if (now - lastStepOver_ <= kStepOverGap) return;
    lastStepOver_ = now;
    stepFlag_ = true;
    if (source_ && source_->InMacro()) {
        const auto [low, high] = source_->MacroRange();
        up_.RunRange(low, high);
        run();
        return;
    }
    up_.StepOver();
}

void DebugCommands::stepBack() {
    if (!debugging() || up_.running()) return;
    up_.StepBack();
}

void DebugCommands::stackOut() {
    if (!debugging() || up_.running()) return;
    stepFlag_ = true;
    up_.StepOut();
}

void DebugCommands::continueRun() {
    if (!debugging() || up_.running()) return;
    setRunningUi(true);
    setContinue(true);
}

void DebugCommands::continueTick() {
    if (!continue_ || !debugging()) return;
    if (source_ && source_->AdvanceInMacro()) return;
    if (!up_.stepDone()) return; // the previous step is still in progress
    up_.setStepDone(false);
    stepFlag_ = true;
    up_.setBusy(true);
    up_.ContinueStep();
    showStackStatus();
}

void DebugCommands::stop() {
    if (!debugging()) return;
    up_.Stop();
    setRunningUi(false);
    EmulatorTarget* e = shell_.parts().emulator;
    if (!emulator() || !e) return;
    uint16_t word = 0;
    if (e->bodyCheck(word) == 0) return;
    if (word == 0) {
        message(MessageType::Warning, std::string(TZk_UP::kAsleepMessage), Buttons::Ok);
        setContinue(false);
        run(); // so that the target can be woken by its own button
    } else {
        message(MessageType::Warning, std::string(TZk_UP::kChipOffMessage), Buttons::Ok);
    }
}

void DebugCommands::afterReset() {
    // The target starts afresh: the windows show its state without change marks (the
    // calculators follow in refreshDebugWindows below).
    views_.refreshAll(true);
    const uint32_t pc = up_.cpu().GetPC();
    if (source_) source_->ShowCurrentLine(pc, true);
    stepFlag_ = false;
    lastStop_ = pc;
    shell_.SetShellMode(1);
    host_.setSramAddEnabled(true);
    shell_.parts().ui.busy(false);
    setRunningUi(false);
    host_.showStackStatus({}, shell_.state().mainFile);
    host_.refreshDebugWindows();
}

void DebugCommands::reset() {
    if (!debugging()) return;
    setContinue(false);
    shell_.parts().ui.busy(true);
    if (shell_.parts().yield) shell_.parts().yield();
    up_.ResetTarget();
    adviceState_ = 0;
    EmulatorTarget* e = shell_.parts().emulator;
    if (emulator() && e) e->rangeGuard(TZk_UP::kRangeGuardLimit);
    afterReset();
}

void DebugCommands::memoryCheck() {
    EmulatorTarget* e = shell_.parts().emulator;
    if (!debugging() || !emulator() || !e) return;
    up_.Stop();
    shell_.parts().ui.busy(true);
    if (shell_.parts().yield) shell_.parts().yield();
    if (e->checkProgramMemory())
        message(MessageType::Information, TextOf(TextId::MemoryCheckedOk), Buttons::Ok);
    else
        message(MessageType::Error, TextOf(TextId::ProgramMemoryAccessedError), Buttons::Cancel);
    afterReset();
}

void DebugCommands::iceTest() {
    const IdeState& s = shell_.state();
    const OptionsModel& o = shell_.parts().options;
    if (o.interfaceIndex() == 0 && s.serviceLowByteIs(0)) {
        message(MessageType::Error, TextOfLanguage(TextId::SetLptAddress, o.languageIndex()),
                Buttons::Ok);
        return;
    }
    EmulatorTarget* e = shell_.parts().emulator;
    uint32_t position = 0;
    const int r = e ? e->fullMemoryTest(position) : 3;
    switch (r) {
    case 0:
        message(MessageType::Information, TextOf(TextId::MemoryCheckedOk), Buttons::Ok);
        break;
    case 1:
    case 2: {
        // The failing memory and the address that failed: four digits for the data memory.
        const bool program = r == 1;
        const TextId what =
            program ? TextId::ProgramMemory62256ErrorAddress : TextId::DataMemoryUPErrorAddress;
        message(MessageType::Error,
                TextOf(what) + hexText(position, program ? 3 : 4) + debug_text::kAddressEnd,
                Buttons::Cancel);
        break;
    }
    default:
        // A test that never reached the unit has checked nothing.
        message(MessageType::Error, TextOf(TextId::ConnectError), Buttons::Cancel);
        break;
    }
}

void DebugCommands::setBreakPoint() {
    if (!debugging() || up_.running()) return;
    switch (host_.breakpointTarget()) {
    case BreakpointTarget::ProgramMemory: {
        const uint32_t a = views_.programMemory.currentAddress();
        const bool set = !up_.cpu().BreakpointMarkAt(a, BreakpointKind::Address);
        up_.ToggleBreakpoint(a, BreakpointKind::Address, set);
        break;
    }
    case BreakpointTarget::SourceView:
        if (source_ && source_->CurrentFile() > 0 && source_->CurrentRow() > 0)
            source_->ToggleBreakpointAtRow(source_->CurrentFile(), source_->CurrentRow());
        break;
    case BreakpointTarget::None:
        return;
    }
    views_.programMemory.Refresh();
    host_.refreshDebugWindows();
}

void DebugCommands::reloadRom() {
    EmulatorTarget* e = shell_.parts().emulator;
    if (!debugging() || !emulator() || !e || up_.running()) return;
    if (!e->reloadProgram())
        message(MessageType::Error, TextOf(TextId::ProgramMemoryAccessedError), Buttons::Cancel);
    views_.programMemory.Refresh();
    host_.refreshDebugWindows();
}

void DebugCommands::editMode() {
    if (!debugging() || shell_.state().commandLineStart) return;
    setContinue(false);
    setWatchdog(false);
    shell_.EnterEditMode(true);
    host_.runTimerChanged();
}

void DebugCommands::toggleEditDebug() {
    ShellParts& p = shell_.parts();
    IdeState& s = shell_.state();
    if (s.commandLineStart) {
        p.windows.closeMainWindow();
        return;
    }
    if (!debugging()) {
        shell_.assembleAndRun();
        return;
    }
    setContinue(false);
    setWatchdog(false);
    for (int slot = 1; slot <= p.editor.slotCount(); ++slot)
        p.editor.reload(slot);
    shell_.EnterEditMode(true);
    shell_.showStatus(s.mainFile);
    if (!s.currentFile.empty()) {
        std::string error;
        const std::filesystem::path pro =
            std::filesystem::path(s.currentFile).replace_extension(".pro");
        if (!views_.watch.savePro(pro, &error))
            message(MessageType::Error, error.empty() ? "Can't save " + pro.string() : error,
                    Buttons::Ok);
    }
    const OptionsModel& o = p.options;
    std::string title =
        "ZerkaIDE" + TextOf(TextId::EditModeTitle) + " " + p.library.chipListVersion();
    if (o.engineerMode()) title += "-Engineer";
    title += "        Chip = ZK - " + o.chipText() +
             "     ICE Inteface = " + o.controls().SelLPT.text() + "   Project = " + s.projectFile;
    p.windows.setTitle(title);
    if (emulator()) shell_.showOnDevice("Zerka-IDE ICE Edit Mode            ");
    host_.runTimerChanged();
}

void DebugCommands::watchdogTick() {
    if (!watchdog_) return;
    IdeState& s = shell_.state();
    const ShellParts& p = shell_.parts();
    if (s.simulatorMode || !p.options.usbInterface() || s.serviceFlag != 0 || s.debugMode != 1)
        return;
    if (p.emulator && p.emulator->linkStatus() == 255) s.linkState = 255;
    if (s.linkState != 255) return;
    setWatchdog(false);
    s.linkState = 0;
    s.iceConnected = false;
    message(MessageType::Error, TextOf(TextId::ConnectError), Buttons::Cancel);
    p.windows.setConnectionPanel(ConnectionPanel::NotConnected);
    p.windows.bringToFront();
    shell_.EnterEditMode(false);
    setContinue(false);
    up_.setStepDone(true);
    host_.runTimerChanged();
}

void DebugCommands::addressSelected(uint32_t address, AddressSender sender) {
    if (!debugging()) return;
    const ProgramCell* cell = up_.cpu().cellAt(address);
    if (sender != AddressSender::SourceView && source_ && cell && cell->sourceLine != 0)
        source_->SelectFileOfAddress(address);
    if (sender != AddressSender::ProgramMemory) {
        views_.programMemory.ShowAddress(address);
        host_.refreshDebugWindows();
    }
}

} // namespace zerka
