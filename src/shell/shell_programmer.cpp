// The programmer-mode end of BuildAndLoad: the word image into the programmer's flash.
#include "core/output_names.h"
#include "shell/programmer_session.h"
#include "shell/shell.h"

namespace zerka {

// Step 15 in programmer mode: the word image into the programmer's flash and the hex grid.
bool Shell::programmerSteps() {
    using namespace shell_text;
    const std::string hexName = outputFileName(s_.currentFile, ".hex");
    const bool usb = p_.options.usbInterface();
    bool ok = true;
    bool refused = false;
    if (!usb) {
        // The printer-port programmer burns from the host's buffer: nothing to download.
        p_.log.AddEntry("OK", 0, hexName + "   Compiler OK");
        p_.log.AddEntry("OK", 0, hexName + "LPT  Programmer");
    } else if (!programmer_) {
        p_.log.AddEntry("ERROR", 0, kProgrammerMissing);
        ok = false;
    } else if (programmer_->checkBuildDownload(hexName).refused) {
        // An image that is not the chip's, or calibration values out of range: nothing is sent.
        ok = false;
        refused = true;
    } else if (p_.emulator && !p_.emulator->switchDebugMode() && p_.emulator->usbLink() &&
               p_.emulator->usbLink()->connected() && p_.emulator->linkAlive()) {
        // A connected unit that answers but refuses is busy; a link not yet open or lost is
        // opened or reported by the download.
        message(MessageType::Error, kBusy, Buttons::Cancel);
        ok = false;
    } else {
        const ProgOutcome out = programmer_->buildDownload(hexName);
        s_.linkState = out.started ? 0 : 255;
        if (!out.started) setConnection(ConnectionPanel::NotConnected);
        ok = out.success;
    }
    if (programmer_) programmer_->showImage(hexName);
    if (usb && p_.emulator && !refused) p_.emulator->switchProgrammerMode();
    p_.windows.showAsChild(Slot::Log, true);
    s_.programmerHexFile = hexName;
    return ok;
}

} // namespace zerka
