#pragma once
// The five pages of the options dialog. Each page builds its widgets, forwards the user's
// clicks to the options model and redraws itself from the model in refresh().
#include "chip/options_model.h"
#include "gui/options/option_widgets.h"

#include <QWidget>

#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zerka {
class OptionsHardwareTools;
} // namespace zerka

namespace zerka::gui {

// What the dialog hands every page. `changed` runs after every change the page made to the
// model, so the whole dialog follows; `report` shows a line in the dialog's status line (""
// clears it); `tools` are the device operations of the hardware tools page (null without a unit).
struct OptionsPageContext {
    OptionsModel& model;
    OptionsHardwareTools* tools = nullptr;
    std::function<void()> changed;
    std::function<void(const QString&)> report;
};

// A page builds its widgets in its constructor and binds each to its control record of the
// model: refresh() redraws every bound widget from its record, then runs the page's own rules.
class OptionsPageWidget : public QWidget {
    Q_OBJECT
  public:
    OptionsPageWidget(const OptionsPageContext& context, QWidget* parent);

    void refresh();
    virtual void applyCaptions() = 0;

  protected:
    // What a refresh does beyond the bound widgets (runs after them).
    virtual void refreshUnbound() {}
    // The page's heading, set by applyCaptions.
    QLabel* heading() const { return heading_; }
    void changed() { changed_(); }
    void report(const QString& text) { report_(text); }
    // A user's click (with the button's new state) or choice of an item applied to the model,
    // then the dialog follows.
    void onClicked(QAbstractButton* button, std::function<void(bool)> apply);
    void onActivated(QComboBox* box, std::function<void(int)> apply);
    // A widget redrawn from its record on every refresh.
    template <typename Widget, typename Control>
    void follow(Widget* widget, Control OptionsControls::*control) {
        follows_.push_back(
            [this, widget, control] { syncWidget(widget, model_.controls().*control); });
    }
    // Boxes that also store straight into their record; a text waits for the dialog.
    void bindCheck(QAbstractButton* box, CheckControl OptionsControls::*control);
    void bindText(QLineEdit* box, EditControl OptionsControls::*control);

    OptionsModel& model_;
    OptionsHardwareTools* const tools_;

  private:
    QLabel* heading_;
    std::function<void()> changed_;
    std::function<void(const QString&)> report_;
    std::vector<std::function<void()>> follows_;
};

// "InterSetup": chip, interface, language, IDE mode, program-memory type.
class InterfacePage : public OptionsPageWidget {
    Q_OBJECT
  public:
    explicit InterfacePage(const OptionsPageContext& context, QWidget* parent = nullptr);
    void applyCaptions() override;

  private:
    void refreshUnbound() override;

    QGroupBox* chipGroup_ = nullptr;
    QLabel* chipLabel_ = nullptr;
    QComboBox* chip_ = nullptr;
    QGroupBox* iceGroup_ = nullptr;
    QLabel* interfaceLabel_ = nullptr;
    QComboBox* interface_ = nullptr;
    QGroupBox* languageGroup_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QComboBox* language_ = nullptr;
    QGroupBox* modeGroup_ = nullptr;
    QRadioButton* debugger_ = nullptr;
    QRadioButton* programmer_ = nullptr;
    QGroupBox* romGroup_ = nullptr;
    QLabel* romLabel_ = nullptr;
    QComboBox* rom_ = nullptr;
};

// "ConfigSetup": output switches, fill, compiler switches, protection, core, stack, analog
// reference, watchdog vector.
class ConfigPage : public OptionsPageWidget {
    Q_OBJECT
  public:
    explicit ConfigPage(const OptionsPageContext& context, QWidget* parent = nullptr);
    void applyCaptions() override;

  private:
    void refreshUnbound() override;

    QGroupBox* filesGroup_ = nullptr;
    QCheckBox *asc_ = nullptr, *list_ = nullptr, *bin_ = nullptr, *binInv_ = nullptr,
              *mask_ = nullptr, *ascInv_ = nullptr, *bin2_ = nullptr, *toolEdit_ = nullptr;
    QGroupBox* fillGroup_ = nullptr;
    QRadioButton* fill_[3] = {};
    QGroupBox* compilerGroup_ = nullptr;
    QCheckBox *smart_ = nullptr, *optimization_ = nullptr, *protect_ = nullptr;
    QGroupBox* coreGroup_ = nullptr;
    QRadioButton *cx4a_ = nullptr, *cx4b_ = nullptr;
    QGroupBox* stackGroup_ = nullptr;
    QCheckBox *stackReset_ = nullptr, *stackStop_ = nullptr;
    QGroupBox* acmGroup_ = nullptr;
    QRadioButton *acm10_ = nullptr, *acm12_ = nullptr;
    QGroupBox* wdtGroup_ = nullptr;
    QCheckBox* wdtJmp0_ = nullptr;
};

// "Chip Watch": the emulator's data-watch trigger and stop on stack overflow.
class WatchPage : public OptionsPageWidget {
    Q_OBJECT
  public:
    explicit WatchPage(const OptionsPageContext& context, QWidget* parent = nullptr);
    void applyCaptions() override;

  private:
    void refreshUnbound() override;

    QGroupBox* triggerGroup_ = nullptr;
    QLabel *addressLabel_ = nullptr, *dataLabel_ = nullptr;
    QLineEdit *address_ = nullptr, *data_ = nullptr;
    QGroupBox* bitsGroup_ = nullptr;
    QCheckBox* bits_[8] = {};
    QCheckBox* stopOnStack_ = nullptr;
};

// "Debug Tool": supply voltages and single program-memory and data-memory accesses.
class DebugToolPage : public OptionsPageWidget {
    Q_OBJECT
  public:
    explicit DebugToolPage(const OptionsPageContext& context, QWidget* parent = nullptr);
    void applyCaptions() override;

    // The program memory or the data memory: its address and value sizes, its device access,
    // its group title and its error text.
    struct Memory;

  private:
    // The boxes and buttons that read and write one cell of a memory.
    struct AccessGroup {
        QGroupBox* group = nullptr;
        QLabel *addressLabel = nullptr, *valueLabel = nullptr, *readLabel = nullptr;
        QLineEdit *address = nullptr, *value = nullptr, *read = nullptr;
        QPushButton *write = nullptr, *readButton = nullptr;
    };

    void refreshUnbound() override;
    // `name` prefixes the object names of the group's widgets.
    AccessGroup addAccessGroup(const char* name, const Memory& memory);
    void captionAccessGroup(const AccessGroup& g, const Memory& memory);
    void measure(bool vpp, bool vcc);
    void writeCell(const Memory& memory, const QLineEdit* addressBox, const QLineEdit* valueBox);
    void readCell(const Memory& memory, const QLineEdit* addressBox, QLineEdit* readBox);

    QLabel* noUnit_ = nullptr;
    QGroupBox* voltageGroup_ = nullptr;
    QPushButton *ckVpp_ = nullptr, *ckVcc_ = nullptr, *ckAll_ = nullptr;
    QLabel *vppLabel_ = nullptr, *vccLabel_ = nullptr, *vpp_ = nullptr, *vcc_ = nullptr;
    AccessGroup program_, data_;
};

// "OSC Calibration": the oscillator-calibration switches and targets (programmer mode).
class CalibrationPage : public OptionsPageWidget {
    Q_OBJECT
  public:
    explicit CalibrationPage(const OptionsPageContext& context, QWidget* parent = nullptr);
    void applyCaptions() override;

  private:
    void refreshUnbound() override;

    QGroupBox* group_ = nullptr;
    QCheckBox *hardware_ = nullptr, *softwareHao_ = nullptr, *softwareLpo_ = nullptr;
    QLabel *haoLabel_ = nullptr, *haoUnit_ = nullptr, *range_ = nullptr;
    QLabel *permissLabel_ = nullptr, *permissUnit_ = nullptr;
    QLabel *lpoLabel_ = nullptr, *lpoUnit_ = nullptr;
    QLineEdit *hao_ = nullptr, *permiss_ = nullptr, *lpo_ = nullptr;
};

} // namespace zerka::gui
