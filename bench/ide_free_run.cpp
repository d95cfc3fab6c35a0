// A free run (F5) of the bench loop in the desktop program: instructions per second while the
// event loop keeps turning, against the batch run of the same loop (the uP centre's run without
// a window, as `zerka sim --max-instructions` runs it), and the longest gap between two passes
// of the event loop during the run. Goals: at least half the batch speed, gaps of 50 ms or less.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_ide_free_run [seconds]
#include "gui/main/main_window.h"

#include "gui/editor/editor_window.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The chip library and the bench loop in a scratch folder, so that the build's output files
// stay out of the tree.
fs::path prepare() {
    const fs::path source = ZERKA_SOURCE_DIR;
    const fs::path work =
        fs::temp_directory_path() / ("zerka_ide_free_run_" + std::to_string(::getpid()));
    fs::create_directories(work / "prog" / "INCLUDE");
    fs::create_directories(work / "chips");
    fs::create_directories(work / "bench");
    for (const auto& e : fs::directory_iterator(source / "chips")) {
        fs::copy_file(e.path(), work / "prog" / "INCLUDE" / e.path().filename());
        fs::copy_file(e.path(), work / "chips" / e.path().filename());
    }
    fs::copy_file(source / "bench" / "sim_loop_cx4a.asm", work / "bench" / "sim_loop_cx4a.asm");
    return work;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const double runSeconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;
    QApplication app(argc, argv);
    const fs::path work = prepare();
    int status = 0;
    {
        zerka::gui::MainWindow window((work / "prog").string() + "/", {});
        window.resize(1280, 800);
        window.show();
        QApplication::processEvents();
        zerka::Shell& shell = window.workbench().shell();
        const auto chip = shell.parts().library.findChipByName("KXA1608");
        if (!chip) {
            std::fprintf(stderr, "bench_ide_free_run: the chip library has no KXA1608\n");
            return 1;
        }
        shell.parts().options.restoreChipIndex(*chip);
        const std::string main = (work / "bench" / "sim_loop_cx4a.asm").string();
        window.editor().openFile(main);
        shell.filesOpened();
        shell.SetMainFile(main);
        window.action(zerka::Command::AssembleRun)->trigger();
        QApplication::processEvents();
        if (shell.state().debugMode != 1) {
            std::fprintf(stderr, "bench_ide_free_run: the bench loop did not build\n");
            return 1;
        }
        for (int s : {0, 2, 3, 4, 5, 6})
            window.showAsChild(zerka::Slot(s), true);

        // Every pass of the event loop fires the zero timer once.
        Clock::time_point lastPass = Clock::now();
        std::vector<double> gaps; // ms
        gaps.reserve(1 << 16);
        QTimer pass;
        pass.setInterval(0);
        QObject::connect(&pass, &QTimer::timeout, [&] {
            const Clock::time_point now = Clock::now();
            gaps.push_back(seconds(now - lastPass) * 1000.0);
            lastPass = now;
        });
        QTimer::singleShot(int(runSeconds * 1000),
                           [&] { window.action(zerka::Command::Stop)->trigger(); });
        zerka::TZk_UP& up = window.workbench().up();
        const uint64_t before = up.executedInstructions();
        pass.start();
        lastPass = Clock::now();
        const Clock::time_point start = Clock::now();
        window.action(zerka::Command::Run)->trigger(); // returns when F12 stopped the run
        const double ide = seconds(Clock::now() - start);
        pass.stop();
        const uint64_t executed = up.executedInstructions() - before;

        // The same loop and count in batch.
        zerka::TZk_UP batch;
        batch.applyChip(shell.parts().chip);
        batch.setInstructionSet(up.instructions());
        for (uint32_t a = 0; a < 0x200; ++a)
            batch.LoadProgramCell(a, up.cpu().ProgramWord(a), 0, 0);
        batch.ResetCpu();
        batch.cpu().SetPC(0);
        batch.setTickLimit(executed);
        const Clock::time_point batchStart = Clock::now();
        batch.Run();
        const double batchTime = seconds(Clock::now() - batchStart);

        const double ideRate = double(executed) / ide / 1e6;
        const double batchRate = double(batch.executedInstructions()) / batchTime / 1e6;
        // A loaded machine takes the process off the processor now and then; the median and
        // the 99th percentile show the run's own rhythm beside the longest gap.
        std::sort(gaps.begin(), gaps.end());
        const auto at = [&](double q) {
            return gaps.empty() ? 0.0 : gaps[std::min(gaps.size() - 1, size_t(q * gaps.size()))];
        };
        const double gapMs = gaps.empty() ? 0.0 : gaps.back();
        const size_t over =
            size_t(std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 50.0; }));
        std::printf("free run in the IDE: %.1f M instructions/s (%llu in %.2f s, %zu event-loop "
                    "passes)\n",
                    ideRate, static_cast<unsigned long long>(executed), ide, gaps.size());
        std::printf("batch run:           %.1f M instructions/s\n", batchRate);
        std::printf("IDE / batch:         %.2f (goal >= 0.50)\n", ideRate / batchRate);
        std::printf("event-loop gaps: median %.1f ms, 99th percentile %.1f ms, longest %.1f ms "
                    "(goal <= 50 ms), %zu over 50 ms\n",
                    at(0.5), at(0.99), gapMs, over);
        if (executed == 0 || ideRate < batchRate / 2 || gapMs > 50.0) status = 2;
    }
    fs::remove_all(work);
    return status;
}
