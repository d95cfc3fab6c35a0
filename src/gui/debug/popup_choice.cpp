#include "gui/debug/popup_choice.h"

#include <QMenu>

namespace zerka::gui {

int choosePopupItem(QWidget* parent, QPoint global, const std::vector<std::string>& items) {
    if (items.empty()) return -1;
    QMenu menu(parent);
    for (size_t i = 0; i < items.size(); ++i)
        menu.addAction(QString::fromStdString(items[i]))->setData(int(i));
    const QAction* chosen = menu.exec(global);
    return chosen ? chosen->data().toInt() : -1;
}

} // namespace zerka::gui
