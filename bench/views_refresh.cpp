// Refreshing every debug-window model after a single step: RAM, registers (the largest shipped
// chip's catalogue), stack, program memory (24 rows) and a watch list of 50 symbols, with the
// register window on its fullest page. The goal is under 5 ms per step.
#include "chip/chip_library.h"
#include "views/debug_views.h"

#include "bench_loop.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

bool loadLargestChip(ChipModel& model, std::string& label) {
    ChipLibrary library(fs::path(ZERKA_SOURCE_DIR) / "chips");
    if (!library.buildChipList()) return false;
    int largest = -1;
    uintmax_t largestSize = 0;
    for (size_t i = 0; i < library.entries().size(); ++i) {
        const auto path = library.resolveFile(library.entries()[i].fileName);
        std::error_code ec;
        const uintmax_t size = path ? fs::file_size(*path, ec) : 0;
        if (!ec && size > largestSize) {
            largestSize = size;
            largest = int(i);
        }
    }
    if (largest < 0 || !library.GetSELUP(largest, model)) return false;
    label = library.entries()[size_t(largest)].fileName;
    return true;
}

void refreshAfterStep(benchmark::State& state, WatchMode mode) {
    ChipModel chip;
    std::string label;
    if (!loadLargestChip(chip, label)) {
        state.SkipWithError("no shipped chip library");
        return;
    }
    TZk_UP up;
    up.setInstructionSet(InstructionSet(CoreType::CX4A));
    up.applyChip(chip);
    const auto loop = bench::tightLoop(up.instructions());
    for (uint32_t a = 0; a < loop.size(); ++a)
        up.LoadProgramCell(a, loop[a], uint16_t(a + 1), 0);

    auto views = std::make_unique<DebugViews>(up, chip);
    views->chipChanged();
    views->programMemory.setDataRows(24);
    // 50 watched symbols: 40 single bytes, 10 data runs of 4 bytes.
    std::vector<ViewSymbol> symbols;
    for (int i = 0; i < 50; ++i)
        symbols.push_back(
            {"SYM" + std::to_string(i), 0x50 + i * 4, i < 40 ? 1 : 4, i < 40 ? 'C' : 'D'});
    views->symbolsChanged(symbols);
    for (const ViewSymbol& s : symbols)
        views->watch.add(s.name);
    views->watch.setMode(mode);
    int fullest = 0;
    for (int k = 1; k < 4; ++k)
        if (chip.bitPageCount[size_t(k)] > chip.bitPageCount[size_t(fullest)]) fullest = k;
    views->registers.selectPage(fullest);

    for (auto _ : state) {
        up.StepInto();
        views->refreshAll();
        benchmark::DoNotOptimize(views->ram.cell(6, 2).text.data());
    }
    state.SetLabel(label + ", " + std::to_string(chip.bitRegisters.count()) + " bit / " +
                   std::to_string(chip.byteRegisters.count()) + " byte / " +
                   std::to_string(chip.wordRegisters.count()) + " word registers");
}

void BM_RefreshAllAfterStepHex(benchmark::State& state) {
    refreshAfterStep(state, WatchMode::HexHighLow);
}
BENCHMARK(BM_RefreshAllAfterStepHex)->Unit(benchmark::kMicrosecond);

void BM_RefreshAllAfterStepDec(benchmark::State& state) {
    refreshAfterStep(state, WatchMode::DecLowHigh);
}
BENCHMARK(BM_RefreshAllAfterStepDec)->Unit(benchmark::kMicrosecond);

} // namespace
