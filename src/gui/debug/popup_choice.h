#pragma once
// The small pop-up menus of the register and RAM windows (bit "=1"/"=0" menus, description
// menus, panel menus): a list of texts shown at a point; the answer is the chosen index.
// Windows keep the chooser as a replaceable function so that tests can answer for the user.
#include <QPoint>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace zerka::gui {

// The index of the chosen item, or -1 when the menu was dismissed.
using PopupChooser =
    std::function<int(QWidget* parent, QPoint global, const std::vector<std::string>& items)>;

// A QMenu at `global`.
int choosePopupItem(QWidget* parent, QPoint global, const std::vector<std::string>& items);

} // namespace zerka::gui
