// `zerka sim --target emulator`: the same command line gives the same final state as on the
// simulator, also for limited and traced runs and single steps after a PCLATL write; a unit that
// goes away mid-run is reported as a lost link, never as the target's state.
#include "cli_run.h"
#include "cli/cli_context.h"
#include "link/socket_transport.h"
#include "target/target_server.h"
#include "target/virtual_usb.h"

#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace zerka::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using SimRun = test::CliRun;

class SimEmulator : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy(test::sourceDir() / "chips", dir.path() / "chips");
        fs::copy(test::sourceDir() / "examples", dir.path() / "examples");
    }
    SimRun sim(const std::string& chip, std::vector<std::string> args, const fs::path& file) {
        std::vector<std::string> all{"sim", "--lib", (dir.path() / "chips").string(), "--chip",
                                     chip};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(file.string());
        return test::runCli(all);
    }
    // The report lines both targets must agree on (the emulator counts no instructions).
    static std::string state(const std::string& report) {
        std::istringstream in(report);
        std::string line, kept;
        while (std::getline(in, line))
            if (line.rfind("INSTRUCTIONS", 0) != 0) kept += line + "\n";
        return kept;
    }
    static std::vector<std::string> traceLines(const std::string& report) {
        std::istringstream in(report);
        std::string line;
        std::vector<std::string> trace;
        while (std::getline(in, line))
            if (std::regex_match(line, std::regex("[0-9A-F]{4}  [0-9A-F]{4}  .+")))
                trace.push_back(line);
        return trace;
    }
    test::TempDir dir;
};

TEST_F(SimEmulator, LimitedAndTracedRunsStopAtTheSameInstructionOnBothTargets) {
    const fs::path sum = dir.path() / "examples/sum_cx4a.asm";
    for (const char* limit : {"1", "5", "23"}) {
        const SimRun s = sim("KXA1608", {"--max-instructions", limit}, sum);
        const SimRun e = sim("KXA1608", {"--max-instructions", limit, "--target", "emulator"}, sum);
        ASSERT_EQ(s.status, kExitOk) << s.err;
        ASSERT_EQ(e.status, kExitOk) << e.err;
        EXPECT_THAT(s.out, HasSubstr("INSTRUCTIONS = " + std::string(limit) + "\n"));
        EXPECT_THAT(e.out, HasSubstr("STOP         = max-instructions\n")) << limit;
        EXPECT_EQ(state(e.out), state(s.out)) << "--max-instructions " << limit;
    }
    const SimRun s = sim("KXA1608", {"--max-instructions", "9", "--trace"}, sum);
    const SimRun e =
        sim("KXA1608", {"--max-instructions", "9", "--trace", "--target", "emulator"}, sum);
    ASSERT_EQ(e.status, kExitOk) << e.err;
    EXPECT_EQ(traceLines(s.out).size(), 9u);
    EXPECT_EQ(traceLines(e.out), traceLines(s.out));
    EXPECT_EQ(state(e.out), state(s.out));
    // A traced run to its end: the same instructions and the sleep at the end on both.
    const SimRun st = sim("KXA1608", {"--trace"}, sum);
    const SimRun et = sim("KXA1608", {"--trace", "--target", "emulator"}, sum);
    ASSERT_EQ(et.status, kExitOk) << et.err;
    EXPECT_EQ(traceLines(et.out), traceLines(st.out));
    EXPECT_THAT(et.out, HasSubstr("STOP         = sleep\n"));
}

TEST_F(SimEmulator, ASingleStepAfterAPclatlSetExecutesOneInstruction) {
    const fs::path file = dir.write("work/setf.asm", R"(        ORG     0
        NOP
        SETF    1BH, 0
        NOP
        NOP
        ORG     0FFH
        NOP
        NOP
        NOP
        END
)");
    for (const char* steps : {"2", "3"}) {
        const SimRun s = sim("KXA1608", {"--step", steps}, file);
        const SimRun e = sim("KXA1608", {"--step", steps, "--target", "emulator"}, file);
        ASSERT_EQ(s.status, kExitOk) << s.err;
        ASSERT_EQ(e.status, kExitOk) << e.err;
        EXPECT_EQ(state(e.out), state(s.out)) << "--step " << steps;
    }
}

// Serves `hosts` hosts one after the other with one unit and cuts each connection after
// `cutAfter` frames (0: never), as a killed server would; counts the frames it served.
class CuttingServer {
  public:
    CuttingServer(const std::string& address, TargetConfig config, size_t cutAfter, int hosts = 1)
        : unit_(config) {
        std::string problem;
        ok_ = listener_.open(address, problem);
        thread_ = std::thread([this, cutAfter, hosts] {
            for (int h = 0; h < hosts; ++h) {
                const int fd = listener_.accept(20000);
                if (fd < 0) return;
                unit_.connectionOpened();
                UnitSocketSide inner(unit_);
                Cutter side(inner, fd, cutAfter);
                serveSocketConnection(fd, side, 3000, &frames_);
                ::close(fd);
            }
        });
    }
    ~CuttingServer() {
        thread_.join();
        listener_.close();
    }
    bool ok() const { return ok_; }
    size_t frames() {
        thread_.join();
        thread_ = std::thread([] {});
        return frames_;
    }

  private:
    class Cutter : public PacketTransport {
      public:
        Cutter(PacketTransport& inner, int fd, size_t cutAfter)
            : inner_(inner), fd_(fd), cutAfter_(cutAfter) {}
        bool write(const uint8_t* d, size_t n) override {
            if (cutAfter_ && ++count_ >= cutAfter_) ::shutdown(fd_, SHUT_RDWR);
            return inner_.write(d, n);
        }
        bool read(uint8_t* d, size_t n) override { return inner_.read(d, n); }
        std::string describe() const override { return "cutting unit"; }

      private:
        PacketTransport& inner_;
        int fd_;
        size_t cutAfter_;
        size_t count_ = 0;
    };
    TargetUnit unit_;
    TargetListener listener_;
    bool ok_ = false;
    size_t frames_ = 0;
    std::thread thread_;
};

TEST_F(SimEmulator, ZerkaTargetIsUsedAndANamedUnitThatDoesNotAnswerIsAnError) {
    const std::string address = "unix:" + (dir.path() / "unit.sock").string();
    const fs::path sum = dir.path() / "examples/sum_cx4a.asm";
    TargetConfig config;
    config.bodyId = 0x8030;
    config.core = CoreType::CX4A;
    ::setenv("ZERKA_TARGET", address.c_str(), 1);
    {
        CuttingServer server(address, config, 0);
        ASSERT_TRUE(server.ok());
        const SimRun r = sim("KXA1608", {"--target", "emulator", "--max-instructions", "3"}, sum);
        EXPECT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_GT(server.frames(), 0u); // the served unit ran the program
    }
    // Nobody serves there any more: the run does not quietly move to the built-in unit.
    const SimRun r = sim("KXA1608", {"--target", "emulator", "--max-instructions", "3"}, sum);
    ::unsetenv("ZERKA_TARGET");
    EXPECT_EQ(r.status, kExitFailed) << r.out;
    EXPECT_THAT(r.err, HasSubstr("zerka sim: "));
    EXPECT_THAT(r.err, HasSubstr("ZERKA_TARGET=" + address));
    EXPECT_EQ(r.out, "");
    // The same for a unit named by --connect.
    const SimRun c = sim("KXA1608", {"--target", "emulator", "--connect", address}, sum);
    EXPECT_EQ(c.status, kExitFailed);
    EXPECT_EQ(c.out, "");
}

// Every run starts from a reset counter on a unit that stays served, and counts the
// instructions it stepped.
TEST_F(SimEmulator, EachRunCountsItsOwnCyclesAndInstructions) {
    const std::string address = "unix:" + (dir.path() / "unit.sock").string();
    const fs::path sum = dir.path() / "examples/sum_cx4a.asm";
    TargetConfig config;
    config.bodyId = 0x8030;
    config.core = CoreType::CX4A;
    const SimRun s = sim("KXA1608", {"--max-instructions", "5"}, sum);
    ASSERT_EQ(s.status, kExitOk) << s.err;
    CuttingServer server(address, config, 0, 4);
    ASSERT_TRUE(server.ok());
    for (int run = 0; run < 3; ++run) {
        const SimRun e =
            sim("KXA1608",
                {"--target", "emulator", "--connect", address, "--max-instructions", "5"}, sum);
        ASSERT_EQ(e.status, kExitOk) << e.err;
        EXPECT_EQ(e.out, s.out) << "run " << run; // CYCLES and INSTRUCTIONS = 5 too
    }
    const SimRun steps =
        sim("KXA1608", {"--target", "emulator", "--connect", address, "--step", "3"}, sum);
    ASSERT_EQ(steps.status, kExitOk) << steps.err;
    EXPECT_THAT(steps.out, HasSubstr("INSTRUCTIONS = 3\n"));
}

TEST_F(SimEmulator, AUnitLostMidRunEndsTheRunWithTheLinkErrorAndNoState) {
    const std::string address = "unix:" + (dir.path() / "unit.sock").string();
    const fs::path blink = dir.path() / "examples/blink_cx4b.asm"; // runs for ever
    TargetConfig config;
    config.bodyId = 0x8040;
    config.stackDepth = 8;
    // How many frames getting to the first step takes.
    size_t setup = 0;
    {
        CuttingServer server(address, config, 0);
        ASSERT_TRUE(server.ok());
        const SimRun r =
            sim("KXB0402", {"--target", "emulator", "--connect", address, "--step", "1"}, blink);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        setup = server.frames();
    }
    ASSERT_GT(setup, 0u);
    const std::vector<std::vector<std::string>> runs = {
        {"--expect", "80H=1"},                         // a run polled until it stops
        {"--max-instructions", "2000000000"},          // a run by steps
        {"--step", "99999999999", "--expect", "80H=1"} // single steps
    };
    for (const std::vector<std::string>& extra : runs) {
        CuttingServer server(address, config, setup + 300);
        ASSERT_TRUE(server.ok());
        std::vector<std::string> args{"--target", "emulator", "--connect", address};
        args.insert(args.end(), extra.begin(), extra.end());
        const SimRun r = sim("KXB0402", args, blink);
        EXPECT_EQ(r.status, kExitFailed) << extra[0] << "\n" << r.out << r.err;
        EXPECT_THAT(r.err,
                    HasSubstr("zerka sim: the link to the target unit was lost (" + address + ")"))
            << extra[0];
        EXPECT_EQ(r.out, "") << extra[0];
    }
}

} // namespace
} // namespace zerka::cli
