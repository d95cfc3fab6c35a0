// The source editor with a 200,000-line file: opening it (and painting the first screen), and
// typing in it (a key, or Enter with a bookmark below, then the repaint). Runs on the
// offscreen platform unless another is chosen; the resident memory after opening is reported
// as the counter rss_MB (peak as peak_MB). Typing near the end must cost what it costs near the
// top: a long text is edited without QScintilla's per-change accessibility notices, which count
// every character before the caret.
#include "core/atomic_file.h"
#include "gui/editor/editor_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTabWidget>
#include <Qsci/qsciscintilla.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

constexpr int kLines = 200000;

const std::string& bigSource() {
    static const std::string path = [] {
        const fs::path file =
            fs::temp_directory_path() / ("zerka-bench-editor-" + std::to_string(getpid()) + ".asm");
        std::string text;
        text.reserve(kLines * 40);
        for (int i = 0; i < kLines; ++i) {
            switch (i % 4) {
            case 0:
                text += "L" + std::to_string(i) + ":  MVL     0" + "FH ; count down\n";
                break;
            case 1:
                text += "        MVF     80H, 1\n";
                break;
            case 2:
                text += "        DCSZ    81H, 1      ; inner\n";
                break;
            default:
                text += "        JMP     L" + std::to_string(i - 3) + "\n";
                break;
            }
        }
        writeFileAtomic(file, text);
        return file.string();
    }();
    return path;
}

double statusMb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::strlen(key)) / 1024.0;
    }
    return 0;
}

gui::LanguageWords words() {
    gui::LanguageWords w;
    w.mnemonics = {"MVL", "MVF", "DCSZ", "JMP", "NOP", "RET", "CALL"};
    return w;
}

void BM_OpenLargeFile(benchmark::State& state) {
    const std::string& path = bigSource();
    EditorDocuments docs;
    gui::EditorWindow window(docs);
    window.setLanguageWords(words());
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        if (!window.openFile(path)) state.SkipWithError("open failed");
        window.repaint(); // the first screen, highlighted
        QApplication::processEvents();
        state.PauseTiming();
        state.counters["rss_MB"] = statusMb("VmRSS:");
        docs.closeAll();
        QApplication::processEvents(); // frees the closed control
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = statusMb("VmHWM:");
    state.counters["lines"] = kLines;
}
BENCHMARK(BM_OpenLargeFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Opening at the last line (an error near the end of a long file): everything above it is
// coloured before the first screen shows.
void BM_OpenAtLastLine(benchmark::State& state) {
    const std::string& path = bigSource();
    EditorDocuments docs;
    gui::EditorWindow window(docs);
    window.setLanguageWords(words());
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        if (!window.openFile(path)) state.SkipWithError("open failed");
        docs.gotoLine(1, kLines - 1);
        window.repaint();
        QApplication::processEvents();
        state.PauseTiming();
        docs.closeAll();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAtLastLine)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_TypeInLargeFile(benchmark::State& state) {
    EditorDocuments docs;
    gui::EditorWindow window(docs);
    window.setLanguageWords(words());
    window.resize(1000, 700);
    window.show();
    window.openFile(bigSource());
    // Caret near the top, in the middle or near the end of the file.
    const int at = static_cast<int>(state.range(1)) * (kLines - 20) / 2 + 10;
    docs.gotoLine(1, at + 10);
    window.setBookmark(1);
    docs.gotoLine(1, at);
    auto* text = qobject_cast<QsciScintilla*>(window.findChild<QTabWidget*>()->currentWidget());
    const bool enter = state.range(0) == 1;
    QApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, enter ? Qt::Key_Return : Qt::Key_A, Qt::NoModifier,
                        enter ? QStringLiteral("\r") : QStringLiteral("a"));
        QApplication::sendEvent(text, &press);
        text->viewport()->repaint();
    }
    std::string p;
    int line = 0;
    window.bookmark(1, &p, &line);
    state.counters["bookmark_line"] = line;
}
BENCHMARK(BM_TypeInLargeFile)
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->ArgNames({"enter", "place"})
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove(bigSource(), ec);
    return 0;
}
