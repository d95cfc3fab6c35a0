#include "upcentre/run/emulator_memory.h"

#include <algorithm>
#include <cstring>

namespace zerka {

namespace {

constexpr size_t kWriteHeaderBytes = 8;
constexpr size_t kReadHeaderBytes = 7;
constexpr size_t kChunkReplyBytes = 3;
constexpr uint32_t kMaxBlockBytes = 0xFFFFFF; // the count travels as three bytes
constexpr uint8_t kAccessModeHost = 2;
constexpr uint8_t kAccessModeEmulation = 3;

uint16_t wordAt(std::span<const uint8_t> bytes, size_t i) {
    return static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
}

} // namespace

EmulatorMemory::EmulatorMemory(CpuState& cpu, IceCommands& ice, UsbLink& usb, LptLink& lpt,
                               const IceSettings& settings, UiHost& ui, WaitHook wait)
    : cpu_(cpu), ice_(ice), usb_(usb), lpt_(lpt), settings_(settings), ui_(ui),
      wait_(wait ? std::move(wait) : clockWait()) {}

uint32_t EmulatorMemory::transferWords() const {
    const uint32_t n = cpu_.programSize();
    return n <= 16384 ? n : n - 1;
}

bool EmulatorMemory::fail() {
    usb_.linkStatus = kLinkLost;
    usb_.clearConnected();
    return false;
}

void EmulatorMemory::showProgress() {
    progressVisible_ = true;
    lastPercent_ = 0;
    ui_.progress(0);
}

// The host hides the bar on a negative percentage.
void EmulatorMemory::hideProgress() {
    if (!progressVisible_) return;
    progressVisible_ = false;
    ui_.progress(-1);
}

void EmulatorMemory::reportProgress(size_t done, size_t total) {
    if (!progressVisible_ || total == 0) return;
    lastPercent_ = static_cast<int>(done * 100 / total);
    ui_.progress(lastPercent_);
}

size_t EmulatorMemory::chunkBytes() const {
    return std::min<size_t>(usb_.maxPacketSize(), usb_.maxTransferBytes());
}

std::vector<uint8_t> EmulatorMemory::programBytes(uint32_t words) const {
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(words));
    for (uint32_t i = 0; i < words; ++i) {
        const uint16_t w = cpu_.ProgramWord(i);
        bytes[2 * i] = static_cast<uint8_t>(w >> 8);
        bytes[2 * i + 1] = static_cast<uint8_t>(w);
    }
    return bytes;
}

// ---- block transfer --------------------------------------------------------------------------

bool EmulatorMemory::transferBlock(
    uint32_t a, size_t n, bool read, uint8_t writePulse,
    const std::function<void(const IceCommands::TransferProgress&)>& lpt,
    const std::function<bool(IoBuffer& io, size_t done, size_t piece)>& piece) {
    if (n == 0) return true;
    if (n > kMaxBlockBytes) return false;
    if (!settings_.usb) {
        if (!lpt_.isOpen()) return fail();
        lpt([this](size_t done, size_t total) { reportProgress(done, total); });
        return true;
    }
    const size_t chunk = chunkBytes();
    if (chunk == 0) return fail();
    IoBuffer& io = usb_.ioBuffer;
    putTransferHeader(io, kBlockHeader, a, read, n);
    if (!read) io[7] = writePulse;
    if (!usb_.write(read ? kReadHeaderBytes : kWriteHeaderBytes) || !usb_.read(1) ||
        io[0] != kBlockAnswer)
        return fail();
    for (size_t done = 0; done < n;) {
        const size_t size = std::min(chunk, n - done);
        if (!piece(io, done, size)) return fail();
        done += size;
        reportProgress(done, n);
    }
    return true;
}

bool EmulatorMemory::blockWrite(uint32_t a, std::span<const uint8_t> data, uint8_t writePulse,
                                bool words) {
    return transferBlock(
        a, data.size(), false, writePulse,
        [&](const IceCommands::TransferProgress& progress) {
            ice_.lptWrite(a, data, words, progress);
        },
        [&](IoBuffer& io, size_t done, size_t piece) {
            std::memcpy(io.data(), data.data() + done, piece);
            return usb_.write(piece) && usb_.read(kChunkReplyBytes);
        });
}

bool EmulatorMemory::blockRead(uint32_t a, std::span<uint8_t> out, bool words) {
    return transferBlock(
        a, out.size(), true, 0,
        [&](const IceCommands::TransferProgress& progress) {
            ice_.lptRead(a, out, words, progress);
        },
        [&](IoBuffer& io, size_t done, size_t piece) {
            io[0] = kBlockNext;
            if (!usb_.write(1) || !usb_.read(piece)) return false;
            std::memcpy(out.data() + done, io.data(), piece);
            return true;
        });
}

// Word blocks with the write pulse and the EEPROM mode changes the program-memory type needs.
bool EmulatorMemory::writeWords(uint32_t a, std::span<const uint8_t> data) {
    switch (settings_.romSelect) {
    case RomType::Ram62256:
        return blockWrite(a, data, kWritePulseRam, true);
    case RomType::Eeprom28C256:
        return ice_.iceEepromMode(true) && ice_.iceAccessMode(kAccessModeHost) &&
               blockWrite(a, data, kWritePulseEeprom, true) &&
               ice_.iceAccessMode(kAccessModeEmulation) && ice_.iceEepromMode(false);
    case RomType::Other:
        break;
    }
    return true; // no program memory to write
}

// ---- operations --------------------------------------------------------------------------------

bool EmulatorMemory::DownloadProgram() {
    showProgress();
    const std::vector<uint8_t> bytes = programBytes(transferWords());
    const bool ok = ice_.iceSelectWordMode() && writeWords(0, bytes);
    hideProgress();
    return ok;
}

bool EmulatorMemory::VerifyProgram() {
    showProgress();
    const uint32_t words = transferWords();
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(words));
    if (!ice_.iceSelectWordMode() || !blockRead(0, bytes, true)) {
        hideProgress();
        return false;
    }
    for (uint32_t i = 0; i < words; ++i)
        cpu_.SetReadBackWord(i, wordAt(bytes, i));
    // Any difference fails: a word that reads back smaller is as wrong as a larger one.
    for (uint32_t i = 0; i < words; ++i) {
        if (cpu_.ReadBackWord(i) != cpu_.ProgramWord(i)) {
            hideProgress();
            return false;
        }
    }
    hideProgress();
    return true;
}

bool EmulatorMemory::DownloadAndVerify(bool download) {
    ice_.iceBit1Clear();
    if (download) DownloadProgram();
    bool r = VerifyProgram();
    if (!r) {
        // The retry always downloads.
        DownloadProgram();
        r = VerifyProgram();
    }
    // A link lost while preparing the run leaves the emulator unprepared: that is no success.
    const bool prepared = ice_.icePrepareRun();
    if (hooks_.refreshMirror) hooks_.refreshMirror();
    return r && prepared;
}

bool EmulatorMemory::CheckProgramMemory() {
    ice_.iceHalt();
    ice_.iceBit1Clear();
    const bool r = VerifyProgram();
    const bool prepared = ice_.icePrepareRun();
    return r && prepared;
}

bool EmulatorMemory::ReloadProgram() {
    showProgress();
    const uint32_t words = cpu_.programSize();
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(words));
    const bool ok = ice_.iceSelectWordMode() && blockRead(0, bytes, true);
    if (ok) {
        for (uint32_t i = 0; i < words; ++i) {
            const uint16_t w = wordAt(bytes, i);
            cpu_.SetReadBackWord(i, w);
            cpu_.SetProgramWord(i, w);
        }
    }
    hideProgress();
    return ok;
}

bool EmulatorMemory::MirrorTest8K() {
    constexpr uint32_t kHalf = 8192;
    if (cpu_.programSize() != kHalf) return false;
    for (uint32_t i = 0; i < kHalf; ++i) {
        uint8_t b[2] = {};
        // A failed read proves nothing about mirroring.
        if (!ice_.iceReadWords(i, std::span<uint8_t>(b))) return false;
        const uint16_t w = static_cast<uint16_t>(b[0] << 8 | b[1]);
        if (w != cpu_.ProgramWord(i + kHalf)) return false;
        reportProgress(i + 1, kHalf);
    }
    return true;
}

int EmulatorMemory::testProgramPattern(uint8_t even, uint8_t odd, bool first, uint32_t& position) {
    std::array<uint8_t, 40> block{};
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = (k % 2 == 0) ? even : odd;
    const bool eeprom = settings_.romSelect == RomType::Eeprom28C256;
    if (eeprom) {
        if (!ice_.iceEepromMode(true)) return kMemoryTestLinkFailed;
        if (first && !ice_.iceAccessMode(kAccessModeHost)) return kMemoryTestLinkFailed;
    }
    if (!ice_.iceWriteWords(0, std::span<const uint8_t>(block))) return kMemoryTestLinkFailed;
    if (eeprom) {
        if (!ice_.iceEepromMode(false)) return kMemoryTestLinkFailed;
        wait_(std::chrono::milliseconds(20));
    }
    std::array<uint8_t, 40> back{};
    if (!ice_.iceReadWords(0, std::span<uint8_t>(back))) return kMemoryTestLinkFailed;
    for (size_t k = 0; k < block.size(); ++k) {
        if (back[k] != block[k]) {
            position = static_cast<uint32_t>(k);
            return kMemoryTestProgramError;
        }
    }
    return kMemoryTestPassed;
}

int EmulatorMemory::EmulatorMemoryTest(bool full, uint32_t& position) {
    if (hooks_.clearBreakpoints) hooks_.clearBreakpoints();
    if ((serviceFlag_ & 0xFF) == 0 && settings_.usb) {
        const bool ok = hooks_.linkCheck ? hooks_.linkCheck() : usb_.connect() == kLinkConnected;
        if (!ok) return kMemoryTestLinkFailed;
    }
    // A failed transfer is a link failure, never a pass nor a memory fault at some address.
    const uint32_t last = full ? 0x1FF : 0x83;
    for (uint8_t pattern : {uint8_t{0x5A}, uint8_t{0xA5}}) {
        for (uint32_t a = 0x80; a <= last; ++a)
            if (!ice_.iceWriteByte(a, pattern)) return kMemoryTestLinkFailed;
        for (uint32_t a = 0x80; a <= last; ++a) {
            uint8_t v = 0;
            if (!ice_.iceReadBytes(a, std::span<uint8_t>(&v, 1))) return kMemoryTestLinkFailed;
            if (v != pattern) {
                position = a;
                return kMemoryTestDataError;
            }
        }
    }
    const int r = testProgramPattern(0xAA, 0x55, true, position);
    if (r != kMemoryTestPassed) return r;
    return testProgramPattern(0x55, 0xAA, false, position);
}

bool EmulatorMemory::WriteInfoBlock(uint32_t a, const InfoBlock& words) {
    const bool wasVisible = progressVisible_;
    const int percent = lastPercent_;
    hideProgress();
    bool result = false;
    if (ice_.iceSelectWordMode()) {
        std::vector<uint8_t> bytes(2 * kInfoWords);
        for (size_t i = 0; i < kInfoWords; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(words[i] >> 8);
            bytes[2 * i + 1] = static_cast<uint8_t>(words[i]);
        }
        const bool written = writeWords(2 * a, bytes);
        // An unverified block is not a written block: a failed mode selection fails too.
        std::vector<uint8_t> back(2 * kInfoWords);
        if (written && ice_.iceSelectWordMode() && blockRead(2 * a, back, true)) {
            for (size_t i = 0; i < kInfoWords; ++i)
                infoReadBack_[i] = wordAt(back, i);
            result = infoReadBack_ == words;
        }
    }
    if (wasVisible) {
        progressVisible_ = true;
        lastPercent_ = percent;
        ui_.progress(percent);
    }
    return result;
}

bool EmulatorMemory::ReadDataBytes(uint32_t start, size_t count) {
    std::vector<uint8_t> bytes(count);
    if (!ice_.iceSelectByteMode() || !blockRead(start, bytes, false)) return false;
    for (size_t i = 0; i < count; ++i)
        cpu_.WriteData(start + static_cast<uint32_t>(i), bytes[i]);
    return true;
}

} // namespace zerka
