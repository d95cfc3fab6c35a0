// The threaded engine against the reference engine, in lockstep on generated programs of both
// cores: every instruction kind with operands aimed at the registers that have rules (indirect
// registers and pointers, stack pointer, PC latch, STATUS, interrupt and timer registers, banks
// beyond the data memory), two-word instructions with and without their NOPF, skips onto NOPF
// words, PCs running off the program memory, interrupts, timer edges, sleep, breakpoint marks,
// and plain, range and step runs with and without the stack-full stop. The whole CPU state is
// compared after every step and every batch; half the batches are one tick long, so most
// comparisons fall after a single instruction, and the longer ones exercise the threaded path.
//
// ZERKA_ENGINE_DIFF_PROGRAMS=N runs N programs per core and mode (default 60) for a longer run.
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/engine.h"
#include "upcentre/core/instruction_set.h"
#include "upcentre/reference/reference_engine.h"
#include "upcentre/run/up_centre.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace zerka {
namespace {

int programCount() {
    const char* v = std::getenv("ZERKA_ENGINE_DIFF_PROGRAMS");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : 60;
}

// Addresses with a rule, and ordinary ones.
constexpr uint16_t kInteresting[] = {0,    1,    2,    3,    4,    5,    6,    9,    10,   14,
                                     0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x18, 0x19, 0x1A,
                                     0x1B, 0x1C, 0x1E, 0x1F, 0x21, 0x23, 0x24, 0x25, 0x26, 0x27,
                                     0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x41, 0x50, 0x51, 0x52, 0x80};

class Generator {
  public:
    Generator(const InstructionSet& set, uint32_t seed) : set_(set), rng_(seed) {
        for (const InstructionDef& d : set.definitions())
            if (d.id == OpId::NOPF) nopf_ = &d;
    }

    uint32_t below(uint32_t n) { return uint32_t(rng_() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }

    // A program of `size` words. (The CX4B has no NOPF and no two-word instruction.)
    std::vector<uint16_t> program(uint32_t size) {
        std::vector<uint16_t> words;
        while (words.size() < size) {
            if (chance(3)) {
                words.push_back(uint16_t(rng_())); // anything, maybe not an instruction
                continue;
            }
            if (nopf_ && chance(3)) {
                words.push_back(nopfWord()); // a NOPF with nothing pending
                continue;
            }
            const auto defs = set_.definitions();
            const InstructionDef& d = defs[below(uint32_t(defs.size()))];
            words.push_back(encode(d, uint32_t(words.size()), size));
            if (d.isTwoWord() && !chance(5)) words.push_back(nopfWord(d.id, size));
        }
        words.resize(size);
        return words;
    }

    // Random register contents that make the rules fire.
    void state(CpuState& s) {
        s.setStackDepth(uint8_t(1 + below(31)));
        for (uint32_t a = 0; a < 0x60; ++a)
            if (chance(40)) s.WriteData(a, uint8_t(rng_()));
        for (int n = 0; n < 3; ++n) { // pointers near the ends of the data memory and of 16 bits
            const uint16_t ptr = chance(50) ? uint16_t(below(0x120)) : uint16_t(0xFFF0 + below(16));
            s.WriteData(0x0F + 2 * n, uint8_t(ptr >> 8));
            s.WriteData(0x10 + 2 * n, uint8_t(ptr));
        }
        s.WriteData(reg::kStackPointer, uint8_t(chance(70) ? below(4) : rng_()));
        s.WriteData(reg::kBsr, uint8_t(chance(60) ? 0 : below(18)));
        if (chance(50)) s.WriteData(reg::kTimerControl, uint8_t(0x80 | below(0x80)));
        if (chance(50)) s.WriteData(reg::kIntEnable0, uint8_t(0x80 | (rng_() & 0x7F)));
        s.WriteData(reg::kIntFlag0, uint8_t(chance(50) ? 0 : rng_()));
        s.setTimerPrescaler(uint16_t(chance(80) ? 240 + below(16) : rng_()));
        for (uint32_t i = 1; i <= s.stackDepth(); ++i)
            s.SetStackEntry(i, below(0x300));
        s.SetPC(below(0x120));
        s.WriteData(reg::kPcLatchUpper, 0);
        s.WriteData(reg::kPcLatchHigh, uint8_t(chance(80) ? 0 : below(3)));
    }

    RunStops stops(uint32_t size) {
        RunStops st;
        st.stopOnStackFull = chance(50);
        switch (below(3)) {
        case 0:
            if (chance(50)) st.temporaryBreak = below(size + 8);
            break;
        case 1:
            st.rangeActive = true;
            st.rangeLow = below(size);
            st.rangeHigh = st.rangeLow + 1 + below(size);
            break;
        default:
            st.stepActive = true;
            st.stepTarget = chance(80) ? below(size + 8) : RunStops::kNone;
            if (chance(50)) st.temporaryBreak = below(size + 8);
            break;
        }
        return st;
    }

  private:
    uint16_t nopfWord() { return nopf_->operands[0].insert(nopf_->matchValue, rng_()); }
    // The NOPF after a two-word instruction, mostly with a payload that stays in the program.
    uint16_t nopfWord(OpId first, uint32_t size) {
        uint32_t payload = rng_();
        if (first == OpId::CALL || first == OpId::JMP) payload = chance(90) ? below(size) : payload;
        if (first == OpId::MVFF && chance(70))
            payload = kInteresting[below(std::size(kInteresting))];
        return nopf_->operands[0].insert(nopf_->matchValue, payload);
    }

    uint16_t encode(const InstructionDef& d, uint32_t at, uint32_t size) {
        uint16_t w = d.matchValue;
        for (int i = 0; i < d.operandCount; ++i) {
            uint32_t v = rng_();
            if (i == 0 && !d.noFileOperand)
                v = chance(85) ? kInteresting[below(std::size(kInteresting))] : v;
            else if (i == 0 && d.relative != RelativeKind::None)
                v = chance(90) ? uint32_t(int32_t(below(17)) - 8) : v; // near, either way
            else if (i == 0 && (d.id == OpId::CALL || d.id == OpId::JMP))
                v = d.isTwoWord() ? (chance(90) ? 0 : v) : (chance(90) ? below(size) : v);
            else if (i == 0 && d.id == OpId::MVFF)
                v = chance(85) ? kInteresting[below(std::size(kInteresting))] : v;
            else if (i == 0 && d.id == OpId::LBSR)
                v = below(18);
            else if (i == d.operandCount - 1 && !d.noFileOperand && i > 0)
                v = chance(25) ? 1 : 0; // the bank bit
            w = d.operands[size_t(i)].insert(w, v);
        }
        (void)at;
        return w;
    }

    const InstructionSet& set_;
    std::mt19937 rng_;
    const InstructionDef* nopf_ = nullptr;
};

// Everything an instruction can change, as text, so that a mismatch names what differs.
std::string difference(const CpuState& a, const CpuState& b) {
    std::ostringstream out;
    for (uint32_t i = 0; i < CpuState::kDataSize; ++i)
        if (a.ReadData(i) != b.ReadData(i))
            out << "data[" << std::hex << i << "] " << int(a.ReadData(i)) << " vs "
                << int(b.ReadData(i)) << std::dec << "; ";
    auto field = [&](const char* name, uint64_t x, uint64_t y) {
        if (x != y) out << name << ' ' << std::hex << x << " vs " << y << std::dec << "; ";
    };
    field("pc", a.GetPC(), b.GetPC());
    field("cycles", a.GetCycles(), b.GetCycles());
    for (uint32_t i = 0; i < CpuState::kStackEntries; ++i)
        field("stack", a.StackEntry(i), b.StackEntry(i));
    field("sleep", a.sleeping(), b.sleeping());
    field("idle", a.idle(), b.idle());
    field("pending", a.pendingOperation(), b.pendingOperation());
    field("pendingValue", a.pendingValue(), b.pendingValue());
    field("prescaler", a.timerPrescaler(), b.timerPrescaler());
    field("edge", a.timerEdge(), b.timerEdge());
    for (uint32_t i = 0; i < CpuState::kHistorySize; ++i)
        field("history", a.HistoryEntry(i), b.HistoryEntry(i));
    return out.str();
}

struct Pair {
    explicit Pair(CoreType core) : set(core), fast(set), reference(set) {}
    void load(const std::vector<uint16_t>& words, uint32_t size) {
        for (CpuState* s : {&mine, &theirs}) {
            s->setProgramSize(size);
            for (uint32_t a = 0; a < size; ++a)
                s->LoadProgramCell(a, words[a], 0, 0);
        }
    }
    InstructionSet set;
    Engine fast;
    ReferenceEngine reference;
    CpuState mine;
    CpuState theirs;
};

// Both states from the same generator seed.
void prepare(Pair& p, uint32_t seed, uint32_t size) {
    Generator g(p.set, seed);
    p.load(g.program(size), size);
    Generator g1(p.set, seed + 1), g2(p.set, seed + 1);
    g1.state(p.mine);
    g2.state(p.theirs);
    Generator marks(p.set, seed + 2);
    for (uint32_t a = 0; a < size; ++a)
        if (marks.chance(3)) {
            const auto kind =
                marks.chance(50) ? BreakpointKind::Address : BreakpointKind::SourceLine;
            p.mine.SetBreakpointMark(a, kind, true);
            p.theirs.SetBreakpointMark(a, kind, true);
        }
}

class EngineDifferential : public ::testing::TestWithParam<CoreType> {};

TEST_P(EngineDifferential, SingleStepsMatchTheReferenceAfterEveryInstruction) {
    const CoreType core = GetParam();
    for (int program = 0; program < programCount(); ++program) {
        Pair p(core);
        const uint32_t seed = 1000u * uint32_t(program) + 7;
        prepare(p, seed, 256);
        for (int step = 0; step < 400; ++step) {
            // As StepInto: the interrupt check first, then the instruction unless asleep.
            EXPECT_EQ(p.fast.CheckInterrupt(p.mine), p.reference.CheckInterrupt(p.theirs));
            if (!p.theirs.sleeping() && !p.theirs.idle()) {
                p.fast.ExecuteOne(p.mine);
                p.reference.ExecuteOne(p.theirs);
            } else {
                p.mine.setSleep(false), p.mine.setIdle(false);
                p.theirs.setSleep(false), p.theirs.setIdle(false);
            }
            const std::string diff = difference(p.mine, p.theirs);
            ASSERT_TRUE(diff.empty()) << "seed " << seed << " step " << step << ": " << diff;
        }
    }
}

TEST_P(EngineDifferential, BatchRunsMatchTheReferenceInStopsTicksAndState) {
    const CoreType core = GetParam();
    int stops[6] = {};
    for (int program = 0; program < programCount(); ++program) {
        Pair p(core);
        const uint32_t seed = 1000u * uint32_t(program) + 11;
        const uint32_t size = program % 3 == 0 ? 512 : 256;
        prepare(p, seed, size);
        Generator g(p.set, seed + 3);
        RunStops st = g.stops(size);
        for (int batch = 0; batch < 150; ++batch) {
            if (g.chance(4)) st = g.stops(size); // another kind of run
            if (g.chance(2)) {                   // an edit of the program between two batches
                const uint32_t a = g.below(size);
                const uint16_t w = uint16_t(g.below(65536));
                p.mine.SetProgramWord(a, w);
                p.theirs.SetProgramWord(a, w);
            }
            const uint64_t ticks = g.chance(50) ? 1 : 1 + g.below(64);
            const BatchResult mine = p.fast.RunBatch(p.mine, st, ticks);
            const BatchResult theirs = p.reference.RunBatch(p.theirs, st, ticks);
            ASSERT_EQ(int(mine.reason), int(theirs.reason))
                << "seed " << seed << " batch " << batch;
            ASSERT_EQ(mine.ticks, theirs.ticks) << "seed " << seed << " batch " << batch;
            const std::string diff = difference(p.mine, p.theirs);
            ASSERT_TRUE(diff.empty()) << "seed " << seed << " batch " << batch << ": " << diff;
            ++stops[int(theirs.reason)];
            if (theirs.reason == StopReason::Asleep) { // wake both, as an interrupt would
                p.mine.setSleep(false), p.mine.setIdle(false);
                p.theirs.setSleep(false), p.theirs.setIdle(false);
            }
        }
    }
    // The generated runs reach every way a batch can end.
    for (int reason = 0; reason < 6; ++reason)
        EXPECT_GT(stops[reason], 0) << "no batch ended with reason " << reason;
}

// Run control on either engine: the time-sliced Run with breakpoints and its tick limit, steps,
// step-over, step-out and range runs give the same state and the same stop causes.
TEST_P(EngineDifferential, RunControlCommandsMatchOnBothEngines) {
    const CoreType core = GetParam();
    for (int program = 0; program < programCount() / 4 + 1; ++program) {
        const uint32_t seed = 1000u * uint32_t(program) + 13;
        // The second runs on the reference engine.
        TZk_UP up[2] = {TZk_UP(), TZk_UP(nullptr, std::make_unique<ReferenceEngine>(core))};
        for (int i = 0; i < 2; ++i) {
            up[i].setInstructionSet(InstructionSet(core));
            up[i].cpu().setProgramSize(256);
            up[i].setTickLimit(3000);
            up[i].setStopOnStackFull(program % 2 == 0);
            // Nothing wakes a sleeping CPU during a run: stop it there, as zerka sim does.
            TZk_UP* u = &up[i];
            u->setYieldHook([u] {
                if (u->running() && (u->cpu().sleeping() || u->cpu().idle())) u->Stop();
            });
        }
        Generator g(up[0].instructions(), seed);
        const std::vector<uint16_t> image = g.program(256);
        for (int i = 0; i < 2; ++i) {
            for (uint32_t a = 0; a < 256; ++a)
                up[i].LoadProgramCell(a, image[a], 0, 0);
            Generator st(up[i].instructions(), seed + 1);
            st.state(up[i].cpu());
            up[i].AddBreakpoint(40 + uint32_t(program) % 50, BreakpointKind::Address);
            up[i].AddBreakpoint(120, BreakpointKind::SourceLine);
        }
        for (int command = 0; command < 24; ++command) {
            const uint32_t which = g.below(6);
            const uint32_t low = g.below(200), high = low + 2 + g.below(50);
            for (TZk_UP& u : up) {
                u.cpu().setSleep(false), u.cpu().setIdle(false);
                switch (which) {
                case 0:
                    u.Run();
                    break;
                case 1:
                    u.StepInto();
                    break;
                case 2:
                    u.StepOver();
                    break;
                case 3:
                    u.StepOut();
                    break;
                case 4:
                    u.RunRange(low, high);
                    u.Run();
                    break;
                default:
                    u.RunTo(low);
                    break;
                }
            }
            ASSERT_EQ(up[0].lastStopCause(), up[1].lastStopCause())
                << "seed " << seed << " command " << command << " kind " << which;
            ASSERT_EQ(up[0].executedInstructions(), up[1].executedInstructions());
            const std::string diff = difference(up[0].cpu(), up[1].cpu());
            ASSERT_TRUE(diff.empty()) << "seed " << seed << " command " << command << ": " << diff;
        }
    }
}

// Counting runs the second instantiation of the run loop: it must behave exactly as the plain
// one (against the reference, batch by batch and step by step), and its counts must account
// for every cycle: executions times the word's cycles, one per taken skip or branch, four per
// interrupt entry.
uint64_t cyclesFromCounts(const Engine& engine, const CpuState& s, const ExecCounts& c) {
    uint64_t sum = c.interrupts() * ExecCounts::kInterruptCycles;
    for (uint32_t a = 0; a <= c.programSize(); ++a) {
        const uint16_t word = a < c.programSize() ? s.ProgramWord(a) : uint16_t{0};
        sum += c.executed()[a] * engine.wordCycles(word) + c.taken()[a];
        if (c.taken()[a]) {
            EXPECT_TRUE(engine.conditional(word)) << "address " << a;
        }
    }
    return sum;
}

TEST_P(EngineDifferential, CountedRunsMatchTheReferenceAndTheirCountsAddUpToTheCycles) {
    const CoreType core = GetParam();
    uint64_t interrupts = 0, taken = 0, outside = 0;
    for (int program = 0; program < programCount(); ++program) {
        Pair p(core);
        const uint32_t seed = 1000u * uint32_t(program) + 17;
        const uint32_t size = 256;
        prepare(p, seed, size);
        ExecCounts counts(size);
        uint64_t cycles = 0;
        Generator g(p.set, seed + 3);
        RunStops st = g.stops(size);
        for (int batch = 0; batch < 150; ++batch) {
            if (g.chance(4)) st = g.stops(size);
            const uint32_t before = p.mine.GetCycles();
            if (batch % 5 == 0) { // a single step, as StepInto does it
                const bool a = p.fast.CheckInterrupt(p.mine, &counts);
                ASSERT_EQ(a, p.reference.CheckInterrupt(p.theirs));
                if (!p.theirs.sleeping() && !p.theirs.idle()) {
                    p.fast.ExecuteOne(p.mine, &counts);
                    p.reference.ExecuteOne(p.theirs);
                }
            } else {
                const uint64_t ticks = g.chance(50) ? 1 : 1 + g.below(64);
                const BatchResult mine = p.fast.RunBatch(p.mine, st, ticks, &counts);
                const BatchResult theirs = p.reference.RunBatch(p.theirs, st, ticks);
                ASSERT_EQ(int(mine.reason), int(theirs.reason))
                    << "seed " << seed << " batch " << batch;
                ASSERT_EQ(mine.ticks, theirs.ticks) << "seed " << seed << " batch " << batch;
            }
            const std::string diff = difference(p.mine, p.theirs);
            ASSERT_TRUE(diff.empty()) << "seed " << seed << " batch " << batch << ": " << diff;
            cycles += uint32_t(p.mine.GetCycles() - before);
            ASSERT_EQ(counts.cycles(), cycles) << "seed " << seed << " batch " << batch;
            ASSERT_EQ(cyclesFromCounts(p.fast, p.mine, counts), cycles)
                << "seed " << seed << " batch " << batch;
            if (p.theirs.sleeping() || p.theirs.idle()) {
                p.mine.setSleep(false), p.mine.setIdle(false);
                p.theirs.setSleep(false), p.theirs.setIdle(false);
            }
        }
        // The routine totals never claim more than the run: exclusive cycles and the top level
        // add up to it.
        uint64_t exclusive = counts.topLevelCycles();
        for (const auto& [key, r] : counts.routines()) {
            exclusive += r.exclusive;
            EXPECT_LE(r.exclusive, r.inclusive) << "routine " << key;
        }
        EXPECT_EQ(exclusive, cycles) << "seed " << seed;
        interrupts += counts.interrupts();
        for (uint32_t a = 0; a < size; ++a)
            taken += counts.taken()[a];
        outside += counts.executed()[size];
    }
    // The generated programs take interrupts and skips and run off the program memory.
    EXPECT_GT(interrupts, 0u);
    EXPECT_GT(taken, 0u);
    EXPECT_GT(outside, 0u);
}

// A PC at the very top of its range runs word 0 (program memory reads 0 there) and wraps to 0:
// the call in word 0 pushes 0 as its return address, and the history keeps the top address.
// Once as single steps and once as a batch, on both engines.
TEST_P(EngineDifferential, ThePcWrapsAtTheTopOfItsRangeOnBothEngines) {
    const CoreType core = GetParam();
    for (const bool batch : {false, true}) {
        Pair p(core);
        const InstructionDef* call =
            p.set.findByMnemonic(core == CoreType::CX4A ? "RCALL" : "CALL");
        const InstructionDef* nop = p.set.findByMnemonic("NOP");
        ASSERT_TRUE(call && nop);
        const uint16_t first = call->operands[0].insert(call->matchValue, 3);
        p.load({first, nop->matchValue, nop->matchValue, nop->matchValue, nop->matchValue}, 5);
        for (CpuState* s : {&p.mine, &p.theirs})
            s->SetPC(CpuState::kPcMask);
        if (batch) {
            const BatchResult mine = p.fast.RunBatch(p.mine, RunStops{}, 3);
            const BatchResult theirs = p.reference.RunBatch(p.theirs, RunStops{}, 3);
            EXPECT_EQ(int(mine.reason), int(theirs.reason));
            EXPECT_EQ(mine.ticks, theirs.ticks);
        } else {
            for (int step = 0; step < 3; ++step) {
                p.fast.ExecuteOne(p.mine);
                p.reference.ExecuteOne(p.theirs);
            }
        }
        EXPECT_EQ(p.mine.StackEntry(1), 0u) << "batch " << batch;
        EXPECT_EQ(p.mine.HistoryEntry(2), uint16_t(CpuState::kPcMask)) << "batch " << batch;
        const std::string diff = difference(p.mine, p.theirs);
        EXPECT_TRUE(diff.empty()) << "batch " << batch << ": " << diff;
    }
}

INSTANTIATE_TEST_SUITE_P(BothCores, EngineDifferential,
                         ::testing::Values(CoreType::CX4A, CoreType::CX4B),
                         [](const auto& info) { return std::string(coreTypeName(info.param)); });

} // namespace
} // namespace zerka
