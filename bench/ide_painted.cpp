// From process start to the debug windows painted: the parent starts itself N times as a child
// that does what zerka-ide does with a source file argument (main window shown, the file built
// and debugged) and prints the monotonic clock once every visible sub-window of the main window,
// the program-memory window among them, has painted its contents. Run it on a real display
// server (bench/ide_startup.sh runs it under Xvfb):
//   bench_ide_painted FILE.asm [runs]
#include "bench_common.h"
#include "core/huge_heap.h"
#include "core/program_dir.h"
#include "gui/main/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Notes the first paint of each sub-window's contents; done when every visible sub-window has
// painted and the program-memory window is one of them.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(QWidget& window) : window_(window) {}

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->isWidgetType()) {
            auto* w = static_cast<QWidget*>(o);
            for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
                if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) {
                    painted_.insert(sub);
                    break;
                }
            // Checked after this paint has run.
            QTimer::singleShot(0, this, [this] { check(); });
        }
        return false;
    }

  private:
    void check() {
        if (done_) return;
        bool program = false;
        for (QMdiSubWindow* sub : window_.findChildren<QMdiSubWindow*>()) {
            if (!sub->isVisible()) continue;
            if (!painted_.count(sub)) return;
            program = program || sub->windowTitle() == QStringLiteral("Program Memory");
        }
        if (!program) return;
        done_ = true;
        std::printf("%.3f\n", zerka::bench::monotonicMs());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }

    QWidget& window_;
    std::set<QObject*> painted_;
    bool done_ = false;
};

int child(int argc, char** argv, const std::string& file) {
    zerka::useHugePageHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zerka-IDE"));
    std::string dir = zerka::programDir().string();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    zerka::gui::MainWindow window(dir, {file});
    PaintWatch watch(window);
    app.installEventFilter(&watch);
    window.show();
    // A run that never gets there reports nothing and fails the parent.
    QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(1); });
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--child") return child(argc, argv, argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_ide_painted FILE.asm [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    std::vector<double> times, cpu;
    for (int i = 0; i < runs; ++i) {
        int fds[2];
        if (pipe(fds) != 0) return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char childFlag[] = "--child";
        char* args[] = {argv[0], childFlag, argv[1], nullptr};
        pid_t pid = 0;
        const double start = zerka::bench::monotonicMs();
        if (posix_spawn(&pid, argv[0], &actions, nullptr, args, environ) != 0) return 1;
        close(fds[1]);
        char buf[64] = {};
        const ssize_t n = read(fds[0], buf, sizeof buf - 1);
        close(fds[0]);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        posix_spawn_file_actions_destroy(&actions);
        if (n <= 0) {
            std::fprintf(stderr, "run %d: the debug windows were not painted\n", i + 1);
            return 1;
        }
        times.push_back(std::atof(buf) - start);
        // The child's CPU time runs to its exit, a little past the paint.
        cpu.push_back(double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                      double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("process start to debug windows painted over %d runs: median %.1f ms, min %.1f ms, "
                "max %.1f ms; CPU (user + sys, to exit) median %.1f ms\n",
                runs, times[times.size() / 2], times.front(), times.back(), cpu[cpu.size() / 2]);
    return 0;
}
