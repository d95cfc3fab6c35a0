#pragma once
// The ADC calculator's model: input routing, PGA and modulator gain, reference, clock and
// oversampling settings of the chip's ADC, the conversion result in hexadecimal or decimal
// with 8 to 24 output bits, and the rule that warns about too much gain behind the signal
// buffer.
#include "analog/analog_calculator.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zerka {

// The conversion result as the window shows it: raw is the 24-bit (or 16-bit) two's-complement
// register value, bits the output bits (8..24); HEX shows at most six digits.
int32_t adcScaledValue(int32_t raw, int bits);
std::string adcResultText(int32_t raw, int bits, bool hex);

// The ADC result registers as a signed value: OH:OM:OL when the chip has ADC0OH, else OM:OL.
int32_t adcRawValue(bool hasHigh, uint8_t high, uint8_t middle, uint8_t low);

class AdcCalculator : public AnalogCalculator {
  public:
    static constexpr int kOutputBitsEntries = 17; // "8" .. "24"
    static constexpr int kDefaultOutputBitsIndex = 7;
    static constexpr const char* kGainWarning =
        "            Warning !!!               when unmeasured signal buffer is activated, "
        "amplification of    modulator must lower than or equal to 4 amplifications. Measurement "
        "deviation may be brought about when signal amplificaiton is higher than 4 "
        "amplifications.";

    AdcCalculator(const ChipModel& chip, TZk_UP* up);

    // 0 "HEX", 1 "DEC"; out-of-range values (a damaged configuration file) are brought into
    // range. Both refresh the result.
    int outputMode() const { return outputMode_; }
    void setOutputMode(int mode);
    // 0..16 for 8..24 output bits.
    int outputBitsIndex() const { return outputBitsIndex_; }
    void setOutputBitsIndex(int index);
    // A chip without an ADC: the stored setting goes back to 0.
    void resetSetting();

    const std::string& resultText() const { return result_; }
    bool gainWarningVisible() const { return warning_; }
    bool temperatureVisible() const { return chip_.adc.field("TEMPERATURE")->present; }
    // The INX input picture: the next input, back to the first after the last.
    bool clickInputPicture();

    // "Read ADC": on the emulator the result registers are read from the target (a failed read
    // gives 0) and stored in data memory without a record. In the simulator data memory already
    // holds what the program wrote, so only the window is refreshed.
    void ReadAdc(const std::function<uint8_t(uint32_t)>& iceReadByte);

  protected:
    void derive() override;
    void adjustField(AnalogControl& c) override;

  private:
    void deriveTexts();

    int outputMode_ = 0;
    int outputBitsIndex_ = kDefaultOutputBitsIndex;
    std::string result_ = "0";
    bool warning_ = false;
};

} // namespace zerka
