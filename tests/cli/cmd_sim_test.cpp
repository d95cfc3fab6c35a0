// `zerka sim`: a real assembly handed to the uP centre, runs and steps, the report in text and
// JSON, expectations and the exit statuses.
#include "cli_run.h"
#include "cli/cli_context.h"

#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;

using SimRun = test::CliRun;

// VALUE + VALUE + 1 into RESULT through two levels of calls, then sleep.
constexpr const char* kProgram = R"(VALUE   EQU     90H
RESULT  EQU     91H
        ORG     0
        JMP     START
        ORG     4
        RETI
START:  MVF     VALUE, 0
        ADDF    VALUE, 0
        CALL    PLUS1
        MVF     RESULT, 1
DONE:   SLP
        RJ      DONE
PLUS1:  RCALL   PLUS0
        ADDL    1
        RET
PLUS0:  RET
        END
)";

class CmdSim : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
        main = dir.write("work/calls.asm", kProgram).string();
    }
    SimRun sim(std::vector<std::string> args, const std::string& file = {}) {
        std::vector<std::string> all{"sim",    "--lib",   (dir.path() / "chips").string(),
                                     "--chip", "KXA1608", "--no-smart"};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(file.empty() ? main : file);
        return test::runCli(all);
    }
    json simJson(std::vector<std::string> args) {
        args.push_back("--json");
        const SimRun r = sim(args);
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return json::parse(r.out);
    }
    test::TempDir dir;
    std::string main;
};

TEST_F(CmdSim, RunsTheHandedOverProgramToSleepAndReportsInJson) {
    const json j = simJson(
        {"--poke", "VALUE=20", "--dump", "90H:2", "--expect", "RESULT=41", "--expect", "90H=14H"});
    for (const char* key : {"pc", "w", "status", "bsr", "stack_pointer", "stack", "cycles",
                            "instructions", "stop_reason", "memory", "expectations"})
        EXPECT_TRUE(j.contains(key)) << key;
    EXPECT_EQ(j["stop_reason"], "sleep");
    EXPECT_EQ(j["w"], 41);
    EXPECT_EQ(j["instructions"], 11);
    EXPECT_EQ(j["stack_pointer"], 0);
    EXPECT_TRUE(j["pc"].is_number_integer());
    EXPECT_EQ(j["memory"], json::parse(R"({"0090": 20, "0091": 41})"));
    ASSERT_EQ(j["expectations"].size(), 2u);
    EXPECT_EQ(j["expectations"][0]["name"], "RESULT");
    EXPECT_EQ(j["expectations"][0]["actual"], 41);
    EXPECT_EQ(j["expectations"][0]["ok"], true);
    // Entries 1 to the stack depth, the return addresses left behind by the calls.
    EXPECT_GE(j["stack"].size(), 2u);
    EXPECT_EQ(j["stack"][0], 8);  // CALL PLUS1 returns to its NOPF word
    EXPECT_EQ(j["stack"][1], 13); // RCALL PLUS0
}

TEST_F(CmdSim, BreakpointsUntilAndTheInstructionLimitEndARun) {
    json j = simJson({"--break", "PLUS0"});
    EXPECT_EQ(j["stop_reason"], "breakpoint");
    EXPECT_EQ(j["pc"], 15);
    EXPECT_EQ(j["stack_pointer"], 2);

    j = simJson({"--until", "DONE"});
    EXPECT_EQ(j["stop_reason"], "until");
    EXPECT_EQ(j["pc"], 10);

    j = simJson({"--max-instructions", "5"});
    EXPECT_EQ(j["stop_reason"], "max-instructions");
    EXPECT_EQ(j["instructions"], 5);

    const SimRun text = sim({"--break", "0CH", "--dump", "90H:1"});
    ASSERT_EQ(text.status, kExitOk) << text.err;
    EXPECT_THAT(text.out, HasSubstr("PC           = 000Ch\n"));
    EXPECT_THAT(text.out, HasSubstr("STOP         = breakpoint\n"));
    EXPECT_THAT(text.out, HasSubstr("MEMORY 0090h: 00\n"));
}

TEST_F(CmdSim, StepsStepOverAndStepOut) {
    json j = simJson({"--step", "3"});
    EXPECT_EQ(j["pc"], 7);
    EXPECT_EQ(j["instructions"], 3);

    j = simJson({"--poke", "VALUE=2", "--step", "3", "--step-over", "1"});
    EXPECT_EQ(j["pc"], 9); // past the call's NOPF word
    EXPECT_EQ(j["w"], 5);
    EXPECT_EQ(j["instructions"], 3 + 6);
    EXPECT_EQ(j["stack_pointer"], 0);

    j = simJson({"--step", "5", "--step-out"}); // from inside PLUS0, two levels down
    EXPECT_EQ(j["pc"], 13);
    EXPECT_EQ(j["stack_pointer"], 1);
}

TEST_F(CmdSim, TraceShowsEveryExecutedInstruction) {
    const SimRun r = sim({"--step", "3", "--trace"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> trace;
    while (std::getline(lines, line))
        if (std::regex_match(
                line, std::regex("[0-9A-F]{4}  [0-9A-F]{4}  .+W=[0-9A-F]{2} STATUS=[0-9A-F]{2}")))
            trace.push_back(line);
    ASSERT_EQ(trace.size(), 3u) << r.out;
    EXPECT_THAT(trace[0], ::testing::StartsWith("0000  "));
    EXPECT_THAT(trace[0], HasSubstr("JMP"));
    EXPECT_THAT(trace[1], ::testing::StartsWith("0005  "));
    EXPECT_THAT(trace[2], HasSubstr("ADDF"));
}

TEST_F(CmdSim, FailedExpectationsGiveStatusThreeAndAreListed) {
    const SimRun r = sim({"--poke", "VALUE=20", "--expect", "RESULT=99", "--expect", "VALUE=20",
                          "--expect", "92H=1"});
    EXPECT_EQ(r.status, kExitExpectation);
    EXPECT_THAT(r.err, HasSubstr("expected RESULT (0091h) = 99, found 41"));
    EXPECT_THAT(r.err, HasSubstr("expected 92H (0092h) = 1, found 0"));
    EXPECT_THAT(r.err, HasSubstr("2 of 3 expectations failed"));
    EXPECT_THAT(r.out, HasSubstr("EXPECT VALUE (0090h) = 20: ok"));
}

TEST_F(CmdSim, ProgramsThatDoNotAssembleAndUsageErrors) {
    const std::string bad = dir.write("work/bad.asm", "        FOO     1\n        END\n").string();
    SimRun r = sim({}, bad);
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_THAT(r.err, HasSubstr("did not assemble"));

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--dump", "0FFFH:2"},
                                               {"--dump", "90H"},
                                               {"--break", "NOSUCH"},
                                               {"--poke", "90H=300"},
                                               {"--poke", "90H"},
                                               {"--expect", "91H=abc"},
                                               {"--max-instructions", "-1"},
                                               {"--step", "x"}}) {
        r = sim(args);
        EXPECT_EQ(r.status, kExitUsage) << args[0] << " " << args[1];
        EXPECT_THAT(r.err, HasSubstr("zerka sim: ")) << args[0];
    }
    r = sim({}, (dir.path() / "work/missing.asm").string());
    EXPECT_EQ(r.status, kExitUsage);
}

TEST_F(CmdSim, NumbersAreRangeCheckedOnTheirFullValue) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--poke", "100000080H=5"},
                                               {"--expect", "80H=4294967311"},
                                               {"--break", "100000002H"},
                                               {"--dump", "100000000H:1"},
                                               {"--max-instructions", "0"},
                                               {"--max-instructions", "99999999999999999999"},
                                               {"--step", "18446744073709551617"}}) {
        const SimRun r = sim(args);
        EXPECT_EQ(r.status, kExitUsage) << args[0] << " " << args[1] << "\n" << r.out;
        EXPECT_THAT(r.err, HasSubstr("zerka sim: " + args[0])) << args[1];
    }
    EXPECT_THAT(sim({"--max-instructions", "0"}).err, HasSubstr("must be at least 1"));
    EXPECT_THAT(sim({"--step", "99999999999999999999"}).err, HasSubstr("too large"));
    // Large counts are counts: the program still runs to its sleep.
    json j = simJson({"--max-instructions", "4294967297"});
    EXPECT_EQ(j["instructions"], 11);
    EXPECT_EQ(j["stop_reason"], "sleep");
}

TEST_F(CmdSim, StepsEndWhenTheCpuSleepsWithNothingToWakeIt) {
    for (const char* n : {"4294967296", "1000000000000", "99999999999"}) {
        const json j = simJson({"--step", n});
        EXPECT_EQ(j["instructions"], 11) << n;
        EXPECT_EQ(j["stop_reason"], "sleep") << n;
        EXPECT_EQ(j["pc"], 11) << n;
    }
    // Steps that end before the sleep still say so.
    EXPECT_EQ(simJson({"--step", "10"})["stop_reason"], "step done");
}

TEST_F(CmdSim, ContradictoryOrEmptyOptionsAreRefused) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--step", "1", "--until", "DONE"},
                                               {"--step-out", "--until", "DONE"},
                                               {"--connect", "unix:/tmp/x.sock"},
                                               {"--chip", ""},
                                               {"--lib", ""},
                                               {"--until", ""}}) {
        const SimRun r = sim(args);
        EXPECT_EQ(r.status, kExitUsage) << args[0] << " " << args[1] << "\n" << r.out;
        EXPECT_THAT(r.err, HasSubstr("zerka sim: ")) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
}

TEST_F(CmdSim, LabelsComeFromMemoryAndNoFileIsWrittenUnlessAsked) {
    const fs::path work = dir.path() / "work";
    auto listing = [&] {
        std::vector<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator(work))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = listing();
    const json j = simJson({"--until", "DONE", "--break", "PLUS0"});
    EXPECT_EQ(j["pc"], 15);
    EXPECT_EQ(listing(), before);
    // A failing program writes no error file either; its messages are on stderr.
    dir.write("work/bad.asm", "        FOO     1\n        END\n");
    const std::vector<std::string> withBad = listing();
    EXPECT_EQ(sim({}, (work / "bad.asm").string()).status, kExitFailed);
    EXPECT_EQ(listing(), withBad);

    // Asked for, a listing is written; one that cannot be written names itself.
    EXPECT_EQ(sim({"--list"}).status, kExitOk);
    EXPECT_TRUE(fs::exists(work / "calls.lst"));
    fs::remove(work / "calls.lst");
    fs::create_directory(work / "calls.lst"); // nothing can replace a folder
    const SimRun r = sim({"--list"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_THAT(r.err, HasSubstr((work / "calls.lst").string() + " : Couldn't open file"));
}

TEST_F(CmdSim, ABreakpointAfterAPclatlWriteIsRefused) {
    const std::string file = dir.write("work/pcl.asm", R"(        ORG     0
        ADDF    1BH, 1, 0
AFTER:  NOP
        END
)")
                                 .string();
    const SimRun r = sim({"--break", "AFTER"}, file);
    EXPECT_EQ(r.status, kExitUsage) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("Can not be setup breakpoint after operation PCLATL!!"));
}

} // namespace
} // namespace zerka::cli
