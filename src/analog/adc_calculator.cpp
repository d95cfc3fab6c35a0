#include "analog/adc_calculator.h"

#include "upcentre/run/up_centre.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace zerka {
namespace {

constexpr std::array<const char*, 4> kPgaTexts = {"Off", "x 2", "x 4", "x 8"};
constexpr std::array<const char*, 8> kAdGainTexts = {"ADGN = 1/4",  "ADGN = 1/2", "ADGN = x 1",
                                                     "ADGN = x 2",  "ADGN = x 4", "ADGN = x 8",
                                                     "ADGN = x 16", "ADGN = x 16"};
constexpr std::array<const char*, 8> kDcSetTexts = {"S + 0",       "S + VRE*1/4", "S + VRE*1/2",
                                                    "S + VRE*3/4", "S + 0",       "S - VRE*1/4",
                                                    "S - VRE*1/2", "S - VRE*3/4"};

} // namespace

int32_t adcRawValue(bool hasHigh, uint8_t high, uint8_t middle, uint8_t low) {
    if (hasHigh) {
        const uint32_t v = uint32_t(high) << 16 | uint32_t(middle) << 8 | low;
        return (high & 0x80) ? int32_t(v | 0xFF000000u) : int32_t(v);
    }
    const uint32_t v = uint32_t(middle) << 8 | low;
    return (middle & 0x80) ? int32_t(v | 0xFFFF0000u) : int32_t(v);
}

int32_t adcScaledValue(int32_t raw, int bits) {
    bits = std::clamp(bits, 8, 24);
    return raw / (int32_t(1) << (24 - bits)); // C++ division truncates toward zero
}

std::string adcResultText(int32_t raw, int bits, bool hex) {
    const int32_t value = adcScaledValue(raw, bits);
    char buf[16];
    if (!hex) {
        std::snprintf(buf, sizeof buf, "%d", value);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "%X", uint32_t(value));
    std::string s = buf;
    if (s.size() >= 7) s.erase(0, s.size() - 6);
    return s;
}

AdcCalculator::AdcCalculator(const ChipModel& chip, TZk_UP* up)
    : AnalogCalculator(chip, AnalogBlockKind::Adc, up) {
    addSelector("INX0", 0).textIsCodeLabel = true; // entries follow the field's width
    addToggle("IN0IS", "INIS");
    addSelector("PGA0GN", 2);
    addToggle("ENHIGN0", "ENHIGN");
    addToggle("ENCHP0", "ENCHP");
    addToggle("INBUF0", "INBUF");
    addSelector("AD0GN", 3);
    addToggle("VRBUF0", "VRBUF");
    addToggle("VRE0GN", "VREGN");
    addToggle("ADCCK0", "ADCCK");
    addSelector("DCSET0", 3);
    addSelector("OSR0", 3);
    addSelector("ADCS0", 3);
    addToggle("ENADC0", "ENADC");
    addVdda();
    addDisplay("ADCIF", "ADCIF");
    chipChanged();
}

void AdcCalculator::adjustField(AnalogControl& c) {
    // The clock divider register is named by address only: its code is the low three bits.
    if (c.field == "ADCS0" && c.desc.present && c.desc.width == 0) {
        c.desc.width = 3;
        c.desc.lowBit = 0;
    }
    if (c.field == "INX0") {
        c.digits = 0;
        const unsigned digits = std::clamp<unsigned>(c.desc.width, 1, 3);
        c.choices.clear();
        for (unsigned code = 0; code < (1u << digits); ++code)
            c.choices.push_back(binaryText(code, digits));
        c.codeLabels.clear();
        for (unsigned code = 0; code < c.choices.size(); ++code)
            c.codeLabels.push_back("IN" + std::to_string(code));
        c.desc.codeExists.assign(c.choices.size(), true);
        c.desc.labels = c.codeLabels;
    }
    // The option words of the chip description replace the form's own captions.
    static constexpr std::array<std::pair<const char*, const char*>, 4> kCaptions = {
        {{"INBUF0", "INBUF"}, {"VRBUF0", "VRBUF"}, {"ENCHP0", "ENCHP"}, {"ENHIGN0", "ENHIGN"}}};
    for (const auto& [name, caption] : kCaptions)
        if (c.field == name) c.caption = c.desc.optionFlag ? std::string() : std::string(caption);
}

void AdcCalculator::setOutputMode(int mode) {
    outputMode_ = std::clamp(mode, 0, 1);
    derive();
    ++revision_;
}

void AdcCalculator::setOutputBitsIndex(int index) {
    outputBitsIndex_ = std::clamp(index, 0, kOutputBitsEntries - 1);
    derive();
    ++revision_;
}

void AdcCalculator::resetSetting() {
    outputMode_ = 0;
    outputBitsIndex_ = 0;
    derive();
    ++revision_;
}

bool AdcCalculator::clickInputPicture() {
    AnalogControl* c = find("INX0");
    if (!c || !c->enabled) return false;
    const unsigned next = c->code >= fieldMaxCode(c->desc) ? 0 : c->code + 1u;
    return writeCode(*c, next);
}

void AdcCalculator::ReadAdc(const std::function<uint8_t(uint32_t)>& iceReadByte) {
    if (!up_) return;
    if (!up_->simulatorMode() && iceReadByte) {
        for (const char* name : {"ADC0OH", "ADC0OM", "ADC0OL"}) {
            const AnalogField* f = chip_.adc.field(name);
            if (f && f->present) up_->cpu().WriteData(f->address, iceReadByte(f->address));
        }
    }
    DataUpdate();
}

void AdcCalculator::derive() {
    const std::string oldResult = result_;
    const bool oldWarning = warning_;
    deriveTexts();
    if (result_ != oldResult || warning_ != oldWarning) ++revision_;
}

void AdcCalculator::deriveTexts() {
    for (AnalogControl& c : controls_) {
        if (deriveSharedText(c)) continue;
        const unsigned k = c.code;
        if (c.field == "PGA0GN")
            c.text = kPgaTexts[std::min(k, 3u)];
        else if (c.field == "ENHIGN0")
            c.text = k == 1 ? "OPAMP-H" : "OPAMP-L";
        else if (c.field == "ENCHP0")
            c.text = k == 1 ? "SD Chopper off" : "SD Chopper on";
        else if (c.field == "AD0GN")
            c.text = kAdGainTexts[k > 7 ? 0 : k];
        else if (c.field == "VRE0GN")
            c.text = k == 1 ? "VREGN= x 1/2" : "VREGN= x 1";
        else if (c.field == "DCSET0")
            c.text = kDcSetTexts[k > 7 ? 0 : k];
        else if (c.field == "OSR0")
            c.text = "ADC_CK / " + std::to_string(256u << (k > 7 ? 0 : k));
        else if (c.field == "ADCS0")
            c.text = "\xC3\xB7 " + std::to_string(1u << (k > 7 ? 0 : k));
    }
    // The signal buffer only works with the PGA off.
    AnalogControl* inbuf = find("INBUF0");
    const unsigned pga = code("PGA0GN");
    inbuf->on = inbuf->code == 1 && pga == 0;
    const unsigned adGain = code("AD0GN") > 7 ? 0 : code("AD0GN");
    warning_ = adGain > 4 && inbuf->on;

    if (code("ENADC0") == 0) {
        result_ = "ADC OFF";
        return;
    }
    auto byteOf = [this](const char* name) -> uint8_t {
        const AnalogField* f = chip_.adc.field(name);
        return f && f->present && up_ ? up_->cpu().ReadData(f->address) : 0;
    };
    const AnalogField* high = chip_.adc.field("ADC0OH");
    const int32_t raw =
        adcRawValue(high && high->present, byteOf("ADC0OH"), byteOf("ADC0OM"), byteOf("ADC0OL"));
    result_ = adcResultText(raw, 8 + outputBitsIndex_, outputMode_ == 0);
}

} // namespace zerka
