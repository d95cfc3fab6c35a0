// Simulator speed of the uP centre on a tight CX4A loop (INF, MVF, ADDF, RJ), side by side:
//   batch: the engine's batch run as run control drives it, one breakpoint set (never reached);
//   sliced: TZk_UP::Run, the time-sliced run that goes back to the event loop every ~10 ms.
// Compare the two with bench/sim_speed_compare.sh.
#include "upcentre/run/up_centre.h"

#include "bench_loop.h"

#include <benchmark/benchmark.h>

#include <initializer_list>

namespace {

using namespace zerka;

void loadLoop(TZk_UP& up) {
    up.setInstructionSet(InstructionSet(CoreType::CX4A));
    const InstructionSet& set = up.instructions();
    const auto loop = bench::tightLoop(set);
    for (uint32_t a = 0; a < loop.size(); ++a)
        up.LoadProgramCell(a, loop[a], uint16_t(a + 1), 0);
    up.AddBreakpoint(0x100, BreakpointKind::Address); // the one breakpoint, never reached
    up.setStopOnStackFull(true);
}

constexpr uint64_t kTicks = 20'000'000;

void BM_SimBatchOneBreakpoint(benchmark::State& state) {
    TZk_UP up;
    loadLoop(up);
    Engine engine(up.instructions());
    RunStops stops;
    stops.stopOnStackFull = true;
    uint64_t total = 0;
    for (auto _ : state) {
        BatchResult r = engine.RunBatch(up.cpu(), stops, kTicks);
        if (r.reason != StopReason::None) state.SkipWithError("the loop stopped");
        total += r.ticks;
    }
    benchmark::DoNotOptimize(up.cpu().ReadData(0x51));
    state.SetItemsProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_SimBatchOneBreakpoint)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_SimTimeSlicedRun(benchmark::State& state) {
    TZk_UP up;
    loadLoop(up);
    up.setTickLimit(kTicks);
    uint64_t yields = 0;
    up.setYieldHook([&] { ++yields; }); // the event loop's turn between slices
    uint64_t total = 0;
    for (auto _ : state) {
        const uint64_t before = up.executedInstructions();
        up.Run();
        if (up.lastStopCause() != StopCause::Limit) state.SkipWithError("the run stopped early");
        total += up.executedInstructions() - before;
    }
    benchmark::DoNotOptimize(up.cpu().ReadData(0x51));
    state.SetItemsProcessed(static_cast<int64_t>(total));
    state.counters["yields_per_run"] =
        benchmark::Counter(double(yields) / double(state.iterations()));
}
BENCHMARK(BM_SimTimeSlicedRun)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
