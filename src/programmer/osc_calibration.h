#pragma once
// Oscillator calibration while chips are burned: the "OSC Calibration" page's rules (mode,
// validation), the set-up packet sent to the programmer and the calibration job.
#include "chip/chip_model.h"
#include "chip/options_host.h"
#include "chip/options_model.h"
#include "core/message_log.h"
#include "core/ui_host.h"
#include "programmer/prog_link.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zerka {

// The page's values as numbers.
struct CalibrationInputs {
    bool hardware = false; // "Enable H/W Calibration"
    bool softwareHao = false;
    bool softwareLpo = false;
    uint32_t haoTarget = 2000000;
    uint32_t permissibleError = 2;
    uint32_t lpoTarget = 28000;
};

// The mode of the switch table; nullopt when all three are off (the mode stays as it was).
std::optional<uint8_t> calibrationModeOf(bool h, bool s, bool l);

// The options dialog's checks of the "OSC Calibration" page, in its order, for the
// functions that are on: the HAO target within #HAO w5..w6 (H/W, or S/W HAO on a chip with
// #HAO), the permissible error within 1..100 (H/W), the LPO target within 22000..35000 (H/W or
// S/W LPO). The message of the first check that fails, nothing when all pass. With `hardware`
// on it is exactly the check of the dialog's closing. Every path that sends values to the
// programmer checks them here first.
std::optional<std::string> calibrationInputProblem(const std::string& hao,
                                                   const std::string& permissibleError,
                                                   const std::string& lpo, const ChipModel& chip,
                                                   bool hardware, bool softwareHao,
                                                   bool softwareLpo);

// The ranges of calibrationInputProblem's message, for a command line: "(1000000 to 4000000 Hz)".
std::string calibrationRangeText(const std::string& message, const ChipModel& chip);

// The 64-byte set-up packet (byte 2 = `transfer`, 0 or 1).
std::array<uint8_t, 64> calibrationSetupPacket(const CalibrationInputs& in, uint8_t mode,
                                               const ChipModel& chip, bool cx4aSelected,
                                               uint8_t transfer);

class OscCalibration : public CalibrationRules {
  public:
    OscCalibration(OptionsModel& options, const ChipModel& chip, UiHost& ui);

    bool validateAndComputeMode() override;
    void recomputeMode() override;

    uint8_t mode() const { return mode_; }
    // "Enable H/W Calibration" back to the state saved when the options dialog closed.
    void restoreSavedSwitch();
    // The page's values; invalid permissible error and LPO entries as the mode computation
    // replaces them.
    CalibrationInputs inputs() const;
    // What is wrong with the values calSendSetup would send (the saved H/W switch, the S/W
    // switches and the page's values), by calibrationInputProblem; nothing when all are off.
    std::optional<std::string> setupProblem() const;
    // Sends the set-up (only with firmware 2.0 or later) and logs the switches that are on.
    bool calSendSetup(ProgLink& link, MessageLog& log, bool firmware2);

  private:
    OptionsModel& options_;
    const ChipModel& chip_;
    UiHost& ui_;
    uint8_t mode_ = 0;
};

struct CalibrationOutcome {
    bool proceed = true; // false: the operation ends here
    bool ran = false;    // the job answered
    uint8_t code = 0xFF; // result code, 255 for a transfer failure
    uint8_t flags = 0;   // sent back with B8h 80h after the burn
};

// The calibration job (B8h 07h) and its log lines.
CalibrationOutcome runCalibrationJob(ProgLink& link, MessageLog& log);

} // namespace zerka
