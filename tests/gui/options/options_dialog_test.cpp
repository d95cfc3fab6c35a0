// The model's headers come before Qt's: core/signal.h has a member named like Qt's emit macro.
#include "options_dialog_fixture.h"

#include "editor/editor_files.h"
#include "gui/options/editor_font.h"
#include "gui/support/screenshot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace zerka::test {
namespace {

enum Row { kInterface = 0, kConfig = 1, kWatch = 2, kDebugTool = 3, kCalibration = 4 };

TEST_F(OptionsDialogTest, InterfacePageFollowsTheModelAndChoosingAChipReloadsIt) {
    whileOpen([&] {
        auto* pages = find<QListWidget>("pages");
        EXPECT_EQ(pages->currentRow(), kInterface);
        auto* chips = find<QComboBox>("CbSeluP");
        ASSERT_EQ(chips->count(), 3);
        EXPECT_EQ(chips->itemText(1), "KXB71  (8K)");
        EXPECT_EQ(find<QComboBox>("SelLPT")->currentText(), "USB");
        // "Emulate and Debug" is offered beside "Programmer".
        EXPECT_TRUE(find<QRadioButton>("PICE")->isVisible());
        EXPECT_TRUE(find<QRadioButton>("PProg")->isChecked());
        EXPECT_FALSE(find<QGroupBox>("romGroup")->isVisible());

        chips->setCurrentIndex(kKxb71);
        Q_EMIT chips->activated(kKxb71);
        EXPECT_EQ(options.chipIndex(), kKxb71);
        EXPECT_EQ(chip.chipId, 0x71);
        auto* smart = find<QCheckBox>("SmartCompiler");
        EXPECT_FALSE(smart->isChecked() || smart->isEnabled());
        EXPECT_TRUE(find<QRadioButton>("PCX4B")->isChecked());
        EXPECT_TRUE(find<QCheckBox>("ChWDTJMPOO")->isChecked());
        EXPECT_TRUE(find<QCheckBox>("ChWDTJMPOO")->isEnabled());
        EXPECT_TRUE(find<QLabel>("status")->text().isEmpty());

        chips->setCurrentIndex(kKxa1);
        Q_EMIT chips->activated(kKxa1);
        EXPECT_TRUE(find<QRadioButton>("PCX4A")->isChecked());
        EXPECT_FALSE(find<QCheckBox>("ChWDTJMPOO")->isChecked() ||
                     find<QCheckBox>("ChWDTJMPOO")->isEnabled());
        EXPECT_TRUE(find<QCheckBox>("SmartCompiler")->isChecked());

        auto* lpt = find<QComboBox>("SelLPT");
        lpt->setCurrentIndex(3);
        Q_EMIT lpt->activated(3);
        EXPECT_EQ(options.interfaceIndex(), 3);
        EXPECT_EQ(options.portBase(), 0x278);

        find<QRadioButton>("PICE")->click();
        EXPECT_EQ(options.ideMode(), IdeMode::Debugger);
        EXPECT_TRUE(pages->item(kCalibration)->isHidden());
        find<QRadioButton>("PProg")->click();
        EXPECT_EQ(options.ideMode(), IdeMode::Programmer);
        EXPECT_FALSE(pages->item(kCalibration)->isHidden());
        EXPECT_TRUE(host.called("enableConnectionPanel"));
    });
    // The parallel port is started by the closing step.
    EXPECT_TRUE(host.called("lptInit"));
    EXPECT_FALSE(options.isOpen());
}

TEST_F(OptionsDialogTest, AChipThatCannotBeLoadedIsReportedInTheDialog) {
    std::filesystem::remove(dir.path() / "KXB71.DSC");
    whileOpen([&] {
        auto* chips = find<QComboBox>("CbSeluP");
        chips->setCurrentIndex(kKxb71);
        Q_EMIT chips->activated(kKxb71);
        EXPECT_FALSE(find<QLabel>("status")->text().isEmpty());
        EXPECT_EQ(chips->currentIndex(), kKxb71);
    });
}

TEST_F(OptionsDialogTest, ConfigurationPageStoresItsSwitchesAtOnce) {
    whileOpen([&] {
        find<QListWidget>("pages")->setCurrentRow(kConfig);
        EXPECT_EQ(options.visiblePage(), OptionsPage::Configuration);
        auto* list = find<QCheckBox>("CkList");
        EXPECT_TRUE(list->isChecked());
        list->click();
        EXPECT_FALSE(options.listingEnabled());
        find<QCheckBox>("CkBin2")->click();
        EXPECT_TRUE(options.objectFileEnabled());

        find<QRadioButton>("fill0")->click(); // "  FF"
        EXPECT_EQ(options.fillMode(), 1);
        EXPECT_TRUE(find<QRadioButton>("fill0")->isChecked());
        EXPECT_FALSE(find<QRadioButton>("fill2")->isVisible()); // "JMP 0"

        // "Optimization" turns "Smart Compiler" on; "Smart Compiler" off takes both off.
        find<QCheckBox>("SmartCompiler")->click();
        EXPECT_FALSE(options.smartCompiler());
        find<QCheckBox>("COptimization")->click();
        EXPECT_TRUE(options.optimization() && options.smartCompiler());
        EXPECT_TRUE(find<QCheckBox>("SmartCompiler")->isChecked());
        find<QCheckBox>("SmartCompiler")->click();
        EXPECT_FALSE(options.optimization() || find<QCheckBox>("COptimization")->isChecked());

        find<QRadioButton>("RACM12")->click();
        EXPECT_TRUE(options.acm12());
        EXPECT_FALSE(find<QRadioButton>("RACM10")->isChecked());
        EXPECT_FALSE(find<QRadioButton>("PCX4A")->isEnabled()); // the chip decides the core
    });
}

TEST_F(OptionsDialogTest, ChipWatchOpensFirstInDebugModeAndIsSentToTheEmulatorOnClose) {
    options.restoreWatch({0x1234, 0x5A, 0x81}, true);
    host.debug = true;
    host.simulator = false;
    whileOpen([&] {
        EXPECT_EQ(find<QListWidget>("pages")->currentRow(), kWatch);
        EXPECT_EQ(find<QLineEdit>("EWatchAddress")->text(), "1234");
        EXPECT_EQ(find<QLineEdit>("EWatchData")->text(), "5A");
        EXPECT_TRUE(find<QCheckBox>("CkWatchB0")->isChecked());
        EXPECT_TRUE(find<QCheckBox>("CkWatchB7")->isChecked());
        EXPECT_FALSE(find<QCheckBox>("CkWatchB3")->isChecked());
        EXPECT_TRUE(find<QCheckBox>("STPOVSTAK")->isChecked());

        auto* address = find<QLineEdit>("EWatchAddress");
        address->selectAll();
        QTest::keyClicks(address, "0x2f"); // the validator keeps only hexadecimal digits
        EXPECT_EQ(address->text(), "02f");
        find<QCheckBox>("CkWatchB3")->click();
        find<QCheckBox>("CkWatchB7")->click();
        find<QCheckBox>("STPOVSTAK")->click();
    });
    EXPECT_EQ(options.watchTrigger().address, 0x2F);
    EXPECT_EQ(options.watchTrigger().mask, 0x09);
    EXPECT_FALSE(options.stopOnStackOverflow());
    EXPECT_TRUE(host.called("iceSetWatch 47 90 9"));
}

TEST_F(OptionsDialogTest, PagesThatCannotBeShownKeepTheVisiblePage) {
    host.usbConnects = false;
    whileOpen([&] {
        auto* pages = find<QListWidget>("pages");
        pages->setCurrentRow(kDebugTool);
        EXPECT_EQ(pages->currentRow(), kInterface);
        EXPECT_EQ(options.visiblePage(), OptionsPage::Interface);
        EXPECT_EQ(find<QLabel>("status")->text(), "ZerKa-IDE Connect Error , Please check !!");

        host.usbConnects = true;
        pages->setCurrentRow(kDebugTool);
        EXPECT_EQ(pages->currentRow(), kDebugTool);
        EXPECT_TRUE(find<QGroupBox>("voltagePanel")->isVisible());

        // Outside programmer mode there is no calibration page to choose.
        options.selectIdeMode(IdeMode::Debugger);
        pages->setCurrentRow(kConfig);
        EXPECT_TRUE(pages->item(kCalibration)->isHidden());
        pages->setCurrentRow(kCalibration);
        EXPECT_EQ(options.visiblePage(), OptionsPage::Configuration);
        EXPECT_EQ(pages->currentRow(), kConfig);
    });
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "connectUsb"), 2);
}

TEST_F(OptionsDialogTest, DebugToolPageMeasuresAndAccessesMemory) {
    whileOpen([&] {
        find<QListWidget>("pages")->setCurrentRow(kDebugTool);
        find<QPushButton>("CkAll")->click();
        EXPECT_EQ(find<QLabel>("VppValue")->text(), "12.05");
        EXPECT_EQ(find<QLabel>("VccValue")->text(), "4.98");

        QTest::keyClicks(find<QLineEdit>("programAddress"), "7fff");
        QTest::keyClicks(find<QLineEdit>("programValue"), "12ab");
        find<QPushButton>("programWrite")->click();
        find<QPushButton>("programReadButton")->click();
        EXPECT_EQ(find<QLineEdit>("programRead")->text(), "BEEF");

        QTest::keyClicks(find<QLineEdit>("dataAddress"), "200"); // beyond 1FF
        find<QPushButton>("dataReadButton")->click();
        EXPECT_EQ(find<QLabel>("status")->text(), "Enter a hexadecimal address 000~1FF.");
        find<QPushButton>("dataWrite")->click();
        EXPECT_EQ(find<QLabel>("status")->text(),
                  "Enter a hexadecimal address 000~1FF and a value 00~FF.");
        find<QLineEdit>("dataAddress")->setText("1ff");
        find<QLineEdit>("dataValue")->setText("c3");
        find<QPushButton>("dataWrite")->click();
        EXPECT_TRUE(find<QLabel>("status")->text().isEmpty());

        tools.fail = true;
        find<QPushButton>("dataReadButton")->click();
        EXPECT_EQ(find<QLineEdit>("dataRead")->text(), "00"); // a failed read shows 0
        EXPECT_EQ(find<QLabel>("status")->text(), "Ram accessed error!");
    });
    EXPECT_EQ(tools.calls,
              (std::vector<std::string>{"measure vpp vcc", "writeProgram 32767 4779",
                                        "readProgram 32767", "writeData 511 195", "readData 511"}));
}

TEST_F(OptionsDialogTest, CalibrationRulesCanRefuseTheClose) {
    options.chooseChip(kKxah);
    calibration.accept = false;
    bool stayedOpen = false;
    whileOpen([&] {
        find<QListWidget>("pages")->setCurrentRow(kCalibration);
        ASSERT_EQ(options.visiblePage(), OptionsPage::Calibration);
        auto* hardware = find<QCheckBox>("EnHAO");
        ASSERT_TRUE(hardware->isEnabled());
        EXPECT_FALSE(find<QLabel>("haoRange")->isVisible());
        hardware->click();
        EXPECT_TRUE(find<QLabel>("haoRange")->isVisible());
        EXPECT_EQ(find<QLabel>("haoRange")->text(), "( RANGE 1800000 ~ 2200000 Hz )");
        auto* hao = find<QLineEdit>("EHAO");
        hao->selectAll();
        QTest::keyClicks(hao, "2500000");
        EXPECT_EQ(options.controls().EHAO.text, "2500000");

        find<QPushButton>("closeButton")->click();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.close();
        stayedOpen = dialog.isVisible() && options.isOpen();
        EXPECT_EQ(calibration.validations, 3);
        EXPECT_FALSE(host.called("refreshMainWindow"));
        calibration.accept = true;
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(host.called("refreshMainWindow"));
    EXPECT_TRUE(options.savedHardwareCalibration());
}

TEST_F(OptionsDialogTest, EngineerModeCountsKeysTypedAnywhereInTheDialogOnce) {
    int entered = 0;
    options.engineerModeEntered.connect([&] { ++entered; });
    whileOpen([&] {
        // A check box ignores letters, so each key also travels to the page and the dialog.
        auto* box = find<QCheckBox>("CkASC");
        find<QListWidget>("pages")->setCurrentRow(kConfig);
        QTest::keyClicks(box, "zer");
        EXPECT_FALSE(options.engineerMode());
        QTest::keyClicks(box, "KA");
        EXPECT_TRUE(options.engineerMode());
        find<QListWidget>("pages")->setCurrentRow(kInterface);
        EXPECT_TRUE(find<QGroupBox>("romGroup")->isVisible());
        EXPECT_EQ(find<QComboBox>("SELROM")->count(), 2);
        EXPECT_EQ(find<QComboBox>("SELROM")->itemText(1), "EEPROM 28C256");
    });
    EXPECT_EQ(entered, 1);
}

TEST_F(OptionsDialogTest, FontButtonSetsTheSharedEditorFont) {
    dialog.setEditorFont({"Courier New", 10, 0});
    QSignalSpy changed(&dialog, &gui::OptionsDialog::editorFontChanged);
    whileOpen([&] {
        QTimer::singleShot(0, [] {
            auto* fonts = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(fonts, nullptr);
            QFont f = fonts->currentFont();
            f.setPointSize(14);
            fonts->setCurrentFont(f);
            fonts->accept();
        });
        find<QPushButton>("fontButton")->click();
    });
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(dialog.editorFont().size, 14);
}

TEST(EditorFontConversion, StyleBitsSurviveTheRoundTrip) {
    for (int style = 0; style < 16; ++style) {
        const EditorFont font{"Courier New", 12, style};
        EXPECT_EQ(gui::fromQFont(gui::toQFont(font)).style, style);
        EXPECT_EQ(gui::fromQFont(gui::toQFont(font)).size, 12);
    }
    EXPECT_EQ(gui::toQFont({"Courier New", 10, 0}).family(), "Courier New");
}

TEST_F(OptionsDialogTest, EveryWidgetHasAnAccessibleNameAndCaptionsComeFromTheTable) {
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_EQ(find<QPushButton>("closeButton")->text(), "Close");
    EXPECT_EQ(find<QCheckBox>("CkList")->text(), "List file");
    EXPECT_EQ(find<QGroupBox>("fillMode")->title(), "No Use Area Fill");
    EXPECT_EQ(find<QRadioButton>("PICE")->text(), "emulate and Debug");
    int checked = 0;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (!(qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
              qobject_cast<QLineEdit*>(w) || qobject_cast<QGroupBox*>(w) ||
              qobject_cast<QListWidget*>(w) || qobject_cast<QLabel*>(w)))
            continue;
        if (w->objectName().startsWith(QLatin1String("qt_"))) continue; // Qt's own parts
        ++checked;
        EXPECT_FALSE(w->accessibleName().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    EXPECT_GT(checked, 80);
}

} // namespace
} // namespace zerka::test

namespace zerka::test {
namespace {

TEST_F(OptionsDialogTest, StackOverStopCannotBeChosenOnTheBodyWithoutIt) {
    host.context.iceBodyId = kNoStackStopBodyId;
    whileOpen([&] {
        auto* stop = find<QCheckBox>("STKOVSTOP");
        EXPECT_FALSE(stop->isEnabled() || stop->isChecked());
    });
    host.context.iceBodyId = 0x8025;
    whileOpen([&] { EXPECT_TRUE(find<QCheckBox>("STKOVSTOP")->isEnabled()); });
}

} // namespace
} // namespace zerka::test
