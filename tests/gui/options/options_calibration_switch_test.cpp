// The calibration page's switches run the oscillator calibration's mode rules on every click.
// The model's headers come before Qt's: core/signal.h has a member named like Qt's emit macro.
#include "options_dialog_fixture.h"

#include "programmer/osc_calibration.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace zerka::test {
namespace {

class SilentUi : public UiHost {
  public:
    std::vector<std::string> messages;
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        messages.push_back(text);
        return Button::Cancel;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

class CalibrationSwitchTest : public OptionsDialogTest {
  protected:
    CalibrationSwitchTest() {
        options.setCalibrationRules(&rules);
        options.selectIdeMode(IdeMode::Programmer);
    }
    void openCalibrationPage() {
        find<QListWidget>("pages")->setCurrentRow(4);
        ASSERT_EQ(options.visiblePage(), OptionsPage::Calibration);
    }

    SilentUi ui;
    OscCalibration rules{options, chip, ui};
};

TEST_F(CalibrationSwitchTest, EveryClickRecomputesTheModeAndTheHardwareLabelsFollowIt) {
    ASSERT_TRUE(options.chooseChip(kKxah));
    whileOpen([&] {
        openCalibrationPage();
        auto* hardware = find<QCheckBox>("EnHAO");
        auto* softwareHao = find<QCheckBox>("EnSHAO");
        auto* softwareLpo = find<QCheckBox>("EnSLAO");
        auto* lpo = find<QLineEdit>("ELAO");
        ASSERT_TRUE(hardware->isEnabled() && softwareHao->isEnabled() && softwareLpo->isEnabled());

        // An LPO target out of range is replaced as soon as a click computes the mode.
        lpo->selectAll();
        QTest::keyClicks(lpo, "50000");
        softwareHao->click();
        EXPECT_EQ(rules.mode(), 5);
        EXPECT_EQ(lpo->text(), "28000");
        softwareLpo->click();
        EXPECT_EQ(rules.mode(), 6);
        EXPECT_FALSE(find<QLabel>("haoRange")->isVisible());
        EXPECT_FALSE(find<QLineEdit>("EPERMISS")->isVisible());

        hardware->click();
        EXPECT_EQ(rules.mode(), 3);
        EXPECT_TRUE(find<QLabel>("haoRange")->isVisible());
        EXPECT_TRUE(find<QLineEdit>("EPERMISS")->isVisible());
        softwareHao->click();
        softwareLpo->click();
        EXPECT_EQ(rules.mode(), 0);

        softwareLpo->click();
        EXPECT_EQ(rules.mode(), 1);
        hardware->click();
        EXPECT_EQ(rules.mode(), 4);
        EXPECT_FALSE(find<QLabel>("haoRange")->isVisible());
        EXPECT_FALSE(find<QLineEdit>("EPERMISS")->isVisible());
        // All three off: the mode stays what it was.
        softwareLpo->click();
        EXPECT_EQ(rules.mode(), 4);
    });
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CalibrationSwitchTest, HardwareCalibrationCannotBeSwitchedOnForAChipWithoutHao) {
    // A marker file offers all three switches for a chip whose description has no #HAO.
    dir.write("ZkKXA1 .mem", "CAL\n");
    ASSERT_TRUE(options.chooseChip(kKxa1));
    ASSERT_FALSE(chip.hasHao);
    whileOpen([&] {
        openCalibrationPage();
        auto* hardware = find<QCheckBox>("EnHAO");
        ASSERT_TRUE(hardware->isEnabled());
        hardware->click();
        EXPECT_FALSE(hardware->isChecked());
        EXPECT_FALSE(options.controls().EnHAO.checked);
        EXPECT_FALSE(find<QLabel>("haoRange")->isVisible());
        find<QCheckBox>("EnSHAO")->click();
        EXPECT_EQ(rules.mode(), 5);
    });
}

} // namespace
} // namespace zerka::test
