// zerka-ide: the desktop program. An optional first argument names a source file that is built
// and debugged at once.
#include "core/huge_heap.h"
#include "core/program_dir.h"
#include "gui/main/main_window.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// The program's icon (packaging/zerka-ide.svg: a chip with a "Z"), drawn here so that the
// windows show it, not Qt's logo, without an SVG image plug-in.
QIcon programIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(0.5, 0.5); // the SVG's 128-unit square
    p.setPen(QColor(0x7d, 0x87, 0x90));
    p.setBrush(QColor(0xb8, 0xc2, 0xcc));
    for (int y : {27, 47, 67, 87})
        for (int x : {6, 104})
            p.drawRoundedRect(QRectF(x, y, 18, 8), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2d, 0x36, 0x40));
    p.drawRoundedRect(QRectF(20, 14, 88, 100), 8, 8);
    QPainterPath z;
    z.moveTo(42, 40);
    for (const auto& [x, y] : {std::pair{86, 40},
                               {86, 50},
                               {56, 88},
                               {86, 88},
                               {86, 98},
                               {42, 98},
                               {42, 88},
                               {72, 50},
                               {42, 50}})
        z.lineTo(x, y);
    p.fillPath(z, QColor(0xf0, 0xa2, 0x3a));
    return QIcon(pixmap);
}

} // namespace

int main(int argc, char** argv) {
    zerka::useHugePageHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zerka-IDE"));
    QApplication::setWindowIcon(programIcon());
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    std::string dir = zerka::programDir().string();
    if (!dir.empty() && dir.back() != '/') dir += '/';
    zerka::gui::MainWindow window(dir, args);
    window.show();
    return app.exec();
}
