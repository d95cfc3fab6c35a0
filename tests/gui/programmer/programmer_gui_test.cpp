// The programmer commands, the burner confirmation window and the programmer page against the
// in-process virtual unit, on the offscreen platform.
// First: the core headers, before Qt defines its keywords.
#include "shell/headless_windows.h"
#include "shell/programmer_session.h"
#include "shell/shell.h"

#include "gui/programmer/burner_confirm_dialog.h"
#include "gui/programmer/programmer_commands.h"
#include "gui/programmer/programmer_page.h"
#include "gui/programmer/read_result_view.h"

#include "chip/chip_library.h"
#include "chip/options_model.h"
#include "core/atomic_file.h"
#include "core/checksum.h"
#include "core/text.h"
#include "editor/editor_documents.h"
#include "shell/programmer_session.h"
#include "shell/shell.h"
#include "support/temp_dir.h"
#include "target/target_unit.h"
#include "target/virtual_usb.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <atomic>

namespace zerka::gui {
namespace {

namespace fs = std::filesystem;

using NoWindows = HeadlessWindows;

class RecordingUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        messages.push_back(text);
        return Button::Cancel;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool on) override { busyOn = on; }
    std::vector<std::string> messages;
    bool busyOn = false;
};

class FakeClock {
  public:
    std::chrono::steady_clock::time_point now() const {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns_.load()));
    }
    void advance(std::chrono::milliseconds ms) {
        ns_ += std::chrono::duration_cast<std::chrono::nanoseconds>(ms).count();
    }

  private:
    std::atomic<int64_t> ns_{1'000'000'000};
};

// A whole programmer side: chip library, options, shell, the virtual unit and the widgets.
class ProgrammerGuiTest : public ::testing::Test {
  protected:
    ProgrammerGuiTest()
        : library(test::sourceDir() / "chips"), options(library, chip), up(&ui),
          unit(unitConfig()) {
        library.buildChipList();
        options.restoreChipIndex(library.findChipByName("KXA1608").value_or(0));
        options.reloadChip();
        UsbBackends b;
        b.virtualTarget = inProcessTarget(unit);
        usb = std::make_unique<UsbLink>(std::move(b));
        ShellParts parts{library, chip, options, up, editor, log, ui, windows, nullptr, {}};
        shell = std::make_unique<Shell>(parts, (dir.path() / "").string());
        session = std::make_unique<ProgrammerSession>(
            *shell, *usb, [this](std::chrono::milliseconds ms) { clock.advance(ms); },
            [this] { return clock.now(); });
        ProgrammerSession* s = session.get();
        page = std::make_unique<ProgrammerPage>(
            options, library, [s]() -> ProgLink* { return s->connect() ? &s->link() : nullptr; });
        view = std::make_unique<ReadResultView>();
        commands = std::make_unique<ProgrammerCommands>(*session, *page, *view, nullptr);
        commands->confirm = [this](BurnerConfirmDialog& d) {
            confirmedChips = d.chipBox()->count();
            return answerOk;
        };
        commands->showResult = [this] { resultShown = true; };
    }

    TargetConfig unitConfig() {
        TargetConfig c;
        c.programmer.clock = [this] { return clock.now(); };
        return c;
    }

    // A word image for the chip as the assembler writes it; `version` is information word 119.
    std::string writeImage(uint16_t version = 0x0250) {
        const uint32_t words = (chip.romWords / 256) * 256;
        image.assign(words + 256, 0);
        Checksum16 sum;
        for (uint32_t k = 0; k < words; ++k) {
            image[k] = static_cast<uint16_t>(0x1234 + k * 7);
            sum.addWord(image[k]);
        }
        uint16_t* info = image.data() + words;
        info[109] = chip.chipId;
        info[114] = 0x0680;
        info[116] = 0x7807;
        info[119] = version;
        info[123] = sum.value();
        info[127] = 0xF7FE;
        std::string bytes;
        for (uint16_t w : image) {
            bytes.push_back(char(w >> 8));
            bytes.push_back(char(w & 0xFF));
        }
        return dir.write("burn.hex", bytes).string();
    }
    bool logged(const std::string& file, const std::string& text) const {
        for (const LogEntry& e : log.entries())
            if (e.file == file && e.text == text) return true;
        return false;
    }
    std::string logText() const {
        std::string all;
        for (const LogEntry& e : log.entries())
            all += e.file + ": " + e.text + "\n";
        return all;
    }

    test::TempDir dir;
    FakeClock clock;
    ChipLibrary library;
    ChipModel chip;
    OptionsModel options;
    RecordingUi ui;
    TZk_UP up;
    EditorDocuments editor;
    MessageLogModel log;
    NoWindows windows;
    TargetUnit unit;
    std::unique_ptr<UsbLink> usb;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<ProgrammerSession> session;
    std::unique_ptr<ProgrammerPage> page;
    std::unique_ptr<ReadResultView> view;
    std::unique_ptr<ProgrammerCommands> commands;
    std::vector<uint16_t> image;
    bool answerOk = true;
    int confirmedChips = 0;
    bool resultShown = false;
};

TEST_F(ProgrammerGuiTest, DownloadThenBlankProgramVerifyAndReadIntoTheGrid) {
    const std::string file = writeImage();
    // The programmer's own functions are on before the download...
    page->buzzerSwitch().on->setChecked(true);
    page->buzzerSwitch().set->click();
    ASSERT_TRUE(page->buzzerSwitch().on->isChecked());

    commands->chooseHexFile = [&] { return std::optional<std::string>(file); };
    commands->run(Command::DownLoad);
    EXPECT_EQ(confirmedChips, int(library.chipSelectorTexts().size()));
    ASSERT_TRUE(logged("OK", file + "   Download OK")) << logText();
    // ...and off after it, as the page shows.
    EXPECT_TRUE(page->buzzerSwitch().off->isChecked());
    // The key's "off" is the value 0xFF, which the key reads as "Blank ON".
    EXPECT_EQ(unit.programmer().settings().key, 0xFF);
    EXPECT_TRUE(page->keySwitch().on->isChecked());
    EXPECT_TRUE(page->checkSwitch().off->isChecked());
    EXPECT_TRUE(page->numberOff()->isChecked());
    EXPECT_EQ(unit.programmer().settings().buzzer, 0xFF);
    // The page names what the image is.
    EXPECT_EQ(page->chipPanel()->text(), QStringLiteral("KXA1608"));
    EXPECT_EQ(page->versionPanel()->text(), QStringLiteral("02.50"));
    EXPECT_TRUE(page->protect()->isChecked());
    EXPECT_TRUE(options.controls().CProtect.checked);
    EXPECT_EQ(view->wordText(1), QString::fromStdString(hexText(image[1], 4)));
    EXPECT_FALSE(ui.busyOn);

    commands->run(Command::ProgBlank);
    EXPECT_TRUE(logged("Blank", "Chip Blank OK")) << logText();
    EXPECT_TRUE(logged("Blank", "SBM Blank OK"));
    commands->run(Command::ProgProgram);
    EXPECT_TRUE(logged("Program", "Program Chip OK")) << logText();
    EXPECT_FALSE(logged("Protect", "Protect Fail"));
    // Program protected the chip: Verify refuses to compare it.
    commands->run(Command::ProgVerify);
    EXPECT_TRUE(logged("Verify", "Chip Had been Protect!!")) << logText();
    EXPECT_FALSE(logged("Verify", "Verify Chip OK"));

    view->clearWords(0);
    commands->run(Command::ProgRead);
    EXPECT_TRUE(resultShown);
    EXPECT_NE(logText().find("OTP Chip is KXA1608"), std::string::npos) << logText();
    const int last = int(chip.romWords) - 1;
    EXPECT_EQ(view->wordText(0), QString::fromStdString(hexText(image[0], 4)));
    EXPECT_EQ(view->wordText(last), QString::fromStdString(hexText(image[size_t(last)], 4)));
    EXPECT_GE(view->rowCount(), int(chip.romWords / 16));
    EXPECT_FALSE(commands->isRunning());
}

TEST_F(ProgrammerGuiTest, ConfirmationWindowRulesTheCalibrationSwitchesAndCancelStops) {
    BurnerConfirmDialog& d = commands->confirmDialog();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Please confirm that the burner version and chip."));
    options.controls().EHAO.text = "2000000";
    Q_EMIT d.versionBox()->activated(2);
    const OptionsControls& c = options.controls();
    EXPECT_TRUE(c.EnHAO.checked && c.EnSHAO.checked && c.EnSLAO.checked);
    EXPECT_TRUE(c.EnHAO.enabled && c.EHAO.enabled);
    EXPECT_FALSE(page->hardwareCalibration()->isEnabled());
    EXPECT_FALSE(page->calibrationEdit(0)->isEnabled());

    Q_EMIT d.versionBox()->activated(0);
    EXPECT_FALSE(c.EnHAO.checked || c.EnSHAO.checked || c.EnSLAO.checked);
    EXPECT_FALSE(c.EnHAO.enabled || c.EHAO.enabled);
    EXPECT_TRUE(c.EHAO.text.empty());
    EXPECT_FALSE(page->hardwareCalibration()->isChecked());
    EXPECT_TRUE(page->calibrationEdit(0)->text().isEmpty());

    // Cancel: no file is asked for and nothing reaches the programmer.
    answerOk = false;
    bool asked = false;
    commands->chooseHexFile = [&] {
        asked = true;
        return std::optional<std::string>();
    };
    commands->run(Command::DownLoad);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(log.entries().empty());
    EXPECT_FALSE(ui.busyOn);

    // "ok" hands the chip and version back to the page; an old image says so.
    answerOk = true;
    const int kxa1608 = library.findChipByName("KXA1608").value_or(0);
    page->setChipIndex(kxa1608 == 0 ? 1 : 0);
    commands->confirm = [kxa1608](BurnerConfirmDialog& dialog) {
        dialog.chipBox()->setCurrentIndex(kxa1608);
        dialog.versionBox()->setCurrentIndex(1);
        return true;
    };
    const std::string old = writeImage(0x0130);
    commands->chooseHexFile = [&] { return std::optional<std::string>(old); };
    unit.setFault({FaultKind::Disconnect});
    commands->run(Command::DownLoad);
    EXPECT_EQ(page->chipIndex(), kxa1608);
    EXPECT_EQ(page->burnerVersion(), 1);
    EXPECT_EQ(options.chipIndex(), kxa1608);
    EXPECT_EQ(page->versionPanel()->text(), QStringLiteral("lower than version 2.5"));
    EXPECT_TRUE(logged("ERROR", "ZerKa-IDE Connect Error , Please check !!")) << logText();
}

TEST_F(ProgrammerGuiTest, SettingButtonsWriteReadBackAndShowTheProgrammersAnswer) {
    page->keySwitch().off->setChecked(true);
    page->keySwitch().set->click();
    EXPECT_EQ(unit.programmer().settings().key, 0xAA);
    EXPECT_TRUE(page->keySwitch().off->isChecked());

    page->checkSwitch().on->setChecked(true);
    page->checkSwitch().set->click();
    EXPECT_EQ(unit.programmer().settings().checksum, 0xAA);

    // Write Num ON enables the number box; 1000 goes out and comes back.
    EXPECT_FALSE(page->numberBox()->isEnabled());
    page->numberOn()->setChecked(true);
    EXPECT_TRUE(page->numberBox()->isEnabled());
    page->numberBox()->setText(QStringLiteral("1000"));
    page->numberSet()->click();
    EXPECT_EQ(unit.programmer().settings().numberOn, 0xAA);
    EXPECT_EQ(unit.programmer().settings().number, 1000u);
    EXPECT_EQ(page->numberBox()->text(), QStringLiteral("1000"));

    // What the programmer says wins over what the page had selected.
    page->checkSwitch().off->setChecked(true);
    page->numberOff()->setChecked(true);
    page->readAllButton()->click();
    EXPECT_TRUE(page->checkSwitch().on->isChecked());
    EXPECT_TRUE(page->numberOn()->isChecked());
    EXPECT_EQ(page->numberBox()->text(), QStringLiteral("1000"));
    EXPECT_EQ(page->firmwarePanel()->text(), QStringLiteral("WRIV0210"));

    // A number that is not one is not sent.
    page->numberBox()->setText(QString());
    page->numberSet()->click();
    EXPECT_EQ(unit.programmer().settings().number, 1000u);
}

} // namespace
} // namespace zerka::gui
