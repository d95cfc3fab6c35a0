#pragma once
// The five pages of the options dialog. Each page builds its widgets, forwards the user's
// clicks to the options model and redraws itself from the model in refresh().
#include <QWidget>

#include <functional>

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
class OptionsModel;
class OptionsHardwareTools;
struct OptionsControls;
struct CheckControl;
struct EditControl;
} // namespace zerka

namespace zerka::gui {

class OptionsPageWidget : public QWidget {
    Q_OBJECT
  public:
    // `changed` runs after every change the page made to the model, so the whole dialog
    // follows; `report` shows a line in the dialog's status line ("" clears it).
    OptionsPageWidget(OptionsModel& model, std::function<void()> changed,
                      std::function<void(const QString&)> report, QWidget* parent = nullptr);

    virtual void refresh() = 0;
    virtual void applyCaptions() = 0;

  protected:
    // The page's heading, set by applyCaptions.
    QLabel* heading() const { return heading_; }
    void changed() { changed_(); }
    void report(const QString& text) { report_(text); }
    // A user's click (with the button's new state) or choice of an item applied to the model,
    // then the dialog follows.
    void onClicked(QAbstractButton* button, std::function<void(bool)> apply);
    void onActivated(QComboBox* box, std::function<void(int)> apply);
    // Boxes that store straight into their control of the model; a text waits for the dialog.
    void storeCheck(QAbstractButton* box, CheckControl OptionsControls::*control);
    void storeText(QLineEdit* box, EditControl OptionsControls::*control);

    OptionsModel& model_;

  private:
    QLabel* heading_;
    std::function<void()> changed_;
    std::function<void(const QString&)> report_;
};

// "InterSetup": chip, interface, language, IDE mode, program-memory type.
class InterfacePage : public OptionsPageWidget {
    Q_OBJECT
  public:
    using OptionsPageWidget::OptionsPageWidget;
    void build();
    void refresh() override;
    void applyCaptions() override;

  private:
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
    using OptionsPageWidget::OptionsPageWidget;
    void build();
    void refresh() override;
    void applyCaptions() override;

  private:
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
    using OptionsPageWidget::OptionsPageWidget;
    void build();
    void refresh() override;
    void applyCaptions() override;

  private:
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
    DebugToolPage(OptionsModel& model, OptionsHardwareTools* tools, std::function<void()> changed,
                  std::function<void(const QString&)> report, QWidget* parent = nullptr);
    void build();
    void refresh() override;
    void applyCaptions() override;

  private:
    void measure(bool vpp, bool vcc);
    void writeProgram();
    void readProgram();
    void writeData();
    void readData();

    OptionsHardwareTools* tools_;
    QLabel* noUnit_ = nullptr;
    QGroupBox* voltageGroup_ = nullptr;
    QPushButton *ckVpp_ = nullptr, *ckVcc_ = nullptr, *ckAll_ = nullptr;
    QLabel *vppLabel_ = nullptr, *vccLabel_ = nullptr, *vpp_ = nullptr, *vcc_ = nullptr;
    QGroupBox *programGroup_ = nullptr, *dataGroup_ = nullptr;
    QLabel *programAddressLabel_ = nullptr, *programValueLabel_ = nullptr,
           *programReadLabel_ = nullptr;
    QLabel *dataAddressLabel_ = nullptr, *dataValueLabel_ = nullptr, *dataReadLabel_ = nullptr;
    QLineEdit *programAddress_ = nullptr, *programValue_ = nullptr, *dataAddress_ = nullptr,
              *dataValue_ = nullptr;
    QLineEdit *programRead_ = nullptr, *dataRead_ = nullptr;
    QPushButton *programWrite_ = nullptr, *programReadButton_ = nullptr, *dataWrite_ = nullptr,
                *dataReadButton_ = nullptr;
};

// "OSC Calibration": the oscillator-calibration switches and targets (programmer mode).
class CalibrationPage : public OptionsPageWidget {
    Q_OBJECT
  public:
    using OptionsPageWidget::OptionsPageWidget;
    void build();
    void refresh() override;
    void applyCaptions() override;

  private:
    QGroupBox* group_ = nullptr;
    QCheckBox *hardware_ = nullptr, *softwareHao_ = nullptr, *softwareLpo_ = nullptr;
    QLabel *haoLabel_ = nullptr, *haoUnit_ = nullptr, *range_ = nullptr;
    QLabel *permissLabel_ = nullptr, *permissUnit_ = nullptr;
    QLabel *lpoLabel_ = nullptr, *lpoUnit_ = nullptr;
    QLineEdit *hao_ = nullptr, *permiss_ = nullptr, *lpo_ = nullptr;
};

} // namespace zerka::gui
