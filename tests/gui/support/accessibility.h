#pragma once
// Reading the program the way a screen reader does: the accessible tree from a widget down,
// found by role and name, and a recorder of the change events the program sends.
#include <QAccessible>
#include <QAccessibleEvent>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace zerka::test {

// What a screen reader calls a control: the label it is labelled by (a combo box's own name on
// Linux is its current text), else its name.
inline QString spokenName(QAccessibleInterface* i) {
    for (const auto& [label, relation] : i->relations(QAccessible::Label))
        if (label) return label->text(QAccessible::Name);
    return i->text(QAccessible::Name);
}

// The first interface at or below `root` (depth first) with this spoken name and, unless
// QAccessible::NoRole, this role.
inline QAccessibleInterface* findAccessible(QAccessibleInterface* root, const QString& name,
                                            QAccessible::Role role = QAccessible::NoRole,
                                            int depth = 0) {
    if (!root || depth > 40) return nullptr;
    if (spokenName(root) == name && (role == QAccessible::NoRole || root->role() == role))
        return root;
    // Tables answer for their cells through the table interface; their children are cells only.
    if (root->tableInterface()) return nullptr;
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* hit = findAccessible(root->child(i), name, role, depth + 1))
            return hit;
    return nullptr;
}

inline QAccessibleInterface* findAccessible(QWidget* root, const QString& name,
                                            QAccessible::Role role = QAccessible::NoRole) {
    return findAccessible(QAccessible::queryAccessibleInterface(root), name, role);
}

inline QString cellName(QAccessibleInterface* table, int row, int col) {
    QAccessibleInterface* cell = table ? table->tableInterface()->cellAt(row, col) : nullptr;
    return cell ? cell->text(QAccessible::Name) : QStringLiteral("<no cell>");
}

// Records the accessibility events while it lives (and switches the accessibility layer on, as
// an assistive technology connecting does).
class AccessibleEventRecorder {
  public:
    struct Event {
        QAccessible::Event type;
        QObject* object;        // the widget, or the table of a cell event
        QString name;           // the interface's name when the event arrived
        QString value;          // value-change events
        int firstRow = -1;      // table-model changes
        int lastRow = -1;
        int firstColumn = -1;
        int lastColumn = -1;
        QAccessibleTableModelChangeEvent::ModelChangeType change =
            QAccessibleTableModelChangeEvent::DataChanged;
    };

    AccessibleEventRecorder() {
        self() = this;
        wasActive_ = QAccessible::isActive();
        QAccessible::setActive(true);
        previous_ = QAccessible::installUpdateHandler(&AccessibleEventRecorder::record);
    }
    ~AccessibleEventRecorder() {
        QAccessible::installUpdateHandler(previous_);
        QAccessible::setActive(wasActive_);
        self() = nullptr;
    }
    AccessibleEventRecorder(const AccessibleEventRecorder&) = delete;
    AccessibleEventRecorder& operator=(const AccessibleEventRecorder&) = delete;

    std::vector<Event> events;

  private:
    static AccessibleEventRecorder*& self() {
        static AccessibleEventRecorder* current = nullptr;
        return current;
    }
    static void record(QAccessibleEvent* e) {
        AccessibleEventRecorder* r = self();
        if (!r) return;
        Event out{e->type(), e->object(), {}, {}};
        if (QAccessibleInterface* iface = e->accessibleInterface()) {
            out.name = iface->text(QAccessible::Name);
            if (!out.object && iface->parent()) out.object = iface->parent()->object();
        }
        if (e->type() == QAccessible::ValueChanged)
            out.value = static_cast<QAccessibleValueChangeEvent*>(e)->value().toString();
        if (e->type() == QAccessible::TableModelChanged) {
            auto* t = static_cast<QAccessibleTableModelChangeEvent*>(e);
            out.change = t->modelChangeType();
            out.firstRow = t->firstRow();
            out.lastRow = t->lastRow();
            out.firstColumn = t->firstColumn();
            out.lastColumn = t->lastColumn();
        }
        r->events.push_back(out);
    }

    QAccessible::UpdateHandler previous_ = nullptr;
    bool wasActive_ = false;
};

} // namespace zerka::test
