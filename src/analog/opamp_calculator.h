#pragma once
// The op-amp calculator's model: the two input multiplexers, enable, chopper or offset mode,
// the input short switch and the VDDA supply.
#include "analog/analog_calculator.h"

namespace zerka {

class OpAmpCalculator : public AnalogCalculator {
  public:
    OpAmpCalculator(const ChipModel& chip, TZk_UP* up);

  protected:
    void derive() override;
};

} // namespace zerka
