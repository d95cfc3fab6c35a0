// The unit-level commands of the emulator session: the debug/programmer mode switch, the
// firmware version query and the system monitor start.
#include "link/ice_commands.h"
#include "link/unit_system.h"

namespace zerka {

bool IceCommands::switchMode(uint8_t mode) {
    if (!settings_.usb) return true;
    return switchUnitMode(usb_.ioBuffer, mode,
                          [this](size_t w, size_t r) { return exchange(w, r); });
}

bool IceCommands::iceDebugMode() {
    return switchMode(kUnitDebugMode);
}

bool IceCommands::iceProgrammerMode() {
    return switchMode(kUnitProgrammerMode);
}

std::optional<int> IceCommands::iceFirmwareVersion() {
    if (!settings_.usb) return std::nullopt;
    return readFirmwareVersion(usb_.ioBuffer,
                               [this](size_t w, size_t r) { return exchange(w, r); });
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
