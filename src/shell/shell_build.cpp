// BuildAndLoad: save, assemble, fill the information block and load the program into the
// simulator or the emulator, then enter debug mode.
#include "core/output_names.h"
#include "core/text.h"
#include "shell/emulator_bring_up.h"
#include "shell/info_block.h"
#include "shell/self_erom_breakpoints.h"
#include "shell/shell.h"
#include "shell/up_receiver.h"
#include "shell/window_slots.h"
#include "uitext/text_id.h"
#include "upcentre/core/instruction_set.h"

#include <cstdio>
#include <optional>

namespace zerka {

namespace {

std::string sizeText(int32_t codeWords, uint32_t romWords) {
    char size[32];
    std::snprintf(size, sizeof size, "Size: %.1fk", double(codeWords) / 1024.0);
    char rom[32];
    std::snprintf(rom, sizeof rom, "%g", double(romWords) / 1024.0);
    return std::string(size) + "  /  " + rom + "K" + "      " +
           "Total Code Line = " + std::to_string(codeWords);
}

} // namespace

void Shell::updateWaitIndicator() {
    if (!waitVisible_) return;
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::steady_clock::now() - buildStart_)
                       .count();
    p_.windows.waitIndicator(true, int(std::min<long long>(20, s + 1)));
}

bool Shell::assembleAndRun() {
    assembleOnly_ = false;
    return BuildAndLoad(true);
}

bool Shell::assembleOnly() {
    assembleOnly_ = true;
    const bool r = BuildAndLoad(false);
    if (r) {
        p_.log.AddEntry("", 0, s_.mainFile + " .......Compiler ...............");
        p_.log.AddEntry("", 0, s_.mainFile + " .......Compiler   complete");
    }
    p_.windows.showAsChild(Slot::Log, true);
    p_.windows.clearSourceView();
    return r;
}

bool Shell::buildCleanup(bool succeeded) {
    if (!succeeded && s_.commandLineStart) p_.windows.closeMainWindow();
    if (!s_.simulatorMode && !succeeded) EnterEditMode(false);
    if (!s_.currentFile.empty()) s_.currentFile = outputFileName(s_.currentFile, ".lst");
    SetMainFile(s_.mainFile);
    const bool debugger = p_.options.ideMode() == IdeMode::Debugger;
    if (s_.debugMode == 0) {
        cmd_.enable(Command::AssembleRun, debugger && p_.editor.slotCount() > 0);
        cmd_.enable(Command::Assemble, p_.editor.slotCount() > 0);
    }
    cmd_.enable(Command::EditDebugButton, true);
    p_.ui.busy(false);
    p_.up.setStepDone(true);
    if (!debugger) showStatus(s_.programmerHexFile);
    changed();
    return succeeded;
}

// Step 13 on the emulator: the bring-up's load, worded. False fails the build; `toDebug` tells
// whether debugging starts.
bool Shell::emulatorSteps(bool& toDebug) {
    using namespace shell_text;
    LoadQuestions q;
    q.afterMonitorStart = [this] {
        if (p_.options.interfaceIndex() != 0 || !s_.serviceLowByteIs(0)) return true;
        message(MessageType::Error,
                TextOfLanguage(TextId::SetLptAddress, p_.options.languageIndex()), Buttons::Ok);
        return false;
    };
    q.continueAfterRunAway = [this] {
        p_.windows.showAsChild(Slot::Log, true);
        p_.log.ClearLog();
        p_.log.AddEntry(" ", 0, kSbmLog);
        showOnDevice(padRight(kSbmLog, 32));
        return message(MessageType::Error, kSbmAsk, Buttons::OkCancel) != Button::Cancel;
    };
    const LoadOutcome out =
        loadProgram(*p_.emulator, p_.chip.coreVariant, p_.up.informationBlock(), q);
    switch (out.status) {
    case BringUp::Ok:
        break;
    case BringUp::Refused:
    case BringUp::LinkFailed:
        return false;
    case BringUp::Busy:
        message(MessageType::Error, kBusy, Buttons::Cancel);
        return false;
    case BringUp::CoreSelect:
        message(MessageType::Error, TextOf(TextId::CanNotSelectCx4aOr), Buttons::Cancel);
        showOnDevice(padRight(TextOf(TextId::CanNotSelectCx4aOr), 31));
        return false;
    default: {
        // The information block's failure shows nothing on the device; the memory's do.
        const char* text = bringUpText(out.status);
        message(MessageType::Error, text, Buttons::Cancel);
        if (out.status != BringUp::InfoBlock) showOnDevice(padRight(text, 32));
        return false;
    }
    }
    if (out.sizeError) {
        message(MessageType::Error, TextOf(TextId::SizeErrorOfProgramMemory), Buttons::Cancel);
        showOnDevice(padRight("size error of program memory!", 32));
    }
    toDebug = true;
    return true;
}

void Shell::enterDebugMode() {
    p_.windows.showAsChild(Slot::Editor, false);
    p_.up.ClearBreakpoints();
    if (!s_.simulatorMode && p_.emulator) {
        const WatchTrigger& w = p_.options.watchTrigger();
        p_.emulator->enterDebug(w.address, w.data, w.mask);
    }
    cmd_.enable(Command::Message, false);
    p_.windows.loadSourceView(lastResult_, sizeText(lastResult_.codeExtent, p_.chip.romWords));
    p_.windows.showAsChild(Slot::Source, false);
    // The windows of the last session, in the order of their flags; the source view comes
    // last (below), and a calculator only for a chip that has its block.
    for (int flag = 0; flag < kReopenFlagCount; ++flag) {
        const std::optional<Slot> slot = slotOfReopenFlag(flag);
        if (!slot || *slot == Slot::Source || !s_.reopenFlags[size_t(flag)]) continue;
        if ((*slot == Slot::Adc && !p_.chip.hasAdc) || (*slot == Slot::OpAmp && !p_.chip.hasOp) ||
            (*slot == Slot::Comparator && !p_.chip.hasCmp))
            continue;
        if (*slot == Slot::Breakpoints)
            p_.windows.showBreakpointList(true);
        else
            p_.windows.showAsChild(*slot, true);
    }
    p_.windows.showAsChild(Slot::Log, false);
    SetShellMode(1);
    p_.windows.showAsChild(Slot::Source, true);
    if (!s_.simulatorMode && p_.emulator &&
        p_.emulator->placeSelfEromBreakpoints(selfEromAccesses(lastResult_)))
        message(MessageType::Warning, kSelfEromOverflow, Buttons::Ok);
    watchListMain_ = s_.mainFile;
    debugModeEntered.emit();
}

bool Shell::BuildAndLoad(bool forDebug) {
    using namespace shell_text;
    const bool debugger = p_.options.ideMode() == IdeMode::Debugger;
    buildStarting.emit();
    // 1: the chip as the options name it.
    p_.options.reloadChip();
    // 2: the emulator must answer before anything is built for it.
    if (!s_.simulatorMode) {
        if (p_.options.usbInterface() && s_.linkState != 0) {
            s_.linkState = p_.emulator ? p_.emulator->connectCheck() : 255;
            if (s_.linkState == 255) {
                message(MessageType::Error, TextOf(TextId::ConnectError), Buttons::Cancel);
                setConnection(ConnectionPanel::NotConnected);
                return buildCleanup(false);
            }
        }
        if (debugger) {
            const BringUp id = p_.emulator ? identifyChip(*p_.emulator) : BringUp::ChipIdMissing;
            s_.iceConnected = id == BringUp::Ok;
            setConnection(s_.iceConnected ? ConnectionPanel::Connected
                                          : ConnectionPanel::NotConnected);
            if (s_.iceConnected) {
                showOnDevice(padRight("Zk-IDE ICE Connect", 32));
            } else {
                const char* text = bringUpText(id);
                message(MessageType::Error, text, Buttons::Cancel);
                showOnDevice(padRight(text, 32));
                return buildCleanup(false);
            }
        }
    }
    // 3, 4
    p_.ui.busy(true);
    yieldNow();
    p_.up.applyChip(p_.chip);
    {
        InstructionSet set;
        set.loadBuiltIn(coreTypeFromVariant(p_.chip.coreVariant), s_.programDir + "Inst.txt");
        p_.up.setInstructionSet(set);
    }
    // 5 to 8
    cmd_.enable(Command::AssembleRun, false);
    cmd_.enable(Command::Assemble, false);
    cmd_.enable(Command::EditDebugButton, false);
    changed();
    SaveModifiedFiles("", true);
    cmd_.enable(Command::Message, true);
    s_.currentFile = s_.mainFile;
    if (s_.currentFile.empty()) {
        message(MessageType::Error, TextOf(TextId::SetMainFileFirst), Buttons::Cancel);
        return buildCleanup(false);
    }
    // 9: the editor shows exactly what is assembled.
    for (int slot = 1; slot <= p_.editor.slotCount(); ++slot)
        p_.editor.reload(slot);
    showStatus(TextOf(TextId::PleaseWait));
    yieldNow();
    // 10, 11: the information block.
    InformationBlock block = p_.up.informationBlock();
    fillInformationBlock(block, p_.chip, {p_.options.stackOverStop(), p_.options.stackOverReset()},
                         s_.programDir);
    if (!s_.simulatorMode && debugger && p_.emulator && p_.emulator->firmware2()) {
        const OptionsControls& c = p_.options.controls();
        CalibrationBlockInputs in;
        in.enHao = p_.options.savedHardwareCalibration();
        in.enShao = c.EnSHAO.checked, in.enSlao = c.EnSLAO.checked;
        in.targetFrequency = uint32_t(std::atoll(c.EHAO.text.c_str()));
        in.permissibleError = uint8_t(std::atoi(c.EPERMISS.text.c_str()));
        in.lowPowerFrequency = uint32_t(std::atoll(c.ELAO.text.c_str()));
        in.cx4a = c.PCX4A.checked;
        fillCalibrationBlock(block, p_.chip, in);
    }
    for (int i = 0; i < int(block.size()); ++i)
        p_.up.SetInformationWord(i, block[size_t(i)]);
    AssemblyOptions ao = assemblyOptionsFrom(
        p_.options, assembleOnly_ ? AssemblyMode::AssembleOnly : AssemblyMode::BuildAndLoad);
    if (!debugger) ao.hexFile = true;
    // 12: the assembler, with the wait indicator running between its passes.
    p_.windows.waitIndicator(false, 0);
    waitVisible_ = true;
    buildStart_ = std::chrono::steady_clock::now();
    updateWaitIndicator();
    yieldNow();
    AssemblyContext ctx;
    ctx.chip = &p_.chip;
    ctx.instructions = &p_.up.instructions();
    ctx.chipListVersion = p_.library.chipListVersionNumber();
    ctx.iceBodyId = 0;
    ctx.informationBlock = p_.up.informationBlock();
    ctx.log = &p_.log;
    // A chip header is included by its name and found in the chip library.
    ctx.includeDirs = includeDirs_;
    ctx.includeDirs.push_back(p_.library.libraryDir());
    ctx.yield = [this] {
        updateWaitIndicator();
        yieldNow();
    };
    lastResult_ = Assemble(s_.currentFile, ctx, ao);
    std::optional<uint16_t> built;
    UpCentreReceiver receiver(p_.up, [&built](uint16_t sum) { built = sum; });
    const bool r = HandOverAssembly(lastResult_, receiver);
    // The checksum shown and kept (record 21) is that of the last build that succeeded: a
    // failed one made no image to burn.
    auto keepChecksum = [&] {
        if (!built) return;
        s_.imageChecksum = *built;
        p_.windows.setChecksumPanel("Checksum = 0x" + hexText(*built, 4));
    };
    waitVisible_ = false;
    p_.windows.waitIndicator(false, 0);

    if (debugger) {
        if (!(r && forDebug)) {
            if (r) keepChecksum();
            showStatus(" main: " + s_.mainFile);
            buildCleanup(false);
            return r;
        }
        bool toDebug = s_.simulatorMode;
        if (!s_.simulatorMode) {
            if (!p_.emulator || !emulatorSteps(toDebug)) return buildCleanup(false);
        }
        enterDebugMode();
        if (!s_.simulatorMode && p_.options.usbInterface() && !p_.emulator->linkAlive()) {
            s_.linkState = 255;
            message(MessageType::Error, TextOf(TextId::ConnectError), Buttons::Cancel);
            p_.windows.bringToFront();
            EnterEditMode(false);
            return false;
        }
        keepChecksum();
        p_.up.setRunTimerInterval(s_.simulatorMode ? TZk_UP::kSimulatorInterval
                                                   : TZk_UP::kEmulatorInterval);
        showStatus(" main: " + s_.mainFile);
        buildCleanup(true);
        return r;
    }

    // Programmer IDE mode.
    if (!(r && forDebug)) {
        if (r) keepChecksum();
        showStatus(" main: " + s_.mainFile);
        buildCleanup(false);
        return r;
    }
    const bool downloaded = programmerSteps();
    if (downloaded) keepChecksum();
    cmd_.enable(Command::EditDebugButton, true);
    p_.ui.busy(false);
    showStatus(s_.programmerHexFile);
    cmd_.enable(Command::Assemble, p_.editor.slotCount() > 0);
    changed();
    // A download that failed fails the build: a caller must not take it for a burned image.
    return r && downloaded;
}

} // namespace zerka
