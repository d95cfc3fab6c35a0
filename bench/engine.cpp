// Simulator speed: a tight CX4A loop (INF, MVF, ADDF, RJ) run the way a simulator run does it,
// in batches with the stop tests on and one breakpoint set (never reached).
#include "upcentre/core/engine.h"
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/instruction_set.h"

#include "bench_loop.h"

#include <benchmark/benchmark.h>

#include <initializer_list>

namespace {

using namespace zerka;

void loadLoop(const InstructionSet& set, CpuState& s) {
    const auto loop = bench::tightLoop(set);
    for (uint32_t a = 0; a < loop.size(); ++a)
        s.LoadProgramCell(a, loop[a], uint16_t(a + 1), 0);
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
