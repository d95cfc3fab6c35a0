#include "gui/debug/hex_cell_grid.h"

#include "gui/debug/palette_roles.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace zerka::gui {

namespace {

bool sameLook(const Cell& a, const Cell& b) {
    return a.text == b.text && a.role == b.role && a.underline == b.underline &&
           (a.role != CellRole::Marked || a.mark == b.mark);
}

} // namespace

HexCellGrid::HexCellGrid(QWidget* parent) : QWidget(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    relayout();
}

void HexCellGrid::setShape(int rows, std::vector<int> columnChars) {
    rows_ = rows < 0 ? 0 : rows;
    chars_ = std::move(columnChars);
    shown_.assign(size_t(rows_) * chars_.size(), Cell{});
    if (curRow_ >= rows_ || curCol_ >= columns()) curRow_ = curCol_ = -1;
    relayout();
}

void HexCellGrid::relayout() {
    const QFontMetrics fm(font());
    const int charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    rowHeight_ = fm.height() + 4;
    widths_.clear();
    lefts_.clear();
    int x = 0;
    for (int c : chars_) {
        lefts_.push_back(x);
        widths_.push_back(c * charWidth + 8);
        x += widths_.back() + 1;
    }
    setFixedSize(sizeHint());
    // Cached looks are stale after a font or shape change: paint everything again.
    for (Cell& c : shown_)
        c = Cell{};
    refresh();
    update();
}

QSize HexCellGrid::sizeHint() const {
    int w = 1;
    for (int px : widths_)
        w += px + 1;
    return {w, rows_ * (rowHeight_ + 1) + 1};
}

QRect HexCellGrid::cellRect(int row, int col) const {
    if (row < 0 || row >= rows_ || col < 0 || col >= columns()) return {};
    return {lefts_[size_t(col)] + 1, row * (rowHeight_ + 1) + 1, widths_[size_t(col)], rowHeight_};
}

std::pair<int, int> HexCellGrid::cellAt(QPoint p) const {
    if (p.y() < 0 || p.x() < 0) return {-1, -1};
    const int row = p.y() / (rowHeight_ + 1);
    if (row >= rows_) return {-1, -1};
    for (int c = 0; c < columns(); ++c)
        if (p.x() >= lefts_[size_t(c)] && p.x() <= lefts_[size_t(c)] + widths_[size_t(c)])
            return {row, c};
    return {-1, -1};
}

void HexCellGrid::refresh() {
    lastRepaints_ = 0;
    if (!source_) return;
    const int cols = columns();
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < cols; ++c) {
            Cell cell = source_(r, c);
            Cell& old = shown_[size_t(r * cols + c)];
            if (sameLook(cell, old)) continue;
            old = std::move(cell);
            update(cellRect(r, c));
            ++lastRepaints_;
        }
}

void HexCellGrid::setCurrent(int row, int col) {
    if (row == curRow_ && col == curCol_) return;
    if (curRow_ >= 0 && onLeaveCell) onLeaveCell();
    update(cellRect(curRow_, curCol_).adjusted(-1, -1, 1, 1));
    curRow_ = row;
    curCol_ = col;
    update(cellRect(curRow_, curCol_).adjusted(-1, -1, 1, 1));
}

QColor HexCellGrid::backColour(const Cell& c) const {
    return rolePaint(c.role, palette(), c.mark).background;
}

QColor HexCellGrid::textColour(const Cell& c) const {
    return rolePaint(c.role, palette(), c.mark).text;
}

void HexCellGrid::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Mid));
    const int cols = columns();
    QFont underlined = font();
    underlined.setUnderline(true);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < cols; ++c) {
            const QRect rect = cellRect(r, c);
            if (!event->rect().intersects(rect)) continue;
            const Cell& cell = shown_[size_t(r * cols + c)];
            p.fillRect(rect, backColour(cell));
            p.setPen(textColour(cell));
            p.setFont(cell.underline ? underlined : font());
            const int align = cell.role == CellRole::Header && c == 0 && cols > 2
                                  ? Qt::AlignLeft | Qt::AlignVCenter
                                  : Qt::AlignCenter;
            p.drawText(rect.adjusted(4, 0, -4, 0), align, QString::fromStdString(cell.text));
            if (r == curRow_ && c == curCol_ && hasFocus()) {
                p.setPen(QPen(palette().color(QPalette::Highlight), 2));
                p.drawRect(rect.adjusted(1, 1, -1, -1));
            }
        }
}

void HexCellGrid::mousePressEvent(QMouseEvent* event) {
    const auto [row, col] = cellAt(event->position().toPoint());
    if (row >= 0 && (!selectable_ || selectable_(row, col))) setCurrent(row, col);
    QWidget::mousePressEvent(event);
}

void HexCellGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const auto [row, col] = cellAt(event->position().toPoint());
    if (row < 0 || event->button() != Qt::LeftButton) return;
    if (onLeaveCell) onLeaveCell();
    if (onDoubleClick) onDoubleClick(row, col, event->globalPosition().toPoint());
}

void HexCellGrid::mouseMoveEvent(QMouseEvent* event) {
    const auto [row, col] = cellAt(event->position().toPoint());
    if (onHover) onHover(row, col);
    QWidget::mouseMoveEvent(event);
}

void HexCellGrid::leaveEvent(QEvent* event) {
    if (onHover) onHover(-1, -1);
    QWidget::leaveEvent(event);
}

void HexCellGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard && curRow_ >= 0) {
        if (onContextMenu)
            onContextMenu(curRow_, curCol_, mapToGlobal(cellRect(curRow_, curCol_).center()));
        return;
    }
    const auto [row, col] = cellAt(event->pos());
    if (row >= 0 && onContextMenu) onContextMenu(row, col, event->globalPos());
}

void HexCellGrid::focusInEvent(QFocusEvent* event) {
    // Arrived by keyboard with no cell chosen: start on the first cell that takes typing, so
    // the arrow keys have somewhere to move from.
    if (curRow_ < 0)
        for (int r = 0; r < rows_ && curRow_ < 0; ++r)
            for (int c = 0; c < columns(); ++c)
                if (!selectable_ || selectable_(r, c)) {
                    setCurrent(r, c);
                    break;
                }
    update(cellRect(curRow_, curCol_).adjusted(-1, -1, 1, 1));
    QWidget::focusInEvent(event);
}

void HexCellGrid::focusOutEvent(QFocusEvent* event) {
    if (onLeaveCell) onLeaveCell();
    update(cellRect(curRow_, curCol_));
    QWidget::focusOutEvent(event);
}

void HexCellGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) relayout();
    if (event->type() == QEvent::PaletteChange) {
        for (Cell& c : shown_)
            c = Cell{};
        refresh();
        update();
    }
    QWidget::changeEvent(event);
}

void HexCellGrid::moveCurrent(int dRow, int dCol) {
    int row = curRow_ < 0 ? 0 : curRow_;
    int col = curCol_ < 0 ? 0 : curCol_;
    // Skip cells that cannot be selected, up to one full sweep.
    for (int tries = 0; tries < rows_ * columns(); ++tries) {
        row += dRow;
        col += dCol;
        if (row < 0 || row >= rows_ || col < 0 || col >= columns()) return;
        if (!selectable_ || selectable_(row, col)) {
            setCurrent(row, col);
            return;
        }
    }
}

void HexCellGrid::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab belongs to the window area: it moves to the next window.
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        moveCurrent(0, -1);
        return;
    case Qt::Key_Right:
        moveCurrent(0, 1);
        return;
    case Qt::Key_Up:
        moveCurrent(-1, 0);
        return;
    case Qt::Key_Down:
        moveCurrent(1, 0);
        return;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        // The pop-up menu of the current cell, as a right click would open it.
        if (event->key() == Qt::Key_Menu || event->modifiers() == Qt::ShiftModifier) {
            if (curRow_ >= 0 && onContextMenu)
                onContextMenu(curRow_, curCol_, mapToGlobal(cellRect(curRow_, curCol_).center()));
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    int key = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = kEnter;
    else if (event->key() == Qt::Key_Tab)
        key = kTab;
    else if (event->key() == Qt::Key_Backspace)
        key = kBackspace;
    else if (event->key() == Qt::Key_Escape)
        key = kEscape;
    else if (event->text().size() == 1 && event->text().at(0).unicode() < 128)
        key = event->text().at(0).unicode();
    if (key == 0 || curRow_ < 0 || !onKey) {
        QWidget::keyPressEvent(event);
        return;
    }
    onKey(curRow_, curCol_, key);
    event->accept();
}

} // namespace zerka::gui
