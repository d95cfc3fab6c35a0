// The programmer's flash: download, read-back check, erase, busy waits and the state file.
#include "programmer_rig.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

using Lines = std::vector<std::string>;

uint32_t codeBytesOf(const ChipModel& chip) {
    return (chip.romWords / 256) * 512;
}

TEST(FlashDownload, A4096WordChipGoesIn32BlocksWithTheChecksumInWord247) {
    ProgRigOptions o;
    o.chip = "KXA1604";
    ProgRig rig(Face::InProcess, o);
    const auto file = rig.useImage(0x2222);
    EXPECT_EQ(std::filesystem::file_size(file), 8704u);
    ASSERT_EQ(rig.usb.connect(), kLinkConnected);
    ProgLink link(
        rig.usb, [&](auto ms) { rig.clock.advance(ms); }, [&] { return rig.clock.now(); });
    ASSERT_TRUE(EraseProgrammerFlash(link, 8192));
    const uint64_t before = rig.unit.packetsSeen();
    const DownloadResult r =
        DownloadImage(&link, file, 8192, rig.chip.sbmAddr, rig.chip.chipId, rig.state.image);
    ASSERT_TRUE(r.ok);
    // 32 code blocks of 256 bytes, each a header and four pieces of 64.
    const uint64_t packets = rig.unit.packetsSeen() - before;
    EXPECT_EQ(packets, 2u + 32 * 5 + 31 * 2 + 2 * 7 + 1 + (1 + 128) + 2 * 5);
    SerialFlash& flash = rig.unit.programmer().flash();
    Checksum16 sum;
    for (uint32_t i = 0; i < 128; ++i)
        sum.addWord(flash.word(0x8000 + 2 * i));
    EXPECT_EQ(flash.word(0xFF00 + 2 * (247 - 128)), sum.value());
    EXPECT_EQ(flash.word(0xFFE2), 4096);
    EXPECT_EQ(flash.word(0xFFE4), 0x21);
    EXPECT_EQ(r.imageChecksum, rig.image[4096 + 123]);
    EXPECT_EQ(flash.word(2 * 4095), rig.codeWord(4095));
}

TEST(FlashDownload, AFileOneByteTooLongIsRefusedBeforeAnythingIsSent) {
    ProgRig rig(Face::InProcess);
    const auto image = makeImage(rig.chip, 9);
    std::string bytes = imageBytes(image) + std::string(1, '\0');
    TempDir dir;
    const auto file = dir.write("long.hex", bytes);
    ASSERT_EQ(rig.usb.connect(), kLinkConnected);
    ProgLink link(rig.usb);
    const uint64_t before = rig.unit.packetsSeen();
    const DownloadResult r =
        DownloadImage(&link, file, codeBytesOf(rig.chip), 0x70, 0xA8, rig.state.image);
    EXPECT_EQ(r.failure, DownloadResult::Failure::TooLong);
    EXPECT_EQ(rig.unit.packetsSeen(), before);
}

TEST(FlashDownload, AFlashThatStaysBusyFailsAtTheFirstWaitAfterFiveSeconds) {
    ProgRig rig(Face::InProcess);
    const auto file = rig.useImage(3);
    ASSERT_EQ(rig.usb.connect(), kLinkConnected);
    ProgLink link(
        rig.usb, [&](auto ms) { rig.clock.advance(ms); }, [&] { return rig.clock.now(); });
    rig.unit.programmer().flash().setStuckBusy(true);
    const auto start = rig.clock.now();
    const DownloadResult r =
        DownloadImage(&link, file, codeBytesOf(rig.chip), 0x70, 0xA8, rig.state.image);
    EXPECT_EQ(r.failure, DownloadResult::Failure::FlashBusy);
    EXPECT_GE(rig.clock.now() - start, std::chrono::seconds(5));
    EXPECT_LT(rig.clock.now() - start, std::chrono::seconds(6));
}

TEST(FlashDownload, TheDownloadCommandNamesTheFirstWordThatReadsBackWrong) {
    ProgRig rig(Face::Hid);
    const auto file = rig.useImage(0x1000);
    rig.unit.programmer().flash().setStuckBits(2 * 0x10 + 1, 0x0F);
    auto p = rig.programmer();
    EXPECT_FALSE(p.DownloadCommand(file).success);
    const uint16_t want = rig.codeWord(0x10);
    EXPECT_EQ(rig.log.lines,
              (Lines{"Compiller: DownLoad Flash Memory Fail  address at  0010,  error data = " +
                         hexText(want, 4) + " --- " + hexText(want | 0x0F, 4),
                     "Fail: " + file.string() + "   Download Fail !!!"}));
    EXPECT_EQ(rig.unit.mode(), UnitMode::Debug);
}

TEST(FlashDownload, ThirtyTwoKWordsFitBesideTheInformationBlockAndReadBack) {
    ProgRigOptions o;
    o.chip = "KXA3232";
    ProgRig rig(Face::Bulk, o);
    const auto file = rig.useImage(0x3232);
    auto p = rig.programmer();
    ASSERT_TRUE(p.DownloadCommand(file).success) << ::testing::PrintToString(rig.log.lines);
    EXPECT_EQ(rig.log.lines, (Lines{"OK: " + file.string() + "   Download OK"}));
    FlashReadBack back;
    ASSERT_TRUE(p.ReadBackCommand(back).success);
    ASSERT_EQ(back.code.size(), 32768u);
    EXPECT_EQ(back.checksum, rig.image[32768 + 123]);
    for (uint32_t k = 0; k < 32768; ++k)
        ASSERT_EQ(back.code[k], rig.codeWord(k)) << k;
    // And the chip burns from it.
    rig.unit.programmer().chip().insertBlank(rig.chip.chipId);
    EXPECT_TRUE(p.progAuto().success) << ::testing::PrintToString(rig.log.lines);
    EXPECT_EQ(rig.unit.programmer().chip().code(0x7FFF), rig.codeWord(0x7FFF));
}

TEST(FlashDownload, TheFlashAndTheSettingsOutliveTheUnitInTheStateFile) {
    TempDir dir;
    const auto state = dir.path() / "flash.state";
    std::filesystem::path file;
    std::vector<uint16_t> image;
    {
        ProgRigOptions o;
        o.programmer.flashState = state;
        ProgRig rig(Face::InProcess, o);
        file = rig.useImage(0x600D);
        image = rig.image;
        ASSERT_TRUE(rig.programmer().DownloadCommand(file).success);
    }
    ASSERT_TRUE(std::filesystem::exists(state));
    ProgRigOptions o;
    o.programmer.flashState = state;
    ProgRig rig(Face::InProcess, o);
    ASSERT_TRUE(rig.unit.programmer().ready());
    FlashReadBack back;
    ASSERT_TRUE(rig.programmer().ReadBackCommand(back).success);
    EXPECT_EQ(back.checksum, image[8192 + 123]);
    EXPECT_EQ(back.code[100], image[100]);

    // A file that is not a state file is refused and left alone.
    const auto other = dir.write("notes.txt", "keep me");
    ProgrammerConfig c;
    c.flashState = other;
    {
        ProgrammerUnit unit(c);
        EXPECT_FALSE(unit.ready());
        EXPECT_NE(unit.problem().find("not a flash state file"), std::string::npos);
    }
    EXPECT_EQ(dir.read("notes.txt"), "keep me");
}

TEST(ProgJobs, TheTimeLimitCountsFromTheFirstStatusRead) {
    ProgRigOptions o;
    o.chip = "KXA3232";
    o.programmer.timeScale = 3.0; // a 32K-word program job of about 10 s
    ProgRig rig(Face::InProcess, o);
    rig.useImage(0x99);
    auto p = rig.programmer();
    EXPECT_TRUE(p.progAuto().success) << ::testing::PrintToString(rig.log.lines);
    EXPECT_GT(rig.ui.progressCalls.size(), 50u);
}

TEST(ProgJobs, AJobThatNeverEndsIsGivenUpAfterTheLimit) {
    ProgRigOptions o;
    o.programmer.timeScale = 1e6;
    ProgRig rig(Face::InProcess, o);
    SerialFlash& flash = rig.unit.programmer().flash();
    flash.store(0xFFE2, 8192);
    flash.store(0xFFE4, 0xA8);
    rig.unit.programmer().chip().insertBlank(0xA8);
    auto p = rig.programmer();
    ASSERT_EQ(rig.usb.connect(), kLinkConnected);
    const auto start = rig.clock.now();
    EXPECT_EQ(p.link().progRunJob(kJobBlank, 8192), kJobTimeOut);
    EXPECT_GE(rig.clock.now() - start, kJobTimeLimit);
    EXPECT_LT(rig.clock.now() - start, kJobTimeLimit + std::chrono::seconds(2));
}

} // namespace
} // namespace zerka::test
