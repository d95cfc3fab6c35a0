// What the programmer checks before it sends anything: the word image must be the chip's (its
// size and its identifier), the calibration values must pass the options dialog's rules; and
// what it says when things go wrong on the way: a lost link, a flash with nothing to read back.
#include "programmer_rig.h"

#include <gtest/gtest.h>

namespace zerka::test {
namespace {

using Lines = std::vector<std::string>;

std::string joined(const Lines& lines) {
    std::string all;
    for (const std::string& l : lines)
        all += l + "\n";
    return all;
}

bool mentions(const Lines& lines, const std::string& text) {
    return joined(lines).find(text) != std::string::npos;
}

// KXA1608: 8192 code words, identifier A8h. Images that are not its own.
struct BadImage {
    const char* name;
    std::function<std::string(const ChipModel&)> bytes;
    const char* says;
};

std::vector<BadImage> badImages() {
    return {
        {"Empty", [](const ChipModel&) { return std::string(); }, "empty"},
        {"AnotherChipsImage",
         [](const ChipModel&) {
             ChipModel small;
             small.romWords = 2048;
             small.chipId = 0x71;
             return imageBytes(makeImage(small, 1));
         },
         "4608 bytes"},
        {"OneByteShort",
         [](const ChipModel& c) {
             std::string b = imageBytes(makeImage(c, 2));
             b.pop_back();
             return b;
         },
         "16895 bytes"},
        {"OneByteLong", [](const ChipModel& c) { return imageBytes(makeImage(c, 3)) + '\0'; },
         "16897 bytes"},
        {"AnotherIdentifier",
         [](const ChipModel& c) {
             ChipModel other = c;
             other.chipId = 0x71;
             return imageBytes(makeImage(other, 4));
         },
         "0071h"},
    };
}

void PrintTo(const BadImage& b, std::ostream* os) {
    *os << b.name;
}

class BadImages : public ::testing::TestWithParam<BadImage> {};

TEST_P(BadImages, AreRefusedByDownloadProgramAndAutoBeforeAnythingIsSent) {
    ProgRig rig(Face::InProcess);
    const auto file = rig.dir() / "bad.hex";
    {
        TempDir scratch;
        std::filesystem::copy_file(scratch.write("bad.hex", GetParam().bytes(rig.chip)), file);
    }
    auto p = rig.programmer();
    using Op = std::function<ProgOutcome(Programmer&)>;
    const std::vector<std::pair<const char*, Op>> ops = {
        {"download", [&file](Programmer& q) { return q.DownloadCommand(file); }},
        {"program", [](Programmer& q) { return q.progProgram(); }},
        {"auto", [](Programmer& q) { return q.progAuto(); }},
        {"build download", [&file](Programmer& q) { return q.buildDownload(file, 16384); }},
    };
    for (const auto& [name, op] : ops) {
        rig.state.programmerHexFile = file;
        rig.state.imageChecksum = 0x1234;
        rig.log.lines.clear();
        const ProgOutcome out = op(p);
        EXPECT_FALSE(out.success) << name;
        EXPECT_TRUE(mentions(rig.log.lines, GetParam().says)) << name << "\n"
                                                              << joined(rig.log.lines);
        EXPECT_TRUE(mentions(rig.log.lines, "KXA1608")) << name << "\n" << joined(rig.log.lines);
        EXPECT_EQ(rig.unit.packetsSeen(), 0u) << name << ": the unit was sent something";
    }
    // The parallel-port programmer burns from the host's buffer: it refuses the file as well.
    ProgrammerEnv lpt = rig.env();
    lpt.usbInterface = false;
    Programmer q(lpt);
    rig.log.lines.clear();
    EXPECT_FALSE(q.DownloadCommand(file).success);
    EXPECT_TRUE(mentions(rig.log.lines, GetParam().says)) << joined(rig.log.lines);
}

INSTANTIATE_TEST_SUITE_P(Images, BadImages, ::testing::ValuesIn(badImages()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageChecks, TheChipsOwnImageGoesThrough) {
    ProgRig rig(Face::InProcess);
    const auto file = rig.useImage(0x600D);
    auto p = rig.programmer();
    EXPECT_TRUE(p.DownloadCommand(file).success) << joined(rig.log.lines);
    EXPECT_TRUE(p.progAuto().success) << joined(rig.log.lines);
}

TEST(ImageChecks, ARefusedDownloadLeavesTheStoredImageInTheFlash) {
    ProgRig rig(Face::InProcess);
    const auto good = rig.useImage(0x1357);
    auto p = rig.programmer();
    ASSERT_TRUE(p.DownloadCommand(good).success);
    const auto longer = rig.dir() / "long.hex";
    {
        TempDir scratch;
        std::filesystem::copy_file(scratch.write("x", imageBytes(rig.image) + '\0'), longer);
    }
    EXPECT_FALSE(p.DownloadCommand(longer).success);
    FlashReadBack back;
    ASSERT_TRUE(p.ReadBackCommand(back).success) << joined(rig.log.lines);
    ASSERT_EQ(back.code.size(), 8192u);
    EXPECT_EQ(back.code[1234], rig.codeWord(1234));
    EXPECT_EQ(back.checksum, rig.image[8192 + 123]);
}

TEST(ImageChecks, EveryFailedReadBackSaysWhy) {
    ProgRig rig(Face::InProcess);
    auto p = rig.programmer();
    FlashReadBack back;
    // An erased flash.
    EXPECT_FALSE(p.ReadBackCommand(back).success);
    EXPECT_TRUE(mentions(rig.log.lines, "holds no image")) << joined(rig.log.lines);
    // A unit that goes away in the middle of the read.
    ASSERT_TRUE(p.DownloadCommand(rig.useImage(0x2468)).success);
    rig.log.lines.clear();
    rig.unit.setFault({FaultKind::Disconnect, 12});
    EXPECT_FALSE(p.ReadBackCommand(back).success);
    EXPECT_TRUE(mentions(rig.log.lines, "the link to the target unit was lost"))
        << joined(rig.log.lines);
    // No unit at all.
    rig.log.lines.clear();
    EXPECT_FALSE(p.ReadBackCommand(back).success);
    EXPECT_TRUE(mentions(rig.log.lines, "Connect Error")) << joined(rig.log.lines);
}

TEST(CalibrationChecks, FollowTheDialogsRulesForTheFunctionsThatAreOn) {
    ChipLibrary library(sourceDir() / "chips");
    library.buildChipList();
    ChipModel kxa1604;
    ASSERT_TRUE(library.GetSELUP(*library.findChipByName("KXA1604"), kxa1604));
    // H/W on: all three values, in the dialog's order.
    EXPECT_EQ(calibrationInputProblem("9000000", "0", "50000", kxa1604, true, false, false),
              "Input HAO over Range! Please Check Input HAO!!");
    EXPECT_EQ(calibrationInputProblem("2000000", "0", "50000", kxa1604, true, false, false),
              "Permissable Error Input Over Range! Please Check Input Permissable error!!");
    EXPECT_EQ(calibrationInputProblem("2000000", "2", "50000", kxa1604, true, false, false),
              "Input LPO over Range! Please Check Input LPO!!");
    EXPECT_FALSE(calibrationInputProblem("1000000", "100", "35000", kxa1604, true, false, false));
    // S/W LPO alone looks at the LPO only; S/W HAO at the HAO only.
    EXPECT_EQ(calibrationInputProblem("9000000", "0", "21999", kxa1604, false, false, true),
              "Input LPO over Range! Please Check Input LPO!!");
    EXPECT_EQ(calibrationInputProblem("4000001", "0", "50000", kxa1604, false, true, false),
              "Input HAO over Range! Please Check Input HAO!!");
    EXPECT_FALSE(calibrationInputProblem("x", "x", "x", kxa1604, false, false, false));
    EXPECT_EQ(calibrationRangeText("Input HAO over Range! Please Check Input HAO!!", kxa1604),
              "(1000000 to 4000000 Hz)");
}

TEST(CalibrationChecks, AProjectsOutOfRangeValuesStopTheBuildsDownloadBeforeAnythingIsSent) {
    ProgRigOptions o;
    o.chip = "KXA1604";
    ProgRig rig(Face::InProcess, o);
    OptionsModel options(rig.library, rig.chip);
    OscCalibration calibration(options, rig.chip, rig.ui);
    options.controls().EHAO.text = "5000000";
    options.restoreHardwareCalibration(true);
    const auto file = rig.useImage(0x10);
    ProgrammerEnv env = rig.env();
    env.calibration = &calibration;
    Programmer p(env);
    const ProgOutcome out = p.buildDownload(file, 8192);
    EXPECT_TRUE(out.refused);
    EXPECT_FALSE(out.success);
    EXPECT_TRUE(rig.log.has("ERROR: Input HAO over Range! Please Check Input HAO!!"))
        << joined(rig.log.lines);
    EXPECT_EQ(rig.unit.packetsSeen(), 0u);
    // In range, the same download goes through with its set-up.
    options.controls().EHAO.text = "4000000";
    EXPECT_TRUE(p.buildDownload(file, 8192).success) << joined(rig.log.lines);
    EXPECT_EQ(rig.unit.programmer().calibrationSetup()[5], uint8_t(4000000 & 0xFF));
}

// A link that breaks at any packet of Auto is reported as a lost link, never as a chip that
// failed a step.
TEST(LostLink, AtAnyPacketOfAutoIsReportedAsALostLink) {
    uint64_t total = 0;
    {
        ProgRig rig(Face::InProcess);
        rig.useImage(0x99);
        ASSERT_TRUE(rig.programmer().progAuto().success);
        total = rig.unit.packetsSeen();
    }
    ASSERT_GT(total, 100u);
    const Lines misleading = {"Fail", "Not Ready", "Chip ID Error", "Flash ID", "Error at",
                              "VPP", "VDD"};
    for (uint64_t n = 0; n < total; n += (n < 40 || n > total - 200) ? 1 : 97) {
        ProgRig rig(Face::InProcess);
        rig.useImage(0x99);
        rig.unit.setFault({FaultKind::Disconnect, uint32_t(n)});
        const ProgOutcome out = rig.programmer().progAuto();
        if (!out.started) {
            EXPECT_TRUE(mentions(rig.log.lines, "Connect Error") ||
                        mentions(rig.log.lines, "ERROR: the link to the target unit was lost"))
                << n << "\n"
                << joined(rig.log.lines);
            continue;
        }
        const std::string log = joined(rig.log.lines);
        if (out.success) {
            // Only the release at the very end was cut: every step had ended well.
            EXPECT_TRUE(mentions(rig.log.lines, "Verify SBM OK")) << n << "\n" << log;
            continue;
        }
        EXPECT_TRUE(mentions(rig.log.lines, "ERROR: the link to the target unit was lost"))
            << "cut after packet " << n << "\n"
            << log;
        for (const std::string& word : misleading)
            EXPECT_FALSE(mentions(rig.log.lines, word)) << "cut after packet " << n << "\n"
                                                        << log;
    }
}

TEST(LostLink, BlankAndVerifySayItToo) {
    for (int op = 0; op < 2; ++op) {
        auto prepare = [op](ProgRig& rig) {
            rig.useImage(0x42);
            auto p = rig.programmer();
            return p.DownloadCommand(rig.state.programmerHexFile).success &&
                   (op == 0 || p.progAuto().success);
        };
        auto run = [op](Programmer& p) { return op == 0 ? p.progBlank() : p.progVerify(); };
        uint64_t total = 0;
        {
            ProgRig rig(Face::InProcess);
            ASSERT_TRUE(prepare(rig));
            const uint64_t before = rig.unit.packetsSeen();
            auto p = rig.programmer();
            run(p);
            total = rig.unit.packetsSeen() - before;
        }
        for (uint64_t n = 0; n < total; ++n) {
            ProgRig rig(Face::InProcess);
            ASSERT_TRUE(prepare(rig));
            rig.unit.setFault({FaultKind::Disconnect, uint32_t(n)});
            auto p = rig.programmer();
            const ProgOutcome out = run(p);
            if (!out.started || out.success) continue;
            const std::string log = joined(rig.log.lines);
            EXPECT_TRUE(mentions(rig.log.lines, "the link to the target unit was lost"))
                << (op == 0 ? "blank" : "verify") << ", cut after packet " << n << "\n"
                << log;
            for (const char* word : {"Fail", "Not Ready", "Flash ID", "Chip ID Error"})
                EXPECT_FALSE(mentions(rig.log.lines, word))
                    << (op == 0 ? "blank" : "verify") << ", cut after packet " << n << "\n"
                    << log;
        }
    }
}

} // namespace
} // namespace zerka::test
