#pragma once
// The comparator calculator's model: the two input multiplexers, the internal reference ladder
// and its source, the output path (edge, polarity, filter, pin) and the pin bits that decide
// whether the comparator output reaches the CP1 and CP2 pins.
#include "analog/analog_calculator.h"

#include <string>

namespace zerka {

// The reference ladder's label for a CPVRS code (0..15).
std::string cpvrsLabel(unsigned code);

class ComparatorCalculator : public AnalogCalculator {
  public:
    ComparatorCalculator(const ChipModel& chip, TZk_UP* up);

    const std::string& cp1Status() const { return cp1_; }
    const std::string& cp2Status() const { return cp2_; }

  protected:
    void derive() override;
    void adjustField(AnalogControl& c) override;

  private:
    std::string cp1_ = "CP1 OFF";
    std::string cp2_ = "CP2 OFF";
    bool created_ = false;
};

} // namespace zerka
