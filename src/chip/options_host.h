#pragma once
// What the options settings model needs from the rest of the system and does not own: the
// shell's debug state, the printer-port driver, the emulator's watch command, the main window,
// the calibration page's validation (oscillator calibration) and the hardware test tools. The
// application implements these; tests use recorders.
#include "chip/chip_library.h"

#include <cstdint>
#include <optional>

namespace zerka {

enum class IdeMode { Debugger, Programmer };

class OptionsHost {
  public:
    virtual ~OptionsHost() = default;

    // 1 while the shell is in debug mode.
    virtual bool debugMode() const = 0;
    // True while debugging runs on the simulator, false on the emulator.
    virtual bool simulatorMode() const = 0;
    // The shell leaves debug mode (page buttons "InterSetup" and "ConfigSetup").
    virtual void enterEditMode() = 0;

    // What a chip load needs that other components own (emulator body, programmer firmware,
    // the views' selections). The options model fills in the language itself.
    virtual ChipLoadContext chipLoadContext() const = 0;

    // USB connection for the "Debug Tool" page; false when it failed.
    virtual bool connectUsb() = 0;
    // The printer-port driver.
    virtual void lptInit() = 0;
    virtual void lptClose() = 0;
    // Sends the data-watch trigger to the emulator.
    virtual void iceSetWatch(uint16_t address, uint8_t data, uint8_t mask) = 0;

    // The main window's activation step.
    virtual void refreshMainWindow() = 0;
    // Closing step 7: windows and the device display follow the IDE mode.
    virtual void applyIdeMode(IdeMode mode, bool usb) = 0;
    // Choosing "Programmer" enables the main window's connection panel.
    virtual void enableConnectionPanel() = 0;
};

// The calibration page's rules that belong to the oscillator calibration.
class CalibrationRules {
  public:
    virtual ~CalibrationRules() = default;
    // Checks the page's inputs and computes the calibration mode. False (after the rules have
    // told the user why) keeps the options dialog open.
    virtual bool validateAndComputeMode() = 0;
    // Recomputes the calibration mode from the three switches.
    virtual void recomputeMode() = 0;
};

struct SupplyVoltages {
    std::optional<uint16_t> vpp; // hundredths of a volt
    std::optional<uint16_t> vcc;
};

// The "Debug Tool" page's device operations (USB or printer port).
class OptionsHardwareTools {
  public:
    virtual ~OptionsHardwareTools() = default;
    virtual SupplyVoltages measureSupply(bool vpp, bool vcc) = 0;
    virtual bool writeProgramWord(uint16_t address, uint16_t value) = 0;
    virtual std::optional<uint16_t> readProgramWord(uint16_t address) = 0;
    virtual bool writeDataByte(uint16_t address, uint8_t value) = 0;
    virtual std::optional<uint8_t> readDataByte(uint16_t address) = 0;
};

} // namespace zerka
