#include "link/ice_commands.h"

#include "link/unit_system.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace zerka {

namespace {

constexpr size_t kHeaderBytes = 7;
// Bytes cleared before a memory read reply arrives.
constexpr size_t kReadClearBytes = 81;

// The printer-port emulator's stack pointer register and the three bytes of the selected level.
constexpr uint32_t kLptStackPointer = 24;
constexpr uint32_t kLptStackEntry = 21;

// A printer-port frame is one transfer: its progress is told every so many bytes.
constexpr size_t kLptProgressBytes = 256;

size_t evenDown(size_t n) {
    return n & ~static_cast<size_t>(1);
}

} // namespace

WaitHook clockWait(YieldHook yield) {
    return [yield](std::chrono::milliseconds ms) {
        const auto deadline = std::chrono::steady_clock::now() + ms;
        while (std::chrono::steady_clock::now() < deadline) {
            if (yield) yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
}

void putTransferHeader(IoBuffer& io, uint8_t command, uint32_t a, bool read, size_t count) {
    const auto address = iceAddressBytes(a, read);
    io[0] = command;
    std::copy(address.begin(), address.end(), io.begin() + 1);
    io[4] = static_cast<uint8_t>(count >> 16);
    io[5] = static_cast<uint8_t>(count >> 8);
    io[6] = static_cast<uint8_t>(count);
}

IceCommands::IceCommands(UsbLink& usb, LptLink& lpt, const IceSettings& settings, WaitHook wait)
    : usb_(usb), lpt_(lpt), settings_(settings), wait_(wait ? std::move(wait) : clockWait()) {}

void IceCommands::wait(int ms) {
    wait_(std::chrono::milliseconds(ms));
}

bool IceCommands::fail() {
    usb_.linkStatus = kLinkLost;
    usb_.clearConnected();
    return false;
}

bool IceCommands::exchange(size_t writeLength, size_t readLength) {
    if (!usb_.write(writeLength) || !usb_.read(readLength)) return fail();
    return true;
}

bool IceCommands::acknowledged(size_t writeLength, size_t readLength) {
    if (!exchange(writeLength, readLength)) return false;
    if (usb_.ioBuffer[0] != kUnitAck) return fail();
    return true;
}

// ---- memory -------------------------------------------------------------------------------

bool IceCommands::usbRead(uint32_t a, uint8_t* out, size_t count, bool words) {
    size_t chunk = usb_.maxTransferBytes();
    if (words) chunk = evenDown(chunk);
    IoBuffer& io = usb_.ioBuffer;
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(chunk, count - done);
        putTransferHeader(io, kIceMemoryCommand, a + static_cast<uint32_t>(done), true, n);
        if (!usb_.write(kHeaderBytes)) return fail();
        std::fill_n(io.begin(), kReadClearBytes, 0);
        if (!usb_.read(n)) return fail();
        std::memcpy(out + done, io.data(), n);
        done += n;
    }
    return true;
}

bool IceCommands::usbWrite(uint32_t a, const uint8_t* data, size_t count, bool words) {
    size_t chunk = usb_.maxTransferBytes() - kHeaderBytes;
    if (words) chunk = evenDown(chunk);
    IoBuffer& io = usb_.ioBuffer;
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(chunk, count - done);
        putTransferHeader(io, kIceMemoryCommand, a + static_cast<uint32_t>(done), false, n);
        std::memcpy(io.data() + kHeaderBytes, data + done, n);
        if (!acknowledged(kHeaderBytes + n, 3)) return false;
        done += n;
    }
    return true;
}

void IceCommands::lptRead(uint32_t a, std::span<uint8_t> out, bool words,
                          const TransferProgress& progress) {
    const auto report = [&](size_t done) {
        if (progress) progress(done, out.size());
    };
    const auto address = iceAddressBytes(a, true);
    lpt_.lptStart();
    for (uint8_t b : address)
        lpt_.lptShiftOutByte(b);
    if (words) {
        for (size_t k = 0; 2 * k < out.size(); ++k) {
            const uint16_t w = lpt_.lptShiftInWord();
            out[2 * k] = static_cast<uint8_t>(w >> 8);
            if (2 * k + 1 < out.size()) out[2 * k + 1] = static_cast<uint8_t>(w);
            if ((2 * k + 2) % kLptProgressBytes == 0) report(2 * k + 2);
        }
    } else {
        for (size_t k = 0; k < out.size(); ++k)
            out[k] = lpt_.lptShiftInByte();
    }
    lpt_.lptEnd();
    report(out.size());
}

void IceCommands::lptWrite(uint32_t a, std::span<const uint8_t> data, bool words,
                           const TransferProgress& progress) {
    const auto report = [&](size_t done) {
        if (progress) progress(done, data.size());
    };
    if (words && settings_.romSelect == RomType::Eeprom28C256) {
        // The EEPROM takes words in pages of 32 through the slow page write.
        constexpr size_t kPageBytes = 64;
        IoBuffer& io = lpt_.ioBuffer();
        for (size_t done = 0; done + 1 < data.size(); done += kPageBytes) {
            const size_t n = evenDown(std::min(kPageBytes, data.size() - done));
            const auto address = iceAddressBytes(a + static_cast<uint32_t>(done), false);
            std::copy(address.begin(), address.end(), io.begin() + 4);
            std::memcpy(io.data() + kHeaderBytes, data.data() + done, n);
            lpt_.lptBlockWrite(n);
            report(done + n);
        }
        return;
    }
    const auto address = iceAddressBytes(a, false);
    lpt_.lptStart();
    for (uint8_t b : address)
        lpt_.lptShiftOutByte(b);
    if (words) {
        for (size_t k = 0; 2 * k + 1 < data.size(); ++k) {
            lpt_.lptShiftOutWord(static_cast<uint16_t>(data[2 * k] << 8 | data[2 * k + 1]));
            if ((2 * k + 2) % kLptProgressBytes == 0) report(2 * k + 2);
        }
    } else {
        for (size_t k = 0; k < data.size(); ++k)
            lpt_.lptShiftOutByte(data[k]);
    }
    lpt_.lptEnd();
    report(data.size());
}

bool IceCommands::readMemory(uint32_t a, uint8_t* out, size_t count, bool words) {
    if (settings_.usb) return usbRead(a, out, count, words);
    if (!lpt_.isOpen()) return fail();
    lptRead(a, {out, count}, words);
    return true;
}

bool IceCommands::writeMemory(uint32_t a, const uint8_t* data, size_t count, bool words) {
    if (settings_.usb) return usbWrite(a, data, count, words);
    if (!lpt_.isOpen()) return fail();
    lptWrite(a, {data, count}, words);
    return true;
}

bool IceCommands::iceSelectWordMode() {
    return modifyControl(kIceCtlRun | kIceCtlByteMode, kIceCtlWordMode);
}

bool IceCommands::iceSelectByteMode() {
    return modifyControl(kIceCtlRun | kIceCtlWordMode, kIceCtlByteMode);
}

bool IceCommands::iceReadWords(uint32_t wordAddress, std::span<uint8_t> out) {
    if (!iceSelectWordMode()) return false;
    return readMemory(2 * wordAddress, out.data(), out.size(), true);
}

bool IceCommands::iceWriteWords(uint32_t wordAddress, std::span<const uint8_t> data) {
    if (!iceSelectWordMode()) return false;
    return writeMemory(2 * wordAddress, data.data(), data.size(), true);
}

bool IceCommands::iceReadBytes(uint32_t address, std::span<uint8_t> out) {
    if (!iceSelectByteMode()) return false;
    return readMemory(address, out.data(), out.size(), false);
}

bool IceCommands::iceWriteBytes(uint32_t address, std::span<const uint8_t> data) {
    if (!iceSelectByteMode()) return false;
    return writeMemory(address, data.data(), data.size(), false);
}

// The buffer forms copy the caller's data out first: the packets are built in the same buffer.
// `a` is the word address for words, the byte address for bytes.
bool IceCommands::readIntoBuffer(uint32_t a, size_t count, bool words) {
    if (count > kIoBufferSize) return false;
    std::vector<uint8_t> data(count);
    const bool ok = words ? iceReadWords(a, std::span<uint8_t>(data))
                          : iceReadBytes(a, std::span<uint8_t>(data));
    if (!ok) return false;
    std::copy(data.begin(), data.end(), usb_.ioBuffer.begin());
    return true;
}

bool IceCommands::writeFromBuffer(uint32_t a, size_t count, bool words) {
    if (count > kIoBufferSize - kHeaderBytes) return false;
    const std::vector<uint8_t> data(usb_.ioBuffer.begin() + kHeaderBytes,
                                    usb_.ioBuffer.begin() + kHeaderBytes + count);
    return words ? iceWriteWords(a, std::span<const uint8_t>(data))
                 : iceWriteBytes(a, std::span<const uint8_t>(data));
}

bool IceCommands::iceReadWords(uint32_t wordAddress, size_t byteCount) {
    return readIntoBuffer(wordAddress, byteCount, true);
}

bool IceCommands::iceWriteWords(uint32_t wordAddress, size_t byteCount) {
    return writeFromBuffer(wordAddress, byteCount, true);
}

bool IceCommands::iceReadBytes(uint32_t address, size_t count) {
    return readIntoBuffer(address, count, false);
}

bool IceCommands::iceWriteBytes(uint32_t address, size_t count) {
    return writeFromBuffer(address, count, false);
}

uint16_t IceCommands::iceReadWord(uint32_t wordAddress) {
    uint8_t b[2] = {};
    if (!iceReadWords(wordAddress, std::span<uint8_t>(b))) return 0;
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

bool IceCommands::iceWriteWord(uint32_t wordAddress, uint16_t value) {
    const uint8_t b[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return iceWriteWords(wordAddress, std::span<const uint8_t>(b));
}

uint8_t IceCommands::iceReadByte(uint32_t address) {
    uint8_t b[1] = {};
    if (!iceReadBytes(address, std::span<uint8_t>(b))) return 0;
    return b[0];
}

bool IceCommands::iceWriteByte(uint32_t address, uint8_t value) {
    const uint8_t b[1] = {value};
    return iceWriteBytes(address, std::span<const uint8_t>(b));
}

// ---- registers ----------------------------------------------------------------------------

bool IceCommands::iceEnd() {
    if (!settings_.usb) {
        if (!lpt_.isOpen()) return fail();
        lpt_.lptEnd();
        return true;
    }
    usb_.ioBuffer[0] = 0xA5;
    usb_.ioBuffer[1] = 0x00;
    return acknowledged(2, 1);
}

std::optional<uint8_t> IceCommands::readControl() {
    if (!settings_.usb) {
        if (!lpt_.isOpen()) {
            fail();
            return std::nullopt;
        }
        return lpt_.lptReadControl();
    }
    usb_.ioBuffer[0] = 0xA7;
    if (!acknowledged(1, 2)) return std::nullopt;
    return usb_.ioBuffer[1];
}

uint8_t IceCommands::iceReadControl() {
    return readControl().value_or(0xFF);
}

bool IceCommands::iceWriteControl(uint8_t value) {
    if (!settings_.usb) {
        if (!lpt_.isOpen()) return fail();
        lpt_.lptWriteControl(value);
        return true;
    }
    // Three bytes go out; the third is whatever the buffer holds there.
    usb_.ioBuffer[0] = 0xA6;
    usb_.ioBuffer[1] = value;
    return acknowledged(3, 1);
}

uint8_t IceCommands::iceReadStatus() {
    if (!settings_.usb) {
        if (!lpt_.isOpen()) {
            fail();
            return 0;
        }
        return static_cast<uint8_t>(lpt_.portRead(PortRegister::Status) >> 4);
    }
    usb_.ioBuffer[0] = 0xA8;
    if (!acknowledged(1, 2)) return 0;
    return usb_.ioBuffer[1];
}

bool IceCommands::modifyControl(uint8_t clear, uint8_t set) {
    const auto c = readControl();
    if (!c) return false;
    return iceWriteControl(static_cast<uint8_t>((*c & ~clear) | set));
}

bool IceCommands::iceAccessMode(uint8_t mode) {
    if (settings_.romSelect != RomType::Eeprom28C256) return true;
    if (!settings_.usb) {
        if (!lpt_.isOpen()) return fail();
        wait(20);
        lpt_.lptEepromProtect(mode);
        wait(50);
        return true;
    }
    usb_.ioBuffer[0] = 0xA1;
    usb_.ioBuffer[1] = mode;
    return exchange(2, 2); // the reply is not examined
}

bool IceCommands::iceEepromMode(bool on) {
    if (settings_.romSelect == RomType::Ram62256) return true;
    if (!settings_.usb) {
        if (!lpt_.isOpen()) return fail();
        lpt_.lptEepromProtect(on ? 0 : 1);
    } else {
        usb_.ioBuffer[0] = 0xB5;
        usb_.ioBuffer[1] = 0x04;
        usb_.ioBuffer[2] = on ? 0 : 1;
        if (!acknowledged(3, 1)) return false;
    }
    if (on) wait(100);
    return true;
}

// ---- run control --------------------------------------------------------------------------

bool IceCommands::runValue(uint8_t value) {
    if (settings_.stopOnStackOverflow)
        value |= kIceCtlStopOnStack;
    else
        value &= static_cast<uint8_t>(~kIceCtlStopOnStack);
    return iceWriteControl(value);
}

bool IceCommands::iceGo() {
    return modifyControl(0, kIceCtlWordMode) &&
           runValue(kIceCtlMonitor | kIceCtlRun | kIceCtlWordMode);
}

bool IceCommands::iceGoVariant() {
    return modifyControl(0, kIceCtlWordMode) &&
           runValue(kIceCtlMonitor | kIceCtlRun | kIceCtlWordMode | kIceCtlComparators);
}

bool IceCommands::iceStep(uint8_t n) {
    uint8_t base = 0;
    if (!iceSelectByteMode() || !readMemory(kIceStepBase, &base, 1, false)) return false;
    const uint8_t count = static_cast<uint8_t>(n + base);
    if (!writeMemory(kIceStepCount, &count, 1, false)) return false;
    return modifyControl(0, kIceCtlWordMode) &&
           runValue(kIceCtlMonitor | kIceCtlRun | kIceCtlWordMode | kIceCtlComparators |
                    kIceCtlStep);
}

bool IceCommands::iceHalt() {
    const auto c = readControl();
    if (!c) return false;
    const uint8_t v = static_cast<uint8_t>((*c & ~kIceCtlRun) | kIceCtlByteMode | kIceCtlWordMode |
                                           kIceCtlMonitor);
    return runValue(v);
}

bool IceCommands::iceStopOnStack() {
    return modifyControl(0, kIceCtlStopOnStack);
}

bool IceCommands::iceBit1Clear() {
    return modifyControl(kIceCtlMonitor, 0);
}

bool IceCommands::iceBit1Set() {
    return modifyControl(0, kIceCtlMonitor);
}

IceStopPoll IceCommands::iceStopped() {
    uint8_t status = 0;
    if (!settings_.usb) {
        if (!lpt_.isOpen()) {
            fail();
            return {false, true};
        }
        status = static_cast<uint8_t>(lpt_.portRead(PortRegister::Status) >> 4);
    } else {
        usb_.ioBuffer[0] = 0xA8;
        if (!acknowledged(1, 2)) return {false, true};
        status = usb_.ioBuffer[1];
    }
    return {(status & 0x04) == 0, false};
}

std::optional<std::vector<uint32_t>> IceCommands::iceReadStack() {
    const int depth = settings_.stackDepth;
    std::vector<uint32_t> entries;
    if (depth <= 0) return entries;
    if (settings_.usb) {
        const size_t bytes = static_cast<size_t>(depth) * 3;
        // A reply that cannot fit one transfer cannot be asked for.
        if (depth > 255 || bytes > usb_.maxTransferBytes()) return std::nullopt;
        usb_.ioBuffer[0] = 0xB9;
        usb_.ioBuffer[1] = static_cast<uint8_t>(depth);
        if (!exchange(2, bytes)) return std::nullopt;
        for (int k = 0; k < depth; ++k) {
            const uint8_t* e = usb_.ioBuffer.data() + 3 * k;
            entries.push_back(static_cast<uint32_t>(e[0]) << 16 | e[1] << 8 | e[2]);
        }
        return entries;
    }
    // On the printer port each level is selected through the stack pointer register and read
    // by address.
    if (depth > 31) return std::nullopt;
    if (!iceSelectByteMode()) return std::nullopt;
    uint8_t pointer = 0;
    if (!readMemory(kLptStackPointer, &pointer, 1, false)) return std::nullopt;
    for (int level = 1; level <= depth; ++level) {
        const uint8_t select = static_cast<uint8_t>((pointer & 0xE0) | level);
        uint8_t e[3] = {};
        if (!writeMemory(kLptStackPointer, &select, 1, false) ||
            !readMemory(kLptStackEntry, e, 3, false))
            return std::nullopt;
        entries.push_back(static_cast<uint32_t>(e[0]) << 16 | e[1] << 8 | e[2]);
    }
    if (!writeMemory(kLptStackPointer, &pointer, 1, false)) return std::nullopt;
    return entries;
}

// ---- identification and set-up ------------------------------------------------------------

uint8_t IceCommands::readIceBodyId() {
    uint8_t id[2] = {};
    if (!iceReadBytes(kIceBodyIdAddress, std::span<uint8_t>(id))) return 255;
    iceBodyId_ = static_cast<uint16_t>(id[0] << 8 | id[1]);
    const auto& ids = settings_.emulatorIds;
    if (std::find(ids.begin(), ids.end(), iceBodyId_) == ids.end()) return 1;
    matchedBodyId_ = iceBodyId_;
    return 0;
}

bool IceCommands::iceSetWatch(uint8_t mask, uint8_t data, uint16_t address) {
    const uint8_t b[4] = {mask, data, static_cast<uint8_t>(address >> 8),
                          static_cast<uint8_t>(address)};
    return iceWriteBytes(kIceWatch, std::span<const uint8_t>(b));
}

bool IceCommands::iceWriteBreakTable(const std::array<uint32_t, 16>& values) {
    std::array<uint8_t, 48> b{};
    for (size_t k = 0; k < values.size(); ++k) {
        b[3 * k] = static_cast<uint8_t>(values[k] >> 16);
        b[3 * k + 1] = static_cast<uint8_t>(values[k] >> 8);
        b[3 * k + 2] = static_cast<uint8_t>(values[k]);
    }
    return iceWriteBytes(kIceBreakTable, std::span<const uint8_t>(b));
}

bool IceCommands::iceWriteOption(uint8_t value) {
    return iceWriteByte(kIceOption, value);
}

uint8_t IceCommands::iceReadOption() {
    return iceReadByte(kIceOption);
}

bool IceCommands::icePrepareRun() {
    if (!iceBit1Set()) return false;
    const uint8_t zeros[3] = {0, 0, 0};
    if (!iceWriteBytes(kIcePc, std::span<const uint8_t>(zeros))) return false;
    if (matchedBodyId_ != kBody8024) return true;
    struct Kept {
        uint16_t address;
        uint8_t fallback;
        uint8_t keepMask;
        uint8_t& value;
    };
    Kept kept[3] = {
        {0x77, 0xFF, 0xFF, kept77_}, {0x7D, 0xFF, 0xFF, kept7D_}, {0x194, 0xF0, 0xF0, kept194_}};
    for (Kept& k : kept) {
        const auto mask = settings_.bitRegisterMask ? settings_.bitRegisterMask(k.address)
                                                    : std::optional<uint8_t>();
        if (mask) {
            uint8_t v = 0;
            if (!iceReadBytes(k.address, std::span<uint8_t>(&v, 1))) return false;
            k.value = static_cast<uint8_t>((v | static_cast<uint8_t>(~*mask)) & k.keepMask);
        } else {
            k.value = k.fallback;
        }
        if (!iceWriteByte(k.address, k.value)) return false;
    }
    return true;
}

std::vector<uint8_t> IceCommands::configurationBlock(std::span<const uint32_t> breakpoints) const {
    std::vector<uint8_t> b = {0xFA, 0xFA,    0x01, 0x94, kept194_, 0x00,
                              0x7D, kept7D_, 0x00, 0x77, kept77_};
    for (uint32_t bp : breakpoints) {
        b.push_back(static_cast<uint8_t>(bp >> 16));
        b.push_back(static_cast<uint8_t>(bp >> 8));
        b.push_back(static_cast<uint8_t>(bp));
    }
    b.push_back(0xFC);
    uint16_t page = settings_.selfEromPage;
    if (settings_.selfEromMode == 1 || settings_.selfEromMode == 2) page += 0x400;
    b.push_back(static_cast<uint8_t>(page >> 8));
    b.push_back(static_cast<uint8_t>(page));
    for (uint16_t p : settings_.selfEromParam) {
        b.push_back(static_cast<uint8_t>(p >> 8));
        b.push_back(static_cast<uint8_t>(p));
    }
    const uint8_t eeprom = settings_.romSelect == RomType::Eeprom28C256 ? 0x10 : 0x00;
    b.push_back(static_cast<uint8_t>(eeprom | (settings_.coreVariant & 0x0F)));
    b.push_back(settings_.selfEromMode);
    // Written as words: an odd last byte gets a zero partner instead of being dropped.
    if (b.size() % 2) b.push_back(0);
    return b;
}

bool IceCommands::iceDownloadConfig(std::span<const uint32_t> breakpoints) {
    if (!iceEepromMode(true) || !iceAccessMode(2)) return false;
    if (iceBodyId_ == kBody8024) {
        const std::vector<uint8_t> block = configurationBlock(breakpoints);
        if (!iceWriteWords(kIceConfigWordAddress, std::span<const uint8_t>(block))) return false;
    }
    return iceAccessMode(3) && iceEepromMode(false);
}

} // namespace zerka
