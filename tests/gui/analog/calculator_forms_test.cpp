// The three calculator windows on a chip with every analog field: clicks and drop-downs on the
// diagrams edit data memory through the register-edit path (so they are recorded), a refused
// drop-down choice springs back, and each window leaves a screenshot for people to look at.
// First: the core headers must come before Qt defines its keywords.
#include "analog/adc_calculator.h"
#include "chip/chip_library.h"
#include "upcentre/run/up_centre.h"

#include "gui/analog/adc_form.h"
#include "gui/analog/comparator_form.h"
#include "gui/analog/opamp_form.h"
#include "gui/support/accessibility.h"
#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

namespace zerka::gui {
namespace {

class CalculatorFormsTest : public ::testing::Test {
  protected:
    CalculatorFormsTest() {
        ChipLibrary library(test::sourceDir() / "chips");
        EXPECT_TRUE(library.buildChipList());
        const auto index = library.findChipByName("KXA1608");
        EXPECT_TRUE(index && library.GetSELUP(*index, chip));
        up.applyChip(chip);
    }
    void showForm(AnalogDiagram& form) {
        form.resize(form.sizeHint());
        form.show();
        QApplication::processEvents();
        form.refreshView();
    }
    void click(AnalogDiagram& form, const QString& item) {
        const auto at = form.itemCentre(item);
        ASSERT_TRUE(at.has_value()) << item.toStdString();
        EXPECT_TRUE(form.clickAt(*at)) << item.toStdString();
    }
    uint8_t data(uint32_t a) const { return up.cpu().ReadData(a); }
    const RegRecordEntry& lastRecord() const { return up.cpu().registerRecord().entries().back(); }
    size_t recorded() const { return up.cpu().registerRecord().size(); }

    ChipModel chip;
    TZk_UP up;
};

TEST_F(CalculatorFormsTest, AdcDiagramEditsRegistersAndShowsTheResult) {
    AdcCalculator model(chip, &up);
    TADCForm form(model);
    int mode = -1, bits = -1;
    form.setSettingsListener([&](int m, int b) { mode = m, bits = b; });
    // A running conversion: ADC on, PGA off, buffer on, gain x 8, a negative result.
    up.cpu().WriteData(0x51, 0x88);
    up.cpu().WriteData(0x52, 5 << 5);
    up.cpu().WriteData(0x55, 0xFE), up.cpu().WriteData(0x56, 0xDC), up.cpu().WriteData(0x57, 0xBA);
    up.cpu().WriteData(0x50, 0xA0); // VDDA on, 2.7 V
    showForm(form);
    EXPECT_TRUE(model.gainWarningVisible());
    EXPECT_EQ(model.resultText(), "FFFF6F"); // 0xFEDCBA = -74566, at 15 bits -145

    // The input short panel writes bit 4 of 51H through SetRegister.
    click(form, QStringLiteral("IN0IS"));
    EXPECT_EQ(data(0x51), 0x98);
    ASSERT_GE(recorded(), 1u);
    EXPECT_EQ(lastRecord().address, 0x51u);
    EXPECT_EQ(lastRecord().newValue, 0x98);
    // The multiplexer body moves to the next input.
    click(form, QStringLiteral("INX0.picture"));
    EXPECT_EQ(data(0x53) & 3, 1);
    // A drop-down choice: PGA x 4 turns the buffer off in the picture and hides the warning.
    QComboBox* pga = form.combo(QStringLiteral("TXPGAGN"));
    ASSERT_NE(pga, nullptr);
    pga->setCurrentIndex(2);
    pga->activated(2);
    EXPECT_EQ(data(0x52), (5 << 5) | (2 << 3));
    EXPECT_FALSE(model.gainWarningVisible());
    EXPECT_FALSE(model.control("INBUF0")->on);
    // Output bits 24 and DEC: the listener learns the setting for the configuration file.
    QComboBox* bitsBox = form.combo(QStringLiteral("TXADCObit"));
    bitsBox->setCurrentIndex(16);
    bitsBox->activated(16);
    QComboBox* modeBox = form.combo(QStringLiteral("TXADCOMD"));
    modeBox->setCurrentIndex(1);
    modeBox->activated(1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(model.resultText(), "-74566");
    // Back to the picture of the first settings for the screenshot.
    pga->setCurrentIndex(0);
    pga->activated(0);
    form.refreshView();
    const QString file = test::saveScreenshot(form, QStringLiteral("adc_calculator"));
    EXPECT_FALSE(QImage(file).isNull());
}

// A screen reader hears what the selectors set and the result, by name; a new result is
// announced.
TEST_F(CalculatorFormsTest, AdcControlsAndResultAreNamedForWhatTheyAre) {
    AdcCalculator model(chip, &up);
    TADCForm form(model);
    up.cpu().WriteData(0x51, 0x88);
    up.cpu().WriteData(0x55, 0xFE), up.cpu().WriteData(0x56, 0xDC), up.cpu().WriteData(0x57, 0xBA);
    showForm(form);
    QAccessibleInterface* pga =
        test::findAccessible(&form, QStringLiteral("PGA gain"), QAccessible::ComboBox);
    ASSERT_NE(pga, nullptr);
    EXPECT_EQ(pga->role(), QAccessible::ComboBox);
    EXPECT_EQ(pga->text(QAccessible::Description), "PGA0GN");
    for (const char* name : {"ADC input", "ADC gain", "Oversampling ratio", "ADC output bits",
                             "Analog supply voltage"})
        EXPECT_NE(test::findAccessible(&form, QString::fromLatin1(name), QAccessible::ComboBox),
                  nullptr)
            << name;
    QAccessibleInterface* result = test::findAccessible(&form, QStringLiteral("ADC result"));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->text(QAccessible::Value), QString::fromStdString(model.resultText()));
    EXPECT_EQ(result->text(QAccessible::Value), "FFFF6F");

    test::AccessibleEventRecorder recorder;
    QComboBox* modeBox = form.combo(QStringLiteral("TXADCOMD"));
    modeBox->setCurrentIndex(1);
    modeBox->activated(1);
    form.refreshView();
    EXPECT_EQ(result->text(QAccessible::Value), "-145");
    EXPECT_TRUE(std::any_of(recorder.events.begin(), recorder.events.end(), [](const auto& e) {
        return e.type == QAccessible::ValueChanged && e.name == "ADC result" && e.value == "-145";
    }));
}

TEST_F(CalculatorFormsTest, OpAmpDiagramSelectsInputsAndRefusesAbsentCodes) {
    OpAmpCalculator model(chip, &up);
    TOPForm form(model);
    showForm(form);
    // The AIN1 label of the + input selects code 01 (bits 3..2 of 58H).
    click(form, QStringLiteral("OP0P.1"));
    EXPECT_EQ(data(0x58), 0x04);
    click(form, QStringLiteral("ENOP"));
    EXPECT_EQ(data(0x58), 0x84);
    const size_t before = recorded();
    QComboBox* n = form.combo(QStringLiteral("TXOP0N"));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->count(), 6);
    n->setCurrentIndex(4);
    n->activated(4);
    EXPECT_EQ(data(0x59) >> 5, 6);
    EXPECT_EQ(recorded(), before + 1);
    EXPECT_EQ(n->currentText(), QStringLiteral("110"));
    const QString file = test::saveScreenshot(form, QStringLiteral("opamp_calculator"));
    EXPECT_FALSE(QImage(file).isNull());
}

TEST_F(CalculatorFormsTest, ComparatorDiagramRoutesTheOutputToThePins) {
    ComparatorCalculator model(chip, &up);
    TCMPForm form(model);
    showForm(form);
    click(form, QStringLiteral("ENCPA"));
    click(form, QStringLiteral("PTMX"));
    click(form, QStringLiteral("TRISCX"));
    EXPECT_EQ(data(0x5A), 0x80);
    EXPECT_EQ(data(0x4D), 0x80);
    EXPECT_EQ(model.cp2Status(), "CP2 ON");
    click(form, QStringLiteral("PTDAX"));
    EXPECT_EQ(model.cp2Status(), "CP2 OFF");
    click(form, QStringLiteral("PTDAX"));
    // A ladder tap label and the edge picture.
    click(form, QStringLiteral("CPVRS.9"));
    EXPECT_EQ((data(0x5B) >> 1) & 0xF, 9);
    click(form, QStringLiteral("CPOIES.picture"));
    EXPECT_EQ(data(0x5A) & 0x10, 0x10);
    // The CPIL list holds only the codes the chip names: entry 4 is "100".
    QComboBox* cpil = form.combo(QStringLiteral("TXCPIL"));
    cpil->setCurrentIndex(4);
    cpil->activated(4); // "100": VCPR
    EXPECT_EQ((data(0x5C) >> 3) & 7, 4);
    click(form, QStringLiteral("CPVCS.2"));
    EXPECT_EQ((data(0x5B) >> 5) & 3, 2);
    click(form, QStringLiteral("CPIH.0"));
    const QString file = test::saveScreenshot(form, QStringLiteral("comparator_calculator"));
    EXPECT_FALSE(QImage(file).isNull());
    // The diagram takes its colours from the palette: a dark theme gets light lines.
    QPalette dark;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase})
        dark.setColor(role, QColor(40, 40, 44));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(230, 230, 230));
    form.setPalette(dark);
    const QImage image = form.grab().toImage();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(40, 40, 44));
    image.save(QFileInfo(file).path() + QStringLiteral("/comparator_calculator_dark.png"));
}

TEST_F(CalculatorFormsTest, ARefusedDropDownChoiceSpringsBack) {
    // PGA0GN narrowed to one bit: "10" and "11" no longer fit.
    chip.adc.field("PGA0GN")->width = 1;
    AdcCalculator model(chip, &up);
    TADCForm form(model);
    showForm(form);
    QComboBox* pga = form.combo(QStringLiteral("TXPGAGN"));
    pga->setCurrentIndex(3);
    pga->activated(3);
    EXPECT_EQ(pga->currentIndex(), 0);
    EXPECT_EQ(data(0x52), 0);
    EXPECT_EQ(recorded(), 0u);
}

} // namespace
} // namespace zerka::gui
