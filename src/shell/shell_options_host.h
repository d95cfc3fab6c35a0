#pragma once
// What the options model needs of the shell: its debug state, leaving debug mode, the USB
// check of the "Debug Tool" page, the emulator's watch trigger and the main window's refresh.
// The main window adds what only it has (the connection panel).
#include "chip/options_host.h"

namespace zerka {

class Shell;

class ShellOptionsHost : public OptionsHost {
  public:
    explicit ShellOptionsHost(Shell& shell) : shell_(shell) {}

    bool debugMode() const override;
    bool simulatorMode() const override;
    void enterEditMode() override;
    ChipLoadContext chipLoadContext() const override { return {}; }
    bool connectUsb() override;
    // The link layer opens the printer port when a command needs it.
    void lptInit() override {}
    void lptClose() override {}
    void iceSetWatch(uint16_t address, uint8_t data, uint8_t mask) override;
    void refreshMainWindow() override;
    void applyIdeMode(IdeMode mode, bool usb) override;
    void enableConnectionPanel() override {}

  protected:
    Shell& shell_;
};

} // namespace zerka
