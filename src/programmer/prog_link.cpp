#include "programmer/prog_link.h"

#include "core/text.h"

#include <algorithm>
#include <cstring>

namespace zerka {

namespace {

constexpr size_t kJobReply = 10;
constexpr auto kFirstStatusDelay = std::chrono::milliseconds(1000);
constexpr auto kStatusPoll = std::chrono::milliseconds(100);
constexpr auto kFlashPoll = std::chrono::milliseconds(2);
// What a job takes per word on a typical programmer; only for the progress bar.
constexpr auto kEstimatePerWord = std::chrono::microseconds(100);

} // namespace

ProgLink::ProgLink(UsbLink& usb, WaitHook wait, SteadyNow now)
    : usb_(usb), wait_(wait ? std::move(wait) : clockWait()), now_(std::move(now)) {}

std::chrono::steady_clock::time_point ProgLink::now() const {
    return now_ ? now_() : std::chrono::steady_clock::now();
}

void ProgLink::wait(std::chrono::milliseconds ms) {
    wait_(ms);
}

UnitExchange ProgLink::exchanger() {
    return [this](size_t w, size_t r) { return exchange(w, r); };
}

bool ProgLink::exchange(size_t w, size_t r) {
    ++packets_;
    if (usb_.write(w) && (r == 0 || usb_.read(r))) return true;
    linkLost_ = true;
    return false;
}

size_t ProgLink::pieceLimit() const {
    const size_t packet = usb_.maxPacketSize() ? usb_.maxPacketSize() : kHidPacketBytes;
    return std::min(packet, usb_.maxTransferBytes());
}

bool ProgLink::progTake() {
    return switchUnitMode(usb_.ioBuffer, kUnitProgrammerMode, exchanger());
}

bool ProgLink::progRelease() {
    return switchUnitMode(usb_.ioBuffer, kUnitDebugMode, exchanger());
}

std::optional<std::string> ProgLink::firmwareText(uint8_t sub) {
    IoBuffer& b = usb_.ioBuffer;
    if (!exchange(putSystemCommand(b, sub), kSystemReplyBytes)) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(b.data()), kSystemReplyBytes);
}

bool ProgLink::hasDisplay() {
    const auto text = firmwareText();
    return text && text->compare(0, 4, "WRIV") == 0;
}

bool ProgLink::progFirmwareAtLeast2() {
    const auto version = readFirmwareVersion(usb_.ioBuffer, exchanger());
    return version && *version >= kCalibrationFirmware;
}

std::optional<ChipIdReply> ProgLink::progReadChipId() {
    IoBuffer& b = usb_.ioBuffer;
    // Two words from the identifier on: the identifier and the status word.
    const uint8_t request[7] = {kProgReadChipWords,
                                0x00,
                                static_cast<uint8_t>(kChipIdAddress >> 8),
                                static_cast<uint8_t>(kChipIdAddress),
                                0x00,
                                0x00,
                                0x01};
    std::memcpy(b.data(), request, sizeof request);
    if (!exchange(7, 8)) return std::nullopt;
    ChipIdReply r;
    r.id = static_cast<uint16_t>(b[0] << 8 | b[1]);
    r.status = static_cast<uint16_t>(b[2] << 8 | b[3]);
    return r;
}

FlashIdReply ProgLink::progReadFlashId() {
    uint16_t words[3] = {};
    FlashIdReply r;
    if (!readWords(kFlashIdArea, words)) return r;
    r.ok = true;
    r.word0 = words[0];
    r.errorBase = words[1];
    r.flashId = words[2];
    return r;
}

uint8_t ProgLink::progRunJob(uint8_t job, uint32_t count, const ProgressHook& progress) {
    IoBuffer& b = usb_.ioBuffer;
    b[0] = kProgJob;
    b[1] = job;
    if (!exchange(2, kJobReply)) return kJobTransferFailed;
    wait(kFirstStatusDelay);
    // The time limit counts from the first status read, so a long job is not cut short.
    const auto first = now();
    const auto estimate = std::chrono::duration_cast<std::chrono::milliseconds>(
        kEstimatePerWord * std::max<uint32_t>(count, 1));
    for (;;) {
        b[0] = kProgJob;
        b[1] = kJobStatus;
        if (!exchange(2, kJobReply)) return kJobTransferFailed;
        if (b[1] == 0) {
            const uint8_t flags = b[2];
            lastFlags_ = flags;
            if (flags & kJobFailWord) return 1;
            if (flags & kJobFailChip) return 2;
            if (flags & kJobFailSocket) return 3;
            if (flags & kJobSuccess) return 0;
            // Over, but neither success nor a failure kind: not a success.
            return 1;
        }
        wait(kStatusPoll);
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now() - first) +
                             kFirstStatusDelay;
        if (now() - first > kJobTimeLimit) return kJobTimeOut;
        if (progress) {
            const auto share = elapsed.count() * 100 / std::max<int64_t>(estimate.count(), 1);
            progress(static_cast<int>(std::min<int64_t>(share, 99)));
        }
    }
}

JobError ProgLink::progJobError() {
    JobError e;
    IoBuffer& b = usb_.ioBuffer;
    b[0] = kProgJob;
    b[1] = kJobStatus;
    if (!exchange(2, kJobReply)) return e;
    e.flags = b[2];
    for (int i = 0; i < 3; ++i)
        e.values[i] = static_cast<uint16_t>(b[3 + 2 * i] << 8 | b[4 + 2 * i]);
    const FlashIdReply area = progReadFlashId();
    if (!area.ok) return e;
    e.ok = true;
    e.errorAddress = static_cast<uint16_t>(e.values[0] + area.errorBase - e.values[1]);
    return e;
}

bool ProgLink::progShow(const std::string& text) {
    IoBuffer& b = usb_.ioBuffer;
    const std::string shown = padRight(text, 32);
    b[0] = 0xBB;
    b[1] = 0x02;
    b[2] = 32;
    std::memcpy(b.data() + 3, shown.data(), 32);
    return exchange(35, 8);
}

bool ProgLink::displayPosition(uint8_t position) {
    IoBuffer& b = usb_.ioBuffer;
    b[0] = 0xBB;
    b[1] = 0x01;
    b[2] = position;
    return exchange(3, 8);
}

// ---- programmer flash ----------------------------------------------------------------------

std::optional<bool> ProgLink::flashBusy() {
    IoBuffer& b = usb_.ioBuffer;
    const uint8_t request[8] = {kProgFlashCommand, kFlashReadStatus, 0, 0, 0, 0, 0, 0x01};
    std::memcpy(b.data(), request, sizeof request);
    if (!exchange(8, 1)) return std::nullopt;
    return (b[0] & 0x01) != 0;
}

bool ProgLink::flashWriteEnable() {
    IoBuffer& b = usb_.ioBuffer;
    const uint8_t request[8] = {kProgFlashCommand, kFlashWriteEnable, 0, 0, 0, 0, 0, 0};
    std::memcpy(b.data(), request, sizeof request);
    return exchange(8, 3) && b[0] == kUnitAck;
}

bool ProgLink::flashErase(uint32_t address) {
    IoBuffer& b = usb_.ioBuffer;
    const uint8_t request[8] = {kProgFlashCommand,
                                kFlashSectorErase,
                                static_cast<uint8_t>(address >> 16),
                                static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address),
                                0,
                                0,
                                0};
    std::memcpy(b.data(), request, sizeof request);
    return exchange(8, 3) && b[0] == kUnitAck;
}

bool ProgLink::waitFlashReady() {
    const auto start = now();
    for (;;) {
        const auto busy = flashBusy();
        if (!busy) return false;
        if (!*busy) return true;
        if (now() - start > kFlashWaitLimit) return false;
        wait(kFlashPoll);
    }
}

bool ProgLink::sendFlash8(uint8_t b0, uint8_t b1, uint32_t address, uint32_t count,
                          size_t readLength) {
    IoBuffer& b = usb_.ioBuffer;
    b[0] = b0;
    b[1] = b1;
    b[2] = static_cast<uint8_t>(address >> 16);
    b[3] = static_cast<uint8_t>(address >> 8);
    b[4] = static_cast<uint8_t>(address);
    b[5] = static_cast<uint8_t>(count >> 16);
    b[6] = static_cast<uint8_t>(count >> 8);
    b[7] = static_cast<uint8_t>(count);
    return exchange(8, readLength);
}

bool ProgLink::transferBlock(uint8_t direction, uint32_t address, size_t n,
                             const std::function<bool(size_t done, size_t piece)>& piece) {
    if (!sendFlash8(kProgFlashTransfer, direction, address, static_cast<uint32_t>(n), 1) ||
        usb_.ioBuffer[0] != kUnitBlockAck)
        return false;
    const size_t limit = pieceLimit();
    for (size_t done = 0; done < n;) {
        const size_t size = std::min(limit, n - done);
        if (!piece(done, size)) return false;
        done += size;
    }
    return true;
}

bool ProgLink::blockWrite(uint32_t address, std::span<const uint8_t> data) {
    return transferBlock(kFlashTransferWrite, address, data.size(), [&](size_t done, size_t piece) {
        std::memcpy(usb_.ioBuffer.data(), data.data() + done, piece);
        return exchange(piece, 3);
    });
}

bool ProgLink::blockRead(uint32_t address, std::span<uint8_t> out, const ProgressHook& progress,
                         size_t progressBase, size_t progressTotal) {
    return transferBlock(kFlashTransferRead, address, out.size(), [&](size_t done, size_t piece) {
        usb_.ioBuffer[0] = kProgFlashReadPiece;
        if (!exchange(1, piece)) return false;
        std::memcpy(out.data() + done, usb_.ioBuffer.data(), piece);
        if (progress && progressTotal)
            progress(static_cast<int>((progressBase + done + piece) * 100 / progressTotal));
        return true;
    });
}

bool ProgLink::readWords(uint32_t address, std::span<uint16_t> out) {
    std::vector<uint8_t> bytes(out.size() * 2);
    if (!blockRead(address, bytes)) return false;
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    return true;
}

bool ProgLink::chipRead(uint32_t wordAddress, std::span<uint16_t> out,
                        const ProgressHook& progress) {
    IoBuffer& b = usb_.ioBuffer;
    const uint32_t byteAddress = 2 * wordAddress;
    const uint32_t count = static_cast<uint32_t>(out.size());
    const uint8_t request[7] = {kProgChipRead,
                                static_cast<uint8_t>(byteAddress >> 16),
                                static_cast<uint8_t>(byteAddress >> 8),
                                static_cast<uint8_t>(byteAddress),
                                static_cast<uint8_t>(count >> 16),
                                static_cast<uint8_t>(count >> 8),
                                static_cast<uint8_t>(count)};
    std::memcpy(b.data(), request, sizeof request);
    if (!exchange(7, 5)) return false;
    // Pieces are whole packets; a word may straddle two of them.
    const size_t total = out.size() * 2;
    const size_t limit = pieceLimit();
    std::vector<uint8_t> bytes(total);
    for (size_t done = 0; done < total;) {
        const size_t piece = std::min(limit, total - done);
        b[0] = kProgChipReadPiece;
        if (!exchange(1, piece)) return false;
        std::memcpy(bytes.data() + done, b.data(), piece);
        done += piece;
        if (progress) progress(static_cast<int>(done * 100 / total));
    }
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    return true;
}

} // namespace zerka
