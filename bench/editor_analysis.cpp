// The editor's squiggles on the 30,000-line program of asm_speed_gen.py (KXA3232): from a
// typed error to its squiggle on screen (the quiet time after the key, 250 ms, included; the
// counter quiet_ms gives it), then from the fix to the squiggle gone. While the analysis runs
// on its thread, a 1 ms timer on the window's thread records the longest gap between two of
// its ticks (counter gui_stall_ms): the time the window could not answer the user.
#include "bench_common.h"
#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"
#include "gui/editor/language_service.h"
#include "gui/editor/text_control.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

bool squiggled(gui::TextControl* text) {
    const int i = gui::TextControl::kDiagnosticIndicator;
    const long end = text->SendScintilla(QsciScintillaBase::SCI_INDICATOREND, i, 0L);
    return text->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, i, 0L) ||
           (end > 0 && end < text->length());
}

// Waits on the event loop until `done`, noting the longest gap between two 1 ms ticks.
template <typename F> double waitNoting(F done, qint64& stallMs) {
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer gap;
    gap.start();
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] { stallMs = std::max(stallMs, gap.restart()); });
    tick.start();
    while (!done() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(clock.nsecsElapsed()) / 1e6;
}

void BM_TypedErrorToSquiggle(benchmark::State& state) {
    const int lines = int(state.range(0));
    const fs::path file =
        fs::temp_directory_path() / ("zerka-bench-squiggle-" + std::to_string(getpid()) + ".asm");
    writeFileAtomic(file, zerka::bench::speedProgram(lines / 6));
    EditorDocuments docs;
    gui::EditorWindow window(docs);
    window.setLanguageSettings([] {
        return gui::LanguageSettings{"KXA3232", std::string(ZERKA_SOURCE_DIR) + "/chips", ""};
    });
    window.resize(1000, 700);
    window.show();
    docs.openFile(file.string());
    auto* text = qobject_cast<gui::TextControl*>(window.findChild<QTabWidget*>()->currentWidget());
    // The first analysis of the opened file has time to end.
    qint64 stall = 0;
    QElapsedTimer opened;
    opened.start();
    waitNoting([&] { return opened.elapsed() > 3000; }, stall);
    state.counters["lines"] = lines;
    qint64 worst = 0;
    for (auto _ : state) {
        // An undefined name at the end of the program, then the line taken out again.
        docs.gotoLine(1, 1 << 30);
        stall = 0;
        QTest::keyClicks(text, "        JMP     NOWHERE");
        const double on = waitNoting([&] { return squiggled(text); }, stall);
        worst = std::max(worst, stall);
        state.SetIterationTime(on / 1000.0);
        state.PauseTiming();
        text->undo();
        stall = 0;
        waitNoting([&] { return !squiggled(text); }, stall);
        worst = std::max(worst, stall);
        state.ResumeTiming();
    }
    state.counters["quiet_ms"] = 250;
    state.counters["gui_stall_ms"] = double(worst);
    fs::remove(file);
}
BENCHMARK(BM_TypedErrorToSquiggle)
    ->Arg(1000)
    ->Arg(30000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
