// Simulator speed inside the process, before and after in the same run: the reference engine
// (the first one, kept for the differential test) and the threaded engine, on the bench loop
// (bench_loop.h) and on the realistic mix (bench_mix.h), both cores, each way a run goes:
//   batch:  the engine's batch run as run control drives it (stack-full stop on, one
//           breakpoint set and never reached);
//   sliced: TZk_UP::Run, the IDE's time-sliced run that goes back to the event loop every
//           ~10 ms, with the same settings.
// Arguments: engine (0 reference, 1 threaded), program (0 loop, 1 mix), core (0 CX4A, 1 CX4B),
// run (0 batch, 1 sliced). bench/sim_speed_compare.sh prints the table and checks the goals.
#include "upcentre/core/engine.h"
#include "upcentre/reference/reference_engine.h"
#include "upcentre/run/up_centre.h"

#include "bench_loop.h"
#include "bench_mix.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zerka;

constexpr uint64_t kTicks = 10'000'000;

void load(TZk_UP& up, bool mix, CoreType core) {
    up.setInstructionSet(InstructionSet(core));
    const InstructionSet& set = up.instructions();
    if (mix) {
        for (auto [a, w] :
             core == CoreType::CX4A ? bench::mixProgramCx4a() : bench::mixProgramCx4b())
            up.LoadProgramCell(a, w, 1, 0);
    } else {
        const auto loop =
            core == CoreType::CX4A ? bench::tightLoop(set) : bench::tightLoopCx4b(set);
        for (uint32_t a = 0; a < loop.size(); ++a)
            up.LoadProgramCell(a, loop[a], uint16_t(a + 1), 0);
    }
    up.AddBreakpoint(0x100, BreakpointKind::Address); // the one breakpoint, never reached
    up.setStopOnStackFull(true);
}

template <class E> uint64_t batch(const E& engine, TZk_UP& up, benchmark::State& state) {
    RunStops stops;
    stops.stopOnStackFull = true;
    const BatchResult r = engine.RunBatch(up.cpu(), stops, kTicks);
    if (r.reason != StopReason::None) state.SkipWithError("the program stopped");
    return r.ticks;
}

void BM_Sim(benchmark::State& state) {
    const bool threaded = state.range(0) == 1;
    const bool mix = state.range(1) == 1;
    const CoreType core = state.range(2) == 1 ? CoreType::CX4B : CoreType::CX4A;
    const bool sliced = state.range(3) == 1;
    TZk_UP up(nullptr,
              threaded ? std::unique_ptr<RunEngine>() : std::make_unique<ReferenceEngine>(core));
    load(up, mix, core);
    up.setTickLimit(kTicks);
    up.setYieldHook([] {}); // the event loop's turn between slices
    const Engine engine(up.instructions());
    const ReferenceEngine reference(up.instructions());
    uint64_t total = 0;
    for (auto _ : state) {
        if (sliced) {
            const uint64_t before = up.executedInstructions();
            up.Run();
            if (up.lastStopCause() != StopCause::Limit) state.SkipWithError("the run stopped");
            total += up.executedInstructions() - before;
        } else {
            total += threaded ? batch(engine, up, state) : batch(reference, up, state);
        }
    }
    benchmark::DoNotOptimize(up.cpu().ReadData(0x80));
    state.SetItemsProcessed(static_cast<int64_t>(total));
}
BENCHMARK(BM_Sim)
    ->ArgNames({"threaded", "mix", "cx4b", "sliced"})
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace
