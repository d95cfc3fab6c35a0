#pragma once
// The programmer's commands over the USB link: take and release, firmware version, chip
// identifier, the flash identifier area, jobs and their status, block transfers of the
// programmer's flash, the chip read command and the device display. Every request goes
// through the link's packet buffer.
#include "link/ice_commands.h"
#include "link/programmer_protocol.h"
#include "link/unit_system.h"
#include "link/usb_link.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace zerka {

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;
// Share of a transfer or job done, 0 to 100.
using ProgressHook = std::function<void(int)>;

// Job results: 0 success, 1..3 the failure kinds, then these.
constexpr uint8_t kJobTimeOut = 0xFE;
constexpr uint8_t kJobTransferFailed = 0xFF;

// A job is given this long from its first status read: the largest chip's program job takes a
// few seconds.
constexpr std::chrono::seconds kJobTimeLimit{20};
// Every wait for the flash ends after this long.
constexpr std::chrono::seconds kFlashWaitLimit{5};

struct ChipIdReply {
    uint16_t id = 0;
    uint16_t status = 0;
    uint8_t statusHigh() const { return static_cast<uint8_t>(status >> 8); }
    uint8_t statusLow() const { return static_cast<uint8_t>(status); }
    bool protectedChip() const { return (status & kChipStatusProtectBit) == 0; }
};

struct FlashIdReply {
    bool ok = false;
    uint16_t word0 = 0;
    uint16_t flashId = 0;
    uint16_t errorBase = 0; // word 1
};

struct JobError {
    bool ok = false;
    uint8_t flags = 0;
    uint16_t values[3] = {0, 0, 0};
    uint16_t errorAddress = 0;
};

class ProgLink {
  public:
    // `wait` empty: waits on the steady clock; `now` empty: the steady clock.
    explicit ProgLink(UsbLink& usb, WaitHook wait = {}, SteadyNow now = {});

    UsbLink& usb() { return usb_; }
    std::chrono::steady_clock::time_point now() const;
    void wait(std::chrono::milliseconds ms);

    // Programmer mode (take) and back to debug mode (release).
    bool progTake();
    bool progRelease();
    // The 8 characters of 0xF9 0x09 (or 0xF9 0xFF); nullopt when the transfer failed.
    std::optional<std::string> firmwareText(uint8_t sub = 0x09);
    bool progFirmwareAtLeast2();
    // True when the firmware text starts with W, R, I, V (a unit with a display).
    bool hasDisplay();
    std::optional<ChipIdReply> progReadChipId();
    FlashIdReply progReadFlashId();
    // Starts `job` and waits for its end; `count` only sizes the progress estimate.
    uint8_t progRunJob(uint8_t job, uint32_t count, const ProgressHook& progress = {});
    JobError progJobError();
    // 32 characters on the device display (padded or cut).
    bool progShow(const std::string& text);
    bool displayPosition(uint8_t position);
    // Request of `w` bytes already in the packet buffer, answer of `r` bytes.
    bool exchange(size_t w, size_t r);

    // Programmer flash.
    std::optional<bool> flashBusy();
    bool flashWriteEnable();
    bool flashErase(uint32_t address);
    // Waits until the flash is not busy, at most kFlashWaitLimit.
    bool waitFlashReady();
    bool blockWrite(uint32_t address, std::span<const uint8_t> data);
    bool blockRead(uint32_t address, std::span<uint8_t> out, const ProgressHook& progress = {},
                   size_t progressBase = 0, size_t progressTotal = 0);
    // Big-endian words of a block read.
    bool readWords(uint32_t address, std::span<uint16_t> out);
    // The chip read command (B6h/B7h): words of the chip from `wordAddress`.
    bool chipRead(uint32_t wordAddress, std::span<uint16_t> out, const ProgressHook& progress = {});

    // Host packets sent so far (requests and data pieces).
    uint64_t packets() const { return packets_; }
    // A transfer failed since the last clear: the link has closed the unit (a failed
    // transfer is a lost link), so the step that saw it failed for that reason, not the chip's.
    bool linkLost() const { return linkLost_; }
    void clearLinkLost() { linkLost_ = false; }
    uint8_t lastJobFlags() const { return lastFlags_; }

  private:
    UnitExchange exchanger();
    size_t pieceLimit() const;
    bool sendFlash8(uint8_t b0, uint8_t b1, uint32_t address, uint32_t count, size_t readLength);
    // A flash block transfer in `direction`: the unit acknowledges the request, then `piece`
    // moves each piece the link carries (bytes from `done` on).
    bool transferBlock(uint8_t direction, uint32_t address, size_t n,
                       const std::function<bool(size_t done, size_t piece)>& piece);

    UsbLink& usb_;
    WaitHook wait_;
    SteadyNow now_;
    uint64_t packets_ = 0;
    uint8_t lastFlags_ = 0;
    bool linkLost_ = false;
};

// What the programmer commands log when the link to the unit went in the middle of one.
constexpr const char* kLinkLostText = "the link to the target unit was lost";

} // namespace zerka
