// The unit-level commands of the emulator session: the debug/programmer mode switch, the
// firmware version query and the system monitor start.
#include "link/ice_commands.h"

namespace zerka {

namespace {
constexpr uint8_t kSystem = 0xF9;
constexpr uint8_t kModeSwitch = 0x0C;
constexpr uint8_t kFirmwareText = 0x09;
constexpr size_t kSystemReply = 8;
constexpr uint8_t kAck = 0xFA;
// Older firmware answers the mode switch with this letter instead of FAh 00h.
constexpr uint8_t kOldFirmwareYes = 0x49;
constexpr uint8_t kDebugMode = 0;
constexpr uint8_t kProgrammerMode = 1;
constexpr int kCalibrationFirmware = 200;
} // namespace

bool IceCommands::switchMode(uint8_t mode) {
    if (!settings_.usb) return true;
    IoBuffer& b = usb_.ioBuffer;
    b[0] = kSystem;
    b[1] = kModeSwitch;
    b[2] = mode;
    if (!exchange(3, kSystemReply)) return false;
    return (b[0] == kAck && b[1] == 0) || b[0] == kOldFirmwareYes;
}

bool IceCommands::iceDebugMode() {
    return switchMode(kDebugMode);
}

bool IceCommands::iceProgrammerMode() {
    return switchMode(kProgrammerMode);
}

std::optional<int> IceCommands::iceFirmwareVersion() {
    if (!settings_.usb) return std::nullopt;
    IoBuffer& b = usb_.ioBuffer;
    b[0] = kSystem;
    b[1] = kFirmwareText;
    if (!exchange(2, kSystemReply)) return std::nullopt;
    if (b[0] != 'W' || b[1] != 'R' || b[2] != 'I' || b[3] != 'V') return std::nullopt;
    int version = 0;
    for (size_t i = 4; i < 8; ++i) {
        if (b[i] < '0' || b[i] > '9') return std::nullopt;
        version = version * 10 + (b[i] - '0');
    }
    return version;
}

bool IceCommands::iceFirmwareAtLeast2() {
    const auto version = iceFirmwareVersion();
    return version && *version >= kCalibrationFirmware;
}

bool IceCommands::iceMonitorStart() {
    return iceBit1Clear();
}

bool IceCommands::iceMonitorFinish() {
    return iceBit1Set();
}

} // namespace zerka
