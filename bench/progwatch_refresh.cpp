// The program-memory window (24 data rows) and the watch window (50 symbols: 40 bytes and 10
// data runs of 4 bytes, all changing with the loop) after a single step: the models alone, then
// with both windows' refreshView, then with the repaint the event loop does. Runs on the
// offscreen platform unless another is chosen. The goal for every window together is 5 ms.
// The core headers come before Qt defines its keywords.
#include "chip/chip_library.h"
#include "views/debug_views.h"

#include "gui/debug/program_memory_window.h"
#include "gui/debug/watch_window.h"

#include "bench_loop.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

struct QuietUi : UiHost {
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

enum class Depth { Models, Views, Paint, PaintProgramOnly, PaintWatchOnly, EventsOnly };

void refreshAfterStep(benchmark::State& state, Depth depth) {
    ChipLibrary library(fs::path(ZERKA_SOURCE_DIR) / "chips");
    ChipModel chip;
    const auto index = library.buildChipList() ? library.findChipByName("KXA1608") : std::nullopt;
    if (!index || !library.GetSELUP(*index, chip)) {
        state.SkipWithError("no shipped chip library");
        return;
    }
    QuietUi ui;
    TZk_UP up(&ui);
    up.setInstructionSet(InstructionSet(CoreType::CX4A));
    up.applyChip(chip);
    const auto loop = bench::tightLoop(up.instructions());
    for (uint32_t a = 0; a < loop.size(); ++a)
        up.LoadProgramCell(a, loop[a], uint16_t(a + 1), 0);
    auto views = std::make_unique<DebugViews>(up, chip);
    views->chipChanged();
    // The loop counts 50h and 51h up; the symbols overlap them.
    std::vector<ViewSymbol> symbols;
    for (int i = 0; i < 50; ++i)
        symbols.push_back({"SYM" + std::to_string(i), i < 40 ? 0x50 + (i % 2) : 0x50 + (i - 40),
                           i < 40 ? 0 : 4, i < 40 ? 'C' : 'D'});
    views->symbolsChanged(symbols);
    for (const ViewSymbol& s : symbols)
        views->watch.add(s.name);

    gui::ProgramMemoryWindow program(*views, ui);
    gui::WatchWindow watch(*views, ui);
    program.resize(440, 24 * 18 + 19);
    watch.resize(420, 51 * 18 + 30);
    if (depth != Depth::PaintWatchOnly && depth != Depth::EventsOnly) program.show();
    if (depth != Depth::PaintProgramOnly && depth != Depth::EventsOnly) watch.show();
    QApplication::processEvents();

    for (auto _ : state) {
        up.StepInto();
        views->refreshAll();
        if (depth == Depth::Models) continue;
        program.refreshView();
        watch.refreshView();
        if (depth != Depth::Views) QApplication::processEvents();
    }
    state.SetLabel(std::to_string(views->programMemory.dataRows()) + " program rows, " +
                   std::to_string(views->watch.watchedCount()) + " watches");
}

void BM_ModelsOnly(benchmark::State& state) {
    refreshAfterStep(state, Depth::Models);
}
BENCHMARK(BM_ModelsOnly)->Unit(benchmark::kMicrosecond);

void BM_ModelsAndRefreshView(benchmark::State& state) {
    refreshAfterStep(state, Depth::Views);
}
BENCHMARK(BM_ModelsAndRefreshView)->Unit(benchmark::kMicrosecond);

void BM_ModelsRefreshViewAndPaint(benchmark::State& state) {
    refreshAfterStep(state, Depth::Paint);
}
BENCHMARK(BM_ModelsRefreshViewAndPaint)->Unit(benchmark::kMicrosecond);

// Each window painted alone (the other hidden), to see which one the paint time belongs to.
void BM_PaintProgramMemoryOnly(benchmark::State& state) {
    refreshAfterStep(state, Depth::PaintProgramOnly);
}
BENCHMARK(BM_PaintProgramMemoryOnly)->Unit(benchmark::kMicrosecond);

void BM_PaintWatchOnly(benchmark::State& state) {
    refreshAfterStep(state, Depth::PaintWatchOnly);
}
BENCHMARK(BM_PaintWatchOnly)->Unit(benchmark::kMicrosecond);

// The event loop's own cost with both windows hidden: the floor under the paint figures.
void BM_EventLoopOnly(benchmark::State& state) {
    refreshAfterStep(state, Depth::EventsOnly);
}
BENCHMARK(BM_EventLoopOnly)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
