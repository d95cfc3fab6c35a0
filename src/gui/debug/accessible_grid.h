#pragma once
// Screen-reader access to the custom-painted debug grids and value panels. A widget is given a
// table description (rows, columns, their names and what each cell says) or a panel description
// (a name and the value shown); Qt's accessibility layer then exposes it as a table with cells,
// or as a named label, to AT-SPI clients and to our GUI tests. The texts are read live from the
// same cells the widget paints, so they never go stale.
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>

namespace zerka::gui {

// What one cell says to a screen reader.
struct AccessibleCell {
    QString name;        // the text shown
    QString value;       // a value beside the name (a bit's 0 or 1), if any
    QString description; // where the cell is and what it means
    bool selected = false;
    bool checkable = false;
    bool checked = false;
    bool editable = false;
};

struct AccessibleTableShape {
    QString name;
    QString description;
    std::function<int()> rows;
    std::function<int()> columns;
    std::function<QString(int row)> rowName;
    std::function<QString(int column)> columnName;
    std::function<AccessibleCell(int row, int column)> cell;
    // The cell's rectangle in widget coordinates; empty when not shown.
    std::function<QRect(int row, int column)> rect;
    // The cell that has the keyboard, or (-1, -1).
    std::function<std::pair<int, int>()> current;
};

// Makes `widget` an accessible table described by `shape` (replacing an earlier description).
void setAccessibleTable(QWidget* widget, AccessibleTableShape shape);

// Makes `widget` (a label) an accessible label named `name` whose value is `value()`; its
// description is the whole text shown.
void setAccessiblePanel(QWidget* widget, const QString& name, std::function<QString()> value);

// Sends the change events of the tables and panels at or below `root` since the last call: a
// table-model change over the changed cells and a value change for each changed cell and panel,
// so that a screen reader hears a new PC or a changed register. Events are sent only while an
// assistive technology (or a test's update handler) listens.
void announceAccessibleChanges(QWidget* root);

} // namespace zerka::gui
