#include "analog/opamp_calculator.h"

#include <array>

namespace zerka {
namespace {

constexpr std::array<const char*, 4> kModeTexts = {"Chopper ADC_CK/64", "Chopper ADC_CK/128",
                                                   "Offset Position", "Offset Negative"};

} // namespace

OpAmpCalculator::OpAmpCalculator(const ChipModel& chip, TZk_UP* up)
    : AnalogCalculator(chip, AnalogBlockKind::OpAmp, up) {
    addChipSelector("OP0P");
    addChipSelector("OP0N");
    addToggle("ENOP", "ENOP");
    addSelector("OP0M", 2);
    addToggle("OP0IS", "OPIS");
    addVdda();
    chipChanged();
}

void OpAmpCalculator::derive() {
    for (AnalogControl& c : controls_) {
        if (deriveSharedText(c)) continue;
        const unsigned k = c.code;
        if (c.field == "ENOP")
            c.text = k == 1 ? "ON" : "OFF";
        else if (c.field == "OP0M")
            c.text = kModeTexts[k > 3 ? 0 : k];
    }
}

} // namespace zerka
