// The calculators in the main window: their view items follow debug mode and the chip's blocks,
// an edit on the ADC window lands in data memory and in the register record, and the output
// setting travels through the configuration file to the next start.
// First: the core headers it pulls in must come before Qt defines its keywords.
#include "gui/support/main_window_fixture.h"

#include "gui/analog/adc_form.h"
#include "gui/editor/editor_window.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

class AnalogViewsTest : public MainWindowFixture {
  protected:
    // A calculator's item of the View menu, by its caption.
    QAction* item(Command c) {
        return menuItem(QStringLiteral("View"), c == Command::ViewAdc      ? QStringLiteral("ADC Panel")
                                                : c == Command::ViewOpAmp ? QStringLiteral("OP Panel")
                                                                          : QStringLiteral("Comparator Panel"));
    }
    TADCForm& adcForm() { return *window->findChild<TADCForm*>(); }

};

TEST_F(AnalogViewsTest, ViewItemsShowTheCalculatorsInDebugModeAndEditsReachTheRecord) {
    start();
    ASSERT_NE(item(Command::ViewAdc), nullptr);
    EXPECT_EQ(item(Command::ViewAdc)->text(), QStringLiteral("ADC Panel"));
    EXPECT_FALSE(item(Command::ViewAdc)->isEnabled());
    item(Command::ViewAdc)->trigger(); // Alt+9 in edit mode does nothing
    EXPECT_FALSE(window->subWindow(Slot::Adc)->isVisible());

    debugOn("KXA1608");
    for (Command c : {Command::ViewAdc, Command::ViewOpAmp, Command::ViewComparator})
        EXPECT_TRUE(item(c)->isEnabled());
    item(Command::ViewAdc)->trigger();
    EXPECT_TRUE(window->subWindow(Slot::Adc)->isVisible());

    TADCForm& adc = adcForm();
    TZk_UP& up = shell().parts().up;
    const size_t before = up.cpu().registerRecord().size();
    const auto at = adc.itemCentre(QStringLiteral("ENADC0"));
    ASSERT_TRUE(at.has_value());
    ASSERT_TRUE(adc.clickAt(*at));
    EXPECT_EQ(up.cpu().ReadData(0x51) & 0x80, 0x80);
    ASSERT_EQ(up.cpu().registerRecord().size(), before + 1);
    EXPECT_EQ(up.cpu().registerRecord().entries().back().address, 0x51u);

    // An edit made elsewhere (the register window's path) refreshes the showing calculator.
    up.SetRegister(0x52, 3 << 3);
    EXPECT_EQ(adc.adc().control("PGA0GN")->text, "x 8");

    QComboBox* bits = adc.combo(QStringLiteral("TXADCObit"));
    bits->setCurrentIndex(16);
    bits->activated(16);
    EXPECT_EQ(shell().state().views.adcOutputBits, 16);
    shell().EnterEditMode(true);
    EXPECT_FALSE(item(Command::ViewAdc)->isEnabled());
    EXPECT_FALSE(window->subWindow(Slot::Adc)->isVisible());
    EXPECT_TRUE(window->close());

    // The next start reads the setting back from Zkmain.cfg.
    start();
    EXPECT_EQ(shell().state().views.adcOutputBits, 16);
    // It was showing when debug mode was left: the build brings it back.
    debugOn("KXA1608");
    EXPECT_TRUE(window->subWindow(Slot::Adc)->isVisible());
    EXPECT_EQ(adcForm().adc().outputBitsIndex(), 16);
}

// A reset (F6) puts the chip's registers back: a showing calculator shows that at once, not
// only after the next step.
TEST_F(AnalogViewsTest, ResetRefreshesAShowingCalculator) {
    start();
    debugOn("KXA1608");
    item(Command::ViewAdc)->trigger();
    TADCForm& adc = adcForm();
    const std::string initial = adc.adc().control("PGA0GN")->text;
    TZk_UP& up = shell().parts().up;
    up.SetRegister(0x52, 3 << 3);
    ASSERT_EQ(adc.adc().control("PGA0GN")->text, "x 8");
    ASSERT_NE(initial, "x 8");
    window->action(Command::Reset)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(up.cpu().ReadData(0x52), 0);
    EXPECT_EQ(adc.adc().control("PGA0GN")->text, initial);
}

} // namespace
} // namespace zerka::gui
