#include "gui/debug/accessible_grid.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QLabel>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace zerka::gui {

namespace {

// The description rides on the widget as a hidden child object: it lives and dies with it and
// needs no registry of its own.
class TableHolder : public QObject {
  public:
    TableHolder(QWidget* owner, AccessibleTableShape s) : QObject(owner), shape(std::move(s)) {}
    AccessibleTableShape shape;
    std::vector<QString> lastSeen; // what the last announcement saw, row by row
    int lastRows = -1;
    int lastColumns = -1;
};

class PanelHolder : public QObject {
  public:
    PanelHolder(QWidget* owner, QString n, std::function<QString()> v)
        : QObject(owner), name(std::move(n)), value(std::move(v)) {}
    QString name;
    std::function<QString()> value;
    QString lastSeen;
    bool seen = false;
};

template <typename Holder> Holder* holderOf(const QObject* o) {
    if (!o) return nullptr;
    for (QObject* c : o->children())
        if (auto* h = dynamic_cast<Holder*>(c)) return h;
    return nullptr;
}

int rowsOf(const AccessibleTableShape& s) {
    return s.rows ? std::max(0, s.rows()) : 0;
}
int columnsOf(const AccessibleTableShape& s) {
    return s.columns ? std::max(0, s.columns()) : 0;
}

QString snapshotText(const AccessibleCell& c) {
    return c.name + QChar(0x1F) + c.value + QChar(0x1F) + QChar(c.checked ? '1' : '0') +
           QChar(c.selected ? '1' : '0');
}

void announceTable(QWidget* w, class TableHolder& h);
void announcePanel(QWidget* w, class PanelHolder& h);
bool listening();

class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
  public:
    CellAccessible(QWidget* w, int row, int column) : widget_(w), row_(row), column_(column) {}

    const AccessibleTableShape* shape() const {
        const TableHolder* h = holderOf<TableHolder>(widget_.data());
        return h ? &h->shape : nullptr;
    }
    AccessibleCell cell() const {
        const AccessibleTableShape* s = shape();
        if (!s || !s->cell || !isValid()) return {};
        return s->cell(row_, column_);
    }

    bool isValid() const override {
        const AccessibleTableShape* s = shape();
        return s && row_ < rowsOf(*s) && column_ < columnsOf(*s);
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return widget_ && widget_->window() ? widget_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return widget_ ? QAccessible::queryAccessibleInterface(widget_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        const AccessibleCell c = cell();
        switch (t) {
        case QAccessible::Name:
            return c.name;
        case QAccessible::Value:
            return c.value;
        case QAccessible::Description:
            return c.description;
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const AccessibleTableShape* s = shape();
        if (!s || !s->rect || !widget_) return {};
        const QRect r = s->rect(row_, column_);
        if (r.isEmpty()) return {};
        return QRect(widget_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State st;
        if (!widget_) return st;
        const AccessibleCell c = cell();
        st.selectable = true;
        st.focusable = true;
        st.selected = c.selected;
        st.checkable = c.checkable;
        st.checked = c.checked;
        st.editable = c.editable;
        st.readOnly = !c.editable;
        if (!widget_->isVisible() || rect().isEmpty()) st.invisible = true;
        if (const AccessibleTableShape* s = shape(); s && s->current)
            st.focused = widget_->hasFocus() && s->current() == std::make_pair(row_, column_);
        return st;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return cell().selected; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

  private:
    QPointer<QWidget> widget_;
    int row_;
    int column_;
};

class TableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
  public:
    explicit TableAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Table) {
        // A listener that asks for the table gets announcements relative to what it read.
        if (TableHolder* h = holderOf<TableHolder>(w); h && h->lastRows < 0 && listening())
            announceTable(w, *h);
    }
    ~TableAccessible() override { clearCells(); }

    const AccessibleTableShape* shape() const {
        const TableHolder* h = holderOf<TableHolder>(object());
        return h ? &h->shape : nullptr;
    }

    QString text(QAccessible::Text t) const override {
        const AccessibleTableShape* s = shape();
        if (!s) return QAccessibleWidget::text(t);
        if (t == QAccessible::Name)
            return widget()->accessibleName().isEmpty() ? s->name : widget()->accessibleName();
        if (t == QAccessible::Description) return s->description;
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return rowCount() * columnCount(); }
    QAccessibleInterface* child(int index) const override {
        const int columns = columnCount();
        if (index < 0 || columns == 0 || index >= childCount()) return nullptr;
        return cellAt(index / columns, index % columns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::Cell) return -1;
        auto* c = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (!c || c->table() != this) return -1;
        return c->rowIndex() * columnCount() + c->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const AccessibleTableShape* s = shape();
        if (!s || !s->rect) return nullptr;
        const QPoint p = widget()->mapFromGlobal(QPoint(x, y));
        for (int r = 0; r < rowCount(); ++r)
            for (int c = 0; c < columnCount(); ++c)
                if (s->rect(r, c).contains(p)) return cellAt(r, c);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const AccessibleTableShape* s = shape();
        if (!s || !s->current) return nullptr;
        const auto [r, c] = s->current();
        return cellAt(r, c);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) return nullptr;
        if (cachedColumns_ != columnCount()) clearCells();
        cachedColumns_ = columnCount();
        const int key = row * cachedColumns_ + column;
        if (auto it = cells_.find(key); it != cells_.end())
            if (QAccessibleInterface* iface = QAccessible::accessibleInterface(it.value()))
                return iface;
        auto* iface = new CellAccessible(widget(), row, column);
        cells_.insert(key, QAccessible::registerAccessibleInterface(iface));
        return iface;
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> out;
        const AccessibleTableShape* s = shape();
        if (!s || !s->cell) return out;
        for (int r = 0; r < rowCount(); ++r)
            for (int c = 0; c < columnCount(); ++c)
                if (s->cell(r, c).selected) out.append(cellAt(r, c));
        return out;
    }
    QString columnDescription(int column) const override {
        const AccessibleTableShape* s = shape();
        return s && s->columnName && column >= 0 && column < columnCount() ? s->columnName(column)
                                                                           : QString();
    }
    QString rowDescription(int row) const override {
        const AccessibleTableShape* s = shape();
        return s && s->rowName && row >= 0 && row < rowCount() ? s->rowName(row) : QString();
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override {
        const AccessibleTableShape* s = shape();
        return s ? columnsOf(*s) : 0;
    }
    int rowCount() const override {
        const AccessibleTableShape* s = shape();
        return s ? rowsOf(*s) : 0;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        const AccessibleTableShape* s = shape();
        if (!s || !s->cell || columnCount() == 0) return rows;
        for (int r = 0; r < rowCount(); ++r)
            if (isRowSelected(r)) rows.append(r);
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        const AccessibleTableShape* s = shape();
        if (!s || !s->cell || columnCount() == 0) return false;
        for (int c = 0; c < columnCount(); ++c)
            if (!s->cell(row, c).selected) return false;
        return true;
    }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        // Cells are addressed by position and read live; only a new shape makes them stale.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            clearCells();
    }

  private:
    void clearCells() const {
        for (QAccessible::Id id : std::as_const(cells_))
            QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }

    mutable QHash<int, QAccessible::Id> cells_;
    mutable int cachedColumns_ = -1;
};

// A panel's value is also its text: AT-SPI carries a value only for numeric controls, so a
// screen reader on Linux reads a label's text interface.
class PanelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit PanelAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {
        if (PanelHolder* h = holderOf<PanelHolder>(w); h && !h->seen && listening())
            announcePanel(w, *h);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Read-only text: no selection, no caret, no attributes.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString v = text(QAccessible::Value);
        start = std::clamp(start, 0, int(v.size()));
        end = end < 0 ? int(v.size()) : std::clamp(end, start, int(v.size()));
        return v.mid(start, end - start);
    }
    int characterCount() const override { return int(text(QAccessible::Value).size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

    QString text(QAccessible::Text t) const override {
        const PanelHolder* h = holderOf<PanelHolder>(object());
        if (!h) return QAccessibleWidget::text(t);
        switch (t) {
        case QAccessible::Name:
            return h->name;
        case QAccessible::Value:
            return h->value ? h->value() : QString();
        case QAccessible::Description:
            if (auto* label = qobject_cast<QLabel*>(widget())) return label->text().trimmed();
            return {};
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (holderOf<TableHolder>(w)) return new TableAccessible(w);
    if (holderOf<PanelHolder>(w)) return new PanelAccessible(w);
    return nullptr;
}

QAccessible::UpdateHandler installedHandler() {
    const QAccessible::UpdateHandler handler = QAccessible::installUpdateHandler(nullptr);
    QAccessible::installUpdateHandler(handler);
    return handler;
}

// Someone hears the events: an assistive technology through the platform, or an update handler
// (a test's recorder, a bridge of our own).
bool listening() {
    return QAccessible::isActive() || installedHandler() != nullptr;
}

// Qt passes events on only while the platform's accessibility is active; a platform without
// one (the offscreen platform) still has the installed handler to hear them.
void deliver(QAccessibleEvent* e) {
    if (QAccessible::isActive())
        QAccessible::updateAccessibility(e);
    else if (const QAccessible::UpdateHandler handler = installedHandler())
        handler(e);
}

void installFactory() {
    // Installing twice is harmless: Qt keeps one entry per factory.
    QAccessible::installFactory(factory);
}

void announceTable(QWidget* w, TableHolder& h) {
    const AccessibleTableShape& s = h.shape;
    const int rows = rowsOf(s);
    const int columns = columnsOf(s);
    std::vector<QString> now;
    now.reserve(size_t(rows) * size_t(columns));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            now.push_back(s.cell ? snapshotText(s.cell(r, c)) : QString());
    const bool first = h.lastRows < 0;
    const bool reshaped = !first && (rows != h.lastRows || columns != h.lastColumns);
    std::vector<QString> before = std::move(h.lastSeen);
    h.lastSeen = std::move(now);
    h.lastRows = rows;
    h.lastColumns = columns;
    if (first || !listening()) return;
    if (reshaped) {
        QAccessibleTableModelChangeEvent e(w, QAccessibleTableModelChangeEvent::ModelReset);
        deliver(&e);
        return;
    }
    int firstRow = -1, lastRow = -1, firstColumn = columns, lastColumn = -1;
    std::vector<std::pair<int, int>> changed;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const size_t i = size_t(r) * size_t(columns) + size_t(c);
            if (before[i] == h.lastSeen[i]) continue;
            if (firstRow < 0) firstRow = r;
            lastRow = r;
            firstColumn = std::min(firstColumn, c);
            lastColumn = std::max(lastColumn, c);
            changed.emplace_back(r, c);
        }
    if (changed.empty()) return;
    QAccessibleTableModelChangeEvent e(w, QAccessibleTableModelChangeEvent::DataChanged);
    e.setFirstRow(firstRow);
    e.setLastRow(lastRow);
    e.setFirstColumn(firstColumn);
    e.setLastColumn(lastColumn);
    deliver(&e);
    // Each changed cell says its new text; a whole new page (a bank switch) is one table change.
    constexpr size_t kCellEvents = 32;
    if (changed.size() > kCellEvents) return;
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(w);
    QAccessibleTableInterface* t = table ? table->tableInterface() : nullptr;
    if (!t) return;
    for (const auto& [r, c] : changed)
        if (QAccessibleInterface* cell = t->cellAt(r, c)) {
            QAccessibleValueChangeEvent v(cell, cell->text(QAccessible::Name));
            deliver(&v);
        }
}

void announcePanel(QWidget* w, PanelHolder& h) {
    const QString now = h.value ? h.value() : QString();
    const bool first = !h.seen;
    const bool changed = h.lastSeen != now;
    h.lastSeen = now;
    h.seen = true;
    if (first || !changed || !listening()) return;
    QAccessibleValueChangeEvent e(w, now);
    deliver(&e);
}

} // namespace

// An interface Qt made for the widget before it was described (setting a name is enough to
// make one) is dropped, so that the next query comes to our factory.
template <typename Wanted> void forgetOtherInterface(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (iface && !dynamic_cast<Wanted*>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

void setAccessibleTable(QWidget* widget, AccessibleTableShape shape) {
    if (!widget) return;
    installFactory();
    delete holderOf<TableHolder>(widget);
    const QString name = shape.name;
    new TableHolder(widget, std::move(shape));
    if (widget->accessibleName().isEmpty()) widget->setAccessibleName(name);
    forgetOtherInterface<TableAccessible>(widget);
}

void setAccessiblePanel(QWidget* widget, const QString& name, std::function<QString()> value) {
    if (!widget) return;
    installFactory();
    delete holderOf<PanelHolder>(widget);
    new PanelHolder(widget, name, std::move(value));
    widget->setAccessibleName(name);
    forgetOtherInterface<PanelAccessible>(widget);
}

void announceAccessibleChanges(QWidget* root) {
    // The snapshots follow every refresh, heard or not, so that a listener that comes later
    // hears changes against what is on screen.
    if (!root) return;
    auto visit = [](QWidget* w) {
        if (TableHolder* t = holderOf<TableHolder>(w)) announceTable(w, *t);
        if (PanelHolder* p = holderOf<PanelHolder>(w)) announcePanel(w, *p);
    };
    visit(root);
    for (QWidget* w : root->findChildren<QWidget*>())
        visit(w);
}

} // namespace zerka::gui
