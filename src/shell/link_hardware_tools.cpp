#include "shell/link_hardware_tools.h"

#include "chip/options_model.h"

#include <algorithm>
#include <array>

namespace zerka {

namespace {
constexpr uint8_t kSupplySwitch = 0xB5; // 0xB5 rail on/off
constexpr uint8_t kVppRail = 0x02, kVccRail = 0x03;
constexpr uint8_t kMeasure = 0xAE;
constexpr size_t kMeasureReplyBytes = 32;
constexpr int kMeasureRounds = 4;
constexpr size_t kVccByte = 9, kVppByte = 11; // 16-bit values, least significant byte first
} // namespace

LinkHardwareTools::LinkHardwareTools(UsbLink& usb, LptLink& lpt, IceCommands& ice,
                                     const OptionsModel& options, WaitHook wait)
    : usb_(usb), lpt_(lpt), ice_(ice), options_(options), wait_(std::move(wait)) {}

bool LinkHardwareTools::failed() {
    usb_.linkStatus = kLinkLost;
    return false;
}

bool LinkHardwareTools::exchange(std::initializer_list<uint8_t> packet, size_t readLength) {
    std::copy(packet.begin(), packet.end(), usb_.ioBuffer.begin());
    if (!usb_.write(packet.size()) || !usb_.read(readLength)) return failed();
    return true;
}

SupplyVoltages LinkHardwareTools::measureSupply(bool vpp, bool vcc) {
    SupplyVoltages result;
    if (!options_.usbInterface() || (!vpp && !vcc)) return result;
    std::array<uint8_t, 2> rails{};
    size_t count = 0;
    if (vpp) rails[count++] = kVppRail;
    if (vcc) rails[count++] = kVccRail;

    bool ok = true;
    for (size_t i = 0; i < count && ok; ++i)
        ok = exchange({kSupplySwitch, rails[i], 0x01}, 1);
    if (ok) {
        if (wait_) wait_(std::chrono::milliseconds(100));
        // The unit averages over its last readings: the fourth answer is the one shown.
        for (int round = 0; round < kMeasureRounds && ok; ++round)
            ok = exchange({kMeasure, 0x03}, kMeasureReplyBytes);
    }
    if (ok) {
        const auto value = [this](size_t at) {
            return uint16_t(usb_.ioBuffer[at] | usb_.ioBuffer[at + 1] << 8);
        };
        if (vpp) result.vpp = value(kVppByte);
        if (vcc) result.vcc = value(kVccByte);
    }
    // The rails go off again whatever the measurement gave.
    for (size_t i = 0; i < count; ++i)
        exchange({kSupplySwitch, rails[i], 0x00}, 1);
    return result;
}

bool LinkHardwareTools::writeProgramWord(uint16_t address, uint16_t value) {
    // The EEPROM behind the printer port is write-protected between accesses.
    const bool unprotect = options_.romSelect() == RomSelect::Eeprom28C256 &&
                           !options_.usbInterface() && lpt_.isOpen();
    if (unprotect) lpt_.lptEepromProtect(0);
    const bool ok = ice_.iceWriteWord(address, value);
    if (unprotect) lpt_.lptEepromProtect(1);
    return ok;
}

std::optional<uint16_t> LinkHardwareTools::readProgramWord(uint16_t address) {
    uint8_t b[2] = {};
    if (!ice_.iceReadWords(address, std::span<uint8_t>(b))) return std::nullopt;
    return uint16_t(b[0] << 8 | b[1]);
}

bool LinkHardwareTools::writeDataByte(uint16_t address, uint8_t value) {
    return ice_.iceWriteByte(address, value);
}

std::optional<uint8_t> LinkHardwareTools::readDataByte(uint16_t address) {
    uint8_t b[1] = {};
    if (!ice_.iceReadBytes(address, std::span<uint8_t>(b))) return std::nullopt;
    return b[0];
}

} // namespace zerka
