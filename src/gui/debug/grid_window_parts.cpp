#include "gui/debug/grid_window_parts.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QScrollArea>
#include <QTimer>

namespace zerka::gui {

void QueuedRefresh::schedule() {
    if (queued_) return;
    queued_ = true;
    QTimer::singleShot(0, owner_, [this] {
        if (queued_) refresh_();
    });
}

GridDebugWindow::GridDebugWindow(Signal<>& modelChanged, TextId caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
    hexEditor_ = [](QWidget* p, QPoint at, const HexEditRequest& r) {
        return editHexValue(p, at, r);
    };
    applyCaptions();
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    changes_.follow(modelChanged, [this] { refresh_.schedule(); });
}

void GridDebugWindow::applyCaptions() {
    setWindowTitle(QString::fromStdString(TextOf(caption_)));
}

QScrollArea* addScrollingGrid(QWidget* owner, QBoxLayout* layout, QWidget* grid) {
    auto* scroll = new QScrollArea(owner);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(grid);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setMinimumSize(1, 1);
    layout->addWidget(scroll, 1);
    return scroll;
}

} // namespace zerka::gui
