// DataUpdate of each calculator with its window showing, after a step that changed its
// registers: re-read every field, work out the texts and repaint the diagram at once (the goal
// is under 2 ms each, so the step refresh keeps its budget with all three windows open).
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "chip/chip_library.h"
#include "upcentre/run/up_centre.h"

#include "gui/analog/adc_form.h"
#include "gui/analog/comparator_form.h"
#include "gui/analog/opamp_form.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {
using namespace zerka;
using namespace zerka::gui;

struct Setup {
    ChipModel chip;
    TZk_UP up;
    bool ok = false;
    Setup() {
        ChipLibrary library(std::filesystem::path(ZERKA_SOURCE_DIR) / "chips");
        const auto index =
            library.buildChipList() ? library.findChipByName("KXA1608") : std::optional<int>();
        ok = index && library.GetSELUP(*index, chip);
        up.applyChip(chip);
    }
};

template <typename Model, typename Form, bool Paint> void refresh(benchmark::State& state) {
    Setup s;
    if (!s.ok) {
        state.SkipWithError("no shipped chip library");
        return;
    }
    Model model(s.chip, &s.up);
    Form form(model);
    form.resize(form.sizeHint());
    form.show();
    QApplication::processEvents();
    uint8_t v = 0;
    for (auto _ : state) {
        // A step changed the analog registers: every field and the result differ.
        ++v;
        for (uint32_t a = 0x4B; a <= 0x5C; ++a)
            s.up.cpu().WriteData(a, uint8_t(v * 37 + a));
        form.refreshView();
        if (Paint) form.repaint(); // paint now, not at the next event loop turn
    }
    }

// Model and scheduling only, and with the diagram painted at once.
BENCHMARK(refresh<AdcCalculator, TADCForm, false>)->Name("adc_DataUpdate");
BENCHMARK(refresh<AdcCalculator, TADCForm, true>)->Name("adc_DataUpdate_painted");
BENCHMARK(refresh<OpAmpCalculator, TOPForm, false>)->Name("opamp_DataUpdate");
BENCHMARK(refresh<OpAmpCalculator, TOPForm, true>)->Name("opamp_DataUpdate_painted");
BENCHMARK(refresh<ComparatorCalculator, TCMPForm, false>)->Name("comparator_DataUpdate");
BENCHMARK(refresh<ComparatorCalculator, TCMPForm, true>)->Name("comparator_DataUpdate_painted");

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
