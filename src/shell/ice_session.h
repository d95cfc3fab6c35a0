#pragma once
// The emulator as the build pipeline sees it, over the USB link (or the printer port), the
// emulator command layer and the uP centre's emulator branch. The application chooses the
// transports: the real devices, or the virtual target unit.
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "link/ice_commands.h"
#include "link/lpt_link.h"
#include "link/usb_link.h"
#include "shell/emulator_target.h"
#include "upcentre/run/emulator_memory.h"
#include "upcentre/run/emulator_run.h"
#include "upcentre/run/up_centre.h"

#include <memory>

namespace zerka {

class IceSession : public EmulatorTarget {
  public:
    IceSession(TZk_UP& up, const ChipModel& chip, const OptionsModel& options, UiHost& ui,
               UsbBackends backends, std::unique_ptr<PortProvider> port, WaitHook wait = {});
    ~IceSession() override;

    uint8_t connectCheck() override;
    int chipIdCheck() override;
    bool firmware2() override;
    bool switchDebugMode() override;
    bool switchProgrammerMode() override;
    bool selectCore(uint8_t coreVariant) override;
    bool writeInfoBlock(const std::array<uint16_t, 256>& words) override;
    void haltAndStartMonitor() override;
    bool rangeGuard(uint32_t limit) override;
    int memoryTest() override;
    bool downloadAndVerify() override;
    bool mirrorTest8K() override;
    void enterDebug(uint16_t watchAddress, uint8_t watchData, uint8_t watchMask) override;
    void leaveDebug() override;
    bool linkAlive() override;
    void release() override;
    int bodyCheck(uint16_t& word) override;
    uint8_t linkStatus() override { return usb_.linkStatus; }
    bool checkProgramMemory() override;
    int fullMemoryTest(uint32_t& position) override;
    bool reloadProgram() override;
    UsbLink* usbLink() override { return &usb_; }
    bool placeSelfEromBreakpoints(std::span<const uint32_t> accesses) override;
    void setWatch(uint16_t address, uint8_t data, uint8_t mask) override;

    // Another unit from now on: the link and the port are closed and take these transports.
    void setTransports(UsbBackends backends, std::unique_ptr<PortProvider> port, WaitHook wait);

    UsbLink& usb() { return usb_; }
    // The uP centre's emulator branch (its run bounds and stop reasons).
    EmulatorRun& run() { return run_; }
    // The command layer, for the views' own emulator reads and writes.
    IceCommands& commands() { return ice_; }

  private:
    void configure();
    WaitHook waits();

    TZk_UP& up_;
    const ChipModel& chip_;
    const OptionsModel& options_;
    UiHost& ui_;
    WaitHook wait_;
    UsbLink usb_;
    LptLink lpt_;
    IceSettings settings_;
    IceCommands ice_;
    EmulatorMemory memory_;
    EmulatorRun run_;
};

} // namespace zerka
