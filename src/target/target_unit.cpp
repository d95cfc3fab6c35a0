#include "target/target_unit.h"

#include "core/text.h"

#include <algorithm>
#include <cstring>

namespace zerka {

namespace {

// The stack window of the data memory: the pointer register selects the level that the three
// top-of-stack bytes show.
constexpr uint32_t kTosUpper = reg::kTosUpper;
constexpr uint32_t kTosLow = reg::kTosLow;
constexpr uint32_t kStackPointer = reg::kStackPointer;

// A step never runs longer than the 8-bit step counter can count.
constexpr int kMaxStepInstructions = 256;

uint32_t count24(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) << 16 | static_cast<uint32_t>(b[1]) << 8 | b[2];
}

} // namespace

TargetUnit::TargetUnit(TargetConfig config)
    : config_(std::move(config)), engine_(config_.core), programmer_(config_.programmer) {
    if (config_.programWords != 8192 && config_.programWords != 16384)
        config_.programWords = CpuState::kMaxProgramWords;
    if (config_.packetSize == 0) config_.packetSize = 64;
    cpu_.setProgramSize(CpuState::kMaxProgramWords);
    cpu_.setStackDepth(config_.stackDepth);
    comparators_.fill(0xFF);
}

size_t TargetUnit::packetLimit() const {
    return config_.usbForm == UsbForm::Hid ? kHidReportBytes : config_.packetSize;
}

void TargetUnit::logCommand(const std::string& text) const {
    if (log_) log_(text);
}

// ---- faults -----------------------------------------------------------------------------

void TargetUnit::setFault(const FaultPlan& plan) {
    fault_ = plan;
    faultPackets_ = 0;
    unplugged_ = false;
}

bool TargetUnit::faultActive(FaultKind kind) const {
    if (fault_.kind != kind || faultPackets_ <= fault_.afterPackets) return false;
    return fault_.packets == 0 || faultPackets_ <= uint64_t(fault_.afterPackets) + fault_.packets;
}

std::chrono::milliseconds TargetUnit::answerDelay() const {
    return faultActive(FaultKind::Slow) ? fault_.delay : std::chrono::milliseconds(0);
}

void TargetUnit::replug() {
    unplugged_ = false;
    if (fault_.kind == FaultKind::Disconnect) fault_ = {};
}

bool TargetUnit::portSilent() const {
    return unplugged_ || faultActive(FaultKind::NoAnswer);
}

bool TargetUnit::portWrongByte() const {
    return faultActive(FaultKind::WrongByte);
}

void TargetUnit::frameStarted() {
    ++faultPackets_;
    ++totalPackets_;
    if (faultActive(FaultKind::Disconnect)) unplugged_ = true;
    tick();
}

// ---- packets ----------------------------------------------------------------------------------

void TargetUnit::connectionOpened() {
    block_ = {};
    blockChunkPending_ = false;
    replyPending_ = false;
    programmer_.connectionOpened();
}

void TargetUnit::reply(std::initializer_list<uint8_t> bytes) {
    reply_.assign(bytes.begin(), bytes.end());
    replyPending_ = true;
}

void TargetUnit::replyBytes(std::vector<uint8_t> bytes) {
    reply_ = std::move(bytes);
    replyPending_ = true;
}

bool TargetUnit::hostWrite(const uint8_t* data, size_t n) {
    ++faultPackets_;
    ++totalPackets_;
    if (faultActive(FaultKind::Disconnect)) unplugged_ = true;
    if (unplugged_) return false;
    replyPending_ = false;
    blockChunkPending_ = false;
    // A HID report always carries 64 bytes, whatever the host meant to send.
    std::array<uint8_t, kHidReportBytes> report{};
    if (config_.usbForm == UsbForm::Hid) {
        std::memcpy(report.data(), data, std::min(n, report.size()));
        data = report.data();
        n = report.size();
    }
    if (n == 0) return true;
    tick();
    handlePacket(data, n);
    return true;
}

bool TargetUnit::hostRead(uint8_t* data, size_t n, size_t& got) {
    got = 0;
    if (unplugged_ || faultActive(FaultKind::NoAnswer)) return false;
    if (blockChunkPending_) {
        // The next piece of a block read, as large as one packet allows.
        blockChunkPending_ = false;
        const size_t piece = std::min<size_t>({n, packetLimit(), block_.remaining});
        for (size_t i = 0; i < piece; ++i)
            data[i] = readByteStream(block_.address + static_cast<uint32_t>(i));
        block_.address += static_cast<uint32_t>(piece);
        block_.remaining -= static_cast<uint32_t>(piece);
        if (block_.remaining == 0) block_.active = false;
        got = piece;
    } else {
        if (!replyPending_) return false;
        replyPending_ = false;
        if (config_.usbForm == UsbForm::Hid && reply_.size() < kHidReportBytes)
            reply_.resize(kHidReportBytes, 0);
        got = std::min(n, reply_.size());
        std::memcpy(data, reply_.data(), got);
    }
    if (got && faultActive(FaultKind::WrongByte)) data[0] ^= 0x5A;
    return true;
}

void TargetUnit::handlePacket(const uint8_t* p, size_t n) {
    if (block_.active && block_.write) {
        blockWriteChunk(p, n);
        return;
    }
    std::optional<std::vector<uint8_t>> answer;
    if (programmer_.handlePacket(p, n, packetLimit(), answer)) {
        logCommand(hexText(p[0], 2) + " " + hexText(n > 1 ? p[1] : 0, 2) + " programmer");
        if (answer) replyBytes(std::move(*answer));
        return;
    }
    switch (p[0]) {
    case kUnitSystemCommand:
        handleSystem(p, n);
        return;
    case 0xC5:
        handleHandshake(p, n);
        return;
    case 0xBB:
        handleDisplay(p, n);
        return;
    default:
        break;
    }
    if (mode_ == UnitMode::Programmer) {
        // The emulator is not reachable while the programmer has the unit.
        logCommand(hexText(p[0], 2) + " refused: programmer mode");
        block_ = {};
        replyBytes(std::vector<uint8_t>(std::max<size_t>(n, 8), kUnitBusy));
        return;
    }
    handleEmulator(p, n);
}

void TargetUnit::handleSystem(const uint8_t* p, size_t n) {
    const uint8_t sub = n > 1 ? p[1] : 0;
    const uint16_t param = static_cast<uint16_t>((n > 2 ? p[2] : 0) | (n > 3 ? p[3] : 0) << 8);
    std::vector<uint8_t> r(8, 0);
    auto put32 = [&r](uint32_t v) {
        r[0] = static_cast<uint8_t>(v >> 24);
        r[1] = static_cast<uint8_t>(v >> 16);
        r[2] = static_cast<uint8_t>(v >> 8);
        r[3] = static_cast<uint8_t>(v);
    };
    auto putText = [&r](const std::string& text) {
        for (size_t i = 0; i < 8; ++i)
            r[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
    };
    switch (sub) {
    case kSystemSetDeviceNumber:
        logCommand("F9 01 device number " + std::to_string(param));
        r[0] = kUnitAck;
        break;
    case kSystemProbe:
        logCommand("F9 02 probe");
        r[0] = 0xFF;
        r[1] = 0xFF;
        break;
    case 0x03:
    case 0x05:
        put32(0);
        break;
    case kSystemDeviceNumber:
        logCommand("F9 04 device number");
        put32(config_.deviceNumber);
        break;
    case kSystemDeviceNumber2:
        logCommand("F9 06 device number 2");
        put32(config_.deviceNumber2);
        break;
    case kSystemFirmwareText:
    case 0xFF:
        logCommand("F9 " + hexText(sub, 2) + " firmware text");
        putText(config_.firmware);
        break;
    case kSystemModeSwitch: {
        const bool take = n > 2 && p[2] == 1;
        if (take && running_) {
            logCommand("F9 0C take refused: the emulator runs");
            r[0] = kUnitAck;
            r[1] = 1;
            break;
        }
        if (!take && programmer_.jobRunning()) {
            logCommand("F9 0C debug mode refused: a programmer job runs");
            r[0] = kUnitAck;
            r[1] = 1;
            break;
        }
        mode_ = take ? UnitMode::Programmer : UnitMode::Debug;
        programmer_.modeChanged();
        logCommand(take ? "F9 0C programmer mode" : "F9 0C debug mode");
        r[0] = kUnitAck;
        r[1] = 0;
        break;
    }
    case kSystemModel:
        logCommand("F9 AC model");
        putText(config_.model);
        break;
    default:
        if (programmer_.handleSystem(sub, p, n, r)) {
            logCommand("F9 " + hexText(sub, 2) + " programmer setting");
            break;
        }
        logCommand("F9 " + hexText(sub, 2) + " not supported");
        r.assign(8, kUnitBusy);
        break;
    }
    replyBytes(std::move(r));
}

void TargetUnit::handleHandshake(const uint8_t* p, size_t n) {
    std::vector<uint8_t> r(64, 0);
    r[0] = 0xC5;
    r[1] = 0xFF;
    const uint8_t sub = n > 2 ? p[2] : 0;
    r[2] = sub;
    if (sub == 0x01) {
        // The unit picks a session byte; the second packet must bring it back.
        handshakeKey_ = static_cast<uint8_t>(handshakeKey_ * 5 + 0x3B);
        handshakeDone_ = false;
        r[3] = handshakeKey_;
        logCommand("C5 FF 01 handshake");
    } else {
        handshakeDone_ = n > 3 && p[3] == handshakeKey_;
        r[3] = handshakeDone_ ? 0x00 : 0xFF;
        logCommand(handshakeDone_ ? "C5 FF 00 handshake complete" : "C5 FF 00 wrong session byte");
    }
    replyBytes(std::move(r));
}

void TargetUnit::handleDisplay(const uint8_t* p, size_t n) {
    const uint8_t sub = n > 1 ? p[1] : 0;
    switch (sub) {
    case 0x00:
        display_.assign(kDisplayChars, ' ');
        cursor_ = 0;
        logCommand("BB 00 clear display");
        break;
    case 0x01:
        cursor_ = n > 2 ? std::min<size_t>(p[2], kDisplayChars - 1) : 0;
        logCommand("BB 01 display position " + std::to_string(cursor_));
        break;
    case 0x02: {
        const size_t len = n > 2 ? std::min<size_t>(p[2], n - 3) : 0;
        for (size_t i = 0; i < len && cursor_ < kDisplayChars; ++i)
            display_[cursor_++] = static_cast<char>(p[3 + i]);
        if (cursor_ >= kDisplayChars) cursor_ = 0;
        logCommand("BB 02 display \"" + display_ + "\"");
        break;
    }
    default:
        logCommand("BB " + hexText(sub, 2) + " not supported");
        reply({kUnitBusy});
        return;
    }
    std::vector<uint8_t> r(8, 0);
    r[0] = kUnitAck;
    r[1] = static_cast<uint8_t>(cursor_);
    replyBytes(std::move(r));
}

std::string TargetUnit::displayLine(int line) const {
    if (line < 0 || line > 1) return {};
    return display_.substr(static_cast<size_t>(line) * 16, 16);
}

void TargetUnit::handleEmulator(const uint8_t* p, size_t n) {
    auto arg = [p, n](size_t i) -> uint8_t { return i < n ? p[i] : 0; };
    switch (p[0]) {
    case 0xA1:
        accessMode_ = arg(1);
        logCommand("A1 access mode " + std::to_string(accessMode_));
        reply({kUnitAck, accessMode_});
        return;
    case 0xA2:
        handleBlockHeader(p, n);
        return;
    case 0xA3:
        if (block_.active && !block_.write) {
            blockChunkPending_ = true;
            return;
        }
        logCommand("A3 without a block read");
        return; // no answer
    case kIceMemoryCommand: {
        if (n < 7) {
            logCommand("A4 too short");
            return;
        }
        const uint8_t addressBytes[3] = {arg(1), arg(2), arg(3)};
        const uint32_t a = iceAddressFromBytes(addressBytes);
        const bool read = iceAddressReads(addressBytes);
        const uint32_t length = count24(p + 4);
        const std::string space = byteMode() ? " byte " : " word ";
        if (read) {
            logCommand("A4 read" + space + hexText(a, 5) + " " + std::to_string(length));
            // One answer can never exceed the largest packet the unit moves.
            const size_t count = std::min<size_t>(length, 4096);
            std::vector<uint8_t> r(count);
            for (size_t i = 0; i < count; ++i)
                r[i] = readByteStream(a + static_cast<uint32_t>(i));
            replyBytes(std::move(r));
        } else {
            logCommand("A4 write" + space + hexText(a, 5) + " " + std::to_string(length));
            const size_t count = std::min<size_t>(length, n - 7);
            for (size_t i = 0; i < count; ++i)
                writeByteStream(a + static_cast<uint32_t>(i), p[7 + i], true);
            reply({kUnitAck, static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)});
        }
        return;
    }
    case 0xA5:
        logCommand("A5 end");
        reply({kUnitAck});
        return;
    case 0xA6:
        logCommand("A6 control " + hexText(arg(1), 2));
        writeControl(arg(1));
        reply({kUnitAck});
        return;
    case 0xA7:
        logCommand("A7 read control");
        reply({kUnitAck, control_});
        return;
    case 0xA8:
        reply({kUnitAck, statusRegister()});
        return;
    case 0xB5: {
        const bool on = arg(2) == 0;
        if (arg(1) == 0x04) eepromLocked_ = !on;
        logCommand(on ? "B5 EEPROM program-memory mode on" : "B5 EEPROM program-memory mode off");
        reply({kUnitAck});
        return;
    }
    case 0xB9: {
        const uint8_t depth = std::min<uint8_t>(arg(1), CpuState::kStackEntries - 1);
        logCommand("B9 stack " + std::to_string(depth));
        std::vector<uint8_t> r;
        for (uint32_t level = 1; level <= depth; ++level) {
            const uint32_t e = cpu_.StackEntry(level);
            r.push_back(static_cast<uint8_t>(e >> 16));
            r.push_back(static_cast<uint8_t>(e >> 8));
            r.push_back(static_cast<uint8_t>(e));
        }
        replyBytes(std::move(r));
        return;
    }
    default:
        logCommand(hexText(p[0], 2) + " unknown command");
        reply({kUnitBusy});
        return;
    }
}

void TargetUnit::handleBlockHeader(const uint8_t* p, size_t n) {
    if (n < 7) {
        logCommand("A2 too short");
        reply({kUnitBusy});
        return;
    }
    const uint32_t a = iceAddressFromBytes(p + 1);
    const bool read = iceAddressReads(p + 1);
    const uint32_t count = count24(p + 4);
    block_ = {};
    if (count == 0) {
        reply({kUnitBlockAck});
        return;
    }
    block_.active = true;
    block_.write = !read;
    block_.address = a;
    block_.remaining = count;
    // The EEPROM needs the long write pulse; the RAM takes any.
    block_.programmed =
        read || config_.memoryType != RomType::Eeprom28C256 || (n > 7 && p[7] >= 10);
    logCommand(std::string("A2 block ") + (read ? "read" : "write") +
               (byteMode() ? " byte " : " word ") + hexText(a, 5) + " " + std::to_string(count) +
               (read ? std::string() : " pulse " + std::to_string(n > 7 ? p[7] : 0)));
    reply({kUnitBlockAck});
}

void TargetUnit::blockWriteChunk(const uint8_t* p, size_t n) {
    const size_t piece = std::min<size_t>({n, packetLimit(), block_.remaining});
    for (size_t i = 0; i < piece; ++i)
        writeByteStream(block_.address + static_cast<uint32_t>(i), p[i], block_.programmed);
    block_.address += static_cast<uint32_t>(piece);
    block_.remaining -= static_cast<uint32_t>(piece);
    if (block_.remaining == 0) block_.active = false;
    reply({kUnitAck, static_cast<uint8_t>(block_.remaining >> 8),
           static_cast<uint8_t>(block_.remaining)});
}

// ---- memory -------------------------------------------------------------------------------------

uint16_t TargetUnit::programWord(uint32_t wordAddress) const {
    return cpu_.ProgramWord(wordAddress & (config_.programWords - 1));
}

void TargetUnit::setProgramWord(uint32_t wordAddress, uint16_t value) {
    cpu_.SetProgramWord(wordAddress & (config_.programWords - 1), value);
}

uint16_t TargetUnit::readWordSpace(uint32_t w) const {
    if (w < kIceInfoBlockAddress) return programWord(w);
    if (w < kIceInfoBlockAddress + kIceBlockWords) return info_[w - kIceInfoBlockAddress];
    if (w >= kIceConfigWordAddress && w < kIceConfigWordAddress + kIceBlockWords)
        return configBlock_[w - kIceConfigWordAddress];
    return 0xFFFF;
}

void TargetUnit::writeWordSpace(uint32_t w, uint16_t value, bool programmed) {
    if (config_.memoryType == RomType::Eeprom28C256 && (eepromLocked_ || !programmed)) return;
    if (w < kIceInfoBlockAddress) {
        setProgramWord(w, value);
    } else if (w < kIceInfoBlockAddress + kIceBlockWords) {
        info_[w - kIceInfoBlockAddress] = value;
    } else if (w >= kIceConfigWordAddress && w < kIceConfigWordAddress + kIceBlockWords) {
        configBlock_[w - kIceConfigWordAddress] = value;
    }
}

void TargetUnit::setStuckBits(bool programMemory, uint32_t byteAddress, uint8_t stuckHigh) {
    stuck_.push_back({programMemory, byteAddress, stuckHigh});
}

uint8_t TargetUnit::readByteStream(uint32_t a) {
    uint8_t v = 0;
    if (byteMode()) {
        v = a < kIceRegisterSpace ? readDataByte(a) : readRegister(a);
    } else {
        const uint16_t word = readWordSpace(a >> 1);
        v = static_cast<uint8_t>((a & 1) ? word : word >> 8);
    }
    for (const StuckBits& s : stuck_)
        if (s.program != byteMode() && s.address == a) v |= s.mask;
    return v;
}

void TargetUnit::writeByteStream(uint32_t a, uint8_t value, bool programmed) {
    if (byteMode()) {
        if (a < kIceRegisterSpace)
            writeDataByte(a, value);
        else
            writeRegister(a, value);
        return;
    }
    const uint32_t w = a >> 1;
    uint16_t word = readWordSpace(w);
    word = (a & 1) ? static_cast<uint16_t>((word & 0xFF00) | value)
                   : static_cast<uint16_t>((word & 0x00FF) | value << 8);
    writeWordSpace(w, word, programmed);
}

void TargetUnit::eepromCommandCycle(uint32_t a, uint8_t value) {
    for (size_t s = 0; s < 4; ++s) {
        const EepromProtectSequence& seq = kEepromProtectSequences[s];
        uint8_t& at = sdpProgress_[s];
        if (seq.cycles[at].address == a && seq.cycles[at].data == value) {
            ++at;
        } else {
            at = (seq.cycles[0].address == a && seq.cycles[0].data == value) ? 1 : 0;
        }
        if (at == seq.length) {
            at = 0;
            eepromLocked_ = seq.locks;
            logCommand(seq.locks ? "EEPROM protection on" : "EEPROM protection off");
        }
    }
}

uint8_t TargetUnit::readDataByte(uint32_t a) {
    if (a >= kTosUpper && a <= kTosLow) {
        const uint32_t e = cpu_.StackEntry(cpu_.ReadData(kStackPointer) & sp::kPointerMask);
        return static_cast<uint8_t>(e >> (8 * (kTosLow - a)));
    }
    return cpu_.ReadData(a);
}

void TargetUnit::writeDataByte(uint32_t a, uint8_t value) {
    cpu_.WriteData(a, value);
    // Writing the last top-of-stack byte takes the PC into the selected stack entry.
    if (a == kTosLow)
        cpu_.SetStackEntry(cpu_.ReadData(kStackPointer) & sp::kPointerMask, cpu_.GetPC());
}

uint32_t TargetUnit::pcFromBytes() const {
    return (static_cast<uint32_t>(pcBytes_[0]) << 16 | pcBytes_[1] << 8 | pcBytes_[2]) &
           CpuState::kPcMask;
}

uint32_t TargetUnit::comparator(size_t k) const {
    if (k >= 16) return 0;
    return static_cast<uint32_t>(comparators_[3 * k]) << 16 | comparators_[3 * k + 1] << 8 |
           comparators_[3 * k + 2];
}

uint8_t TargetUnit::readRegister(uint32_t a) {
    if (a >= kIceBreakTable && a < kIceTrace) return comparators_[a - kIceBreakTable];
    if (a >= kIceTrace && a < kIceStepCount) {
        const uint32_t i = (a - kIceTrace) / 3;
        const uint32_t e = cpu_.HistoryEntry(i);
        return static_cast<uint8_t>(e >> (8 * (2 - (a - kIceTrace) % 3)));
    }
    if (a == kIceStepCount) return stepCount_;
    if (a >= kIceCycles && a < kIceBodyIdAddress)
        return static_cast<uint8_t>(cpu_.GetCycles() >> (8 * (kIceBodyIdAddress - 1 - a)));
    if (a == kIceBodyIdAddress || a == kIceBodyIdAddress + 1) {
        // A sleeping chip does not answer with its identifier.
        const uint16_t id = cpu_.sleeping() ? 0 : config_.bodyId;
        return static_cast<uint8_t>(a == kIceBodyIdAddress ? id >> 8 : id);
    }
    if (a >= kIceWatch && a < kIcePc) return watch_[a - kIceWatch];
    if (a >= kIcePc && a < kIceOption) {
        const uint32_t pc = cpu_.GetPC();
        return static_cast<uint8_t>(pc >> (8 * (kIceOption - 1 - a)));
    }
    if (a == kIceOption) return option_;
    if (a == kIceCoreSelect) return engine_.core() == CoreType::CX4B ? 1 : 0;
    return 0;
}

void TargetUnit::writeRegister(uint32_t a, uint8_t value) {
    if (a >= kIceBreakTable && a < kIceTrace) {
        comparators_[a - kIceBreakTable] = value;
    } else if (a == kIceStepCount) {
        stepCount_ = value;
    } else if (a >= kIceCycles && a < kIceBodyIdAddress) {
        const unsigned shift = 8 * (kIceBodyIdAddress - 1 - a);
        const uint32_t c = (cpu_.GetCycles() & ~(0xFFu << shift)) | static_cast<uint32_t>(value)
                                                                        << shift;
        cpu_.SetCycles(static_cast<uint16_t>(c >> 16), static_cast<uint16_t>(c));
    } else if (a >= kIceWatch && a < kIcePc) {
        watch_[a - kIceWatch] = value;
    } else if (a >= kIcePc && a < kIceOption) {
        const uint32_t pc = cpu_.GetPC();
        pcBytes_ = {static_cast<uint8_t>(pc >> 16), static_cast<uint8_t>(pc >> 8),
                    static_cast<uint8_t>(pc)};
        pcBytes_[a - kIcePc] = value;
        cpu_.SetPC(pcFromBytes());
        cpu_.clearPendingOperation();
    } else if (a == kIceOption) {
        option_ = value;
    } else if (a == kIceCoreSelect) {
        setCore(value & 1 ? CoreType::CX4B : CoreType::CX4A);
    }
    // Everything else in the register space (the trace, the identifier) is read-only.
}

void TargetUnit::setCore(CoreType core) {
    if (core != engine_.core()) engine_ = Engine(core);
}

// ---- execution
// ------------------------------------------------------------------------------------

void TargetUnit::writeControl(uint8_t value) {
    const bool wasRunRequest = (control_ & kIceCtlRun) != 0;
    const bool bit1Was = (control_ & kIceCtlMonitor) != 0;
    const bool bit1 = (value & kIceCtlMonitor) != 0;
    if (bit1Was && !bit1 && !running_) monitorHeld_ = true;
    if (!bit1Was && bit1 && monitorHeld_) {
        monitorHeld_ = false;
        ++monitorStarts_;
        logCommand("system monitor started");
    }
    control_ = value;
    if (!(value & kIceCtlRun)) {
        if (running_) logCommand("halt at " + hexText(cpu_.GetPC(), 4));
        stopRun();
        return;
    }
    // The run request starts the CPU on its rising edge.
    if (wasRunRequest || running_) return;
    if (value & kIceCtlStep)
        runStep();
    else
        startRun();
}

uint8_t TargetUnit::statusRegister() {
    return running_ ? 0x04 : 0x00;
}

void TargetUnit::placeComparatorMarks(bool on) {
    for (uint32_t a : markedCells_)
        cpu_.SetBreakpointMark(a, BreakpointKind::Address, false);
    markedCells_.clear();
    if (!on) return;
    for (size_t k = 0; k < 16; ++k) {
        const uint32_t a = comparator(k);
        if (a < CpuState::kMaxProgramWords &&
            cpu_.SetBreakpointMark(a, BreakpointKind::Address, true))
            markedCells_.push_back(a);
    }
}

void TargetUnit::startRun() {
    comparatorsOn_ = (control_ & kIceCtlComparators) != 0;
    running_ = true;
    logCommand("run from " + hexText(cpu_.GetPC(), 4) +
               (comparatorsOn_ ? " with comparators" : ""));
}

void TargetUnit::runStep() {
    // The step counter stops the CPU when the low byte of the cycle counter reaches it.
    const uint32_t start = cpu_.GetCycles();
    uint32_t need = static_cast<uint8_t>(stepCount_ - static_cast<uint8_t>(start));
    if (need == 0) need = 256;
    for (int i = 0; i < kMaxStepInstructions && cpu_.GetCycles() - start < need; ++i) {
        if (cpu_.sleeping() || cpu_.idle()) break;
        engine_.ExecuteOne(cpu_);
        engine_.CheckInterrupt(cpu_);
    }
    running_ = false;
    logCommand("step to " + hexText(cpu_.GetPC(), 4));
}

void TargetUnit::tick() {
    if (!running_) return;
    RunStops stops;
    stops.stopOnStackFull = (control_ & kIceCtlStopOnStack) != 0;
    placeComparatorMarks(comparatorsOn_);
    const uint8_t watchMask = watch_[0];
    const uint32_t watchAddress =
        (static_cast<uint32_t>(watch_[2]) << 8 | watch_[3]) & (CpuState::kDataSize - 1);
    BatchResult result;
    if (watchMask == 0) {
        result = engine_.RunBatch(cpu_, stops, config_.runSlice);
    } else {
        // The data watch looks at every instruction: stop when the byte changes to the data.
        for (uint32_t i = 0; i < config_.runSlice; ++i) {
            const uint8_t before = cpu_.ReadData(watchAddress);
            result = engine_.RunBatch(cpu_, stops, 1);
            if (result.reason != StopReason::None && result.reason != StopReason::Asleep) break;
            const uint8_t after = cpu_.ReadData(watchAddress);
            if (after != before && (after & watchMask) == (watch_[1] & watchMask)) {
                result.reason = StopReason::Breakpoint;
                break;
            }
        }
    }
    placeComparatorMarks(false);
    if (result.reason == StopReason::Breakpoint || result.reason == StopReason::StackFull) {
        running_ = false;
        logCommand(
            std::string(result.reason == StopReason::StackFull ? "stack overflow" : "break") +
            " at " + hexText(cpu_.GetPC(), 4));
    }
}

void TargetUnit::pressWakeButton() {
    cpu_.setSleep(false);
    cpu_.setIdle(false);
}

} // namespace zerka
