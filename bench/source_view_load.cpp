// Loading the source view after a build: 100 files of 2,000 lines each (tabs, comments, macro
// lines), every line with its address from the line map, first into the model alone, then with
// the window open and its front tab painted. The goal is under 0.5 s for the whole load.
#include "gui/debug/source_view_widget.h"
#include "upcentre/run/up_centre.h"

#include <QApplication>
#include <QTabWidget>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

constexpr int kFiles = 100;
constexpr int kLines = 2000;

class NoUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons) override { return Button::Ok; }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

// The files on disk and the result of a build that read them.
struct Program {
    Program() {
        dir = fs::temp_directory_path() / ("zerka_bench_source_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        result.success = result.handOver = true;
        uint32_t address = 0;
        for (int f = 0; f < kFiles; ++f) {
            const fs::path path = dir / ("FILE" + std::to_string(f) + ".ASM");
            std::ofstream out(path, std::ios::binary);
            for (int l = 1; l <= kLines; ++l) {
                LineMapEntry e;
                e.fileIndex = uint8_t(f);
                e.lineNumber = l;
                if (l % 10 == 0) {
                    out << "; block " << l << " of file " << f << "\n";
                    e.address = 0xFFFFF;
                } else {
                    out << "L" << l << ":\tMVF\t023H, 1\t; move the counter " << l << "\n";
                    e.address = address++ % 8192;
                }
                result.lineMap.push_back(e);
            }
            result.files.push_back(path.string());
        }
    }
    ~Program() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    AssemblyResult result;
};

const Program& program() {
    static const Program p;
    return p;
}

void BM_LoadModel(benchmark::State& state) {
    const Program& p = program();
    TZk_UP up;
    SourceViewModel view(up);
    NoUi ui;
    for (auto _ : state) {
        if (!view.load(p.result, ui)) state.SkipWithError("load refused");
        benchmark::DoNotOptimize(view.fileCount());
    }
    state.counters["rows"] = double(kFiles) * kLines;
}
BENCHMARK(BM_LoadModel)->Unit(benchmark::kMillisecond);

void BM_LoadWithWindow(benchmark::State& state) {
    const Program& p = program();
    TZk_UP up;
    SourceViewModel view(up);
    gui::SourceViewWidget window(view);
    window.resize(900, 700);
    window.show();
    NoUi ui;
    for (auto _ : state) {
        if (!view.load(p.result, ui)) state.SkipWithError("load refused");
        QApplication::processEvents(); // the front tab paints
        benchmark::DoNotOptimize(window.tabs()->count());
    }
}
BENCHMARK(BM_LoadWithWindow)->Unit(benchmark::kMillisecond);

// One file of the largest size the view keeps: jumping to a far row (selected and centred, the
// path of the current line) and painting it,
// as after every step.
void BM_MoveLineInLargestFile(benchmark::State& state) {
    std::string text;
    for (int32_t l = 1; l <= kMaxSourceRows; ++l)
        text += "\tMVF\t023H, 1\t; line " + std::to_string(l) + "\n";
    TZk_UP up;
    SourceViewModel view(up);
    view.AddSourceText("LARGE.ASM", text);
    gui::SourceViewWidget window(view);
    window.resize(900, 700);
    window.show();
    QApplication::processEvents();
    int32_t row = 1;
    for (auto _ : state) {
        row = (row * 7919 + 17) % kMaxSourceRows + 1;
        view.SetBookmark(0, 1, row);
        view.GoToBookmark(0);
        window.refreshView();
        QApplication::processEvents(); // the tab paints the new rows
    }
}
BENCHMARK(BM_MoveLineInLargestFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
