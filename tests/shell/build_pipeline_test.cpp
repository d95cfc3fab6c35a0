// BuildAndLoad on the simulator and on the virtual target unit, its failure paths and texts, and
// the information block it fills.
#include "chip/chip_model.h"
#include "core/atomic_file.h"
#include "core/text.h"
#include "shell/ice_session.h"
#include "shell/info_block.h"
#include "shell/shell_fixture.h"
#include "shell/shell_options_host.h"
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"
#include "uitext/text_id.h"

#include <filesystem>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;

class BuildTest : public ShellTest {
  protected:
    void useExample(const std::string& name, const std::string& chipName) {
        const std::string main = example(name);
        options->restoreChipIndex(chipIndex(chipName));
        ASSERT_TRUE(options->reloadChip());
        editor.openFile(main);
        shell->filesOpened();
        shell->SetMainFile(main);
    }
};

TEST_F(BuildTest, NoMainFileStopsBeforeAssembling) {
    makeShell();
    editor.openFile(dir.write("x.asm", "  NOP\n").string());
    shell->filesOpened();
    shell->state().mainFile.clear();
    EXPECT_FALSE(shell->assembleAndRun());
    EXPECT_TRUE(ui.shown("Please set the \"Mail File\"."));
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_TRUE(shell->commands().enabled(Command::AssembleRun));
    EXPECT_TRUE(shell->commands().enabled(Command::Assemble));
    EXPECT_FALSE(ui.busyOn);
}

TEST_F(BuildTest, AssembleAndRunOnTheSimulatorEntersDebugMode) {
    makeShell();
    useExample("sum_cx4a.asm", "KXA1608");
    typeOver(editor, 1, std::string(editor.text(1).bytes()) + "\n"); // saved without a prompt
    shell->state().reopenFlags[kReopenRam] = true;
    ASSERT_TRUE(shell->assembleAndRun());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(shell->state().debugMode, 1);
    EXPECT_TRUE(windows.isShowing(Slot::Source));
    EXPECT_TRUE(windows.isShowing(Slot::Ram));
    EXPECT_FALSE(windows.isShowing(Slot::Editor));
    EXPECT_FALSE(windows.isShowing(Slot::Log));
    EXPECT_EQ(windows.sourceSizeText.rfind("Size: ", 0), 0u);
    EXPECT_NE(windows.sourceSizeText.find("Total Code Line = "), std::string::npos);
    EXPECT_EQ(windows.checksum.rfind("Checksum = 0x", 0), 0u);
    EXPECT_EQ(windows.title.rfind("ZerkaIDE - Simulation   ***  Chip = KXA1608", 0), 0u);
    EXPECT_FALSE(shell->commands().enabled(Command::AssembleRun));
    EXPECT_EQ(shell->state().currentFile,
              fs::path(shell->state().mainFile).replace_extension(".lst").string());
    // The program is in the uP centre and runs to its end.
    EXPECT_NE(up.cpu().ProgramWord(0), 0);
    EXPECT_TRUE(fs::exists(fs::path(shell->state().mainFile).replace_extension(".lst")));
    // Back to edit mode.
    shell->EnterEditMode(true);
    EXPECT_TRUE(shell->state().reopenFlags[kReopenRam]);
    EXPECT_TRUE(windows.isShowing(Slot::Editor));
    EXPECT_EQ(windows.title, "KXA and KXB Codeloft " + library->chipListVersion());
}

TEST_F(BuildTest, AssembleOnlyLogsCompilerLinesAndShowsTheLog) {
    makeShell();
    useExample("sum_cx4a.asm", "KXA1608");
    ASSERT_TRUE(shell->assembleOnly());
    EXPECT_EQ(shell->state().debugMode, 0);
    ASSERT_GE(log.count(), 2u);
    const std::string main = shell->state().mainFile;
    EXPECT_EQ(log.entries()[log.count() - 2].text, main + " .......Compiler ...............");
    EXPECT_EQ(log.entries()[log.count() - 1].text, main + " .......Compiler   complete");
    EXPECT_TRUE(windows.isShowing(Slot::Log));
    EXPECT_TRUE(shell->commands().enabled(Command::AssembleRun));
}

TEST_F(BuildTest, SourceErrorsLandInTheLogAndACommandLineStartCloses) {
    makeShell();
    const std::string bad = dir.write("bad.asm", "  NOP\n  BOGUS 1,2\n").string();
    options->restoreChipIndex(chipIndex("KXA1608"));
    shell->firstActivation({bad});
    EXPECT_TRUE(shell->state().commandLineStart);
    EXPECT_EQ(shell->state().debugMode, 0);
    ASSERT_GE(log.count(), 1u);
    EXPECT_EQ(fs::path(log.entries()[0].file), fs::path(bad));
    EXPECT_EQ(log.entries()[0].line, 2);
    EXPECT_TRUE(windows.closed);
}

// The checksum shown and stored is that of the last image built; a failed build made none.
TEST_F(BuildTest, AFailedBuildChangesNoChecksum) {
    makeShell();
    useExample("sum_cx4a.asm", "KXA1608");
    ASSERT_TRUE(shell->assembleOnly());
    const uint16_t good = shell->state().imageChecksum;
    EXPECT_EQ(windows.checksum, "Checksum = 0x" + hexText(good, 4));
    ASSERT_NE(good, 0);
    writeFileAtomic(shell->state().mainFile, "        NOP\n        MVL     NOWHERE\n");
    windows.checksum.clear();
    EXPECT_FALSE(shell->assembleAndRun());
    EXPECT_FALSE(shell->assembleOnly());
    EXPECT_EQ(shell->state().imageChecksum, good); // what record 21 is written from
    EXPECT_EQ(windows.checksum, "");
}

TEST_F(BuildTest, MissingCommandLineFileEndsTheProgram) {
    makeShell();
    shell->firstActivation({(dir.path() / "nothing.asm").string()});
    EXPECT_TRUE(ui.shown("Error! file do't exist!"));
    EXPECT_TRUE(windows.closed);
}

TEST_F(BuildTest, ProgrammerModeSaysTheProgrammerIsMissing) {
    makeShell();
    useExample("sum_cx4a.asm", "KXA1608");
    options->selectIdeMode(IdeMode::Programmer);
    shell->ApplyIdeMode();
    EXPECT_FALSE(shell->commands().enabled(Command::AssembleRun));
    EXPECT_FALSE(shell->BuildAndLoad(true));
    EXPECT_EQ(log.entries().back().text, shell_text::kProgrammerMissing);
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_TRUE(windows.isShowing(Slot::Log));
}

// The emulator path against the virtual target unit.
class EmulatorBuildTest : public BuildTest {
  protected:
    void SetUp() override {
        useChip();
        TargetConfig c;
        c.core = coreTypeFromVariant(chip.coreVariant);
        if (!chip.emulatorIds.empty()) c.bodyId = chip.emulatorIds.front();
        // The unit's clock stands still: a programmer job once started keeps running.
        c.programmer.clock = [this] { return unitNow; };
        unit = std::make_unique<TargetUnit>(c);
        port = std::make_unique<VirtualPrinterPort>(*unit);
        UsbBackends b;
        b.virtualTarget = inProcessTarget(*unit);
        session = std::make_unique<IceSession>(
            up, chip, *options, ui, std::move(b), std::make_unique<AttachedPortProvider>(*port),
            [this](std::chrono::milliseconds ms) {
                waits.push_back({int(ms.count()), unit->controlRegister()});
            });
        makeShell(session.get());
        useExample("sum_cx4a.asm", "KXA1608");
        options->selectInterface(4);
        shell->targetCommand(false);
    }
    void useChip() {
        options->restoreChipIndex(chipIndex("KXA1608"));
        ASSERT_TRUE(options->reloadChip());
    }
    struct Wait {
        int ms;
        uint8_t control; // the unit's control register while the host waited
    };
    std::chrono::steady_clock::time_point unitNow = std::chrono::steady_clock::now();
    std::vector<Wait> waits;
    std::unique_ptr<TargetUnit> unit;
    std::unique_ptr<VirtualPrinterPort> port;
    std::unique_ptr<IceSession> session;
};

TEST_F(EmulatorBuildTest, DownloadsVerifiesAndEntersDebugMode) {
    EXPECT_EQ(windows.panel, ConnectionPanel::Connected);
    ASSERT_TRUE(shell->assembleAndRun()) << (ui.messages.empty() ? "" : ui.messages[0].text);
    EXPECT_EQ(shell->state().debugMode, 1);
    EXPECT_TRUE(shell->state().iceConnected);
    EXPECT_FALSE(up.simulatorMode());
    EXPECT_EQ(windows.title.rfind("ZerkaIDE - Emulation        Chip = Zerka - KXA1608", 0), 0u);
    shell->EnterEditMode(false);
    EXPECT_TRUE(up.simulatorMode());
}

// KXA1608 keeps its built-in EEPROM's control register at 60H and the unit's body is 8024h:
// the debug start places the accesses as reserved breakpoints, at most 10, and warns once
// beyond that.
TEST_F(EmulatorBuildTest, DebugStartSendsTheBuiltInEepromBreakpoints) {
    ASSERT_NE(chip.selfEromMode, 0);
    const std::string warning = "Build In EEPROM's Breakpoint over than 10 stack!!! May lead to "
                                "incorrect Simulation.";
    auto program = [&](int accesses) {
        std::string src = "        ORG     0\n";
        for (int i = 0; i < accesses; ++i)
            src += "        BSF     60H, 1, 0\n";
        src += "        NOP\n        END\n";
        writeFileAtomic(shell->state().mainFile, src);
    };
    program(2);
    ASSERT_TRUE(shell->assembleAndRun()) << (ui.messages.empty() ? "" : ui.messages[0].text);
    ASSERT_EQ(up.reservedBreakpoints(), 2u);
    EXPECT_EQ(up.breakpoints()[1].address, 1u);
    EXPECT_EQ(unit->cpu().ReadData(chip.selfEromBase), 0x08);
    EXPECT_TRUE(ui.messages.empty());
    shell->EnterEditMode(false);

    program(11);
    ASSERT_TRUE(shell->assembleAndRun());
    EXPECT_EQ(up.reservedBreakpoints(), 10u);
    EXPECT_EQ(shell->state().debugMode, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, warning);
    EXPECT_EQ(ui.messages[0].type, MessageType::Warning);
}

// A watch trigger changed in the options while debugging reaches the emulator at once and stays
// with the next step.
TEST_F(EmulatorBuildTest, AWatchChangedInTheOptionsReachesTheEmulator) {
    ShellOptionsHost host(*shell);
    options->setHost(&host);
    ASSERT_TRUE(shell->assembleAndRun()) << (ui.messages.empty() ? "" : ui.messages[0].text);
    auto unitWatch = [&] {
        std::array<uint8_t, 4> b{};
        EXPECT_TRUE(session->commands().iceReadBytes(kIceWatch, std::span<uint8_t>(b)));
        return b;
    };
    OptionsControls& c = options->controls();
    c.EWatchAddress.text = "123";
    c.EWatchData.text = "5A";
    c.CkWatchB[0].checked = c.CkWatchB[7].checked = true;
    ASSERT_TRUE(options->closeOptions());
    EXPECT_EQ(unitWatch(), (std::array<uint8_t, 4>{0x81, 0x5A, 0x01, 0x23}));
    up.StepInto();
    EXPECT_EQ(unitWatch(), (std::array<uint8_t, 4>{0x81, 0x5A, 0x01, 0x23}));
    options->setHost(nullptr);
}

TEST_F(EmulatorBuildTest, UnitStillBurningAChipRefusesDebugMode) {
    // A job started on the unit (from its own keys, say) is still running.
    const uint8_t blankCheck[] = {0xB8, 0x02};
    ASSERT_TRUE(unit->hostWrite(blankCheck, sizeof blankCheck));
    ASSERT_TRUE(unit->programmer().jobRunning());

    EXPECT_FALSE(shell->assembleAndRun());
    EXPECT_TRUE(ui.shown(shell_text::kBusy));
    EXPECT_EQ(unit->monitorStarts(), 0);
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_TRUE(shell->commands().enabled(Command::AssembleRun));

    // Once the job is over the unit lets the host at the emulator.
    unitNow += std::chrono::seconds(10);
    ui.messages.clear();
    ASSERT_TRUE(shell->assembleAndRun()) << (ui.messages.empty() ? "" : ui.messages[0].text);
    EXPECT_EQ(unit->mode(), UnitMode::Debug);
    EXPECT_EQ(shell->state().debugMode, 1);
}

TEST_F(EmulatorBuildTest, SessionAsksForTheFirmwareAndStartsTheMonitorOnTheHaltedEmulator) {
    EXPECT_TRUE(session->firmware2()); // the unit reports WRIV0210
    ASSERT_TRUE(session->switchDebugMode());
    const uint8_t run = 0x16;
    unit->writeControl(run);
    ASSERT_TRUE(unit->running());
    waits.clear();
    session->haltAndStartMonitor();
    EXPECT_FALSE(unit->running());
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_EQ(waits[0].ms, 100);
    EXPECT_EQ(waits[0].control & 0x02, 0) << "the monitor is held in its start";
    EXPECT_EQ(waits[1].ms, 100);
    EXPECT_NE(waits[1].control & 0x02, 0) << "the start is finished";
    EXPECT_EQ(unit->monitorStarts(), 1);
}

TEST_F(EmulatorBuildTest, UnpluggedUnitFailsWithTheConnectError) {
    unit->setFault({FaultKind::Disconnect});
    shell->state().linkState = 255;
    EXPECT_FALSE(shell->assembleAndRun());
    EXPECT_TRUE(ui.shown(TextOf(TextId::ConnectError)));
    EXPECT_EQ(windows.panel, ConnectionPanel::NotConnected);
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_TRUE(shell->commands().enabled(Command::AssembleRun));
}

TEST(InformationBlock, FilesStubAndStackWords) {
    TempDir dir;
    ChipModel chip;
    chip.coreVariant = 1;
    chip.sbmBankWords = 2;
    chip.sbmSector = 1;
    chip.sbmRom = {0x81, 2, 3, 4, 0x07};
    chip.sbmStart = 0x1234;
    // InformationA is never read for core 1; InformationB is shorter than its skip.
    dir.write("InformationA.ifo", std::string(600, '\x11'));
    dir.write("InformationB.ifo", std::string(3, '\x22'));
    // 128 words skipped, then 300 words: only words 128..239 are filled.
    std::string info(128 * 2, '\0');
    for (int i = 0; i < 300; ++i)
        info += std::string{char(0xAB), char(i)};
    dir.write("Information.ifo", info);
    InformationBlock b;
    b.fill(0x5555);
    fillInformationBlock(b, chip, {false, false}, dir.path());
    EXPECT_EQ(b[0], 0x5555);
    EXPECT_EQ(b[128], 0xAB00);
    EXPECT_EQ(b[239], 0xAB00 + 111);
    EXPECT_EQ(b[240], 0x0681); // d = 240: the stub follows
    EXPECT_EQ(b[112], 0);      // no stack-over reset

    // Without Information.ifo the stub starts at 128; bit 7 of sbmRom byte 0 ends it with
    // 7800h + start and 0000h, and STKOVSTOP unchecked clears bit 2 of byte 4.
    fs::remove(dir.path() / "Information.ifo");
    fillInformationBlock(b, chip, {false, false}, dir.path());
    EXPECT_EQ(b[128], 0x0681);
    EXPECT_EQ(b[129], 0x6600);
    EXPECT_EQ(b[136], 0x0603);
    EXPECT_EQ(b[138], 0x7834);
    EXPECT_EQ(b[139], 0x0000);
    chip.sbmRom[0] = 0x01;
    chip.stackOverResetAvailable = true;
    chip.stackOver = {0x3C, 2, false};
    fillInformationBlock(b, chip, {true, true}, dir.path());
    EXPECT_EQ(b[136], 0x0607);
    EXPECT_EQ(b[138], 0xC200);
    EXPECT_EQ(b[139], 0xF034);
    EXPECT_EQ(b[112], 0x0604);
    EXPECT_EQ(b[113], 0x2E3C);

    // Core 0 reads InformationA after skipping 2 words.
    chip.coreVariant = 0;
    fillInformationBlock(b, chip, {}, dir.path());
    EXPECT_EQ(b[0], 0x1111);
}

TEST(InformationBlock, CalibrationBlockBytes) {
    ChipModel chip;
    chip.hasHao = true;
    chip.hao.w3 = 0;
    chip.hao.w4 = 0x01020304;
    chip.hao.w7 = 0x0010;
    chip.triscBit = {0x20, 4};
    InformationBlock b{};
    CalibrationBlockInputs in;
    in.enHao = true;
    in.targetFrequency = 0x00F42400;
    in.lowPowerFrequency = 0x00008000;
    in.modeCode = 3;
    in.cx4a = false;
    fillCalibrationBlock(b, chip, in);
    EXPECT_EQ(chip.hao.w3, 8); // also in the chip model
    EXPECT_EQ(b[208], 0x270B);
    EXPECT_EQ(b[209], 0x00F4);
    EXPECT_EQ(b[210], 0x2400);
    EXPECT_EQ(b[214], 0x0008); // w2, w3
    EXPECT_EQ(b[216], 0x0080); // low-power frequency, least significant byte first
    EXPECT_EQ(b[222], 0x2094);
    EXPECT_EQ(b[223], 0x1FE4);
    EXPECT_EQ(b[224], 0x1578);
    EXPECT_EQ(b[225], 0xFF06);
    EXPECT_EQ(b[227], 0xFF06);
    EXPECT_EQ(b[228], 0xFE66);
    EXPECT_EQ(b[229], 0);
}

} // namespace
} // namespace zerka::test
