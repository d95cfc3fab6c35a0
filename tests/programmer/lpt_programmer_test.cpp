// The printer-port programmer: blank check and programming on the port primitives.
#include "programmer/lpt_programmer.h"
#include "programmer_rig.h"
#include "target/lpt_programmer_port.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

using Lines = std::vector<std::string>;

struct LptRig {
    LptRig() : rig(Face::InProcess, options()) {
        lpt.lptInit();
        port.chip().insertBlank(0x21);
    }
    static ProgRigOptions options() {
        ProgRigOptions o;
        o.chip = "KXA1604";
        return o;
    }
    Programmer programmer() {
        ProgrammerEnv env = rig.env();
        env.usbInterface = false;
        env.lpt = &programmerOnPort;
        return Programmer(env);
    }
    ProgRig rig;
    LptProgrammerPort port;
    LptLink lpt{rig.usb.ioBuffer, std::make_unique<AttachedPortProvider>(port)};
    LptProgrammer programmerOnPort{lpt};
};

TEST(LptProgrammer, BurnsFromTheHostsCodeBufferAndBlankCheckSeesIt) {
    LptRig r;
    auto p = r.programmer();
    EXPECT_TRUE(p.progBlank().success);
    EXPECT_EQ(r.rig.log.lines, (Lines{"Blank: Chip Blank OK", "Blank: SBM Blank OK"}));

    const auto file = r.rig.useImage(0x0421, true);
    ASSERT_TRUE(p.DownloadCommand(file).success);
    EXPECT_EQ(r.rig.log.lines, Lines{"OK: " + file.string() + "   Read File OK"});
    EXPECT_TRUE(p.progProgram().success) << ::testing::PrintToString(r.rig.log.lines);
    EXPECT_EQ(r.rig.log.lines, (Lines{"Program: Program Chip OK", "Program: Program SBM OK",
                                      "Verify: Verify Chip OK", "Verify: Verify SBM OK"}));
    for (uint32_t k = 0; k < 4096; k += 97)
        ASSERT_EQ(r.port.chip().code(k), r.rig.codeWord(k)) << k;
    EXPECT_EQ(r.port.chip().status & 0x0800, 0); // the image asked for protection
    EXPECT_FALSE(r.port.powered());

    EXPECT_FALSE(p.progBlank().success);
    EXPECT_EQ(r.rig.log.lines, Lines{"Blank: Chip Blank Fail"});
}

TEST(LptProgrammer, AWordThatDoesNotTakeItsValueIsNamed) {
    LptRig r;
    r.port.chip().setWeakCell(0x0102);
    const auto file = r.rig.useImage(0x0777);
    auto p = r.programmer();
    ASSERT_TRUE(p.DownloadCommand(file).success);
    EXPECT_FALSE(p.progProgram().success);
    EXPECT_EQ(r.rig.log.lines, (Lines{"Program: Program Chip Fail", "Blank: Error at 0x0102H"}));
    r.port.setVppFault(true);
    r.port.chip().insertBlank(0x21);
    EXPECT_FALSE(p.progProgram().success);
    EXPECT_EQ(r.rig.log.lines, (Lines{"Program: Program Chip Fail", "Blank: Error at 0x0000H"}));
}

TEST(LptProgrammer, AnotherChipIsNamedByItsIdentifier) {
    LptRig r;
    r.port.chip().id = 0x62;
    EXPECT_FALSE(r.programmer().progBlank().success);
    EXPECT_EQ(r.rig.log.lines, Lines{"Blank: Chip ID Error!!  Program Chip ID = 0x0062"});
}

} // namespace
} // namespace zerka::test
