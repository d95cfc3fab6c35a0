// Coverage and cycle profiles of `zerka sim` runs on programs whose counts are worked out by
// hand: a loop calling a subroutine, a macro used twice, skips taken and not taken, timer
// interrupts arriving while a subroutine runs; on both cores. Then the lcov merge of several
// runs and a broken trace file.
#include "cli/app.h"
#include "cli/cli_context.h"
#include "coverage/lcov.h"

#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::coverage {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;

// Markers in the comments name the lines the tests look at.
constexpr const char* kLoop = R"(COUNT   EQU     80H
ACC     EQU     81H
FLAG    EQU     82H
BUMP    MACRO
        INF     ACC, 1          ; @body
        ENDM
        ORG     0
        JMP     START           ; @jmp
        ORG     4
        RETI                    ; @vector
START:  MVL     3               ; @mvl
        MVF     COUNT, 1        ; @mvf
LOOP:   CALL    SUB             ; @call
        BUMP                    ; @macro
        DCSZ    COUNT, 1        ; @dcsz
        JMP     LOOP            ; @back
        BUMP                    ; @macro2
        BTSS    FLAG, 0         ; @btss
        CLRF    ACC             ; @clrf
DONE:   SLP                     ; @slp
        JMP     DONE            ; @rj
SUB:    NOP                     ; @nop
        RET                     ; @ret
        END
)";

// Three timer interrupts (every 512 words) while the main loop polls through a subroutine.
// Nothing in the handler changes STATUS, so the poll's Z flag survives an interrupt.
constexpr const char* kInterrupts = R"(TICKS   EQU     80H
        ORG     0
        JMP     START
        ORG     4
        BCF     26H, 3          ; @vec
        INSZ    TICKS, 1        ; @tick
        RETI                    ; @reti
START:  MVL     80H
        MVF     41H, 1
        MVL     88H
        MVF     23H, 1
WAIT:   CALL    POLL            ; @wait
        JNZ     WAIT            ; @jnz
        SLP                     ; @slp
POLL:   MVF     TICKS, 0        ; @poll
        XORL    3
        RET
        END
)";

int lineOf(const std::string& program, const std::string& marker) {
    std::istringstream in(program);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n)
        if (line.find("; " + marker) != std::string::npos &&
            (line.size() == line.find("; " + marker) + marker.size() + 2))
            return n;
    ADD_FAILURE() << "no line " << marker;
    return 0;
}

struct Line {
    uint64_t count = 0;
    uint64_t cycles = 0;
};

class Coverage : public ::testing::Test {
  protected:
    void SetUp() override { fs::copy(test::sourceDir() / "chips", dir.path() / "chips"); }

    // Runs `program` with --coverage and --profile; returns the profile and the exit status.
    json run(const std::string& chip, const std::string& program,
             std::vector<std::string> extra = {}) {
        main = dir.write("work/prog.asm", program);
        std::vector<std::string> args{"sim",
                                      "--lib",
                                      (dir.path() / "chips").string(),
                                      "--chip",
                                      chip,
                                      "--no-smart",
                                      "--json",
                                      "--dump",
                                      "80H:1",
                                      "--coverage",
                                      info().string(),
                                      "--profile",
                                      (dir.path() / "work/prog.json").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(main.string());
        std::ostringstream out, err;
        status = cli::runZerka(args, out, err);
        errText = err.str();
        EXPECT_EQ(status, cli::kExitOk) << err.str();
        state = json::parse(out.str());
        json profile = json::parse(dir.read("work/prog.json"));
        lines.clear();
        uint64_t sum = 0;
        for (const json& l : profile["lines"]) {
            EXPECT_EQ(fs::path(l["file"].get<std::string>()), fs::absolute(main));
            lines[l["line"].get<int>()] = Line{l["count"], l["cycles"]};
            sum += l["cycles"].get<uint64_t>();
        }
        // Every cycle of the run is on a line.
        EXPECT_EQ(profile["unattributed"]["cycles"], 0);
        EXPECT_EQ(sum, profile["total_cycles"].get<uint64_t>());
        EXPECT_EQ(profile["total_cycles"], state["cycles"]);
        return profile;
    }
    fs::path info() const { return dir.path() / "work/prog.info"; }
    Line at(const std::string& program, const std::string& marker) {
        const int n = lineOf(program, marker);
        EXPECT_TRUE(lines.count(n)) << marker << " (line " << n << ") has no code";
        return lines[n];
    }
    static const json& routine(const json& profile, const std::string& name) {
        for (const json& r : profile["routines"])
            if (r["name"] == name) return r;
        static const json none;
        ADD_FAILURE() << "no routine " << name;
        return none;
    }

    test::TempDir dir;
    fs::path main;
    int status = 0;
    std::string errText;
    json state;
    std::map<int, Line> lines;
};

// Expected per core: JMP and CALL are two words (2 cycles, the call 3 with the NOPF it returns
// to) on the CX4A and one word on the CX4B. The CX4A's skip out of the loop lands on the NOPF of
// JMP LOOP, which runs as a one-cycle no-operation on that line.
struct LoopCase {
    std::string chip;
    uint64_t jmp, call, back, total;
};

class CoverageLoop : public Coverage, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(CoverageLoop, LineCountsCyclesBranchesAndTheSubroutineAreExact) {
    const LoopCase c = GetParam();
    const json profile = run(c.chip, kLoop);
    const std::string& p = kLoop;
    auto expectLine = [&](const std::string& marker, uint64_t count, uint64_t cycles) {
        const Line l = at(p, marker);
        EXPECT_EQ(l.count, count) << marker;
        EXPECT_EQ(l.cycles, cycles) << marker;
    };
    expectLine("@jmp", 1, c.jmp);
    expectLine("@vector", 0, 0);
    expectLine("@mvl", 1, 1);
    expectLine("@call", 3, c.call);
    // The body line counts both expansions; the call lines count how often theirs was entered
    // and leave the cycles to the body.
    expectLine("@body", 4, 4);
    expectLine("@macro", 3, 0);
    expectLine("@macro2", 1, 0);
    expectLine("@dcsz", 3, 4); // taken once: one extra cycle
    expectLine("@back", 2, c.back);
    expectLine("@btss", 1, 1);
    expectLine("@slp", 1, 1);
    expectLine("@rj", 0, 0);
    expectLine("@nop", 3, 3);
    expectLine("@ret", 3, 6);
    EXPECT_EQ(profile["total_cycles"], c.total);

    ASSERT_EQ(profile["routines"].size(), 1u);
    const json& sub = routine(profile, "SUB");
    EXPECT_EQ(sub["calls"], 3);
    EXPECT_EQ(sub["inclusive_cycles"], 9);
    EXPECT_EQ(sub["exclusive_cycles"], 9);
    EXPECT_EQ(profile["top_level_cycles"], c.total - 9);

    // The lcov record: every line with code, the two ways of each skip.
    const LcovParse parsed = parseLcov(dir.read("work/prog.info"));
    ASSERT_TRUE(parsed.file) << parsed.error;
    ASSERT_EQ(parsed.file->records.size(), 1u);
    const LcovRecord& r = parsed.file->records[0];
    EXPECT_EQ(fs::path(r.path), fs::absolute(main));
    EXPECT_EQ(r.lines.size(), 16u);
    EXPECT_EQ(r.lines.at(lineOf(p, "@macro")), 3u);
    EXPECT_EQ(r.lines.at(lineOf(p, "@rj")), 0u);
    using Key = std::tuple<int32_t, int32_t, int32_t>;
    const std::map<Key, std::optional<uint64_t>> branches{{{lineOf(p, "@dcsz"), 0, 0}, 1},
                                                          {{lineOf(p, "@dcsz"), 0, 1}, 2},
                                                          {{lineOf(p, "@btss"), 0, 0}, 0},
                                                          {{lineOf(p, "@btss"), 0, 1}, 1}};
    EXPECT_EQ(r.branches, branches);
    const std::string text = dir.read("work/prog.info");
    EXPECT_THAT(text, HasSubstr("LF:16\nLH:14\nend_of_record\n"));
    EXPECT_THAT(text, HasSubstr("BRF:4\nBRH:3\n"));
}

INSTANTIATE_TEST_SUITE_P(BothCores, CoverageLoop,
                         ::testing::Values(LoopCase{"KXA1608", 2, 9, 5, 38},
                                           LoopCase{"KXB0602", 1, 3, 2, 28}),
                         [](const auto& info) { return info.param.chip; });

TEST_F(Coverage, InterruptsAreRoutinesOfTheirOwnAndTheirEntryCyclesLandOnTheVector) {
    const json profile = run("KXA1608", kInterrupts);
    const std::string& p = kInterrupts;
    ASSERT_EQ(state["memory"]["0080"], 3); // the program stops after the third interrupt
    EXPECT_EQ(profile["interrupts"], 3);
    const json& handler = routine(profile, "(interrupt)");
    EXPECT_EQ(handler["interrupt"], true);
    EXPECT_EQ(handler["calls"], 3);
    // 4 entry cycles, BCF, INSZ, RETI (2) per interrupt.
    EXPECT_EQ(handler["inclusive_cycles"], 24);
    EXPECT_EQ(handler["exclusive_cycles"], 24);
    EXPECT_EQ(at(p, "@vec").count, 3u);
    EXPECT_EQ(at(p, "@vec").cycles, 15u);
    EXPECT_EQ(at(p, "@tick").count, 3u);
    EXPECT_EQ(at(p, "@reti").cycles, 6u);

    // However often the interrupts hit the poll, it keeps its own 4 cycles per call (MVF,
    // XORL, RET): the handler's cycles belong to the handler.
    const json& poll = routine(profile, "POLL");
    const uint64_t calls = poll["calls"];
    EXPECT_GT(calls, 3u);
    EXPECT_EQ(at(p, "@wait").count, calls);
    EXPECT_EQ(at(p, "@poll").count, calls);
    EXPECT_EQ(poll["inclusive_cycles"], 4 * calls);
    EXPECT_EQ(poll["exclusive_cycles"], 4 * calls);
    EXPECT_EQ(profile["top_level_cycles"].get<uint64_t>() + 24 + 4 * calls,
              profile["total_cycles"].get<uint64_t>());
    // Routines by inclusive cycles, most first.
    EXPECT_EQ(profile["routines"][0]["name"], "POLL");
}

TEST_F(Coverage, AppendingAddsTheCountsOfEveryRunAndABrokenFileIsLeftAlone) {
    run("KXA1608", kLoop);
    const LcovFile once = *parseLcov(dir.read("work/prog.info")).file;
    run("KXA1608", kLoop, {"--coverage-append"});
    run("KXA1608", kLoop, {"--coverage-append", "--max-instructions", "5"});
    run("KXA1608", kLoop, {"--coverage-append", "--until", "SUB", "--expect", "COUNT=3"});
    const LcovParse merged = parseLcov(dir.read("work/prog.info"));
    ASSERT_TRUE(merged.file) << merged.error;
    ASSERT_EQ(merged.file->records.size(), 1u);
    // Two full runs, the first 5 instructions (JMP, MVL, MVF, CALL, NOP) of a third and a
    // fourth that stops before the NOP.
    const LcovRecord& a = once.records[0];
    const LcovRecord& m = merged.file->records[0];
    for (const auto& [line, hits] : a.lines) {
        const bool early = line == lineOf(kLoop, "@jmp") || line == lineOf(kLoop, "@mvl") ||
                           line == lineOf(kLoop, "@mvf") || line == lineOf(kLoop, "@call");
        const bool nop = line == lineOf(kLoop, "@nop");
        EXPECT_EQ(m.lines.at(line), 2 * hits + (early ? 2 : 0) + (nop ? 1 : 0)) << "line " << line;
    }
    for (const auto& [key, taken] : a.branches)
        EXPECT_EQ(m.branches.at(key), std::optional<uint64_t>(2 * *taken));

    // A file that is not a trace file is refused, named, and kept.
    dir.write("work/prog.info", "DA:1,2\nnot lcov\n");
    main = dir.write("work/prog.asm", kLoop);
    std::ostringstream out, err;
    const int s =
        cli::runZerka({"sim", "--lib", (dir.path() / "chips").string(), "--chip", "KXA1608",
                       "--coverage", info().string(), "--coverage-append", main.string()},
                      out, err);
    EXPECT_EQ(s, cli::kExitFailed);
    EXPECT_THAT(err.str(), HasSubstr("is not an lcov trace file (line 1: DA outside a record)"));
    EXPECT_EQ(dir.read("work/prog.info"), "DA:1,2\nnot lcov\n");
}

TEST_F(Coverage, CountingOptionsThatCannotWorkAreRefused) {
    main = dir.write("work/prog.asm", kLoop);
    auto sim = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"sim", "--lib", (dir.path() / "chips").string(), "--chip",
                                      "KXA1608"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(main.string());
        std::ostringstream out, err;
        const int s = cli::runZerka(args, out, err);
        return std::make_pair(s, err.str());
    };
    auto [s1, e1] = sim({"--coverage-append"});
    EXPECT_EQ(s1, cli::kExitUsage);
    EXPECT_THAT(e1, HasSubstr("--coverage-append needs --coverage FILE"));
    auto [s2, e2] = sim({"--profile", "-", "--target", "emulator"});
    EXPECT_EQ(s2, cli::kExitUsage);
    EXPECT_THAT(e2, HasSubstr("cannot be combined with --target emulator"));
    // A folder cannot be written as a file: the message names it.
    auto [s3, e3] = sim({"--profile", dir.path().string()});
    EXPECT_EQ(s3, cli::kExitFailed);
    EXPECT_THAT(e3, HasSubstr("cannot write \"" + dir.path().string() + "\""));
}

} // namespace
} // namespace zerka::coverage
