// The register, RAM and stack windows after a single step on the largest shipped chip: the
// models' refresh, each window's refreshView(), and the repaint that follows on the offscreen
// platform. The goal for all windows together is under 5 ms per step.
// The core headers first: Qt defines its keyword `emit` as a macro.
#include "chip/chip_library.h"
#include "core/ui_host.h"
#include "views/debug_views.h"

#include "gui/debug/ram_window.h"
#include "gui/debug/register_window.h"
#include "gui/debug/stack_window.h"

#include "bench_loop.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

class SilentUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

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

struct Rig {
    ChipModel chip;
    std::string label;
    TZk_UP up;
    std::unique_ptr<DebugViews> views;
    SilentUi ui;
    std::unique_ptr<gui::RegisterWindow> registers;
    std::unique_ptr<gui::RamWindow> ram;
    std::unique_ptr<gui::StackWindow> stack;

    bool open() {
        if (!loadLargestChip(chip, label)) return false;
        up.setInstructionSet(InstructionSet(CoreType::CX4A));
        up.applyChip(chip);
        const auto loop = bench::tightLoop(up.instructions());
        for (uint32_t a = 0; a < loop.size(); ++a)
            up.LoadProgramCell(a, loop[a], uint16_t(a + 1), 0);
        views = std::make_unique<DebugViews>(up, chip);
        views->chipChanged();
        int fullest = 0;
        for (int k = 1; k < 4; ++k)
            if (chip.bitPageCount[size_t(k)] > chip.bitPageCount[size_t(fullest)]) fullest = k;
        views->registers.selectPage(fullest);
        registers = std::make_unique<gui::RegisterWindow>(*views, ui);
        ram = std::make_unique<gui::RamWindow>(*views, ui);
        stack = std::make_unique<gui::StackWindow>(*views, ui);
        for (QWidget* w : {static_cast<QWidget*>(registers.get()), static_cast<QWidget*>(ram.get()),
                           static_cast<QWidget*>(stack.get())})
            w->show();
        QApplication::processEvents();
        return true;
    }
    void refreshViews() {
        registers->refreshView();
        ram->refreshView();
        stack->refreshView();
    }
};

// Step, models and the three windows' refreshView() (what the main window does per step).
void BM_StepRefreshThreeWindows(benchmark::State& state) {
    Rig rig;
    if (!rig.open()) {
        state.SkipWithError("no shipped chip library");
        return;
    }
    for (auto _ : state) {
        rig.up.StepInto();
        rig.views->refreshAll();
        rig.refreshViews();
    }
    state.SetLabel(rig.label);
}
BENCHMARK(BM_StepRefreshThreeWindows)->Unit(benchmark::kMicrosecond);

// The same, and the repaint of what changed (the event loop's paint pass).
void BM_StepRefreshAndPaintThreeWindows(benchmark::State& state) {
    Rig rig;
    if (!rig.open()) {
        state.SkipWithError("no shipped chip library");
        return;
    }
    for (auto _ : state) {
        rig.up.StepInto();
        rig.views->refreshAll();
        rig.refreshViews();
        QApplication::processEvents();
    }
    state.SetLabel(rig.label);
}
BENCHMARK(BM_StepRefreshAndPaintThreeWindows)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
