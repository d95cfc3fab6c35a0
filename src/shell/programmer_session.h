#pragma once
// The programmer as the IDE uses it: the programmer toolbar and menu commands and the
// programmer-mode build's download, on the unit the emulator session reaches (the USB device,
// ZERKA_TARGET or the in-process virtual unit). It keeps the shell's checksum and programmer
// hex file in step with what the programmer's flash holds.
#include "core/signal.h"
#include "programmer/osc_calibration.h"
#include "programmer/programmer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zerka {

class Shell;

class ProgrammerSession {
  public:
    // `wait` and `now` as for ProgLink (empty: the steady clock, letting the shell's yield run).
    ProgrammerSession(Shell& shell, UsbLink& usb, WaitHook wait = {}, SteadyNow now = {});
    ~ProgrammerSession();
    ProgrammerSession(const ProgrammerSession&) = delete;
    ProgrammerSession& operator=(const ProgrammerSession&) = delete;

    ProgOutcome blank();
    ProgOutcome program();
    ProgOutcome verify();
    ProgOutcome autoProgram();
    ProgOutcome read(ChipReadResult& out);
    // "DownLoad To Flash Memory" once the burner and the file are chosen.
    ProgOutcome download(const std::string& hexFile);
    ProgOutcome readBack(FlashReadBack& out);
    // Step 15 of the programmer-mode build (USB): the word image into the programmer's flash.
    ProgOutcome buildDownload(const std::string& hexName);
    // The checks buildDownload makes before it reaches the unit (Programmer::buildChecks);
    // `refused` after the log lines that say why.
    ProgOutcome checkBuildDownload(const std::string& hexName);
    // Reads the word image and publishes its code words for the program-memory hex grid.
    void showImage(const std::string& hexName);

    // Connects for the settings page; false after the connection error was shown.
    bool connect();
    ProgLink& link() { return link_; }
    Shell& shell() { return shell_; }
    OscCalibration& calibration() { return calibration_; }
    ProgrammerState& state() { return state_; }
    const ChipModel& chip() const;

    // Program words for the hex grid: an image shown or downloaded, a chip or flash read.
    Signal<const std::vector<uint16_t>&> wordsShown;
    // The share of a transfer or job done, 0 to 100; -1 hides the progress bar.
    Signal<int> progressShown;

  private:
    // The shell's UiHost with the progress going to progressShown as well.
    class ProgressUi : public UiHost {
      public:
        ProgressUi(UiHost& inner, const Signal<int>& progress)
            : inner_(inner), progress_(progress) {}
        Button messageBox(MessageType t, const std::string& text, Buttons b) override {
            return inner_.messageBox(t, text, b);
        }
        void statusText(const std::string& text) override { inner_.statusText(text); }
        void progress(int percent) override;
        void busy(bool on) override { inner_.busy(on); }
        void deviceDisplay(const std::string& text) override { inner_.deviceDisplay(text); }

      private:
        UiHost& inner_;
        const Signal<int>& progress_;
    };

    ProgrammerEnv env();
    template <typename Op> ProgOutcome run(Op op);

    Shell& shell_;
    UsbLink& usb_;
    WaitHook wait_;
    SteadyNow now_;
    ProgLink link_;
    ProgressUi ui_;
    OscCalibration calibration_;
    ProgrammerState state_;
};

} // namespace zerka
