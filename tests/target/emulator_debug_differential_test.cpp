// The same program on the simulator and on the virtual emulator ends in the same state: data
// memory, W, STATUS, BSR, stack and PC. Programs are generated from fixed seeds: straight-line
// byte and bit operations, skips, and calls into a subroutine, ending in a loop with a breakpoint.
#include "emulator_debug_rig.h"

#include <random>

namespace zerka::test {
namespace {

constexpr uint32_t kSubroutine = 0x100;

struct Program {
    std::vector<uint16_t> main; // from 0
    std::vector<uint16_t> sub;  // from kSubroutine
    uint32_t end = 0;           // the final loop, where the breakpoint goes
};

Program generate(const InstructionSet& set, uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
    auto file = [&] { return 0x80 + pick(8); };
    auto enc = [&](std::string_view m, std::initializer_list<uint32_t> ops) {
        return encode(set, m, ops);
    };
    static const char* const byteOps[] = {"ADDF", "SUBF", "ANDF", "IORF", "XORF", "COMF",
                                          "INF",  "DCF",  "RLF",  "RRF",  "SWPF", "MVF",
                                          "ADDC", "SUBC", "RLFC", "RRFC"};
    // CX4A calls and jumps are two words: the upper bits, then NOPF with the low 12 bits.
    auto far = [&](std::vector<uint16_t>& out, std::string_view m, uint32_t to) {
        if (set.core() == CoreType::CX4B) {
            out.push_back(enc(m, {to}));
        } else {
            out.push_back(enc(m, {to >> 12}));
            out.push_back(enc("NOPF", {to & 0xFFF}));
        }
    };
    auto body = [&](std::vector<uint16_t>& out, int count, bool calls) {
        for (int i = 0; i < count; ++i) {
            switch (pick(calls ? 8 : 7)) {
            case 0:
                out.push_back(enc("MVL", {pick(256)}));
                break;
            case 1:
            case 2:
            case 3: {
                const char* m = byteOps[pick(std::size(byteOps))];
                if (set.findByMnemonic(m)) out.push_back(enc(m, {file(), pick(2), 0}));
                break;
            }
            case 4:
                out.push_back(enc(pick(2) ? "BSF" : "BCF", {file(), pick(8), 0}));
                break;
            case 5:
                out.push_back(enc(pick(2) ? "CLRF" : "SETF", {file(), 0}));
                break;
            case 6:
                // A skip over one harmless word.
                out.push_back(enc(pick(2) ? "BTSZ" : "BTSS", {file(), pick(8), 0}));
                out.push_back(enc("INF", {0x88, 1, 0}));
                break;
            case 7:
                far(out, "CALL", kSubroutine);
                break;
            }
        }
    };
    Program p;
    for (uint32_t a = 0x80; a < 0x88; ++a) {
        p.main.push_back(enc("MVL", {pick(256)}));
        p.main.push_back(enc("MVF", {a, 1, 0}));
    }
    body(p.main, 40 + int(pick(40)), true);
    p.end = uint32_t(p.main.size());
    far(p.main, "JMP", p.end);
    body(p.sub, 10 + int(pick(10)), false);
    p.sub.push_back(enc("RET", {}));
    return p;
}

struct EndState {
    std::vector<uint8_t> data;
    uint32_t pc = 0;
    std::vector<uint32_t> stack;
};

EndState endState(const CpuState& cpu, uint32_t dataBytes) {
    EndState s;
    s.data.assign(cpu.dataMemory().begin(), cpu.dataMemory().begin() + dataBytes);
    s.pc = cpu.GetPC();
    for (uint32_t i = 1; i <= cpu.stackDepth(); ++i)
        s.stack.push_back(cpu.StackEntry(i));
    return s;
}

void load(TZk_UP& up, const Program& p) {
    for (uint32_t a = 0; a < p.main.size(); ++a)
        ASSERT_TRUE(up.LoadProgramCell(a, p.main[a], 0, 0));
    for (uint32_t a = 0; a < p.sub.size(); ++a)
        ASSERT_TRUE(up.LoadProgramCell(kSubroutine + a, p.sub[a], 0, 0));
}

void compare(const EndState& sim, const EndState& emu) {
    EXPECT_EQ(emu.pc, sim.pc);
    EXPECT_EQ(emu.stack, sim.stack);
    ASSERT_EQ(emu.data.size(), sim.data.size());
    for (size_t a = 0; a < sim.data.size(); ++a)
        EXPECT_EQ(int(emu.data[a]), int(sim.data[a])) << "data address " << std::hex << a;
    EXPECT_EQ(emu.data[reg::kW], sim.data[reg::kW]);
    EXPECT_EQ(emu.data[reg::kStatus], sim.data[reg::kStatus]);
    EXPECT_EQ(emu.data[reg::kBsr], sim.data[reg::kBsr]);
}

TEST(EmulatorDebugDifferential, GeneratedProgramsEndInTheSameState) {
    for (CoreType core : {CoreType::CX4B, CoreType::CX4A}) {
        for (uint32_t seed = 1; seed <= 12; ++seed) {
            SCOPED_TRACE(std::string(core == CoreType::CX4B ? "CX4B" : "CX4A") + " seed " +
                         std::to_string(seed));
            DebugRigOptions o;
            o.core = core;
            EmulatorDebugRig emu(o);
            const Program p = generate(emu.up.instructions(), seed);

            TZk_UP sim;
            sim.setInstructionSet(InstructionSet(core));
            sim.cpu().setProgramSize(o.programWords);
            load(sim, p);
            sim.AddBreakpoint(p.end, BreakpointKind::Address);
            sim.setTickLimit(100000);
            sim.Run();
            ASSERT_EQ(sim.lastStopCause(), StopCause::Breakpoint);

            emu.connect();
            load(emu.up, p);
            emu.download();
            emu.up.AddBreakpoint(p.end, BreakpointKind::Address);
            emu.up.Run();
            ASSERT_TRUE(emu.waitStopped());

            compare(endState(sim.cpu(), o.dataBytes), endState(emu.up.cpu(), o.dataBytes));
        }
    }
}

TEST(EmulatorDebugDifferential, SingleStepsAgreeWithTheSimulator) {
    DebugRigOptions o;
    EmulatorDebugRig emu(o);
    const Program p = generate(emu.up.instructions(), 99);
    TZk_UP sim;
    sim.setInstructionSet(InstructionSet(o.core));
    sim.cpu().setProgramSize(o.programWords);
    load(sim, p);
    emu.connect();
    load(emu.up, p);
    emu.download();
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE(i);
        sim.StepInto();
        emu.up.StepInto();
        ASSERT_EQ(emu.up.cpu().GetPC(), sim.cpu().GetPC());
    }
    compare(endState(sim.cpu(), o.dataBytes), endState(emu.up.cpu(), o.dataBytes));
}

} // namespace
} // namespace zerka::test
