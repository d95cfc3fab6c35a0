// The programmer-mode build and the programmer commands of the IDE against the in-process
// virtual unit: the word image reaches the programmer's flash, a chip is burned from it and
// read back, and faults end with their log lines.
#include "core/atomic_file.h"
#include "core/output_names.h"
#include "shell/ice_session.h"
#include "shell/programmer_session.h"
#include "shell/shell_fixture.h"
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"

#include <atomic>
#include <filesystem>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;

// The unit's clock moves only with the host's waits: jobs of seconds take no time.
class FakeUnitClock {
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

class ProgrammerBuildTest : public ShellTest {
  protected:
    void start(ProgrammerConfig programmer = {}) {
        options->restoreChipIndex(chipIndex("KXA1608"));
        ASSERT_TRUE(options->reloadChip());
        TargetConfig c;
        c.core = coreTypeFromVariant(chip.coreVariant);
        c.programmer = std::move(programmer);
        c.programmer.clock = [this] { return clock.now(); };
        unit = std::make_unique<TargetUnit>(c);
        port = std::make_unique<VirtualPrinterPort>(*unit);
        UsbBackends b;
        b.virtualTarget = inProcessTarget(*unit);
        ice = std::make_unique<IceSession>(up, chip, *options, ui, std::move(b),
                                           std::make_unique<AttachedPortProvider>(*port),
                                           [](std::chrono::milliseconds) {});
        makeShell(ice.get());
        burner = std::make_unique<ProgrammerSession>(
            *shell, ice->usb(), [this](std::chrono::milliseconds ms) { clock.advance(ms); },
            [this] { return clock.now(); });
        shell->setProgrammer(burner.get());
        burner->wordsShown.connect([this](const std::vector<uint16_t>& w) { shown = w; });
        const std::string main = example("sum_cx4a.asm");
        editor.openFile(main);
        shell->filesOpened();
        shell->SetMainFile(main);
        options->selectIdeMode(IdeMode::Programmer);
        shell->ApplyIdeMode();
        hexName = outputFileName(main, ".hex");
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
    std::vector<uint16_t> imageCode() const {
        std::string bytes;
        EXPECT_TRUE(readFileBytes(hexName, bytes));
        std::vector<uint16_t> words;
        for (size_t i = 0; i + 1 < bytes.size() && words.size() < chip.romWords; i += 2)
            words.push_back(uint16_t(uint8_t(bytes[i]) << 8 | uint8_t(bytes[i + 1])));
        return words;
    }

    FakeUnitClock clock;
    std::unique_ptr<TargetUnit> unit;
    std::unique_ptr<VirtualPrinterPort> port;
    std::unique_ptr<IceSession> ice;
    std::unique_ptr<ProgrammerSession> burner;
    std::vector<uint16_t> shown;
    std::string hexName;
};

TEST_F(ProgrammerBuildTest, BuildDownloadsTheImageThenAutoBurnsAndReadGivesItBack) {
    start();
    int erases = 0;
    unit->setCommandLog([&erases](const std::string& line) {
        if (line == "AC D8 programmer") ++erases;
    });
    ASSERT_TRUE(shell->assembleAndRun()) << logText();
    EXPECT_GE(erases, 5); // the flash is erased before the download
    EXPECT_TRUE(logged("OK", hexName + "   Download OK")) << logText();
    EXPECT_EQ(shell->state().programmerHexFile, hexName);
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_TRUE(windows.isShowing(Slot::Log));
    EXPECT_EQ(ui.status, hexName);
    const std::vector<uint16_t> code = imageCode();
    ASSERT_EQ(code.size(), size_t(chip.romWords));
    EXPECT_EQ(shown, code); // the hex grid shows the image

    // The flash holds the image: the read-back gives every code word.
    FlashReadBack back;
    ASSERT_TRUE(burner->readBack(back).success) << logText();
    ASSERT_GE(back.code.size(), code.size());
    EXPECT_TRUE(std::equal(code.begin(), code.end(), back.code.begin()));

    // Auto finds the flash up to date (no second erase and download) and burns the chip.
    erases = 0;
    ASSERT_TRUE(burner->autoProgram().success) << logText();
    EXPECT_EQ(erases, 0);
    EXPECT_TRUE(logged("Blank", "Chip Blank OK"));
    EXPECT_TRUE(logged("Program", "Program Chip OK"));
    EXPECT_TRUE(logged("Verify", "Verify Chip OK"));

    ChipReadResult read;
    ASSERT_TRUE(burner->read(read).success) << logText();
    EXPECT_NE(logText().find("OTP Chip is KXA1608"), std::string::npos) << logText();
    ASSERT_GE(read.program.size(), code.size());
    EXPECT_TRUE(std::equal(code.begin(), code.end(), read.program.begin()));
    EXPECT_EQ(shown.size(), read.program.size() + read.bieWords.size());
}

// The IDE's programmer mode and the build's step 15 refuse a word image that is not the chip's
// before anything reaches the unit: the flash keeps what it held, the chip stays blank.
TEST_F(ProgrammerBuildTest, AnImageThatIsNotTheChipsIsRefusedBeforeAnythingIsSent) {
    start();
    ASSERT_TRUE(shell->assembleAndRun()) << logText();
    const std::vector<uint16_t> code = imageCode();
    int touched = 0;
    unit->setCommandLog([&touched](const std::string& line) {
        if (line == "AC D8 programmer" || line == "AA 02 programmer" || line == "B8 00 programmer" ||
            line == "B8 02 programmer")
            ++touched;
    });
    std::string good;
    ASSERT_TRUE(readFileBytes(hexName, good));
    const fs::path dir = fs::path(hexName).parent_path();
    struct Bad {
        const char* name;
        std::string bytes;
        const char* says;
    };
    std::string otherId = good;
    otherId[2 * 8192 + 2 * 109] = 0;
    otherId[2 * 8192 + 2 * 109 + 1] = 0x71;
    const std::vector<Bad> bad = {{"empty.hex", "", "empty"},
                                  {"short.hex", good.substr(0, 4608), "4608 bytes"},
                                  {"long.hex", good + '\0', "16897 bytes"},
                                  {"other.hex", otherId, "0071h"}};
    for (const Bad& b : bad) {
        const std::string file = (dir / b.name).string();
        ASSERT_TRUE(writeFileAtomic(file, b.bytes));
        // "DownLoad To Flash Memory".
        EXPECT_FALSE(burner->download(file).success) << b.name;
        EXPECT_NE(logText().find(b.says), std::string::npos) << b.name << "\n" << logText();
        // Program and Auto with it as the programmer's file (the flash holds another image).
        shell->state().programmerHexFile = file;
        shell->state().imageChecksum = 0x1234;
        EXPECT_FALSE(burner->program().success) << b.name;
        EXPECT_NE(logText().find(b.says), std::string::npos) << b.name << "\n" << logText();
        EXPECT_FALSE(burner->autoProgram().success) << b.name;
        EXPECT_NE(logText().find(b.says), std::string::npos) << b.name << "\n" << logText();
        // Step 15 of the programmer-mode build.
        EXPECT_FALSE(burner->buildDownload(file).success) << b.name;
        EXPECT_NE(logText().find(b.says), std::string::npos) << b.name << "\n" << logText();
    }
    EXPECT_EQ(touched, 0);
    // The flash still holds the built image.
    FlashReadBack back;
    ASSERT_TRUE(burner->readBack(back).success) << logText();
    ASSERT_GE(back.code.size(), code.size());
    EXPECT_TRUE(std::equal(code.begin(), code.end(), back.code.begin()));
}

TEST_F(ProgrammerBuildTest, AChipOfAnotherIdentifierIsRefusedByAuto) {
    ProgrammerConfig p;
    p.socket.kind = SocketSetup::Kind::Blank;
    p.socket.chipId = 0x1234;
    start(std::move(p));
    ASSERT_TRUE(shell->assembleAndRun()) << logText();
    EXPECT_FALSE(burner->autoProgram().success);
    EXPECT_TRUE(logged("Auto", "Chip ID Error!!  Program Chip ID = 0x1234")) << logText();
    EXPECT_FALSE(logged("Program", "Program Chip OK"));
}

TEST_F(ProgrammerBuildTest, AVppFaultEndsProgramWithItsLine) {
    ProgrammerConfig p;
    p.faults.vpp = true;
    start(std::move(p));
    ASSERT_TRUE(shell->assembleAndRun()) << logText();
    EXPECT_FALSE(burner->program().success);
    EXPECT_TRUE(logged("Program", "Program Chip Fail")) << logText();
    EXPECT_TRUE(logged("Blank", "VPP Error"));
    EXPECT_EQ(logText().find("Error at"), std::string::npos);
}

TEST_F(ProgrammerBuildTest, ABusyFlashFailsTheBuildAndAMissingUnitSaysSo) {
    ProgrammerConfig p;
    p.faults.flashBusy = true;
    start(std::move(p));
    EXPECT_FALSE(shell->assembleAndRun());
    EXPECT_TRUE(logged("Fail", hexName + "   Download Fail !!!")) << logText();
    EXPECT_FALSE(logged("OK", hexName + "   Download OK"));
    EXPECT_TRUE(windows.isShowing(Slot::Log));
    EXPECT_TRUE(shell->commands().enabled(Command::Assemble));

    unit->setFault({FaultKind::Disconnect});
    ice->usb().close();
    EXPECT_FALSE(shell->assembleAndRun());
    EXPECT_TRUE(ui.shown("ZerKa-IDE Connect Error , Please check !!"));
    EXPECT_TRUE(logged("ERROR", "ZerKa-IDE Connect Error , Please check !!")) << logText();
    EXPECT_EQ(shell->state().linkState, 255);
}

TEST_F(ProgrammerBuildTest, TheParallelPortProgrammerOnlyNamesTheImage) {
    start();
    options->selectInterface(1);
    ASSERT_TRUE(shell->assembleAndRun()) << logText();
    EXPECT_TRUE(logged("OK", hexName + "   Compiler OK"));
    EXPECT_TRUE(logged("OK", hexName + "LPT  Programmer"));
    EXPECT_EQ(shell->state().programmerHexFile, hexName);
}

} // namespace
} // namespace zerka::test
