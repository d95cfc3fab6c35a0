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

// A chip-labelled input multiplexer: one label and switch per existing code, all switches on a
// bus that leads to `to`. Shared by the op-amp and the comparator.
void paintInputMux(AnalogDiagram& d, QPainter& p, const AnalogControl& c, double x, double top,
                   double pitch, double busX, QPointF to,
                   const std::function<void(QRectF, unsigned, const QString&)>& label,
                   const std::function<void(QPointF, QPointF, bool, unsigned)>& sw,
                   const std::function<void(std::initializer_list<QPointF>, bool)>& wire);

} // namespace zerka::gui
