#pragma once
// The emulator information block as the build fills it: words 0..127 and 128..239 from the
// information files, the start-up stub after them, the stack-over words 112 and 113, and the
// calibration parameter block (words 208..229) for units with firmware 2.0 or later.
#include <array>
#include <cstdint>
#include <filesystem>

namespace zerka {

struct ChipModel;

using InformationBlock = std::array<uint16_t, 256>;

struct InfoBlockOptions {
    bool stackOverStop = false;  // STKOVSTOP
    bool stackOverReset = false; // STKOVRST
};

// Fills `block` from the files in `programDir` and the chip; words not named keep their value.
void fillInformationBlock(InformationBlock& block, const ChipModel& chip,
                          const InfoBlockOptions& options, const std::filesystem::path& programDir);

// The calibration words' inputs as the build reads them from the options (the programmer has
// its own `CalibrationInputs`: the page's values).
struct CalibrationBlockInputs {
    bool enHao = false, enShao = false, enSlao = false;
    uint32_t targetFrequency = 0;
    uint8_t permissibleError = 0;
    uint32_t lowPowerFrequency = 0;
    int modeCode = 0; // 0..6
    bool cx4a = true; // the core radio button "CX4A" is checked
};

// Words 208..228 (word 229 is left at 0). A #HAO w3 of 0 becomes 8, also in `chip`; without a
// #HAO section w7 takes sbmStart.
void fillCalibrationBlock(InformationBlock& block, ChipModel& chip, const CalibrationBlockInputs& in);

} // namespace zerka
