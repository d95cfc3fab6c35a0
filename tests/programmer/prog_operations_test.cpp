// Blank, Program, Verify, Auto and Read against the virtual unit, through every USB face.
#include "programmer_rig.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

using Lines = std::vector<std::string>;

class ProgFaces : public ::testing::TestWithParam<Face> {};

TEST_P(ProgFaces, AutoBurnsABlankChipThatReadsBackAsTheImage) {
    ProgRig rig(GetParam());
    rig.useImage(0x1234);
    auto p = rig.programmer();
    const ProgOutcome burned = p.progAuto();
    EXPECT_TRUE(burned.success);
    EXPECT_EQ(rig.log.lines, (Lines{"Blank: Chip Blank OK", "Blank: SBM Blank OK",
                                    "Program: Program Chip OK", "Program: Program SBM OK",
                                    "Verify: Verify Chip OK", "Verify: Verify SBM OK"}));
    // The programmer is given back and the display tells nothing went wrong.
    EXPECT_EQ(rig.unit.mode(), UnitMode::Debug);
    EXPECT_FALSE(rig.ui.busyNow);

    ChipReadResult read;
    EXPECT_TRUE(p.progRead(read).success);
    ASSERT_EQ(read.program.size(), 8192u);
    for (uint32_t k = 0; k < 8192; k += 511)
        ASSERT_EQ(read.program[k], rig.codeWord(k)) << k;
    const uint16_t checksum = rig.image[8192 + 123];
    EXPECT_EQ(rig.log.lines, (Lines{"Read: OTP Chip is KXA1608",
                                    "Read: Read Checksum = 0x" + hexText(checksum, 4)}));
    EXPECT_EQ(rig.unit.displayText(), padRight("OTP Chip Code Read OK", 32));

    EXPECT_TRUE(p.progVerify().success);
    EXPECT_EQ(rig.log.lines, (Lines{"Verify: Verify Chip OK", "Verify: Verify SBM OK"}));
    // A burned chip is no longer blank: the status word fails it before any job.
    EXPECT_FALSE(p.progBlank().success);
    EXPECT_EQ(rig.log.lines, Lines{"Blank: Chip Blank Fail"});
}

std::string faceName(const ::testing::TestParamInfo<Face>& info) {
    static const char* const names[] = {"InProcess", "Bulk", "Hid", "Socket"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Faces, ProgFaces,
                         ::testing::Values(Face::InProcess, Face::Bulk, Face::Hid, Face::Socket),
                         faceName);

struct FaultCase {
    const char* name;
    std::function<void(ProgrammerConfig&)> setUp;
    Lines tail; // the last log lines of Auto
};

class ProgFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ProgFaults, EndAutoWithTheirLineAndReleaseTheProgrammer) {
    ProgRigOptions o;
    GetParam().setUp(o.programmer);
    ProgRig rig(Face::InProcess, o);
    rig.useImage(0x0BAD);
    EXPECT_FALSE(rig.programmer().progAuto().success);
    const Lines& tail = GetParam().tail;
    ASSERT_GE(rig.log.lines.size(), tail.size());
    EXPECT_EQ(Lines(rig.log.lines.end() - long(tail.size()), rig.log.lines.end()), tail)
        << ::testing::PrintToString(rig.log.lines);
    EXPECT_EQ(rig.unit.mode(), UnitMode::Debug);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProgFaults,
    ::testing::Values(
        FaultCase{"Vpp",
                  [](ProgrammerConfig& c) { c.faults.vpp = true; },
                  {"Blank: SBM Blank OK", "Program: Program Chip Fail", "Blank: VPP Error"}},
        FaultCase{"Vdd",
                  [](ProgrammerConfig& c) { c.faults.vdd = true; },
                  {"Blank: Chip Blank Fail", "Blank: VDD Error"}},
        FaultCase{
            "VerifyFail",
            [](ProgrammerConfig& c) { c.faults.verifyFailAddress = 0x1A3; },
            {"Program: Program SBM OK", "Verify: Verify Chip Fail", "Blank: Error at 0x01A3H"}},
        FaultCase{"FlashBusy",
                  [](ProgrammerConfig& c) { c.faults.flashBusy = true; },
                  {"ERROR: Programmer Not Ready !!"}},
        FaultCase{"ProtectedChip",
                  [](ProgrammerConfig& c) {
                      c.socket.kind = SocketSetup::Kind::Blank;
                      c.socket.chipId = 0xA8;
                      c.socket.protectedChip = true;
                  },
                  {"Program: Chip Had been Protect!!"}},
        FaultCase{"EmptySocket",
                  [](ProgrammerConfig& c) { c.socket.kind = SocketSetup::Kind::Empty; },
                  {"Auto: Chip ID Error!!  Program Chip ID = 0xFFFF"}},
        FaultCase{"OtherChip",
                  [](ProgrammerConfig& c) {
                      c.socket.kind = SocketSetup::Kind::Blank;
                      c.socket.chipId = 0x21;
                  },
                  {"Auto: Chip ID Error!!  Program Chip ID = 0x0021"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgOperations, ProgramSkipsTheDownloadWhenTheFlashHoldsTheImage) {
    ProgRig rig(Face::InProcess);
    rig.useImage(0x4321);
    auto p = rig.programmer();
    ASSERT_TRUE(p.progProgram().success);
    const uint64_t first = p.link().packets();
    // A fresh chip in the socket: the flash still holds the image with this checksum.
    rig.unit.programmer().chip().insertBlank(0xA8);
    ASSERT_TRUE(p.progProgram().success);
    const uint64_t second = p.link().packets() - first;
    EXPECT_LT(second * 5, first) << first << " then " << second;
    EXPECT_EQ(rig.unit.programmer().chip().code(77), rig.codeWord(77));

    // Another image: the checksum differs and the flash gets it.
    rig.useImage(0x5555);
    rig.unit.programmer().chip().insertBlank(0xA8);
    ASSERT_TRUE(p.progProgram().success);
    EXPECT_EQ(rig.unit.programmer().chip().code(77), rig.codeWord(77));
}

TEST(ProgOperations, ProgramWithoutTheImageFileSaysSo) {
    ProgRig rig(Face::InProcess);
    rig.state.programmerHexFile = rig.dir() / "missing.hex";
    rig.state.imageChecksum = 0x1111;
    EXPECT_FALSE(rig.programmer().progProgram().success);
    EXPECT_EQ(rig.log.lines, Lines{"ERROR: Programmer File not Found !!"});
}

TEST(ProgOperations, BlankOfAProtectedChipStartsNoJob) {
    ProgRigOptions o;
    o.programmer.socket.kind = SocketSetup::Kind::Blank;
    o.programmer.socket.chipId = 0xA8;
    o.programmer.socket.protectedChip = true;
    ProgRig rig(Face::InProcess, o);
    rig.useImage(1);
    auto p = rig.programmer();
    EXPECT_FALSE(p.progBlank().success);
    EXPECT_EQ(rig.log.lines, Lines{"Blank: Chip Blank Fail"});
    EXPECT_EQ(p.link().packets(), 3u); // take, identifier, release: no job
}

TEST(ProgOperations, BusyUnitAndMissingUnitAreReportedAndNothingHangs) {
    ProgRig rig(Face::InProcess);
    rig.unit.setFault({FaultKind::Disconnect});
    EXPECT_FALSE(rig.programmer().progAuto().started);
    EXPECT_EQ(rig.log.lines, Lines{"ERROR: ZerKa-IDE Connect Error , Please check !!"});
    EXPECT_EQ(rig.ui.messages, Lines{"ZerKa-IDE Connect Error , Please check !!"});
}

TEST(ProgOperations, AProtectingImageLeavesAProtectedChipThatVerifyRefuses) {
    ProgRig rig(Face::InProcess);
    rig.useImage(0x77, true);
    auto p = rig.programmer();
    ASSERT_TRUE(p.progAuto().success);
    EXPECT_EQ(rig.unit.programmer().chip().status, 0xF7FE);
    EXPECT_FALSE(p.progVerify().success);
    EXPECT_EQ(rig.log.lines, (Lines{"Verify: Chip Had been Protect!!"}));
    ChipReadResult read;
    p.progRead(read);
    EXPECT_TRUE(rig.log.has("Read: Code had been protected !!"));
}

TEST(ProgOperations, ReadPicksTheChecksumWordByTheStatusLowByte) {
    ProgRig rig(Face::InProcess);
    rig.useImage(0x42);
    auto p = rig.programmer();
    ASSERT_TRUE(p.progAuto().success);
    SocketChip& chip = rig.unit.programmer().chip();
    ChipReadResult read;
    chip.status = 0xFF0D; // bits 3, 2, 0: the word at 407Ch
    p.progRead(read);
    EXPECT_TRUE(rig.log.has("Read: Read Checksum = 0x642E")) << rig.log.lines.back();
    chip.status = 0xFF07; // bit 3 clear: no checksum line
    p.progRead(read);
    EXPECT_EQ(rig.log.lines, Lines{"Read: OTP Chip is KXA1608"});
}

TEST(ProgOperations, ReadOfABlankChipSaysEmptyAndOfAnUnknownChipAsksForOne) {
    ProgRigOptions o;
    o.programmer.socket.kind = SocketSetup::Kind::Blank;
    o.programmer.socket.chipId = 0xA8;
    ProgRig rig(Face::InProcess, o);
    auto p = rig.programmer();
    ChipReadResult read;
    EXPECT_TRUE(p.progRead(read).success);
    EXPECT_TRUE(read.allBlank);
    EXPECT_EQ(rig.log.lines, (Lines{"Read: OTP Chip is KXA1608", "Read: OTP Chip Empty"}));
    EXPECT_EQ(rig.unit.displayText(), padRight("OTP Chip Empty !!", 32));
    EXPECT_EQ(read.bieWords.size(), 256u); // #BIEBANK 16

    rig.unit.programmer().chip().id = 0x5A5A;
    EXPECT_FALSE(p.progRead(read).success);
    EXPECT_EQ(rig.log.lines, Lines{"ERROR: Chip Not Ready !! "});
    EXPECT_EQ(rig.ui.messages, Lines{"Chip Not Ready !!"});
    EXPECT_EQ(rig.unit.mode(), UnitMode::Debug);
}

} // namespace
} // namespace zerka::test
