// The models first: Qt defines its keyword `emit` as a macro, which core/signal.h uses as a name.
#include "views/program_memory_view.h"
#include "views/ram_view.h"
#include "views/source_view.h"

#include "gui/debug/accessible_windows.h"
#include "gui/debug/hex_cell_grid.h"
#include "gui/debug/program_memory_grid.h"
#include "gui/debug/register_window.h"
#include "gui/debug/source_view_widget.h"
#include "uitext/text_id.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QTableView>
#include <QTimer>

namespace zerka::gui {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString hex3(uint32_t v) {
    return QStringLiteral("%1").arg(v, 3, 16, QLatin1Char('0')).toUpper();
}

// The part of a panel's text after its caption: " WREG:3F" -> "3F".
QString afterColon(const QLabel* label) {
    const QString t = label->text();
    const int colon = t.indexOf(QLatin1Char(':'));
    return (colon < 0 ? t : t.mid(colon + 1)).trimmed();
}

QString roleWords(CellRole role) {
    switch (role) {
    case CellRole::Changed:
        return QStringLiteral("changed");
    case CellRole::Marked:
        return QStringLiteral("marked");
    default:
        return {};
    }
}

QString joined(std::initializer_list<QString> parts) {
    QStringList out;
    for (const QString& p : parts)
        if (!p.isEmpty()) out << p;
    return out.join(QStringLiteral(", "));
}

// The byte and word grids keep names in the upper row of each pair and values below: one
// accessible row per pair, each cell a register by name with its value.
AccessibleTableShape registerPairs(HexCellGrid& g, const QString& name) {
    AccessibleTableShape s;
    s.name = name;
    s.rows = [&g] { return g.rows() / 2; };
    s.columns = [&g] { return g.columns(); };
    s.rowName = [](int r) { return QString::number(r + 1); };
    s.columnName = [](int c) { return QString::number(c + 1); };
    s.cell = [&g](int r, int c) {
        AccessibleCell cell;
        const Cell& label = g.shownCell(2 * r, c);
        const Cell& value = g.shownCell(2 * r + 1, c);
        cell.name = q(label.text).trimmed();
        cell.value = q(value.text).trimmed();
        cell.description = roleWords(value.role);
        cell.editable = !cell.name.isEmpty() && cell.value != QLatin1String("=");
        return cell;
    };
    s.rect = [&g](int r, int c) { return g.cellRect(2 * r + 1, c); };
    s.current = [&g]() -> std::pair<int, int> {
        if (g.currentRow() < 0) return {-1, -1};
        return {g.currentRow() / 2, g.currentCol()};
    };
    return s;
}

} // namespace

void makeRamGridAccessible(HexCellGrid& g, const RamViewModel& model) {
    AccessibleTableShape s;
    s.name = q(TextOf(TextId::RamCaption));
    s.description = QStringLiteral("One bank of data memory, 16 bytes a row");
    s.rows = [&g] { return std::max(0, g.rows() - 1); };
    s.columns = [&g] { return std::max(0, g.columns() - 1); };
    s.rowName = [&g](int r) { return q(g.shownCell(r + 1, 0).text); };
    s.columnName = [&g](int c) { return q(g.shownCell(0, c + 1).text); };
    s.cell = [&g, &model](int r, int c) {
        AccessibleCell cell;
        const Cell& shown = g.shownCell(r + 1, c + 1);
        cell.name = q(shown.text);
        const auto address = model.addressAt(r + 1, c + 1);
        if (!address) return cell;
        const RamAnnotation& note = model.annotation(*address);
        cell.description =
            joined({QStringLiteral("address ") + hex3(*address),
                    note.hint || !note.hintText.empty() ? q(note.hintText) : QString(),
                    roleWords(shown.role)});
        cell.editable = model.editable() && shown.text != "=" && shown.text != "-";
        return cell;
    };
    s.rect = [&g](int r, int c) { return g.cellRect(r + 1, c + 1); };
    s.current = [&g]() -> std::pair<int, int> {
        if (g.currentRow() < 1 || g.currentCol() < 1) return {-1, -1};
        return {g.currentRow() - 1, g.currentCol() - 1};
    };
    setAccessibleTable(&g, std::move(s));
}

void makeRegisterWindowAccessible(RegisterWindow& w) {
    using Panel = RegisterWindow::Panel;
    auto panel = [&w](Panel p, const QString& name) {
        QLabel* label = w.panel(p);
        setAccessiblePanel(label, name, [label] { return afterColon(label); });
    };
    panel(Panel::W, QStringLiteral("WREG"));
    panel(Panel::Pc, QStringLiteral("Program Counter"));
    panel(Panel::Cycle, QStringLiteral("Cycle"));
    // An indirect register is shown in two panels (pointer, then the byte); the first speaks
    // for both, "M[015]=3F".
    auto ind = [&w](Panel address, Panel value, const QString& name) {
        QLabel* a = w.panel(address);
        QLabel* v = w.panel(value);
        setAccessiblePanel(a, name, [a, v] { return afterColon(a) + v->text().trimmed(); });
        setAccessiblePanel(v, name + QStringLiteral(" value"),
                           [v] { return v->text().trimmed().remove(QLatin1Char('=')).remove(
                                     QLatin1Char(']')); });
    };
    ind(Panel::Ind0Address, Panel::Ind0Value, QStringLiteral("IND0"));
    ind(Panel::Ind1Address, Panel::Ind1Value, QStringLiteral("IND1"));

    HexCellGrid& bits = *w.bitGrid();
    AccessibleTableShape s;
    s.name = QStringLiteral("Bit Registers");
    s.rows = [&bits] { return bits.rows(); };
    s.columns = [&bits] { return std::max(0, bits.columns() - 1); };
    s.rowName = [&bits](int r) { return q(bits.shownCell(r, 0).text).trimmed(); };
    s.columnName = [](int c) { return QStringLiteral("bit %1").arg(7 - c); };
    s.cell = [&bits](int r, int c) {
        AccessibleCell cell;
        const Cell& shown = bits.shownCell(r, c + 1);
        cell.name = q(shown.text).trimmed();
        const bool one = shown.role == CellRole::BitOne;
        if (one || shown.role == CellRole::BitZero) {
            cell.value = one ? QStringLiteral("1") : QStringLiteral("0");
            cell.checkable = true;
            cell.checked = one;
        }
        const Cell& reg = bits.shownCell(r, 0);
        cell.description = joined({q(reg.text).trimmed() + QStringLiteral(" bit ") +
                                       QString::number(7 - c),
                                   roleWords(reg.role)});
        cell.editable = cell.name != QLatin1String("-");
        return cell;
    };
    s.rect = [&bits](int r, int c) { return bits.cellRect(r, c + 1); };
    s.current = [&bits]() -> std::pair<int, int> {
        if (bits.currentRow() < 0 || bits.currentCol() < 1) return {-1, -1};
        return {bits.currentRow(), bits.currentCol() - 1};
    };
    setAccessibleTable(&bits, std::move(s));
    setAccessibleTable(w.byteGrid(), registerPairs(*w.byteGrid(), QStringLiteral("Byte Registers")));
    setAccessibleTable(w.wordGrid(), registerPairs(*w.wordGrid(), QStringLiteral("Word Registers")));
}

void makeStackGridAccessible(HexCellGrid& g) {
    AccessibleTableShape s;
    s.name = QStringLiteral("Stack");
    s.rows = [&g] { return g.rows(); };
    s.columns = [&g] { return g.columns() > 1 ? 1 : 0; };
    s.rowName = [&g](int r) {
        QString name = q(g.shownCell(r, 0).text).trimmed();
        if (name.endsWith(QLatin1Char('='))) name = name.chopped(1).trimmed();
        return name;
    };
    s.columnName = [](int) { return QStringLiteral("Value"); };
    s.cell = [&g](int r, int) {
        AccessibleCell cell;
        cell.name = q(g.shownCell(r, 1).text).trimmed();
        cell.description = r == 0 ? QStringLiteral("stack pointer")
                                  : QStringLiteral("stack entry ") + QString::number(r);
        cell.editable = r > 0;
        return cell;
    };
    s.rect = [&g](int r, int) { return g.cellRect(r, 1); };
    s.current = [&g]() -> std::pair<int, int> {
        if (g.currentRow() < 0) return {-1, -1};
        return {g.currentRow(), 0};
    };
    setAccessibleTable(&g, std::move(s));
}

void makeProgramMemoryAccessible(ProgramMemoryGrid& g, const ProgramMemoryViewModel& model) {
    using Model = ProgramMemoryViewModel;
    AccessibleTableShape s;
    s.name = QStringLiteral("Program Memory");
    // Rows past the end of program memory are blank: they are not part of the table.
    auto rows = [&model] {
        int n = 0;
        while (n < model.dataRows() && model.addressAt(n + 1)) ++n;
        return n;
    };
    s.rows = rows;
    s.columns = [] { return Model::kColumns; };
    s.rowName = [&model](int r) { return q(model.cell(r + 1, 1).text).trimmed(); };
    s.columnName = [&model](int c) {
        static const char* const fallback[Model::kColumns] = {"breakpoint", "addr", "code",
                                                              "instruction", "data"};
        const QString heading = q(model.cell(0, c).text).trimmed();
        return heading.isEmpty() ? QString::fromLatin1(fallback[c]) : heading;
    };
    s.cell = [&model](int r, int c) {
        AccessibleCell cell;
        const Cell& shown = model.cell(r + 1, c);
        cell.name = q(shown.text).trimmed();
        const bool current =
            shown.role == CellRole::CurrentSim || shown.role == CellRole::CurrentEmu;
        const bool breakpoint = !q(model.cell(r + 1, 0).text).trimmed().isEmpty();
        cell.selected = current;
        if (c == 0) {
            cell.checkable = true;
            cell.checked = breakpoint;
        }
        cell.description = joined({current ? QStringLiteral("current address") : QString(),
                                   breakpoint ? QStringLiteral("breakpoint") : QString()});
        return cell;
    };
    s.rect = [&g](int r, int c) {
        const QRect row = g.rowRect(r + 1);
        const int left = g.columnLeft(c);
        const int right = c + 1 < Model::kColumns ? g.columnLeft(c + 1) : g.width();
        return QRect(left, row.top(), right - left, row.height());
    };
    s.current = [&g]() -> std::pair<int, int> { return {g.selectedRow() - 1, 1}; };
    setAccessibleTable(&g, std::move(s));
}

namespace {

bool breakpointRow(const SourceViewModel& model, int file, int32_t row) {
    return model.markText(file, row).find(kSourceBreakpointMark) != std::string::npos;
}

bool currentRow(const SourceViewModel& model, int file, int32_t row) {
    return model.highlightFile() == file && model.highlightRow() == row && row >= 1;
}

// Selects the current line in its file's view and nothing elsewhere. The rows paint their own
// colours, so the selection is seen only by assistive technology.
void selectCurrentLine(SourceViewWidget& w, const SourceViewModel& model) {
    for (int f = 1; f <= model.fileCount(); ++f) {
        QTableView* v = w.view(f);
        if (!v || !v->selectionModel() || !v->model()) continue;
        QItemSelectionModel& s = *v->selectionModel();
        if (f == model.highlightFile() && model.highlightRow() >= 1 &&
            model.highlightRow() <= v->model()->rowCount()) {
            const QModelIndex index = v->model()->index(model.highlightRow() - 1, 0);
            if (!s.isRowSelected(index.row(), {}) || s.selectedRows().size() != 1)
                s.select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (s.hasSelection()) {
            s.clearSelection();
        }
    }
}

} // namespace

void makeSourceViewAccessible(SourceViewWidget& w, SourceViewModel& model) {
    QPointer<SourceViewWidget> guard(&w);
    // After the widget has made the views the highlight needs (rowShown follows highlightMoved).
    auto follow = [guard, &model] {
        QTimer::singleShot(0, guard.data(), [guard, &model] {
            if (guard) selectCurrentLine(*guard, model);
        });
    };
    const size_t moved = model.highlightMoved().connect(follow);
    const size_t shown = model.rowShown().connect([follow](int, int32_t) { follow(); });
    QObject::connect(&w, &QObject::destroyed, [&model, moved, shown] {
        model.highlightMoved().disconnect(moved);
        model.rowShown().disconnect(shown);
    });
}

QVariant sourceCellAccessibleData(const SourceViewModel& model, int file, int32_t row, int column,
                                  int role) {
    if (role == Qt::AccessibleDescriptionRole) {
        QStringList words;
        if (currentRow(model, file, row)) words << QStringLiteral("current line");
        if (breakpointRow(model, file, row)) words << QStringLiteral("breakpoint");
        return words.isEmpty() ? QVariant() : QVariant(words.join(QStringLiteral(", ")));
    }
    if (role == Qt::CheckStateRole && column == 0 && breakpointRow(model, file, row))
        return int(Qt::Checked);
    return {};
}

} // namespace zerka::gui
