#pragma once
// The main window's part of the analog calculators: the three models and windows, their view
// items "ADC Panel", "OP Panel" and "Comparator Panel", their sub-windows in slots 8 to 10, and
// the refreshes they need (register edits, steps and stops, chip loads). The sub-windows belong
// to the main window's window table.
#include "analog/adc_calculator.h"
#include "analog/comparator_calculator.h"
#include "analog/opamp_calculator.h"
#include "chip/chip_library.h" // before Qt: core/signal.h has a member named emit
#include "shell/commands.h"
#include "shell/window_geometry.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QObject>

#include <array>
#include <memory>

namespace zerka::gui {

class MainWindow;
class TADCForm;
class TOPForm;
class TCMPForm;
class AnalogDiagram;

class AnalogViews : public QObject {
    Q_OBJECT
  public:
    explicit AnalogViews(MainWindow& main);
    ~AnalogViews() override;

    TADCForm& adcForm() { return *adcForm_; }
    TOPForm& opForm() { return *opForm_; }
    TCMPForm& cmpForm() { return *cmpForm_; }
    QAction* viewItem(Command c) const;
    QMdiSubWindow* subWindow(Slot slot) const;
    // Shows a calculator in its slot (the view items' action).
    void show(Slot slot);
    // Slots 8 to 10; the main window's ShowAsChild calls aboutToShow before it shows one.
    static bool handles(Slot slot);
    void aboutToShow(Slot slot);
    // The view items' enable states: debug mode and a chip with the block.
    void syncViewItems();
    // Every showing calculator re-reads its registers.
    void refreshShowing();

  private:
    AnalogDiagram* form(Slot slot) const;

    MainWindow& main_;
    AdcCalculator adc_;
    OpAmpCalculator op_;
    ComparatorCalculator cmp_;
    TADCForm* adcForm_ = nullptr;
    TOPForm* opForm_ = nullptr;
    TCMPForm* cmpForm_ = nullptr;
    std::array<QAction*, 3> items_{};
    std::vector<std::function<void()>> disconnects_;
};

} // namespace zerka::gui
