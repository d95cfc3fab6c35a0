#include "upcentre/run/emulator_run.h"

#include "chip/chip_model.h"

#include <algorithm>
#include <thread>

namespace zerka {

using Clock = std::chrono::steady_clock;

namespace {

constexpr uint8_t kGlobalInterrupts = 0x80;
constexpr uint16_t kRunAwayWordCx4b = 0x7840;
constexpr uint16_t kRunAwayWordCx4a = 0x783F;
constexpr uint32_t kNoMatch = 0xFFFFFFFF;

uint32_t bigEndian(std::span<const uint8_t> b) {
    uint32_t v = 0;
    for (uint8_t x : b)
        v = v << 8 | x;
    return v;
}

} // namespace

EmulatorRunSettings EmulatorRunSettings::fromChip(const ChipModel& chip) {
    EmulatorRunSettings s;
    // The RAM layout: every bank up to the last one the chip names.
    uint32_t bytes = (uint32_t(chip.lastBankIndex) + 1) * 256;
    for (size_t k = 0; k <= chip.lastBankIndex && k < chip.ramBank.size(); ++k)
        bytes = std::max<uint32_t>(bytes, uint32_t(chip.ramBank[k].end) + 1);
    s.dataBytes = std::min<uint32_t>(bytes, CpuState::kDataSize);
    if (chip.findByteRegister(0x3B)) {
        s.maskRegister3B = true;
        s.mask3B = chip.implementedBits[0x3B];
    }
    s.eeprom = EepromConfig::fromChip(chip);
    return s;
}

EmulatorRun::EmulatorRun(TZk_UP& up, IceCommands& ice, EmulatorMemory& memory,
                         const IceSettings& iceSettings, UiHost* ui, WaitHook wait)
    : up_(up), ice_(ice), memory_(memory), iceSettings_(iceSettings), ui_(ui),
      wait_(wait ? std::move(wait) : clockWait()), eepromTarget_(ice),
      eeprom_(up.cpu(), eepromTarget_, ui) {}

EmulatorRun::~EmulatorRun() {
    detach();
}

void EmulatorRun::attach() {
    up_.cpu().setEmulatorPort(this);
    up_.setEmulator(this);
    EmulatorMemoryHooks hooks;
    hooks.clearBreakpoints = [this] { up_.ClearBreakpoints(); };
    hooks.refreshMirror = [this] { refreshMirror(); };
    memory_.setHooks(std::move(hooks));
    attached_ = true;
}

void EmulatorRun::detach() {
    if (!attached_) return;
    up_.setEmulator(nullptr);
    up_.cpu().setEmulatorPort(nullptr);
    memory_.setHooks({});
    attached_ = false;
}

void EmulatorRun::setSettings(const EmulatorRunSettings& settings) {
    settings_ = settings;
    eeprom_.setConfig(settings.eeprom);
}

void EmulatorRun::setWatch(uint8_t mask, uint8_t data, uint16_t address) {
    settings_.watchMask = mask;
    settings_.watchData = data;
    settings_.watchAddress = address;
}

bool EmulatorRun::resetCycleCounter() {
    const std::array<uint8_t, 4> zero{};
    up_.cpu().SetCycles(0, 0);
    return writeBytes(kIceCycles, zero);
}

bool EmulatorRun::eepromActive() const {
    return attached_ && settings_.eeprom.mode != 0 && ice_.iceBodyId() == kBody8024;
}

void EmulatorRun::wait(std::chrono::milliseconds ms) {
    if (wait_) wait_(ms);
}

bool EmulatorRun::readBytes(uint32_t address, std::span<uint8_t> out) {
    return ice_.iceReadBytes(address, out);
}

bool EmulatorRun::writeBytes(uint32_t address, std::span<const uint8_t> data) {
    return ice_.iceWriteBytes(address, data);
}

std::optional<uint32_t> EmulatorRun::readPc() {
    std::array<uint8_t, 3> b{};
    if (!readBytes(kIcePc, b)) return std::nullopt;
    return bigEndian(b);
}

// --- mirror ---------------------------------------------------------------------------------

bool EmulatorRun::readStack() {
    CpuState& cpu = up_.cpu();
    const uint32_t depth = cpu.stackDepth();
    if (iceSettings_.usb) {
        std::optional<std::vector<uint32_t>> entries = ice_.iceReadStack();
        if (!entries) return false;
        for (uint32_t i = 1; i <= depth && i <= entries->size(); ++i)
            cpu.SetStackEntry(i, (*entries)[i - 1]);
        return true;
    }
    // The printer port has no stack dump: select each level in the stack pointer register.
    std::array<uint8_t, 1> spByte{};
    if (!readBytes(reg::kStackPointer, spByte)) return false;
    bool ok = true;
    for (uint32_t i = 1; i <= depth && ok; ++i) {
        const std::array<uint8_t, 1> select = {static_cast<uint8_t>((spByte[0] & 0xE0) | i)};
        std::array<uint8_t, 3> tos{};
        ok = writeBytes(reg::kStackPointer, select) && readBytes(reg::kTosUpper, tos);
        if (ok) cpu.SetStackEntry(i, bigEndian(tos));
    }
    return writeBytes(reg::kStackPointer, spByte) && ok;
}

bool EmulatorRun::refreshMirror() {
    CpuState& cpu = up_.cpu();
    std::optional<uint32_t> pc = readPc();
    if (!pc) return false;
    if (*pc >= kRunAwayPc) {
        EmulatorRangeGuard(kRunAwayPc);
        pc = 0;
    }
    cpu.SetPC(*pc);

    std::array<uint8_t, 4> cycles{};
    if (!readBytes(kIceCycles, cycles)) return false;
    cpu.SetCycles(static_cast<uint16_t>(cycles[0] << 8 | cycles[1]),
                  static_cast<uint16_t>(cycles[2] << 8 | cycles[3]));

    if (!readStack()) return false;

    if (!memory_.ReadDataBytes(0, settings_.dataBytes)) return false;
    cpu.applyFixedBits();
    if (settings_.maskRegister3B) cpu.WriteData(0x3B, cpu.ReadData(0x3B) & settings_.mask3B);

    if (settings_.eeprom.mode != 0) {
        std::array<uint8_t, 2 * kInfoReadBackWords> b{};
        if (!ice_.iceSelectWordMode() || !memory_.blockRead(2 * kIceInfoBlockAddress, b, true))
            return false;
        for (size_t i = 0; i < infoReadBack_.size(); ++i)
            infoReadBack_[i] = static_cast<uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);
    }
    return true;
}

std::optional<uint8_t> EmulatorRun::writeRegister(uint32_t address, uint8_t value) {
    const std::array<uint8_t, 1> out = {value};
    std::array<uint8_t, 1> back{};
    if (!writeBytes(address, out) || !readBytes(address, back)) return std::nullopt;
    return back[0];
}

// --- run control --------------------------------------------------------------------------------

bool EmulatorRun::EmulatorRangeGuard(uint32_t limit) {
    std::optional<uint32_t> pc = readPc();
    if (!pc) return false;
    if (*pc < limit) return true;

    if (ice_.matchedBodyId() == kBody8024 && settings_.eeprom.mode != 0) {
        // A self-EROM body first executes one word at 4000h, where its EEPROM words live.
        std::array<uint8_t, 2> saved{};
        if (!ice_.iceReadWords(kEepromWordBase, std::span<uint8_t>(saved))) return false;
        const uint16_t jump = up_.core() == CoreType::CX4B ? kRunAwayWordCx4b : kRunAwayWordCx4a;
        const bool ok = eepromTarget_.beginPatch() && ice_.iceWriteWord(kEepromWordBase, jump);
        eepromTarget_.endPatch();
        if (!ok) return false;
        ice_.iceStep(1);
        ice_.iceHalt();
        const bool back = eepromTarget_.beginPatch() &&
                          ice_.iceWriteWord(kEepromWordBase, uint16_t(saved[0] << 8 | saved[1]));
        eepromTarget_.endPatch();
        if (!back) return false;
    }

    std::array<uint32_t, 16> table = up_.comparatorImage();
    table[0] = 0;
    if (up_.breakpoints().empty()) table.fill(0);
    tableDirty_ = true;
    if (!ice_.iceWriteBreakTable(table) || !ice_.iceGoVariant()) return false;
    const Clock::time_point deadline = Clock::now() + kGuardTimeout;
    bool stopped = false;
    for (;;) {
        const IceStopPoll poll = ice_.iceStopped();
        if (poll.linkLost) return false;
        if (poll.stopped) {
            stopped = true;
            break;
        }
        if (Clock::now() >= deadline) break;
        wait(std::chrono::milliseconds(10));
    }
    // A target that did not stop is not left running behind the host's back.
    ice_.iceHalt();
    if (!stopped) return false;

    const std::array<uint8_t, 4> zeroCycles{};
    const std::array<uint8_t, 3> zeroPc{};
    if (!writeBytes(kIceCycles, zeroCycles) || !writeBytes(kIcePc, zeroPc)) return false;
    up_.cpu().SetPC(0);
    // The mirror too, or the next run's preparation would put the old count back.
    up_.cpu().SetCycles(0, 0);
    table[0] = kNoMatch;
    if (up_.breakpoints().empty()) table.fill(kNoMatch);
    return ice_.iceWriteBreakTable(table);
}

void EmulatorRun::prepare() {
    const uint32_t c = up_.cpu().GetCycles();
    const std::array<uint8_t, 4> cycles = {static_cast<uint8_t>(c >> 24),
                                           static_cast<uint8_t>(c >> 16),
                                           static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
    writeBytes(kIceCycles, cycles);
    ice_.iceSetWatch(settings_.watchMask, settings_.watchData, settings_.watchAddress);
    ice_.iceStopOnStack();
}

void EmulatorRun::startRun(bool withComparators) {
    if (tableDirty_) {
        ice_.iceWriteBreakTable(up_.comparatorImage());
        tableDirty_ = false;
    }
    prepare();
    runWithComparators_ = withComparators;
    if (withComparators)
        ice_.iceGoVariant();
    else
        ice_.iceGo();
    if (blockingRuns_ && !polling_) pollUntilStopped();
}

// A run resumed by the stop handling (an EEPROM access) restarts the run timer inside this loop,
// which then simply goes on polling instead of nesting. Memory accesses end a run, so between
// two polls the target is halted, looked at and started again.
void EmulatorRun::pollUntilStopped() {
    polling_ = true;
    cycleLimitReached_ = false;
    stoppedAsleep_ = false;
    const uint32_t start = up_.cpu().GetCycles(); // what prepare wrote to the emulator
    uint32_t last = start;
    int still = 0;
    while (up_.runTimerEnabled()) {
        up_.RunTimerTick();
        if (!up_.runTimerEnabled()) continue;
        std::array<uint8_t, 4> b{};
        std::array<uint8_t, 1> spByte{};
        std::optional<uint32_t> pc;
        // A failure here is reported by the next poll as a lost link.
        if (!ice_.iceHalt() || !(pc = readPc()) || !readBytes(kIceCycles, b) ||
            !readBytes(reg::kStackPointer, spByte))
            continue;
        // Halted at a stop of its own: the next poll finds it stopped and handles it as usual.
        const auto& table = up_.comparatorImage();
        if (runWithComparators_ && std::find(table.begin(), table.end(), *pc) != table.end())
            continue;
        if (iceSettings_.stopOnStackOverflow && (spByte[0] & sp::kFull)) continue;
        const uint32_t cycles = bigEndian(b);
        if (cycleLimit_ != 0 && uint32_t(cycles - start) >= cycleLimit_) {
            cycleLimitReached_ = true;
            up_.Stop();
            continue;
        }
        if (cycles == last) {
            // Nobody can press the target's button here: a sleeping target ends the run.
            if (++still >= kAsleepPolls) {
                stoppedAsleep_ = true;
                up_.Stop();
                continue;
            }
        } else {
            still = 0;
            last = cycles;
        }
        if (runWithComparators_)
            ice_.iceGoVariant();
        else
            ice_.iceGo();
    }
    polling_ = false;
}

EmulatorRunPort::Poll EmulatorRun::pollStopped() {
    const IceStopPoll poll = ice_.iceStopped();
    if (poll.linkLost) return Poll::LinkLost;
    if (!poll.stopped) return Poll::Running;
    // Stop disarms the temporary breakpoint before the stop handling sees it.
    stoppedRunTemporary_.reset();
    if (up_.temporaryBreakpointArmed()) stoppedRunTemporary_ = up_.temporaryBreakpoint();
    return Poll::Stopped;
}

void EmulatorRun::halt() {
    ice_.iceHalt();
    refreshMirror();
}

void EmulatorRun::step(uint32_t count) {
    if (tableDirty_) {
        ice_.iceWriteBreakTable(up_.comparatorImage());
        tableDirty_ = false;
    }
    prepare();
    ice_.iceStep(static_cast<uint8_t>(count));
    wait(kStepWait);
    ice_.iceHalt();
    refreshMirror();
}

void EmulatorRun::writeBreakTable(const std::array<uint32_t, 16>& comparators) {
    tableDirty_ = false;
    ice_.iceWriteBreakTable(comparators);
}

EmulatorRunPort::Body EmulatorRun::checkBody() {
    if (ice_.readIceBodyId() == 0) return Body::Supported;
    return ice_.iceBodyId() == 0 ? Body::Asleep : Body::Missing;
}

std::optional<uint32_t> EmulatorRun::readStackEntry(uint32_t level) {
    std::array<uint8_t, 1> spByte{};
    if (!readBytes(reg::kStackPointer, spByte)) return std::nullopt;
    const std::array<uint8_t, 1> select = {
        static_cast<uint8_t>((spByte[0] & 0xE0) | (level & 0x1F))};
    std::array<uint8_t, 3> tos{};
    const bool ok = writeBytes(reg::kStackPointer, select) && readBytes(reg::kTosUpper, tos);
    const bool restored = writeBytes(reg::kStackPointer, spByte);
    if (!ok || !restored) return std::nullopt;
    return bigEndian(tos);
}

uint32_t EmulatorRun::readTraceEntry(uint32_t index) {
    std::array<uint8_t, 3> b{};
    if (!readBytes(kIceTrace + 3 * std::min<uint32_t>(index, 15), b)) return 0;
    return bigEndian(b);
}

void EmulatorRun::writePC(uint32_t address) {
    const std::array<uint8_t, 3> b = {static_cast<uint8_t>(address >> 16),
                                      static_cast<uint8_t>(address >> 8),
                                      static_cast<uint8_t>(address)};
    writeBytes(kIcePc, b);
}

void EmulatorRun::resetTarget() {
    memory_.DownloadAndVerify(false);
}

bool EmulatorRun::emulatedStep() {
    if (!eepromActive()) return false;
    CpuState& cpu = up_.cpu();
    if (!eeprom_.isAccess(up_.instructions(), cpu.ProgramWord(cpu.GetPC()))) return false;
    up_.setBusy(true);
    eeprom_.emulatedStep(up_.instructions());
    if (up_.temporaryBreakpointArmed()) {
        up_.Stop(); // halt, refresh, disarm the temporary breakpoint, notify, clear busy
        return true;
    }
    refreshMirror();
    up_.OnStopped().emit();
    up_.setBusy(false);
    return true;
}

void EmulatorRun::afterStop() {
    const std::optional<uint32_t> temporary = stoppedRunTemporary_;
    stoppedRunTemporary_.reset();
    if (!eepromActive()) return;
    CpuState& cpu = up_.cpu();
    const uint32_t pc = cpu.GetPC();
    if (pc == 0) {
        programResetRequested_.emit();
        return;
    }
    const auto& list = up_.breakpoints();
    const auto reservedEnd = list.begin() + std::ptrdiff_t(up_.reservedBreakpoints());
    const bool atReserved = std::any_of(list.begin(), reservedEnd,
                                        [pc](const BreakpointEntry& e) { return e.address == pc; });
    if (!atReserved) return;
    // The run reached where it was going: that is a real stop.
    if (temporary && *temporary == pc) return;
    const uint8_t ie0 = cpu.ReadData(reg::kIntEnable0);
    up_.WriteRegister(reg::kIntEnable0, ie0 & ~kGlobalInterrupts);
    up_.StepInto();
    up_.WriteRegister(reg::kIntEnable0, ie0);
    if (temporary)
        up_.RunTo(*temporary);
    else
        up_.Run();
}

} // namespace zerka
