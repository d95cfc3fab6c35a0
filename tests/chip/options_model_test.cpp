#include "chip/options_model.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zerka {
namespace {

// A small library: a CX4A chip with #ACM and #STACKOVER, a CX4B chip with chipId 71h, a CX4A
// chip with #HAO whose ACM is selectable with 1.0V as default, and an entry without a file.
void writeLibrary(const test::TempDir& dir) {
    dir.write("ZkSel.INC", "V1.2 test library\r\n"
                           "kxa1.dsc KXA1 (4K)\r\n"
                           "KXB71.DSC KXB71 (8K)\r\n"
                           "KXAH.DSC KXAH (2K)\r\n"
                           "MISSING.DSC KXM (2K)\r\n");
    dir.write("KXA1.DSC", "#PRODUCT\nKXA1\n#COMPILER\nCX4A\n#ID\n21H\n"
                          "#ACM\n2EH 7 1 1 0 0\n#STACKOVER\n2CH 6 1 0\n");
    dir.write("KXB71.DSC", "#PRODUCT\nKXB71\n#COMPILER\nCX4B\n#ID\n71H\n"
                           "#ACM\n2EH 7 0 1 0 0\n#STACKOVER\n2CH 6 0 0\n");
    dir.write("KXAH.DSC", "#COMPILER\nCX4A\n#ID\n62H\n#ACM\n38H 7 1 0 0 0\n"
                          "#HAO\n1 2 3 4 1800000 2200000 7\n");
}

enum Chip { kKxa1 = 0, kKxb71 = 1, kKxah = 2, kMissing = 3 };

class RecordingHost : public OptionsHost {
  public:
    bool debug = false;
    bool simulator = true;
    bool usbConnects = true;
    ChipLoadContext context;
    std::vector<std::string> calls;

    bool debugMode() const override { return debug; }
    bool simulatorMode() const override { return simulator; }
    void enterEditMode() override { calls.push_back("enterEditMode"); }
    ChipLoadContext chipLoadContext() const override { return context; }
    bool connectUsb() override {
        calls.push_back("connectUsb");
        return usbConnects;
    }
    void lptInit() override { calls.push_back("lptInit"); }
    void lptClose() override { calls.push_back("lptClose"); }
    void iceSetWatch(uint16_t address, uint8_t data, uint8_t mask) override {
        calls.push_back("iceSetWatch " + std::to_string(address) + " " + std::to_string(data) +
                        " " + std::to_string(mask));
    }
    void refreshMainWindow() override { calls.push_back("refreshMainWindow"); }
    void applyIdeMode(IdeMode mode, bool usb) override {
        calls.push_back(std::string("applyIdeMode ") +
                        (mode == IdeMode::Programmer ? "programmer" : "debugger") +
                        (usb ? " usb" : ""));
    }
    void enableConnectionPanel() override { calls.push_back("enableConnectionPanel"); }
};

class RecordingCalibration : public CalibrationRules {
  public:
    bool accept = true;
    int validations = 0;
    int recomputes = 0;
    bool validateAndComputeMode() override {
        ++validations;
        return accept;
    }
    void recomputeMode() override { ++recomputes; }
};

class OptionsModelTest : public ::testing::Test {
  protected:
    OptionsModelTest() : library(writeAndReturn(dir)), options(library, chip) {
        options.setHost(&host);
        options.setCalibrationRules(&calibration);
    }
    static std::filesystem::path writeAndReturn(const test::TempDir& d) {
        writeLibrary(d);
        return d.path();
    }

    test::TempDir dir;
    ChipLibrary library;
    ChipModel chip;
    RecordingHost host;
    RecordingCalibration calibration;
    OptionsModel options;
};

TEST_F(OptionsModelTest, StartsWithTheDialogDefaults) {
    const OptionsControls& c = options.controls();
    EXPECT_EQ(c.CbSeluP.items,
              (std::vector<std::string>{"KXA1  (4K)", "KXB71  (8K)", "KXAH  (2K)", "KXM  (2K)"}));
    EXPECT_EQ(options.chipIndex(), 0);
    EXPECT_EQ(options.interfaceIndex(), 4);
    EXPECT_EQ(c.SelLPT.text(), "USB");
    EXPECT_TRUE(options.usbInterface());
    EXPECT_EQ(options.languageIndex(), 0);
    EXPECT_EQ(options.ideMode(), IdeMode::Programmer);
    EXPECT_FALSE(c.PICE.visible);
    EXPECT_EQ(c.SELROM.items, std::vector<std::string>{"RAM 62256"});
    EXPECT_FALSE(c.romGroup.visible);
    EXPECT_EQ(options.romSelect(), RomSelect::Ram62256);
    EXPECT_EQ(options.fillMode(), 0);
    ASSERT_EQ(c.fillMode.buttons.size(), 3u);
    EXPECT_FALSE(c.fillMode.buttons[2].visible); // "JMP 0"
    EXPECT_TRUE(options.acm10());
    EXPECT_FALSE(options.acm12());
    EXPECT_FALSE(c.PCX4A.enabled);
    EXPECT_FALSE(c.PCX4B.enabled);
    EXPECT_FALSE(c.wdtGroup.visible);
    EXPECT_FALSE(c.CkBinInv.visible || c.CkMask.visible || c.CkASCInv.visible ||
                 c.CkToolEdit.visible || c.SmartCompiler.visible || c.COptimization.visible);
    EXPECT_TRUE(options.editToolbarVisible());
    EXPECT_EQ(c.EHAO.text, "2000000");
    EXPECT_EQ(c.EPERMISS.text, "2");
    EXPECT_EQ(c.ELAO.text, "28000");
    EXPECT_EQ(c.CkWatchB[7].caption, "Watch   enable   Bit7");
}

TEST(OptionsModelFallback, MissingChipListGivesFourEntriesAndNoLoad) {
    test::TempDir dir;
    ChipLibrary library(dir.path());
    ChipModel chip;
    OptionsModel options(library, chip);
    EXPECT_EQ(
        options.controls().CbSeluP.items,
        (std::vector<std::string>{"CHIPA (16k)", "CHIPB  (8k)", "CHIPC  (4k)", "CHIPD  (2k)"}));
    EXPECT_FALSE(options.chooseChip(1));
    EXPECT_EQ(options.chipIndex(), 1);
    EXPECT_FALSE(options.chooseChip(4)); // not in the list: nothing changes
    EXPECT_EQ(options.chipIndex(), 1);
}

TEST_F(OptionsModelTest, ChoosingACx4aChipSetsItsOptions) {
    OptionsControls& c = options.controls();
    c.EnHAO.checked = c.EnSHAO.checked = c.EnSLAO.checked = true;
    c.STKOVSTOP.checked = false;
    ASSERT_TRUE(options.chooseChip(kKxa1));
    EXPECT_EQ(chip.chipId, 0x21);
    EXPECT_FALSE(c.EnHAO.checked || c.EnSHAO.checked || c.EnSLAO.checked);
    EXPECT_TRUE(options.smartCompiler());
    EXPECT_TRUE(c.SmartCompiler.enabled && c.COptimization.enabled);
    EXPECT_FALSE(c.wdtGroup.enabled || c.ChWDTJMPOO.enabled || options.wdtJmp0());
    EXPECT_TRUE(options.stackOverStop());
    EXPECT_TRUE(c.STKOVRST.enabled);
    EXPECT_TRUE(options.acmGroupEnabled() && c.RACM10.enabled && c.RACM12.enabled);
    EXPECT_TRUE(options.acm12()); // acmDefaultHigh
    EXPECT_FALSE(options.acm10());
    EXPECT_TRUE(c.PCX4A.checked);
    EXPECT_EQ(options.coreVariant(), 0);
}

TEST_F(OptionsModelTest, ChoosingTheWdtCx4bChipLocksCompilerAndAnalogOptions) {
    OptionsControls& c = options.controls();
    ASSERT_TRUE(options.chooseChip(kKxa1));
    c.STKOVRST.checked = true;
    options.setOptimization(true);

    ASSERT_TRUE(options.chooseChip(kKxb71));
    EXPECT_EQ(options.coreVariant(), 1);
    EXPECT_TRUE(c.PCX4B.checked);
    EXPECT_FALSE(c.PCX4A.checked);
    EXPECT_FALSE(options.smartCompiler() || options.optimization());
    EXPECT_FALSE(c.SmartCompiler.enabled || c.COptimization.enabled);
    EXPECT_TRUE(c.wdtGroup.enabled && c.ChWDTJMPOO.enabled && options.wdtJmp0());
    EXPECT_FALSE(c.STKOVRST.enabled || options.stackOverReset());
    EXPECT_FALSE(options.acmGroupEnabled() || c.RACM10.enabled || c.RACM12.enabled);
    EXPECT_TRUE(options.acm10()); // locked at 1.0V although the chip's default is high
    EXPECT_FALSE(options.acm12());

    // Another chip takes the watchdog box away again.
    ASSERT_TRUE(options.chooseChip(kKxah));
    EXPECT_FALSE(c.wdtGroup.enabled || c.ChWDTJMPOO.enabled || options.wdtJmp0());
    EXPECT_TRUE(options.smartCompiler() && c.SmartCompiler.enabled);
    EXPECT_TRUE(options.acmGroupEnabled());
    EXPECT_TRUE(options.acm10()); // selectable, 1.0V by default
}

TEST_F(OptionsModelTest, LoadsOutsideTheDialogApplyOnlyTheEnableStates) {
    OptionsControls& c = options.controls();
    ASSERT_TRUE(options.chooseChip(kKxb71));
    ASSERT_TRUE(c.ChWDTJMPOO.checked);
    options.restoreChipIndex(kKxa1);
    ASSERT_TRUE(options.reloadChip());
    // The enable states follow the chip; the check marks are the dialog's choice.
    EXPECT_FALSE(c.ChWDTJMPOO.enabled);
    EXPECT_TRUE(c.ChWDTJMPOO.checked);
    EXPECT_TRUE(c.SmartCompiler.enabled);
    EXPECT_FALSE(options.smartCompiler());

    // A load by another component (programmer, build) reaches the model as well.
    options.setSmartCompiler(true);
    ASSERT_TRUE(library.GetSELUP(kKxb71, chip));
    EXPECT_FALSE(options.smartCompiler() || c.SmartCompiler.enabled);
    EXPECT_TRUE(c.PCX4B.checked);
}

TEST_F(OptionsModelTest, FailedLoadKeepsTheChipAndReportsIt) {
    ASSERT_TRUE(options.chooseChip(kKxb71));
    std::string error;
    EXPECT_FALSE(options.chooseChip(kMissing, &error));
    EXPECT_NE(error.find("MISSING.DSC"), std::string::npos);
    EXPECT_EQ(chip.chipId, 0x71);
    EXPECT_EQ(options.chipIndex(), kMissing);
}

TEST_F(OptionsModelTest, HardwareCalibrationReturnsWithNewerProgrammerFirmware) {
    OptionsControls& c = options.controls();
    options.restoreHardwareCalibration(true);
    host.context.programmerFirmware2 = true;

    ASSERT_TRUE(options.chooseChip(kKxah)); // has #HAO
    EXPECT_TRUE(c.EnHAO.checked);
    EXPECT_FALSE(c.EnSHAO.checked);
    EXPECT_EQ(calibration.recomputes, 1);

    ASSERT_TRUE(options.chooseChip(kKxa1)); // no #HAO
    EXPECT_FALSE(c.EnHAO.checked);
    EXPECT_EQ(calibration.recomputes, 1);

    options.selectIdeMode(IdeMode::Debugger);
    ASSERT_TRUE(options.chooseChip(kKxah));
    EXPECT_TRUE(c.EnHAO.checked);
    EXPECT_EQ(calibration.recomputes, 1); // only in programmer mode

    host.context.programmerFirmware2 = false;
    ASSERT_TRUE(options.chooseChip(kKxah));
    EXPECT_FALSE(c.EnHAO.checked);
}

TEST_F(OptionsModelTest, EmulatorBody8024CannotStopOnStackOverflow) {
    OptionsControls& c = options.controls();
    host.context.iceBodyId = 0x8024;
    options.openOptions();
    EXPECT_FALSE(c.STKOVSTOP.enabled || options.stackOverStop());
    // Choosing a chip checks the box only where it can be chosen.
    ASSERT_TRUE(options.chooseChip(kKxa1));
    EXPECT_FALSE(options.stackOverStop());

    host.context.iceBodyId = 0x8025;
    options.openOptions();
    EXPECT_TRUE(c.STKOVSTOP.enabled);
    ASSERT_TRUE(options.chooseChip(kKxa1));
    EXPECT_TRUE(options.stackOverStop());
}

TEST_F(OptionsModelTest, InterfaceSelectionSetsThePortBase) {
    EXPECT_TRUE(options.selectInterface(3));
    EXPECT_EQ(options.interfaceIndex(), 3);
    EXPECT_EQ(options.portBase(), 0x278);
    EXPECT_TRUE(options.parallelInterface());
    EXPECT_TRUE(options.selectInterface(1));
    EXPECT_EQ(options.portBase(), 0x378);
    EXPECT_TRUE(options.selectInterface(2));
    EXPECT_EQ(options.portBase(), 0x3BC);
    EXPECT_TRUE(options.selectInterface(0));
    EXPECT_EQ(options.interfaceIndex(), 0);
    EXPECT_EQ(options.portBase(), 0);
    EXPECT_FALSE(options.parallelInterface() || options.usbInterface());
    EXPECT_TRUE(options.selectInterface(4));
    EXPECT_TRUE(options.usbInterface());
    EXPECT_FALSE(options.selectInterface(5));
    EXPECT_FALSE(options.selectInterface(-1));
    EXPECT_EQ(options.interfaceIndex(), 4);
}

TEST_F(OptionsModelTest, CompilerSwitchesAndCoreButtonsFollowEachOther) {
    options.setSmartCompiler(false);
    options.setOptimization(true);
    EXPECT_TRUE(options.smartCompiler() && options.optimization());
    options.setOptimization(false);
    EXPECT_TRUE(options.smartCompiler());
    options.setOptimization(true);
    options.setSmartCompiler(false);
    EXPECT_FALSE(options.optimization());

    options.clickCX4B(true);
    EXPECT_EQ(options.coreVariant(), 1);
    EXPECT_TRUE(options.controls().PCX4B.checked && !options.controls().PCX4A.checked);
    options.clickCX4B(false);
    EXPECT_EQ(options.coreVariant(), 0);
    options.clickCX4A(false);
    EXPECT_EQ(options.coreVariant(), 1);
    options.clickCX4A(true);
    EXPECT_EQ(options.coreVariant(), 0);

    EXPECT_TRUE(options.setFillMode(2));
    EXPECT_FALSE(options.setFillMode(3));
    EXPECT_EQ(options.fillMode(), 2);
}

TEST(WatchBoxValue, ReadsHexadecimalAndGivesZeroOtherwise) {
    EXPECT_EQ(watchBoxValue("1a3", 0xFFFF), 0x1A3u);
    EXPECT_EQ(watchBoxValue(" FFFF ", 0xFFFF), 0xFFFFu);
    EXPECT_EQ(watchBoxValue("", 0xFFFF), 0u);
    EXPECT_EQ(watchBoxValue("12G", 0xFFFF), 0u);
    EXPECT_EQ(watchBoxValue("-1", 0xFFFF), 0u);
    EXPECT_EQ(watchBoxValue("10000", 0xFFFF), 0u); // does not fit: not taken as 0000
    EXPECT_EQ(watchBoxValue("100", 0xFF), 0u);
    EXPECT_EQ(watchBoxValue("0000000000000000000000ff", 0xFF), 0xFFu);
}

TEST_F(OptionsModelTest, ClosingTakesTheWatchTriggerFromTheBoxes) {
    OptionsControls& c = options.controls();
    options.openOptions();
    c.CkWatchB[0].checked = true;
    c.CkWatchB[7].checked = true;
    c.EWatchAddress.text = "1a3";
    c.EWatchData.text = "zz";
    c.STPOVSTAK.checked = true;
    host.calls.clear();
    ASSERT_TRUE(options.closeOptions());
    EXPECT_FALSE(options.isOpen());
    EXPECT_EQ(options.watchTrigger().mask, 0x81);
    EXPECT_EQ(options.watchTrigger().address, 0x1A3);
    EXPECT_EQ(options.watchTrigger().data, 0);
    EXPECT_TRUE(options.stopOnStackOverflow());
    // Simulator: nothing goes to the emulator; USB closes the printer-port driver.
    EXPECT_EQ(host.calls, (std::vector<std::string>{"lptClose", "refreshMainWindow",
                                                    "applyIdeMode programmer usb"}));

    host.debug = true;
    host.simulator = false;
    options.selectIdeMode(IdeMode::Debugger);
    options.selectInterface(1);
    c.EWatchData.text = "5A";
    host.calls.clear();
    ASSERT_TRUE(options.closeOptions());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"iceSetWatch 419 90 129", "lptInit",
                                                    "refreshMainWindow", "applyIdeMode debugger"}));
}

TEST_F(OptionsModelTest, ChipWatchPageShowsTheStoredTrigger) {
    OptionsControls& c = options.controls();
    c.EWatchAddress.text = "keep";
    options.restoreWatch({0x0123, 0x0A, 0}, false);
    ASSERT_TRUE(options.showPage(OptionsPage::ChipWatch));
    EXPECT_EQ(c.EWatchAddress.text, "keep"); // mask 0 leaves the boxes alone
    options.restoreWatch({0x0123, 0x0A, 0x24}, true);
    ASSERT_TRUE(options.showPage(OptionsPage::ChipWatch));
    EXPECT_EQ(c.EWatchAddress.text, "0123");
    EXPECT_EQ(c.EWatchData.text, "0A");
    for (size_t k = 0; k < 8; ++k)
        EXPECT_EQ(c.CkWatchB[k].checked, k == 2 || k == 5) << k;
    EXPECT_TRUE(c.STPOVSTAK.checked);

    // Opening in debug mode starts on this page; other pages leave debug mode first.
    host.debug = true;
    options.openOptions();
    EXPECT_EQ(options.visiblePage(), OptionsPage::ChipWatch);
    host.calls.clear();
    ASSERT_TRUE(options.showPage(OptionsPage::Configuration));
    EXPECT_EQ(host.calls, std::vector<std::string>{"enterEditMode"});
    host.debug = false;
    options.openOptions();
    EXPECT_EQ(options.visiblePage(), OptionsPage::Interface);
}

TEST_F(OptionsModelTest, ClosingKeepsCompilerSwitchesOffForCx4b) {
    options.setCoreVariant(1);
    options.setOptimization(true);
    ASSERT_TRUE(options.closeOptions());
    EXPECT_FALSE(options.smartCompiler() || options.optimization());
    EXPECT_FALSE(options.controls().SmartCompiler.enabled);
    options.setCoreVariant(0);
    ASSERT_TRUE(options.closeOptions());
    EXPECT_TRUE(options.controls().SmartCompiler.enabled &&
                options.controls().COptimization.enabled);
}

TEST_F(OptionsModelTest, RefusedCalibrationInputsKeepTheDialogOpen) {
    OptionsControls& c = options.controls();
    ASSERT_TRUE(options.chooseChip(kKxah));
    options.openOptions();
    ASSERT_TRUE(options.showPage(OptionsPage::Calibration));
    c.EnHAO.checked = true;
    c.CkWatchB[3].checked = true;
    calibration.accept = false;
    host.calls.clear();
    EXPECT_FALSE(options.closeOptions());
    EXPECT_TRUE(options.isOpen());
    EXPECT_EQ(calibration.validations, 1);
    EXPECT_EQ(options.watchTrigger().mask, 0);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(options.savedHardwareCalibration());

    calibration.accept = true;
    EXPECT_TRUE(options.closeOptions());
    EXPECT_EQ(options.watchTrigger().mask, 0x08);

    // Off the calibration page, or with H/W calibration off, nothing is validated.
    options.openOptions();
    ASSERT_TRUE(options.showPage(OptionsPage::Calibration));
    c.EnHAO.checked = false;
    EXPECT_TRUE(options.closeOptions());
    EXPECT_FALSE(options.savedHardwareCalibration());
    EXPECT_EQ(calibration.validations, 2);
}

TEST_F(OptionsModelTest, PagesThatNeedTheProgrammerOrADevice) {
    OptionsControls& c = options.controls();
    host.usbConnects = false;
    EXPECT_FALSE(options.showPage(OptionsPage::DebugTool));
    EXPECT_EQ(options.visiblePage(), OptionsPage::Interface);
    host.usbConnects = true;
    EXPECT_TRUE(options.showPage(OptionsPage::DebugTool));
    EXPECT_TRUE(c.voltagePanel.visible);

    options.selectInterface(0);
    host.calls.clear();
    EXPECT_TRUE(options.showPage(OptionsPage::DebugTool));
    EXPECT_TRUE(host.calls.empty()); // "(none)" opens no port
    options.selectInterface(3);
    EXPECT_TRUE(options.showPage(OptionsPage::DebugTool));
    EXPECT_EQ(host.calls, std::vector<std::string>{"lptInit"});
    EXPECT_FALSE(c.voltagePanel.visible);

    options.selectIdeMode(IdeMode::Debugger);
    EXPECT_FALSE(options.showPage(OptionsPage::Calibration));
    host.calls.clear();
    options.selectIdeMode(IdeMode::Programmer);
    EXPECT_EQ(host.calls, std::vector<std::string>{"enableConnectionPanel"});
    EXPECT_TRUE(options.showPage(OptionsPage::Calibration));
    EXPECT_TRUE(c.calibrationGroup.visible);
    // Without a marker file the page offers nothing.
    EXPECT_FALSE(c.EnHAO.enabled || c.EnSHAO.enabled || c.EnSLAO.enabled || c.EHAO.enabled);
    // Every load hides the calibration panel again.
    ASSERT_TRUE(options.reloadChip());
    EXPECT_FALSE(c.calibrationGroup.visible);
}

TEST_F(OptionsModelTest, CalibrationPageFollowsTheMarkerFile) {
    OptionsControls& c = options.controls();
    ASSERT_TRUE(options.chooseChip(kKxah)); // selector text "KXAH  (2K)" → "ZkKXAH .mem"
    dir.write("zkkxah .MEM", "#hao\r\n");
    ASSERT_TRUE(options.showPage(OptionsPage::Calibration));
    EXPECT_FALSE(c.EnHAO.enabled);
    EXPECT_TRUE(c.EnSHAO.enabled && c.EnSLAO.enabled);
    EXPECT_TRUE(c.EHAO.enabled && c.EPERMISS.enabled && c.ELAO.enabled);

    dir.write("zkkxah .MEM", "#HAO\nHW\n");
    ASSERT_TRUE(options.showPage(OptionsPage::Calibration));
    EXPECT_TRUE(c.EnHAO.enabled && c.EnSHAO.enabled && c.EnSLAO.enabled);
}

TEST_F(OptionsModelTest, EngineerModeOpensTheEepromProgramMemory) {
    int entered = 0;
    options.engineerModeEntered.connect([&] { ++entered; });
    for (char ch : std::string("zerk"))
        EXPECT_FALSE(options.keyTyped(ch));
    EXPECT_FALSE(options.engineerMode());
    EXPECT_TRUE(options.keyTyped('a'));
    EXPECT_TRUE(options.engineerMode());
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(options.controls().SELROM.items,
              (std::vector<std::string>{"RAM 62256", "EEPROM 28C256"}));
    EXPECT_TRUE(options.selectRom(1));
    EXPECT_EQ(options.romSelect(), RomSelect::Eeprom28C256);
    // Typing it again changes nothing.
    for (char ch : std::string("ZERKA"))
        EXPECT_FALSE(options.keyTyped(ch));
    EXPECT_EQ(entered, 1);

    ASSERT_TRUE(options.chooseChip(kKxb71));
    EXPECT_EQ(options.engineerCaption(" V3", "/p/a.prj"),
              "ZKIDE V3 V1.2 test library-Engineer        Chip = ZK - KXB71  (8K)"
              "     ICE Inteface = USB   Project = /p/a.prj");
}

TEST_F(OptionsModelTest, WithoutEngineerModeOnlyTheRamIsOffered) {
    EXPECT_FALSE(options.selectRom(1));
    EXPECT_EQ(options.romSelect(), RomSelect::Ram62256);
}

TEST(OptionsModelShippedLibrary, EveryChipLoadsWithConsistentOptionStates) {
    ChipLibrary library(test::sourceDir() / "chips");
    ChipModel chip;
    OptionsModel options(library, chip);
    ASSERT_TRUE(library.chipListFound());
    const OptionsControls& c = options.controls();
    for (int i = 0; i < int(c.CbSeluP.items.size()); ++i) {
        SCOPED_TRACE(c.CbSeluP.items[size_t(i)]);
        ASSERT_TRUE(options.chooseChip(i));
        EXPECT_EQ(c.SmartCompiler.enabled, chip.coreVariant == 0);
        EXPECT_EQ(options.smartCompiler(), chip.coreVariant == 0);
        EXPECT_EQ(c.PCX4B.checked, chip.coreVariant == 1);
        EXPECT_EQ(options.wdtJmp0(), chip.chipId == 0x71);
        EXPECT_EQ(c.STKOVRST.enabled, chip.stackOverResetAvailable);
        EXPECT_EQ(options.acmGroupEnabled(), chip.acmSelectable);
        EXPECT_EQ(options.acm12(), chip.acmSelectable && chip.acmDefaultHigh);
    }
}

} // namespace
} // namespace zerka
