#pragma once
// The programmer side of the virtual unit: the chip socket, the serial flash with the program
// image, the jobs of B8h, the stored settings and the faults an operator can provoke.
//
// Flash layout (byte addresses): code word k at 2k (k below 4000h) or 2k + 8000h (k from 4000h
// on, so that a 32K-word program does not run into the information block), the information
// block's first half at 8000h, its second half at FF00h; words 240..242 of the block (FFE0h)
// are the code's start address, its word count and the flash identifier.
#include "link/programmer_protocol.h"
#include "target/serial_flash.h"
#include "target/socket_chip.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zerka {

struct SocketSetup {
    // FollowFlash: a blank chip of whatever type the flash image is for (its identifier is
    // fixed by the first read that finds an image in the flash).
    enum class Kind { FollowFlash, Blank, Empty } kind = Kind::FollowFlash;
    uint16_t chipId = 0;
    std::vector<uint16_t> imageCode; // the chip already holds this image (--socket-image)
    std::vector<uint16_t> imageInfo;
    bool protectedChip = false;
};

struct ProgrammerFaults {
    bool vpp = false;
    bool vdd = false;
    bool flashBusy = false;
    int64_t verifyFailAddress = -1; // a cell that takes no programming
};

struct ProgrammerConfig {
    SocketSetup socket;
    std::filesystem::path flashState; // empty: the flash starts erased and is not kept
    ProgrammerFaults faults;
    double timeScale = 1.0; // multiplies job and erase times
    UnitClock clock;        // the unit's time; the steady clock when empty
};

// The settings the programmer keeps (get answers: byte 1 is the stored value).
struct ProgrammerSettings {
    uint8_t key = kSettingOn;
    uint8_t buzzer = kSettingOff;
    uint8_t checksum = kSettingOff;
    uint8_t numberOn = kSettingOff;
    uint32_t number = 0;
    uint8_t numberParam = 0;
    bool skipTrim = false;
};

class ProgrammerUnit {
  public:
    explicit ProgrammerUnit(ProgrammerConfig config);
    ~ProgrammerUnit();
    ProgrammerUnit(const ProgrammerUnit&) = delete;
    ProgrammerUnit& operator=(const ProgrammerUnit&) = delete;

    // Whether the flash state file could be read and can be written (problem() says why not).
    bool ready() const { return problem_.empty(); }
    // A burning job started with B8h has not reached its end yet.
    bool jobRunning() const { return job_.active && now() < job_.end; }
    const std::string& problem() const { return problem_; }

    // A packet for the programmer: true when it was one; `reply` is then its answer (nullopt:
    // no answer). `packetLimit` is the largest piece the USB form moves.
    bool handlePacket(const uint8_t* p, size_t n, size_t packetLimit,
                      std::optional<std::vector<uint8_t>>& reply);
    // The programmer's F9h subcommands; true when `sub` is one of them.
    bool handleSystem(uint8_t sub, const uint8_t* p, size_t n, std::vector<uint8_t>& reply);
    // The programmer was taken or released: a good moment to keep the flash.
    void modeChanged();
    // A new host connection abandons a transfer left half-way.
    void connectionOpened();

    SocketChip& chip() { return chip_; }
    SerialFlash& flash() { return flash_; }
    ProgrammerFaults& faults() { return config_.faults; }
    const ProgrammerSettings& settings() const { return settings_; }
    const std::array<uint8_t, 64>& calibrationSetup() const { return setup_; }
    // Forces the result of the next calibration job (0, 1, 253, 254).
    void setCalibrationResult(std::optional<uint8_t> code, uint8_t flags = 0) {
        calResult_ = code;
        calFlags_ = flags;
    }
    // Keeps the flash in the state file now. False with the reason (the change stays to be
    // saved again).
    bool saveState(std::string& problem);
    // The same when the flash changed since it was last kept; what a server does at its end.
    bool saveIfChanged(std::string& problem);
    std::string describeJobs() const;

  private:
    struct Job {
        bool active = false;
        uint8_t code = 0;
        std::chrono::steady_clock::time_point end{};
        uint8_t flags = 0;
        uint16_t address = 0;
        uint16_t base = 0;
        uint16_t data = 0;
    };

    std::chrono::steady_clock::time_point now() const;
    void refreshSocket();
    std::vector<uint8_t> flashCommand(const uint8_t* p, size_t n);
    std::vector<uint8_t> startJob(uint8_t code);
    std::vector<uint8_t> jobStatus();
    std::vector<uint8_t> calibrate();
    void runJob(uint8_t code, Job& job);
    uint16_t flashWord(uint32_t a) const { return flash_.word(a); }
    uint16_t imageWord(uint32_t k) const { return flash_.word(flashCodeAddress(k)); }
    uint16_t infoWord(uint32_t i) const {
        return flash_.word((i < 128 ? kFlashInfoFirstHalf : kFlashInfoSecondHalf - 256) + 2 * i);
    }
    void loadSettings();
    void storeSettings();

    ProgrammerConfig config_;
    SerialFlash flash_;
    SocketChip chip_;
    ProgrammerSettings settings_;
    std::array<uint8_t, 64> setup_{};
    std::optional<uint8_t> calResult_;
    uint8_t calFlags_ = 0;
    Job job_;
    std::string problem_;

    struct Transfer {
        enum class Kind { None, FlashWrite, FlashRead, ChipRead } kind = Kind::None;
        uint32_t address = 0; // next byte (flash) or word (chip) address
        uint32_t remaining = 0;
        uint32_t start = 0;
        uint32_t offset = 0;
    } transfer_;
};

} // namespace zerka
