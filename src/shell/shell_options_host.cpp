#include "shell/shell_options_host.h"

#include "shell/shell.h"

namespace zerka {

bool ShellOptionsHost::debugMode() const {
    return shell_.state().debugMode == 1;
}

bool ShellOptionsHost::simulatorMode() const {
    return shell_.state().simulatorMode;
}

void ShellOptionsHost::enterEditMode() {
    shell_.EnterEditMode(true);
}

bool ShellOptionsHost::connectUsb() {
    EmulatorTarget* e = shell_.parts().emulator;
    return e && e->connectCheck() == 0;
}

void ShellOptionsHost::iceSetWatch(uint16_t address, uint8_t data, uint8_t mask) {
    if (EmulatorTarget* e = shell_.parts().emulator) e->setWatch(address, data, mask);
}

void ShellOptionsHost::refreshMainWindow() {
    shell_.ApplyIdeMode();
}

void ShellOptionsHost::applyIdeMode(IdeMode mode, bool usb) {
    // The connection panel follows the mode too: the simulator panel only in debugger mode.
    shell_.SelectTarget(shell_.state().simulatorMode);
    shell_.ApplyIdeMode();
    shell_.optionsClosed(mode, usb);
}

} // namespace zerka
