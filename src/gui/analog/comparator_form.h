#pragma once
// TCMPForm ("Comparator"): the comparator with its input multiplexers, input exchange and
// short, the reference ladder and its source, the output path (polarity, filter, edge, flag)
// and the pin bits that route the output to the CP1 and CP2 pins.
#include "analog/comparator_calculator.h"
#include "gui/analog/analog_diagram.h"

namespace zerka::gui {

class TCMPForm : public AnalogDiagram {
    Q_OBJECT
  public:
    explicit TCMPForm(ComparatorCalculator& model, QWidget* parent = nullptr);

  protected:
    void paintDiagram(QPainter& p) override;

  private:
    void paintInputs(QPainter& p);
    void paintLadder(QPainter& p);
    void paintOutput(QPainter& p);
    void pinGroup(QPainter& p, double y, const char* pm, const char* tc, const char* da,
                  const std::string& status);

    ComparatorCalculator& cmp_;
};

} // namespace zerka::gui
