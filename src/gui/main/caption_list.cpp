#include "gui/main/caption_list.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QWidget>

namespace zerka::gui {

QString captionOf(TextId entry) {
    return QString::fromStdString(TextOf(entry));
}

QString withoutMnemonic(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    t.remove(QLatin1Char('&'));
    t.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return t;
}

void CaptionList::item(QAction* action, TextId entry, const QString& suffix) {
    entries_.push_back({Kind::Item, action, entry, TextId::None, suffix});
}

void CaptionList::menu(QMenu* menu, TextId entry) {
    entries_.push_back({Kind::Menu, menu, entry, TextId::None, {}});
}

void CaptionList::button(QAction* action, TextId caption, TextId hint) {
    entries_.push_back({Kind::Button, action, caption, hint, {}});
}

void CaptionList::title(QWidget* window, TextId entry) {
    entries_.push_back({Kind::Title, window, entry, TextId::None, {}});
}

void CaptionList::apply() const {
    for (const Entry& e : entries_) {
        if (!e.target) continue;
        const QString text = captionOf(e.entry) + e.suffix;
        switch (e.kind) {
        case Kind::Item: {
            auto* a = static_cast<QAction*>(e.target.data());
            a->setText(text);
            a->setToolTip(withoutMnemonic(text));
            break;
        }
        case Kind::Menu: {
            auto* m = static_cast<QMenu*>(e.target.data());
            m->setTitle(text);
            m->setAccessibleName(withoutMnemonic(text));
            break;
        }
        case Kind::Button: {
            auto* a = static_cast<QAction*>(e.target.data());
            const QString hint = captionOf(e.hintEntry);
            a->setText(text);
            a->setToolTip(hint);
            // The button widgets of every toolbar that shows this action.
            for (QObject* o : a->associatedObjects())
                if (auto* bar = qobject_cast<QToolBar*>(o))
                    if (QWidget* w = bar->widgetForAction(a)) w->setAccessibleName(hint);
            break;
        }
        case Kind::Title: {
            auto* w = static_cast<QWidget*>(e.target.data());
            w->setWindowTitle(text);
            w->setAccessibleName(text);
            break;
        }
        }
    }
}

} // namespace zerka::gui
