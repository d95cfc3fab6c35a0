#pragma once
// The unit's system commands (F9h, a sub-command and its parameter bytes; the unit answers eight
// bytes) that both the emulator and the programmer command layers send. The packet is built in
// the link's buffer and the answer read there; the transfer is the caller's exchange, which
// counts a failure its own way.
#include "link/ice_protocol.h"
#include "link/usb_link.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>

namespace zerka {

constexpr size_t kSystemReplyBytes = 8;
// The unit's two modes: the host drives the emulator (debug), or the programmer runs.
enum UnitModeByte : uint8_t { kUnitDebugMode = 0, kUnitProgrammerMode = 1 };
// The firmware version from which the unit calibrates (2.00).
constexpr int kCalibrationFirmware = 200;

// Sends `writeLength` bytes of the link's buffer and reads `readLength` bytes into it; false when
// the transfer failed.
using UnitExchange = std::function<bool(size_t writeLength, size_t readLength)>;

// F9h, `sub` and `params` at the start of `io`; the number of bytes to send.
size_t putSystemCommand(IoBuffer& io, uint8_t sub, std::initializer_list<uint8_t> params = {});
// The mode switch F9h 0Ch: true when the unit says yes (FAh 00h, or the letter I from older
// firmware).
bool switchUnitMode(IoBuffer& io, uint8_t mode, const UnitExchange& exchange);
// The firmware text of F9h 09h: "WRIV" and four digits read as a decimal number (0210 is version
// 2.10); nullopt when the transfer failed or the answer is no such text.
std::optional<int> readFirmwareVersion(IoBuffer& io, const UnitExchange& exchange);

} // namespace zerka
