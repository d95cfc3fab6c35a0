#pragma once
// The editor window's programmer page: the settings the USB programmer keeps for burning on its
// own (key, buzzer, checksum check, chip code number), the burner version, the chip, version
// and checksum of the image it holds, and the calibration, ACM and protection settings that
// mirror the options dialog. Every setting lives in the programmer: a setting button writes it
// and reads it back, a read button only reads it.
#include "chip/chip_library.h"
#include "chip/options_model.h"
#include "programmer/flash_download.h"
#include "programmer/prog_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>

namespace zerka {
class ProgLink;
}

namespace zerka::gui {

// One on/off setting the programmer keeps: its two radio buttons, and the buttons that write it
// and read it back.
struct SettingSwitch {
    QRadioButton* off = nullptr;
    QRadioButton* on = nullptr;
    QPushButton* set = nullptr;
    QPushButton* read = nullptr;
};

class ProgrammerPage : public QWidget {
    Q_OBJECT
  public:
    // `link` connects when needed and gives the programmer link, or null when the unit does
    // not answer (after the connection error was shown).
    using LinkSource = std::function<ProgLink*()>;

    ProgrammerPage(OptionsModel& options, const ChipLibrary& library, LinkSource link,
                   QWidget* parent = nullptr);

    // The chip selection and the burner version, as the confirmation window takes them.
    int chipIndex() const { return chips_->currentIndex(); }
    int burnerVersion() const { return version_->currentIndex(); }
    void setChipIndex(int index);
    void setBurnerVersion(int version);
    void refreshChipList();
    // The burner version's rule for the calibration switches of this page and the options.
    void applyBurnerVersion(int version);
    // Chip, version, checksum, protection and ACM of a word image's information block.
    void showImageInfo(const InfoBlock& info);
    // Reads every setting back ("Read Burner Setting"); stops at the first failed transfer.
    void readBurnerSetting();
    // The options' calibration, ACM and protection settings into the page.
    void syncFromOptions();

    QLabel* chipPanel() const { return chipPanel_; }
    QLabel* versionPanel() const { return versionPanel_; }
    QLabel* checksumPanel() const { return checksumPanel_; }
    QLabel* firmwarePanel() const { return firmware_; }
    const SettingSwitch& keySwitch() const { return key_; }
    const SettingSwitch& buzzerSwitch() const { return buzzer_; }
    const SettingSwitch& checkSwitch() const { return check_; }
    QRadioButton* numberOn() const { return numberOn_; }
    QRadioButton* numberOff() const { return numberOff_; }
    QLineEdit* numberBox() const { return number_; }
    QPushButton* numberSet() const { return numberSet_; }
    QPushButton* numberRead() const { return numberRead_; }
    QPushButton* readAllButton() const { return readAll_; }
    QCheckBox* hardwareCalibration() const { return calib_[0]; }
    QLineEdit* calibrationEdit(int k) const { return calibEdit_[k]; }
    QCheckBox* protect() const { return protect_; }

  protected:
    // The options may have changed since the page was last seen.
    void showEvent(QShowEvent* event) override;

  private:
    using SwitchWrite = std::optional<bool> (ProgrammerSettingsCommands::*)(bool);
    using SwitchRead = std::optional<bool> (ProgrammerSettingsCommands::*)();

    void buildLayout();
    // The programmer's settings, or nothing when the unit does not answer.
    std::optional<ProgrammerSettingsCommands> settings() const;
    // Set writes the selected value and shows what the programmer kept; read only reads.
    void connectSwitch(const SettingSwitch& s, SwitchWrite write, SwitchRead read);
    void showSwitch(const SettingSwitch& s, std::optional<bool> value);
    void showChipCode(bool on, uint32_t number);
    void toOptions();

    OptionsModel& options_;
    const ChipLibrary& library_;
    LinkSource link_;

    QLabel* chipPanel_;
    QLabel* versionPanel_;
    QLabel* checksumPanel_;
    QComboBox* version_;
    QComboBox* chips_;
    SettingSwitch key_, check_, buzzer_;
    QRadioButton *numberOn_, *numberOff_;
    QLineEdit* number_;
    QPushButton *numberSet_, *numberRead_, *readAll_;
    QLabel* firmware_;
    QCheckBox* calib_[3];
    QLineEdit* calibEdit_[3];
    QRadioButton *acm10_, *acm12_;
    QCheckBox* protect_;
    bool syncing_ = false;
};

} // namespace zerka::gui
