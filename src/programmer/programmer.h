#pragma once
// The programmer commands of the main window, without windows: Blank, Program, Verify, Auto and
// Read on the chip in the programmer's socket, the "DownLoad To Flash Memory" and "Read From
// Flash Memory" commands. Each reports in the message log and through the UiHost and returns
// what it ended with; the IDE and `zerka prog` call the same code.
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "core/message_log.h"
#include "core/ui_host.h"
#include "programmer/flash_download.h"
#include "programmer/osc_calibration.h"
#include "programmer/prog_link.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zerka {

class LptProgrammer;

// What the IDE keeps between programmer commands.
struct ProgrammerState {
    uint16_t imageChecksum = 0;              // checksum of the image the flash should hold
    std::filesystem::path programmerHexFile; // the word image to burn
    ProgrammerImage image;                   // code buffer and information block
};

struct ProgrammerEnv {
    ProgrammerEnv(UsbLink& usb, const ChipModel& chip, UiHost& ui, MessageLog& log,
                  ProgrammerState& state)
        : usb(usb), chip(chip), ui(ui), log(log), state(state) {}

    UsbLink& usb;
    const ChipModel& chip;
    UiHost& ui;
    MessageLog& log;
    ProgrammerState& state;
    bool usbInterface = true; // interface index 4
    int languageIndex = 0;
    WaitHook wait; // empty: the steady clock, letting `yield` run
    SteadyNow now; // empty: the steady clock
    YieldHook yield;
    std::function<bool()> reloadChip;      // GetSELUP of the selected chip
    OscCalibration* calibration = nullptr; // the options' calibration page, when there is one
    LptProgrammer* lpt = nullptr;          // the parallel-port programmer
    // The chip library for Read's chip table (nullptr: no chip list).
    const ChipLibrary* library = nullptr;
    // Program and Auto send the calibration set-up of `calibration` before the calibration job
    // (the command line, whose values come with the command); the IDE sends it with each
    // download.
    bool sendCalibrationSetup = false;
};

// How an operation ended.
struct ProgOutcome {
    bool success = false; // ended with its success line
    bool started = false; // connected and took the programmer
    bool refused = false; // a check refused it before anything was sent to the unit
};

// The chip read back by Read.
struct ChipReadResult {
    bool found = false; // the identifier named a chip of the table
    std::string chipName;
    std::vector<uint16_t> program;  // program words as read
    std::vector<uint16_t> bieWords; // bieBank x 16 words from 4000h
    bool allBlank = false;
    std::optional<int> acmSelection; // 0 "ACM = 1.0V", 1 "ACM = 1.2V"
};

// What the flash holds (Read From Flash Memory).
struct FlashReadBack {
    bool ok = false;
    std::vector<uint16_t> code;
    uint16_t checksum = 0;
};

class Programmer {
  public:
    explicit Programmer(ProgrammerEnv env);

    ProgOutcome progBlank();
    ProgOutcome progProgram();
    ProgOutcome progVerify();
    ProgOutcome progAuto();
    ProgOutcome progRead(ChipReadResult& out);
    // "DownLoad To Flash Memory" after the confirmation and the file choice.
    ProgOutcome DownloadCommand(const std::filesystem::path& file);
    ProgOutcome ReadBackCommand(FlashReadBack& out);
    // The programmer-mode build's download of the word image it just wrote: calibration
    // set-up, sector erase, download and read-back check, with the build's log lines. No
    // dialog beyond the connection error; `codeBytes` is the chip's program size in bytes.
    ProgOutcome buildDownload(const std::filesystem::path& hexName, uint32_t codeBytes);
    // What buildDownload checks before it reaches the unit: the word image is the chip's, the
    // calibration values pass the options dialog's rules. Sends nothing; `success` when both
    // pass, otherwise `refused` after the log lines that say why.
    ProgOutcome buildChecks(const std::filesystem::path& hexName);

    ProgLink& link() { return link_; }

  private:
    // The common frame: clear the log, reload the chip (prepare), connect and take the
    // programmer (connect), release (end).
    void prepareFrame();
    bool connectFrame();
    bool beginFrame() {
        prepareFrame();
        return connectFrame();
    }
    void endFrame();
    // Connects and takes the programmer; false after saying why (the connection error, the lost
    // link, or that the unit is busy), with a refused take released again.
    bool takeProgrammer();
    // The checks made before anything is sent: the word image `file` is the chip's (a file that
    // does not exist is left to the step that needs it), the calibration values pass the
    // options dialog's rules. False after the log line that says why.
    bool imageAccepted(const std::filesystem::path& file);
    bool calibrationAccepted();
    // A step failed: with a failed transfer behind it the link was lost, and that is what is
    // said; otherwise the step's own line. Always false.
    bool fail(const std::string& caption, const std::string& text);
    // Says once per operation that the link was lost, when a transfer failed.
    void reportLinkLost();
    // A download that failed: why, then the caller's failure line.
    void reportDownloadFailure(const DownloadResult& r, const std::string& caption,
                               const std::string& line);
    bool chipIdMatches(const std::string& caption, ChipIdReply& id);
    // A job over the main code words ended with `result`: the OK line, or the failure line and,
    // for a result that names a word (1 to 3), the error report. False on failure.
    bool mainJobDone(uint8_t result, const std::string& caption, const char* failText,
                     const char* okText);
    // Runs a job over the SBM words: the OK line or the failure line.
    bool sbmJob(uint8_t job, const std::string& caption, const char* failText, const char* okText);
    // The blank check of the main words, then of the SBM.
    bool blankJobs();
    bool flashIdMatches(uint16_t id);
    void errorReport();
    uint32_t mainCount() const { return (env_.chip.romWords / 256) * 256; }
    bool calibrationEnabled(bool firmware2) const;
    ProgOutcome programSequence(bool withBlank, const std::string& idCaption);
    bool downloadStale();
    // Erase and download with the display texts of a unit that has a display.
    DownloadResult eraseAndDownload(const std::filesystem::path& file, uint32_t codeBytes);
    void add(const std::string& caption, const std::string& text);

    ProgrammerEnv env_;
    ProgLink link_;
    bool lostReported_ = false;
};

// The chip table of Read: name, identifier and program words of every chip-list entry whose
// description file exists.
struct ChipTableEntry {
    std::string name;
    uint16_t id = 0;
    uint32_t words = 4096;
};
std::vector<ChipTableEntry> buildChipTable(const ChipLibrary& library);

} // namespace zerka
