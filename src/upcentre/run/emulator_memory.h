#pragma once
// The emulator's program memory seen from the uP centre: moving the program image between the
// program cells and the emulator with the block transfer, checking that the emulator holds the
// loaded program, the emulator memory test, and the information block.
//
// Block transfer over USB: the header A2h, three address bytes (direction 0 write, 1 read),
// the byte count as three bytes and, for a write, the write-pulse parameter; the unit answers
// AAh. A write then sends the data in chunks of one packet, each answered by three bytes that
// are read and not examined; a read repeats A3h, each answered by the next chunk. Over the
// printer port the same transfer is one framed memory access, and EEPROM word writes go out in
// pages of 32 words.
//
// Failures leave the host's state as it was: code words, data memory and the information
// read-back only change when a whole transfer succeeded.
#include "core/ui_host.h"
#include "link/ice_commands.h"
#include "upcentre/core/cpu_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zerka {

// EmulatorMemoryTest results.
enum MemoryTestResult : int {
    kMemoryTestPassed = 0,
    kMemoryTestProgramError = 1,
    kMemoryTestDataError = 2,
    kMemoryTestLinkFailed = 3, // the link failed; already reported or to be reported without text
};

constexpr uint8_t kBlockHeader = 0xA2;
constexpr uint8_t kBlockNext = 0xA3;
constexpr uint8_t kBlockAnswer = 0xAA;
constexpr uint8_t kWritePulseRam = 0;
constexpr uint8_t kWritePulseEeprom = 10;

struct EmulatorMemoryHooks {
    // Run control's ClearBreakpoints (the memory test starts with it).
    std::function<void()> clearBreakpoints;
    // The USB link check of the memory test; it reports its own failure. Unset: the link's
    // connect must answer 0.
    std::function<bool()> linkCheck;
    // The mirror refresh that follows a download and verify.
    std::function<void()> refreshMirror;
};

class EmulatorMemory {
  public:
    static constexpr size_t kInfoWords = 256;
    using InfoBlock = std::array<uint16_t, kInfoWords>;

    EmulatorMemory(CpuState& cpu, IceCommands& ice, UsbLink& usb, LptLink& lpt,
                   const IceSettings& settings, UiHost& ui, WaitHook wait = {});

    void setHooks(EmulatorMemoryHooks hooks) { hooks_ = std::move(hooks); }
    // The low byte of serviceFlag: when non-zero the memory test skips the link check.
    void setServiceFlag(int flag) { serviceFlag_ = flag; }

    // Words a download and a verify cover: N up to 16384, N - 1 above.
    uint32_t transferWords() const;

    // False when the transfer failed (the verify that follows finds it too).
    bool DownloadProgram();
    bool VerifyProgram();
    bool DownloadAndVerify(bool download);
    bool CheckProgramMemory();
    bool ReloadProgram();
    bool MirrorTest8K();
    int EmulatorMemoryTest(bool full, uint32_t& position);
    bool WriteInfoBlock(uint32_t a, const InfoBlock& words);
    const InfoBlock& infoReadBack() const { return infoReadBack_; }
    // Byte mode, then count bytes from byte address `start` into the data memory from `start`.
    bool ReadDataBytes(uint32_t start, size_t count);

    // The block transfer itself, at emulator address A (2 x word address for words). The
    // matching access mode must have been selected; `words` tells the printer port how to
    // shift the data.
    bool blockWrite(uint32_t a, std::span<const uint8_t> data, uint8_t writePulse, bool words);
    bool blockRead(uint32_t a, std::span<uint8_t> out, bool words);

    bool progressVisible() const { return progressVisible_; }

  private:
    bool fail();
    void showProgress();
    void hideProgress();
    void reportProgress(size_t done, size_t total);
    size_t chunkBytes() const;
    // What both directions of a block transfer share: the size checks; over the printer port
    // `lpt` moves the block at once; over USB the header is sent and answered, then `piece`
    // moves each piece the link carries (bytes from `done` on) and the progress is told.
    bool transferBlock(uint32_t a, size_t n, bool read, uint8_t writePulse,
                       const std::function<void(const IceCommands::TransferProgress&)>& lpt,
                       const std::function<bool(IoBuffer& io, size_t done, size_t piece)>& piece);
    bool writeWords(uint32_t a, std::span<const uint8_t> data);
    std::vector<uint8_t> programBytes(uint32_t words) const;
    int testProgramPattern(uint8_t even, uint8_t odd, bool first, uint32_t& position);

    CpuState& cpu_;
    IceCommands& ice_;
    UsbLink& usb_;
    LptLink& lpt_;
    const IceSettings& settings_;
    UiHost& ui_;
    WaitHook wait_;
    EmulatorMemoryHooks hooks_;
    int serviceFlag_ = 0;
    bool progressVisible_ = false;
    int lastPercent_ = -1;
    InfoBlock infoReadBack_{};
};

} // namespace zerka
