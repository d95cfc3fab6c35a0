#pragma once
// A pop-up menu as a keyboard user meets it: opened by a key, read item by item, and an item
// chosen by its caption with Enter.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace zerka::test {

struct PopupItem {
    QString text; // empty for a separator
    bool enabled = false;
    bool checked = false;
};

// Runs `open`, which pops up a menu and waits in it, and reads the menu's items. With `choose`
// the enabled item of that caption is chosen with Enter; otherwise (or when there is no such
// item) the menu closes without a choice.
inline std::vector<PopupItem> popUpMenu(const std::function<void()>& open,
                                        const QString& choose = {}) {
    struct State {
        std::vector<PopupItem> items;
        bool done = false;
    };
    auto state = std::make_shared<State>();
    QTimer::singleShot(0, [state, choose] {
        // A menu that did not open leaves the timer to a later event loop: it does nothing.
        if (state->done) return;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            state->items.push_back(
                {a->isSeparator() ? QString() : a->text(), a->isEnabled(), a->isChecked()});
            if (!choose.isEmpty() && a->text() == choose && a->isEnabled()) chosen = a;
        }
        if (!chosen) {
            menu->close();
            return;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    open();
    state->done = true;
    return state->items;
}

// The captions of `items`, "-" for a separator.
inline QStringList captions(const std::vector<PopupItem>& items) {
    QStringList list;
    for (const PopupItem& i : items)
        list << (i.text.isEmpty() ? QStringLiteral("-") : i.text);
    return list;
}

} // namespace zerka::test
