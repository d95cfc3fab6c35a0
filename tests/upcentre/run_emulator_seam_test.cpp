// In emulator mode the same run control calls the emulator port instead of the engine. A
// recording port checks which calls come, in which order, with which values.
#include "run_fixture.h"

#include <string>

namespace zerka {
namespace {

using test::RunFixture;

class RecordingPort : public EmulatorRunPort {
  public:
    bool rangeGuard(uint32_t limit) override {
        log.push_back("guard " + std::to_string(limit));
        return true;
    }
    void startRun(bool withComparators) override {
        log.push_back(withComparators ? "go variant" : "go");
    }
    Poll pollStopped() override {
        log.push_back("poll");
        return poll;
    }
    void halt() override { log.push_back("halt"); }
    void step(uint32_t count) override { log.push_back("step " + std::to_string(count)); }
    void writeBreakTable(const std::array<uint32_t, 16>& c) override {
        tables.push_back(c);
        log.push_back("table");
    }
    Body checkBody() override { return body; }
    std::optional<uint32_t> readStackEntry(uint32_t level) override {
        log.push_back("stack " + std::to_string(level));
        return 0x345;
    }
    uint32_t readTraceEntry(uint32_t index) override { return 0x100 + index; }
    void writePC(uint32_t address) override { log.push_back("pc " + std::to_string(address)); }
    void resetTarget() override { log.push_back("reset"); }

    std::vector<std::string> log;
    std::vector<std::array<uint32_t, 16>> tables;
    Poll poll = Poll::Running;
    Body body = Body::Supported;
};

using Log = std::vector<std::string>;

TEST(RunEmulatorSeam, RunStartsTheEmulatorAndTheTimerPollsUntilItStops) {
    RunFixture f;
    RecordingPort port;
    f.up.setEmulator(&port);
    EXPECT_FALSE(f.up.simulatorMode());
    f.up.Run();
    EXPECT_TRUE(f.up.running());
    EXPECT_EQ(port.log, (Log{"guard 16384", "go"}));
    port.log.clear();
    f.up.RunTimerTick();
    EXPECT_TRUE(f.up.running());
    port.poll = EmulatorRunPort::Poll::Stopped;
    f.up.RunTimerTick();
    EXPECT_FALSE(f.up.running());
    EXPECT_FALSE(f.up.runTimerEnabled());
    EXPECT_EQ(f.stopped, 1);
    EXPECT_EQ(port.log, (Log{"poll", "poll", "halt", "table"}));

    // With a breakpoint the comparators are used.
    port.log.clear();
    f.up.AddBreakpoint(0x40, BreakpointKind::Address);
    f.up.Run();
    EXPECT_EQ(port.log, (Log{"table", "guard 16384", "go variant"}));
    ASSERT_FALSE(port.tables.empty());
    EXPECT_EQ(port.tables.back()[1], 0x40u);
}

TEST(RunEmulatorSeam, StepsUseTheStepCountAndReportAMissingBody) {
    RunFixture f;
    RecordingPort port;
    f.up.setEmulator(&port);
    f.load(0, {f.enc("INF", {reg::kPcLatchLow, 1, 0})});
    f.up.StepInto();
    EXPECT_EQ(port.log, (Log{"guard 16384", "step 2", "table"}));
    EXPECT_EQ(f.up.executedInstructions(), 0u); // the engine did not run
    EXPECT_TRUE(f.up.stepDone());

    port.log.clear();
    port.body = EmulatorRunPort::Body::Missing;
    f.up.ContinueStep(); // no range guard before a Continue step
    EXPECT_EQ(port.log, (Log{"step 2", "table"}));
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, "ICE chip comes off, please check!!");
    EXPECT_EQ(f.traced, 1);

    // An asleep target: warn, end the Continue mode and run so its button can wake it.
    port.log.clear();
    port.body = EmulatorRunPort::Body::Asleep;
    int ended = 0;
    f.up.continueModeEnded().connect([&] { ++ended; });
    f.up.ContinueStep();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(f.host.boxes.back().text,
              "Sleep mode has already been activated, please push button to awake, or reset IC");
    EXPECT_TRUE(f.up.running());
    EXPECT_EQ(port.log.back(), "go");
}

TEST(RunEmulatorSeam, StepOutStepBackResetAndPcGoThroughThePort) {
    RunFixture f;
    RecordingPort port;
    f.up.setEmulator(&port);
    f.cpu().WriteData(reg::kStackPointer, 2);
    f.up.StepOut();
    EXPECT_EQ(port.log, (Log{"stack 2", "table", "guard 16384", "go variant"}));
    EXPECT_EQ(port.tables.back()[0], 0x345u);

    f.up.Stop();
    EXPECT_FALSE(f.up.stepRunActive());
    EXPECT_EQ(f.up.StepBack(), 0x100u);
    EXPECT_EQ(f.up.StepBack(), 0x101u);

    port.log.clear();
    f.up.SetPCFromView(0x22);
    f.up.ResetTarget();
    EXPECT_EQ(port.log, (Log{"pc 34", "reset"}));
}

} // namespace
} // namespace zerka
