#pragma once
// TADCForm ("ADC"): the ADC front end as a block diagram. The signal runs left to right from
// the input multiplexer through the input short switch, the signal buffer and the PGA to the
// offset adder and the sigma-delta modulator, then through the decimation filter into the
// result registers; the reference (VDDA, buffer, VRE gain) and the clock (source, divider) come
// in from below.
#include "analog/adc_calculator.h"
#include "gui/analog/analog_diagram.h"

#include <QLabel>
#include <QPushButton>

#include <functional>

namespace zerka::gui {

class TADCForm : public AnalogDiagram {
    Q_OBJECT
  public:
    explicit TADCForm(AdcCalculator& model, QWidget* parent = nullptr);

    AdcCalculator& adc() { return adc_; }
    QPushButton* readAdcButton() const { return readAdc_; }
    // The emulator read behind "Read ADC" (a failed read gives 0).
    void setIceReader(std::function<uint8_t(uint32_t)> read) { iceRead_ = std::move(read); }
    // Told when the output mode or the output bits change (the configuration keeps them).
    void setSettingsListener(std::function<void(int mode, int bitsIndex)> f) {
        settingsChanged_ = std::move(f);
    }
    // The stored setting, from the configuration file.
    void applySettings(int mode, int bitsIndex);

  protected:
    void paintDiagram(QPainter& p) override;
    void syncOwnCombos() override;

  private:
    void paintSignal(QPainter& p);
    void paintReferenceAndClock(QPainter& p);
    void paintResult(QPainter& p);
    void bufferStage(QPainter& p, double x0, double x1, double y, const char* field,
                     const QString& name);
    void settingChanged();

    AdcCalculator& adc_;
    QComboBox* mode_ = nullptr;
    QComboBox* bits_ = nullptr;
    QPushButton* readAdc_ = nullptr;
    std::function<uint8_t(uint32_t)> iceRead_;
    std::function<void(int, int)> settingsChanged_;
};

} // namespace zerka::gui
