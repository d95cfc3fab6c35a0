// From process start to the first activation done (main window shown, configuration read, chip
// loaded). The parent starts itself N times as a child that starts the main window and prints
// the monotonic clock when the first activation has run; the parent takes the difference.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_ide_startup [runs]
#include "bench_common.h"
#include "core/program_dir.h"
#include "gui/main/main_window.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

int child(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string dir = zerka::programDir().string();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    zerka::gui::MainWindow window(dir, {});
    window.show();
    QApplication::processEvents();
    std::printf("%.3f\n", zerka::bench::monotonicMs());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--child") return child(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        int fds[2];
        if (pipe(fds) != 0) return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char childFlag[] = "--child";
        char* args[] = {argv[0], childFlag, nullptr};
        pid_t pid = 0;
        const double start = zerka::bench::monotonicMs();
        if (posix_spawn(&pid, argv[0], &actions, nullptr, args, environ) != 0) return 1;
        close(fds[1]);
        char buf[64] = {};
        const ssize_t n = read(fds[0], buf, sizeof buf - 1);
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&actions);
        if (n <= 0) return 1;
        times.push_back(std::atof(buf) - start);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "start-up to first activation over %d runs: median %.1f ms, min %.1f ms, max %.1f ms\n",
        runs, times[times.size() / 2], times.front(), times.back());
    return 0;
}
