#include "gui/debug/grid_window_parts.h"

#include <QBoxLayout>
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
