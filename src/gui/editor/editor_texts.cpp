#include "gui/editor/editor_texts.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace zerka::gui {

void placeCentred(QWidget& dialog, QWidget* over) {
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QPoint centre = area.center();
    if (over && over->isVisible())
        centre = over->mapToGlobal(QPoint(over->width() / 2, over->height() / 2));
    QRect frame(QPoint(0, 0), dialog.sizeHint().expandedTo(dialog.size()));
    frame.moveCenter(centre);
    const int left =
        std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() - frame.width()));
    const int top =
        std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() - frame.height()));
    dialog.move(left, top);
}

} // namespace zerka::gui
