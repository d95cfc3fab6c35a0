#include "programmer/prog_settings.h"

#include <algorithm>

namespace zerka {

namespace {

constexpr uint8_t kOn = 0xAA;
constexpr uint8_t kOff = 0xFF;
constexpr uint8_t kSetKey = 0x0D, kGetKey = 0x0E, kSetBuzzer = 0x13, kGetBuzzer = 0x14,
                  kSetChecksum = 0x18, kGetChecksum = 0x19, kSetNumber = 0x1A, kGetNumber = 0x1B,
                  kFirmware = 0xFF;

// A stored switch byte read back: on is AAh; nothing when the transfer failed.
std::optional<bool> isOn(std::optional<uint8_t> v) {
    return v ? std::optional<bool>(*v == kOn) : std::nullopt;
}

std::optional<bool> isOff(std::optional<uint8_t> v) {
    return v ? std::optional<bool>(*v != kOn) : std::nullopt;
}

} // namespace

std::optional<uint8_t> ProgrammerSettingsCommands::set(uint8_t sub, uint8_t value) {
    IoBuffer& b = link_.usb().ioBuffer;
    if (!link_.exchange(putSystemCommand(b, sub, {value}), kSystemReplyBytes)) return std::nullopt;
    return get(static_cast<uint8_t>(sub + 1));
}

std::optional<uint8_t> ProgrammerSettingsCommands::get(uint8_t sub) {
    IoBuffer& b = link_.usb().ioBuffer;
    if (!link_.exchange(putSystemCommand(b, sub), kSystemReplyBytes)) return std::nullopt;
    return b[1];
}

// The key's values run the other way: AAh selects "Blank OFF".
std::optional<bool> ProgrammerSettingsCommands::setKey(bool blankOn) {
    return isOff(set(kSetKey, blankOn ? kOff : kOn));
}

std::optional<bool> ProgrammerSettingsCommands::readKey() {
    return isOff(get(kGetKey));
}

std::optional<bool> ProgrammerSettingsCommands::setBuzzer(bool on) {
    return isOn(set(kSetBuzzer, on ? kOn : kOff));
}

std::optional<bool> ProgrammerSettingsCommands::readBuzzer() {
    return isOn(get(kGetBuzzer));
}

std::optional<bool> ProgrammerSettingsCommands::setChecksum(bool on) {
    return isOn(set(kSetChecksum, on ? kOn : kOff));
}

std::optional<bool> ProgrammerSettingsCommands::readChecksum() {
    return isOn(get(kGetChecksum));
}

std::optional<ChipCodeNumber> ProgrammerSettingsCommands::setChipCode(bool on, uint32_t number,
                                                                      uint8_t param) {
    IoBuffer& b = link_.usb().ioBuffer;
    b[0] = 0xF9;
    b[1] = kSetNumber;
    b[2] = on ? kOn : kOff;
    for (int i = 0; i < 4; ++i)
        b[3 + i] = static_cast<uint8_t>(number >> (8 * i));
    b[7] = param;
    if (!link_.exchange(8, 3)) return std::nullopt;
    return readChipCode();
}

std::optional<ChipCodeNumber> ProgrammerSettingsCommands::readChipCode() {
    IoBuffer& b = link_.usb().ioBuffer;
    b[0] = 0xF9;
    b[1] = kGetNumber;
    if (!link_.exchange(2, 8)) return std::nullopt;
    ChipCodeNumber n;
    n.on = b[1] == kOn;
    if (n.on)
        n.number =
            uint32_t(b[2]) | uint32_t(b[3]) << 8 | uint32_t(b[4]) << 16 | uint32_t(b[5]) << 24;
    return n;
}

std::optional<std::string> ProgrammerSettingsCommands::readFirmware() {
    return link_.firmwareText(kFirmware);
}

bool ProgrammerSettingsCommands::readAll(ProgrammerSettingsPage& page) {
    const auto firmware = readFirmware();
    if (!firmware) return false;
    page.firmware = *firmware;
    const auto key = readKey();
    if (!key) return false;
    page.blankOn = *key;
    const auto buzzer = readBuzzer();
    if (!buzzer) return false;
    page.buzzerOn = *buzzer;
    const auto check = readChecksum();
    if (!check) return false;
    page.checkOn = *check;
    const auto number = readChipCode();
    if (!number) return false;
    page.chipCode = *number;
    return true;
}

bool ProgrammerSettingsCommands::ResetProgrammerSettings(ProgrammerSettingsPage& page) {
    // Every function gets FFh, the key included.
    const auto key = set(kSetKey, kOff);
    if (!key) return false;
    page.blankOn = *key != kOn;
    const auto buzzer = set(kSetBuzzer, kOff);
    if (!buzzer) return false;
    page.buzzerOn = *buzzer == kOn;
    const auto check = set(kSetChecksum, kOff);
    if (!check) return false;
    page.checkOn = *check == kOn;
    IoBuffer& b = link_.usb().ioBuffer;
    b[0] = 0xF9;
    b[1] = kSetNumber;
    b[2] = kOff;
    // A HID report carries the whole buffer: no stale number rides along.
    std::fill(b.begin() + 3, b.begin() + 8, 0);
    if (!link_.exchange(3, 3)) return false;
    const auto number = readChipCode();
    if (!number) return false;
    page.chipCode = *number;
    return true;
}

} // namespace zerka
