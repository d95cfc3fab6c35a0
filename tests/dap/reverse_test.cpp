// Reverse execution: the state reached by going back is exactly the state a forward run had at
// the same instruction count, and debugger edits stay where they were made in the history.
#include "dap/dap_session.h"
#include "dap/reverse_recorder.h"
#include "support/temp_dir.h"
#include "upcentre/core/machine_snapshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace zerka::dap {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class QuietUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

// The churn program (timer interrupts, calls, pointer stores, products) built and loaded.
class Loaded {
  public:
    explicit Loaded(const TempDir& dir) : session(ui) {
        const fs::path main = dir.path() / "churn.asm";
        if (!fs::exists(main))
            fs::copy_file(fs::path(ZERKA_SOURCE_DIR) / "tests/dap_client/programs/churn.asm", main);
        LaunchSettings s;
        s.program = main.string();
        s.chip = "KXA1608";
        s.lib = (fs::path(ZERKA_BINARY_DIR) / "bin/INCLUDE").string();
        s.list = false;
        s.hex = false;
        const std::string problem = session.launch(s);
        EXPECT_EQ(problem, "");
        recorder = std::make_unique<ReverseRecorder>(session.up());
        recorder->start();
        session.up().setYieldHook([this] { recorder->checkpoint(); });
    }
    // Runs `n` instructions forward.
    void run(uint64_t n) {
        recorder->resumeForward();
        session.up().setTickLimit(n);
        session.commands().run();
        session.up().setTickLimit(0);
        recorder->checkpoint();
    }
    MachineSnapshot state() { return MachineSnapshot::capture(session.up().cpu()); }

    QuietUi ui;
    DapSession session;
    std::unique_ptr<ReverseRecorder> recorder;
};

TEST(ReverseExecution, SteppingBackGivesTheStateOfAForwardRunStoppedAtTheSameCount) {
    TempDir dir;
    Loaded a(dir);
    a.run(1'000'000);
    ASSERT_EQ(a.recorder->position(), 1'000'000u);
    const MachineSnapshot end = a.state();
    ASSERT_GT(end.data[0x91], 10) << "the timer interrupt ran";
    for (uint64_t back : {1u, 10u, 999'999u}) {
        const uint64_t at = 1'000'000 - back;
        ASSERT_TRUE(a.recorder->seek(at));
        EXPECT_EQ(a.recorder->position(), at);
        Loaded b(dir);
        b.run(at);
        ASSERT_EQ(b.session.up().executedInstructions(), at);
        EXPECT_TRUE(a.state() == b.state()) << back << " back";
        EXPECT_EQ(a.state().cycles, b.state().cycles);
    }
    // And forward through the history again to where the run ended.
    ASSERT_TRUE(a.recorder->seek(1'000'000));
    EXPECT_TRUE(a.state() == end);
    EXPECT_FALSE(a.recorder->seek(1'000'001));
}

TEST(ReverseExecution, AnEditStaysAtItsPlaceAndABreakpointIsFoundBackwards) {
    TempDir dir;
    Loaded a(dir);
    a.run(50'000);
    const uint32_t spare = 0x300; // a RAM byte the program never touches
    a.session.up().SetRegister(spare, 0xA5);
    a.recorder->edited();
    a.run(50'000);
    ASSERT_TRUE(a.recorder->seek(70'000));
    EXPECT_EQ(a.session.up().cpu().ReadData(spare), 0xA5);
    ASSERT_TRUE(a.recorder->seek(49'999));
    EXPECT_EQ(a.session.up().cpu().ReadData(spare), 0x00);
    ASSERT_TRUE(a.recorder->seek(50'000));
    EXPECT_EQ(a.session.up().cpu().ReadData(spare), 0xA5);

    // The interrupt vector's first word: the newest time the PC stood on it before 70,000.
    ASSERT_TRUE(a.recorder->seek(70'000));
    a.session.up().AddBreakpoint(4, BreakpointKind::Address);
    const std::optional<uint64_t> hit = a.recorder->previousBreakpoint(70'000);
    ASSERT_TRUE(hit);
    EXPECT_LT(*hit, 70'000u);
    EXPECT_EQ(a.recorder->position(), 70'000u) << "the search leaves the state where it was";
    ASSERT_TRUE(a.recorder->seek(*hit));
    EXPECT_EQ(a.session.up().cpu().GetPC(), 4u);
    // No hit between that one and 70,000: a forward search from there meets the next one later.
    a.recorder->resumeForward();
    a.session.up().StepInto();
    a.session.up().Run();
    EXPECT_EQ(a.session.up().cpu().GetPC(), 4u);
    EXPECT_GT(a.recorder->position(), 70'000u);
}

// Data breakpoints: the first instruction that changed a byte is found even when the byte is
// back at its value where the search ends.
TEST(ReverseExecution, FirstChangeFindsTheInstructionThatChangedAByteThatChangedBack) {
    TempDir dir;
    Loaded a(dir);
    a.run(20'000);
    const CpuState& cpu = a.session.up().cpu();
    ASSERT_TRUE(a.recorder->seek(10'000));
    const uint8_t start = cpu.ReadData(reg::kW);
    uint64_t changed = 0, back = 0;
    for (uint64_t p = 10'001; p <= 20'000 && !back; ++p) {
        ASSERT_TRUE(a.recorder->seek(p));
        const uint8_t v = cpu.ReadData(reg::kW);
        if (!changed && v != start)
            changed = p;
        else if (changed && v == start)
            back = p;
    }
    ASSERT_NE(back, 0u) << "W changes and comes back within the window";
    ASSERT_TRUE(a.recorder->seek(back));
    const std::optional<uint64_t> at = a.recorder->firstChange(10'000, back, {reg::kW});
    ASSERT_TRUE(at);
    EXPECT_EQ(*at, changed);
    EXPECT_EQ(a.recorder->position(), changed) << "the machine is left at the change";
    EXPECT_NE(cpu.ReadData(reg::kW), start);
    // A byte the program never touches: nothing found, the state stays where it was.
    ASSERT_TRUE(a.recorder->seek(back));
    const MachineSnapshot there = a.state();
    EXPECT_FALSE(a.recorder->firstChange(10'000, back, {0x300}));
    EXPECT_EQ(a.recorder->position(), back);
    EXPECT_TRUE(a.state() == there);
}

// Reverse runs stop at data breakpoints: the newest instruction before here that changed the
// byte, never a debugger edit.
TEST(ReverseExecution, PreviousChangeFindsTheNewestChangeButNotAnEdit) {
    TempDir dir;
    Loaded a(dir);
    const uint32_t ticks = 0x91, spare = 0x300;
    a.run(100'000);
    a.session.up().SetRegister(spare, 0x5A);
    a.recorder->edited();
    a.run(100'000);
    const CpuState& cpu = a.session.up().cpu();
    const MachineSnapshot end = a.state();
    const std::optional<uint64_t> at = a.recorder->previousChange(200'000, {ticks});
    ASSERT_TRUE(at);
    EXPECT_EQ(a.recorder->position(), 200'000u) << "the search leaves the state where it was";
    EXPECT_TRUE(a.state() == end);
    ASSERT_TRUE(a.recorder->seek(*at - 1));
    const uint8_t was = cpu.ReadData(ticks);
    ASSERT_TRUE(a.recorder->seek(*at));
    EXPECT_NE(cpu.ReadData(ticks), was);
    EXPECT_FALSE(a.recorder->firstChange(*at, 200'000, {ticks})) << "nothing newer changed it";
    // The one before is older still, and the interrupt came more than once since 100,000.
    const std::optional<uint64_t> earlier = a.recorder->previousChange(*at, {ticks});
    ASSERT_TRUE(earlier);
    EXPECT_LT(*earlier, *at);
    ASSERT_TRUE(a.recorder->seek(200'000));
    EXPECT_FALSE(a.recorder->previousChange(200'000, {spare})) << "the edit is no change";
}

} // namespace
} // namespace zerka::dap
