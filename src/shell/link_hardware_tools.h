#pragma once
// The options dialog's "Debug Tool" operations over the target link: supply-voltage
// measurement on the USB unit and single program-memory and data-memory accesses through the
// emulator commands (USB or printer port).
#include "chip/options_host.h"
#include "link/ice_commands.h"

namespace zerka {

class OptionsModel;

class LinkHardwareTools : public OptionsHardwareTools {
  public:
    // `options` gives the interface and the program-memory type; all must outlive this.
    LinkHardwareTools(UsbLink& usb, LptLink& lpt, IceCommands& ice, const OptionsModel& options,
                      WaitHook wait = {});

    SupplyVoltages measureSupply(bool vpp, bool vcc) override;
    bool writeProgramWord(uint16_t address, uint16_t value) override;
    std::optional<uint16_t> readProgramWord(uint16_t address) override;
    bool writeDataByte(uint16_t address, uint8_t value) override;
    std::optional<uint8_t> readDataByte(uint16_t address) override;

  private:
    bool exchange(std::initializer_list<uint8_t> packet, size_t readLength);
    bool failed();

    UsbLink& usb_;
    LptLink& lpt_;
    IceCommands& ice_;
    const OptionsModel& options_;
    WaitHook wait_;
};

} // namespace zerka
