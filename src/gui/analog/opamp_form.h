#pragma once
// TOPForm ("OP"): the op-amp with its two input multiplexers, the input short switch, enable,
// chopper or offset mode, and the VDDA supply.
#include "analog/opamp_calculator.h"
#include "gui/analog/analog_diagram.h"

namespace zerka::gui {

class TOPForm : public AnalogDiagram {
    Q_OBJECT
  public:
    explicit TOPForm(OpAmpCalculator& model, QWidget* parent = nullptr);

  protected:
    void paintDiagram(QPainter& p) override;
};

} // namespace zerka::gui
