// Simulator speed: a tight CX4A loop (INF, MVF, ADDF, RJ) run the way a simulator run does it,
// in batches with the stop tests on and one breakpoint set (never reached).
#include "upcentre/core/engine.h"
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/instruction_set.h"

#include <benchmark/benchmark.h>

#include <initializer_list>

namespace {

using namespace zerka;

uint16_t enc(const InstructionSet& set, const char* mnemonic, std::initializer_list<uint32_t> ops) {
    const InstructionDef* def = set.findByMnemonic(mnemonic);
    uint16_t w = def->matchValue;
    size_t i = 0;
    for (uint32_t v : ops)
        w = def->operands[i++].insert(w, v);
    return w;
}

void loadLoop(const InstructionSet& set, CpuState& s) {
    s.LoadProgramCell(0, enc(set, "INF", {0x50, 1, 0}), 1, 0);
    s.LoadProgramCell(1, enc(set, "MVF", {0x50, 0, 0}), 2, 0);
    s.LoadProgramCell(2, enc(set, "ADDF", {0x51, 1, 0}), 3, 0);
    s.LoadProgramCell(3, enc(set, "RJ", {0x7FC}), 4, 0); // back to 0
    s.SetBreakpointMark(0x100, BreakpointKind::Address, true);
}

void BM_EngineBatchLoop(benchmark::State& state) {
    InstructionSet set(CoreType::CX4A);
    Engine engine(set);
    CpuState s;
    loadLoop(set, s);
    RunStops stops;
    stops.stopOnStackFull = true;
    const auto batch = static_cast<uint64_t>(state.range(0));
    uint64_t total = 0;
    for (auto _ : state) {
        BatchResult r = engine.RunBatch(s, stops, batch);
        if (r.reason != StopReason::None) state.SkipWithError("the loop stopped");
        total += r.ticks;
    }
    benchmark::DoNotOptimize(s.ReadData(0x51));
    state.SetItemsProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_EngineBatchLoop)->Arg(1 << 20);

// The single-step path (Trace, Continue): one ExecuteOne and CheckInterrupt per call.
void BM_EngineExecuteOne(benchmark::State& state) {
    InstructionSet set(CoreType::CX4A);
    Engine engine(set);
    CpuState s;
    loadLoop(set, s);
    uint64_t total = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1024; ++i) {
            engine.ExecuteOne(s);
            engine.CheckInterrupt(s);
        }
        total += 1024;
    }
    benchmark::DoNotOptimize(s.ReadData(0x51));
    state.SetItemsProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_EngineExecuteOne);

// Building the 65,536-entry execution table (done on every change of core type).
void BM_EngineBuild(benchmark::State& state) {
    InstructionSet set(CoreType::CX4A);
    for (auto _ : state) {
        Engine engine(set);
        benchmark::DoNotOptimize(engine.decoded(0x1234));
    }
}
BENCHMARK(BM_EngineBuild)->Unit(benchmark::kMillisecond);

} // namespace
