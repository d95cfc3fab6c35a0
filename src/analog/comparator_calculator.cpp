#include "analog/comparator_calculator.h"

#include <array>

namespace zerka {
namespace {

constexpr std::array<const char*, 4> kSourceTexts = {"Floating", "Temperature", "0.25 x VDD",
                                                     "0.5 x VDD"};

struct PinCaption {
    const char* field;
    const char* caption; // the form's own caption, used until the chip names one
};
constexpr std::array<PinCaption, 6> kPins = {{{"PTMX", "PM2.7"},
                                              {"TRISCX", "TC2.7"},
                                              {"PTDAX", "DA2.7"},
                                              {"PTMX1", "PM2.6"},
                                              {"TRISCX1", "TC2.6"},
                                              {"PTDAX1", "DA2.6"}}};

} // namespace

std::string cpvrsLabel(unsigned code) {
    if (code == 0) return "Floating";
    if (code >= 15) return "VCP = 1000mV";
    // 500 mV has no code: the ladder skips it between 0111 and 1000.
    const unsigned tenths = 625 * (code <= 7 ? code : code + 1); // millivolts x 10
    std::string mv = std::to_string(tenths / 10);
    if (tenths % 10) mv += "." + std::to_string(tenths % 10);
    return "VR" + std::to_string(code - 1) + " = " + mv + "mV";
}

ComparatorCalculator::ComparatorCalculator(const ChipModel& chip, TZk_UP* up)
    : AnalogCalculator(chip, AnalogBlockKind::Comparator, up) {
    addChipSelector("CPIH");
    addChipSelector("CPIL");
    addToggle("ENCPA", "ENCPA");
    addToggle("CPIST", "CIST");
    addToggle("CPOIES", "CPOEG");
    addToggle("CPOX", "CPOX");
    addToggle("CPOFR", "CPOFR");
    addToggle("CS1", "CS1");
    addToggle("CS2", "CS2");
    addToggle("CAPAT", "CAPAT");
    AnalogControl& source = addSelector("CPVCS", 2);
    for (unsigned c = 0; c < 4; ++c)
        source.codeLabels[c] = kSourceTexts[c];
    AnalogControl& ladder = addSelector("CPVRS", 4);
    for (unsigned c = 0; c < 16; ++c)
        ladder.codeLabels[c] = cpvrsLabel(c);
    addToggle("CPIX", "CPIX");
    for (const PinCaption& p : kPins)
        addToggle(p.field, p.caption);
    addDisplay("CPOIF", "CPOIF");
    addVdda();
    addToggle("ENACM", "ACM");
    chipChanged();
    created_ = true;
}

void ComparatorCalculator::adjustField(AnalogControl& c) {
    for (const PinCaption& p : kPins) {
        if (c.field != p.field) continue;
        c.caption = c.desc.present && !c.desc.caption.empty() ? c.desc.caption : p.caption;
        // The CP1 pin bits exist on some chips only: hidden until the chip names them.
        const std::string_view name = p.field;
        if (name.back() == '1') c.visible = c.desc.present;
    }
}

void ComparatorCalculator::derive() {
    for (AnalogControl& c : controls_) {
        if (deriveSharedText(c)) continue;
        const unsigned k = c.code;
        if (c.field == "CPVCS")
            c.text = kSourceTexts[k > 3 ? 0 : k];
        else if (c.field == "CPVRS")
            c.text = cpvrsLabel(k);
        else if (c.field == "CPOIES")
            c.text = k == 1 ? "Falling edge" : "Rising edge";
    }
    const std::string old1 = cp1_, old2 = cp2_;
    const bool enabled = code("ENCPA") == 1;
    cp2_ = enabled && code("PTMX") == 1 && code("TRISCX") == 1 && code("PTDAX") == 0 ? "CP2 ON"
                                                                                     : "CP2 OFF";
    cp1_ = enabled && code("PTMX1") == 1 && code("TRISCX1") == 1 && code("PTDAX1") == 0 ? "CP1 ON"
                                                                                        : "CP1 OFF";
    if (created_ && (cp1_ != old1 || cp2_ != old2)) ++revision_;
}

} // namespace zerka
