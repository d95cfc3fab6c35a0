#include "programmer/prog_settings.h"

#include "link/programmer_protocol.h"

#include <algorithm>
#include <utility>

namespace zerka {

namespace {

constexpr uint8_t kFirmware = 0xFF;

// A stored switch byte read back: on is AAh; nothing when the transfer failed.
std::optional<bool> isOn(std::optional<uint8_t> v) {
    return v ? std::optional<bool>(*v == kSettingOn) : std::nullopt;
}

std::optional<bool> isOff(std::optional<uint8_t> v) {
    return v ? std::optional<bool>(*v != kSettingOn) : std::nullopt;
}

// Keeps a value read back for the page; false, and the page left alone, when the transfer
// failed.
template <typename T> bool keep(std::optional<T> v, T& into) {
    if (!v) return false;
    into = std::move(*v);
    return true;
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
    return isOff(set(kSettingSetKey, blankOn ? kSettingOff : kSettingOn));
}

std::optional<bool> ProgrammerSettingsCommands::readKey() {
    return isOff(get(kSettingGetKey));
}

std::optional<bool> ProgrammerSettingsCommands::setBuzzer(bool on) {
    return isOn(set(kSettingSetBuzzer, on ? kSettingOn : kSettingOff));
}

std::optional<bool> ProgrammerSettingsCommands::readBuzzer() {
    return isOn(get(kSettingGetBuzzer));
}

std::optional<bool> ProgrammerSettingsCommands::setChecksum(bool on) {
    return isOn(set(kSettingSetChecksum, on ? kSettingOn : kSettingOff));
}

std::optional<bool> ProgrammerSettingsCommands::readChecksum() {
    return isOn(get(kSettingGetChecksum));
}

std::optional<ChipCodeNumber> ProgrammerSettingsCommands::setChipCode(bool on, uint32_t number,
                                                                      uint8_t param) {
    IoBuffer& b = link_.usb().ioBuffer;
    b[0] = kUnitSystemCommand;
    b[1] = kSettingSetNumber;
    b[2] = on ? kSettingOn : kSettingOff;
    for (int i = 0; i < 4; ++i)
        b[3 + i] = static_cast<uint8_t>(number >> (8 * i));
    b[7] = param;
    if (!link_.exchange(8, 3)) return std::nullopt;
    return readChipCode();
}

std::optional<ChipCodeNumber> ProgrammerSettingsCommands::readChipCode() {
    IoBuffer& b = link_.usb().ioBuffer;
    b[0] = kUnitSystemCommand;
    b[1] = kSettingGetNumber;
    if (!link_.exchange(2, 8)) return std::nullopt;
    ChipCodeNumber n;
    n.on = b[1] == kSettingOn;
    if (n.on)
        n.number =
            uint32_t(b[2]) | uint32_t(b[3]) << 8 | uint32_t(b[4]) << 16 | uint32_t(b[5]) << 24;
    return n;
}

std::optional<std::string> ProgrammerSettingsCommands::readFirmware() {
    return link_.firmwareText(kFirmware);
}

bool ProgrammerSettingsCommands::readAll(ProgrammerSettingsPage& page) {
    return keep(readFirmware(), page.firmware) && keep(readKey(), page.blankOn) &&
           keep(readBuzzer(), page.buzzerOn) && keep(readChecksum(), page.checkOn) &&
           keep(readChipCode(), page.chipCode);
}

bool ProgrammerSettingsCommands::ResetProgrammerSettings(ProgrammerSettingsPage& page) {
    // Every function gets FFh, the key included.
    if (!keep(isOff(set(kSettingSetKey, kSettingOff)), page.blankOn) ||
        !keep(isOn(set(kSettingSetBuzzer, kSettingOff)), page.buzzerOn) ||
        !keep(isOn(set(kSettingSetChecksum, kSettingOff)), page.checkOn))
        return false;
    IoBuffer& b = link_.usb().ioBuffer;
    b[0] = kUnitSystemCommand;
    b[1] = kSettingSetNumber;
    b[2] = kSettingOff;
    // A HID report carries the whole buffer: no stale number rides along.
    std::fill(b.begin() + 3, b.begin() + 8, 0);
    return link_.exchange(3, 3) && keep(readChipCode(), page.chipCode);
}

} // namespace zerka
