#pragma once
// A chip library, host, calibration rules and hardware tools that record what the options
// dialog asks of them, and a way to act while the modal dialog is open.
#include "chip/options_model.h"
#include "gui/options/options_dialog.h"
#include "support/temp_dir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace zerka::test {

class RecordingHost : public OptionsHost {
  public:
    bool debug = false;
    bool simulator = true;
    bool usbConnects = true;
    ChipLoadContext context;
    std::vector<std::string> calls;

    bool debugMode() const override { return debug; }
    bool simulatorMode() const override { return simulator; }
    void enterEditMode() override {
        calls.push_back("enterEditMode");
        debug = false;
    }
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
    void applyIdeMode(IdeMode mode, bool) override {
        calls.push_back(mode == IdeMode::Programmer ? "applyIdeMode programmer"
                                                    : "applyIdeMode debugger");
    }
    void enableConnectionPanel() override { calls.push_back("enableConnectionPanel"); }
    bool called(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
};

class RecordingCalibration : public CalibrationRules {
  public:
    bool accept = true;
    int validations = 0;
    bool validateAndComputeMode() override {
        ++validations;
        return accept;
    }
    void recomputeMode() override {}
};

class FakeTools : public OptionsHardwareTools {
  public:
    std::vector<std::string> calls;
    bool fail = false;
    SupplyVoltages measureSupply(bool vpp, bool vcc) override {
        calls.push_back(std::string("measure") + (vpp ? " vpp" : "") + (vcc ? " vcc" : ""));
        if (fail) return {};
        return {vpp ? std::optional<uint16_t>(1205) : std::nullopt,
                vcc ? std::optional<uint16_t>(498) : std::nullopt};
    }
    bool writeProgramWord(uint16_t address, uint16_t value) override {
        calls.push_back("writeProgram " + std::to_string(address) + " " + std::to_string(value));
        return !fail;
    }
    std::optional<uint16_t> readProgramWord(uint16_t address) override {
        calls.push_back("readProgram " + std::to_string(address));
        if (fail) return std::nullopt;
        return uint16_t(0xBEEF);
    }
    bool writeDataByte(uint16_t address, uint8_t value) override {
        calls.push_back("writeData " + std::to_string(address) + " " + std::to_string(value));
        return !fail;
    }
    std::optional<uint8_t> readDataByte(uint16_t address) override {
        calls.push_back("readData " + std::to_string(address));
        if (fail) return std::nullopt;
        return uint8_t(0x5A);
    }
};

// A CX4A chip, a CX4B chip with chipId 71h, and a CX4A chip with #HAO whose marker file offers
// all three calibration switches.
inline std::filesystem::path writeLibrary(const TempDir& dir) {
    dir.write("ZkSel.INC", "V1.2 test library\r\n"
                           "KXA1.DSC KXA1 (4K)\r\n"
                           "KXB71.DSC KXB71 (8K)\r\n"
                           "KXAH.DSC KXAH9 (2K)\r\n");
    dir.write("KXA1.DSC", "#PRODUCT\nKXA1\n#COMPILER\nCX4A\n#ID\n21H\n"
                          "#ACM\n2EH 7 1 1 0 0\n#STACKOVER\n2CH 6 1 0\n");
    dir.write("KXB71.DSC", "#PRODUCT\nKXB71\n#COMPILER\nCX4B\n#ID\n71H\n"
                           "#ACM\n2EH 7 0 1 0 0\n#STACKOVER\n2CH 6 0 0\n");
    dir.write("KXAH.DSC", "#COMPILER\nCX4A\n#ID\n62H\n#ACM\n38H 7 1 0 0 0\n"
                          "#HAO\n1 2 3 4 1800000 2200000 7\n");
    dir.write("ZkKXAH9.mem", "CAL\n");
    return dir.path();
}
enum Chip { kKxa1 = 0, kKxb71 = 1, kKxah = 2 };

class OptionsDialogTest : public ::testing::Test {
  protected:
    explicit OptionsDialogTest(bool withTools = true)
        : library(writeLibrary(dir)), options(library, chip),
          dialog(options, withTools ? &tools : nullptr) {
        options.setHost(&host);
        options.setCalibrationRules(&calibration);
    }

    template <typename W> W* find(const char* name) {
        W* w = dialog.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Runs `body` while the dialog is shown modally, then closes it (forcing when refused).
    void whileOpen(const std::function<void()>& body) {
        QTimer::singleShot(0, &dialog, [this, body] {
            body();
            if (!dialog.isVisible()) return;
            find<QAbstractButton>("closeButton")->click();
            if (dialog.isVisible()) dialog.done(0);
        });
        dialog.runModal();
    }

    TempDir dir;
    ChipLibrary library;
    ChipModel chip;
    RecordingHost host;
    RecordingCalibration calibration;
    FakeTools tools;
    OptionsModel options;
    gui::OptionsDialog dialog;
};

} // namespace zerka::test
