// zerka-ide: the desktop program. An optional first argument names a source file that is built
// and debugged at once.
#include "core/huge_heap.h"
#include "core/program_dir.h"
#include "gui/main/main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    zerka::useHugePageHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zerka-IDE"));
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    std::string dir = zerka::programDir().string();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    zerka::gui::MainWindow window(dir, args);
    window.show();
    return app.exec();
}
