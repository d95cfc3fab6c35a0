// The SRAM record window on the offscreen platform: a register edit shows up in the grid, the
// mode items switch the recording mode, "Add to Current Address" rewrites the source and is
// disabled while the target runs; and a screenshot.
#include "gui/debug/sram_record_window.h"

#include "gui/support/screenshot.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <deque>

namespace zerka::gui {
namespace {

class YesUi : public UiHost {
  public:
    std::vector<std::string> asked;
    Button messageBox(MessageType, const std::string& text, Buttons buttons) override {
        asked.push_back(text);
        return buttons == Buttons::Ok ? Button::Ok : Button::Yes;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

class SramRecordWindowTest : public ::testing::Test {
  protected:
    SramRecordWindowTest() : model(up, ui), window(model) {
        up.setInstructionSet(InstructionSet(CoreType::CX4A));
        up.AddSymbol("STATUS", 0x2B, 'D');
        up.AddSymbol("ADCON0", 0x1A0, 'D');
        source = dir.write("prog.asm", "START:\n    NOP\n    END\n").string();
        model.setHooks({.currentFile = [this] { return (dir.path() / "prog.lst").string(); },
                        .sourcePath = [this](uint8_t) { return source; },
                        .sourceModified = {},
                        .reloadSource = [this](const std::string&) { ++reloads; },
                        .rebuild = [this] { ++rebuilds; },
                        .language = {},
                        .modeChanged = {}});
        window.resize(520, 420);
        window.show();
        QApplication::processEvents();
    }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = window.grid()->item(row, column);
        return item ? item->text() : QString();
    }

    test::TempDir dir;
    TZk_UP up;
    YesUi ui;
    SramRecordModel model;
    SramRecordWindow window;
    std::string source;
    int reloads = 0;
    int rebuilds = 0;
};

TEST_F(SramRecordWindowTest, AnEditLandsInTheGridAndTheModeItemsSwitchRecording) {
    up.SetRegister(0x2B, 0x55);
    ASSERT_EQ(window.grid()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), "1");
    EXPECT_EQ(cell(0, 1), "STATUS");
    EXPECT_EQ(cell(0, 2), "002Bh");
    EXPECT_EQ(cell(0, 3), "55h");
    EXPECT_EQ(cell(0, 4), "00h");
    EXPECT_EQ(window.grid()->item(0, 2)->textAlignment(), int(Qt::AlignCenter));
    EXPECT_EQ(window.modePanel()->text(), "Status: Not Continue");
    EXPECT_TRUE(window.notContinueItem()->isChecked());
    EXPECT_EQ(window.grid()->horizontalHeaderItem(4)->text(), "Befor Data");
    EXPECT_EQ(window.grid()->columnWidth(0), (window.width() - 40) / 5);

    window.continueItem()->trigger();
    EXPECT_TRUE(model.continueMode());
    EXPECT_EQ(window.modePanel()->text(), "Status: Continue");
    up.SetRegister(0x2B, 0x57);
    EXPECT_EQ(window.grid()->rowCount(), 2);
    EXPECT_EQ(cell(1, 4), "55h");

    window.clearItem()->trigger();
    EXPECT_EQ(window.grid()->rowCount(), 0);
    EXPECT_EQ(window.actionPanel()->text(), "Clear Record");
}

TEST_F(SramRecordWindowTest, AddToCurrentAddressInsertsTheLinesAndIsOffWhileRunning) {
    up.cpu().LoadProgramCell(0, 0, 2, 0);
    up.cpu().SetPC(0);
    up.SetRegister(0x1A0, 0x81);

    window.setAddEnabled(false);
    EXPECT_FALSE(window.addItem()->isEnabled());
    window.addItem()->trigger(); // a disabled item does nothing
    window.setAddEnabled(true);
    ASSERT_TRUE(window.addItem()->isEnabled());
    window.addItem()->trigger();

    std::string text = dir.read("prog.asm");
    EXPECT_EQ(text, "START:\n    NOP\n"
                    "       LBSR    1   ; LBSR   ADCON0\n"
                    "       MVL     081h\n"
                    "       MVF     01A0h, 1, 1   ; MVF   ADCON0, F, BANK\n"
                    "    END\n");
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(SramRecordWindowTest, Screenshot) {
    window.continueItem()->trigger();
    up.SetRegister(0x2B, 0x55);
    up.SetRegister(0x2B, 0x57);
    up.SetRegister(0x1A0, 0x81);
    up.SetRegister(0x60, 0x3C);
    window.saveItem()->trigger();
    QApplication::processEvents();
    EXPECT_EQ(window.grid()->rowCount(), 4);
    EXPECT_TRUE(window.actionPanel()->text().startsWith("Save to \""));
    const QString file = test::saveScreenshot(window, QStringLiteral("sram_record"));
    EXPECT_FALSE(QImage(file).isNull());
}

} // namespace
} // namespace zerka::gui
