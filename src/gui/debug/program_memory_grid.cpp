#include "gui/debug/program_memory_grid.h"

#include "gui/debug/palette_roles.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>

namespace zerka::gui {

namespace {

using Model = ProgramMemoryViewModel;
constexpr int kRowHeight = Model::kRowHeight;

bool sameCell(const Cell& a, const Cell& b) {
    return a.role == b.role && a.text == b.text;
}

} // namespace

ProgramMemoryGrid::ProgramMemoryGrid(ProgramMemoryViewModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    setFont(font);
    setMinimumSize(160, 120);
}

int ProgramMemoryGrid::columnLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col && c < int(Model::kColumnWidths.size()); ++c)
        x += Model::kColumnWidths[size_t(c)];
    return x;
}

int ProgramMemoryGrid::columnAt(int x) const {
    for (int c = 0; c < int(Model::kColumnWidths.size()); ++c)
        if (x < columnLeft(c + 1)) return c;
    return Model::kColumns - 1;
}

int ProgramMemoryGrid::rowAt(int y) const {
    return y < 0 ? 0 : y / kRowHeight;
}

QRect ProgramMemoryGrid::rowRect(int row) const {
    return QRect(0, row * kRowHeight, width(), kRowHeight);
}

int ProgramMemoryGrid::syncFromModel() {
    const size_t cells = size_t(model_.rows()) * Model::kColumns;
    if (shown_.size() != cells) {
        shown_.assign(cells, Cell{});
        for (int r = 0; r < model_.rows(); ++r)
            for (int c = 0; c < Model::kColumns; ++c)
                shown_[size_t(r) * Model::kColumns + size_t(c)] = model_.cell(r, c);
        update();
        return model_.rows();
    }
    int scheduled = 0;
    for (int r = 1; r < model_.rows(); ++r) {
        bool changed = false;
        for (int c = 0; c < Model::kColumns; ++c) {
            Cell& shown = shown_[size_t(r) * Model::kColumns + size_t(c)];
            const Cell& now = model_.cell(r, c);
            if (!sameCell(shown, now)) {
                shown = now;
                changed = true;
            }
        }
        if (changed) {
            update(rowRect(r));
            ++scheduled;
        }
    }
    return scheduled;
}

void ProgramMemoryGrid::selectRow(int row) {
    if (row < 1) row = 1;
    // A row below the last full one scrolls the grid instead.
    model_.selectRow(row);
    row = std::min(row, model_.dataRows());
    if (row == selectedRow_) return;
    update(rowRect(selectedRow_));
    selectedRow_ = row;
    update(rowRect(selectedRow_));
}

void ProgramMemoryGrid::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect clip = event->rect();
    const QColor gridLine = gridLineColour(palette());
    const int first = std::max(0, rowAt(clip.top()));
    const int last = rowAt(clip.bottom());
    p.fillRect(clip, palette().color(QPalette::Base));
    const QFontMetrics metrics(font());
    const int baseline = (kRowHeight + metrics.ascent() - metrics.descent()) / 2;
    for (int r = first; r <= last; ++r) {
        const QRect rr = rowRect(r);
        for (int c = 0; c < Model::kColumns; ++c) {
            const int left = columnLeft(c);
            const int w =
                c + 1 < Model::kColumns ? Model::kColumnWidths[size_t(c)] : width() - left;
            const QRect cellRect(left, rr.top(), w, kRowHeight);
            if (r >= model_.rows()) {
                p.setPen(gridLine);
                p.drawRect(cellRect.adjusted(0, 0, -1, -1));
                continue;
            }
            const Cell& cell = model_.cell(r, c);
            const RolePaint colours = rolePaint(cell.role, palette());
            p.fillRect(cellRect, colours.background);
            p.setPen(r == 0 ? palette().color(QPalette::Mid) : gridLine);
            p.drawLine(cellRect.topRight(), cellRect.bottomRight());
            p.drawLine(cellRect.bottomLeft(), cellRect.bottomRight());
            if (cell.text.empty() || cell.text == " ") continue;
            p.setPen(colours.text);
            // Drawn at a baseline rather than laid out in a rectangle: a step repaints rows
            // and the plain path is several times cheaper.
            const QString text = QString::fromStdString(cell.text);
            const int x = c == 0 ? left + (w - metrics.horizontalAdvance(text)) / 2 : left + 4;
            p.save();
            p.setClipRect(cellRect.intersected(clip));
            p.drawText(x, rr.top() + baseline, text);
            p.restore();
        }
        if (r == selectedRow_ && r < model_.rows()) {
            const int left = columnLeft(1);
            QPen pen(hasFocus() ? palette().color(QPalette::Highlight) : QColor(128, 128, 128));
            pen.setWidth(2);
            p.setPen(pen);
            p.drawRect(QRect(left + 1, rr.top() + 1, Model::kColumnWidths[1] - 3, kRowHeight - 3));
        }
    }
}

void ProgramMemoryGrid::resizeEvent(QResizeEvent*) {
    model_.setGridHeight(height());
    selectedRow_ = std::clamp(selectedRow_, 1, model_.dataRows());
    shown_.clear();
    syncFromModel();
    Q_EMIT scrolled();
}

void ProgramMemoryGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos.y());
    model_.clicked(columnAt(pos.x()));
    if (row >= 1) {
        const uint32_t top = model_.topAddress();
        selectRow(row);
        if (model_.topAddress() != top) Q_EMIT scrolled();
    }
}

void ProgramMemoryGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    model_.clicked(columnAt(pos.x()));
    const int row = rowAt(pos.y());
    if (row >= 1 && row <= model_.dataRows()) Q_EMIT rowDoubleClicked(row);
}

void ProgramMemoryGrid::keyPressEvent(QKeyEvent* event) {
    using Key = Model::Key;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const uint32_t top = model_.topAddress();
    switch (event->key()) {
    case Qt::Key_PageUp:
        model_.key(Key::PageUp, selectedRow_);
        break;
    case Qt::Key_PageDown:
        model_.key(Key::PageDown, selectedRow_);
        break;
    case Qt::Key_Home:
        if (!ctrl) return QWidget::keyPressEvent(event);
        model_.key(Key::CtrlHome, selectedRow_);
        break;
    case Qt::Key_End:
        if (!ctrl) return QWidget::keyPressEvent(event);
        model_.key(Key::CtrlEnd, selectedRow_);
        break;
    case Qt::Key_Up:
        model_.key(Key::Up, selectedRow_);
        if (selectedRow_ > 1) selectRow(selectedRow_ - 1);
        break;
    case Qt::Key_Down:
        model_.key(Key::Down, selectedRow_);
        if (selectedRow_ < model_.dataRows() && model_.addressAt(selectedRow_ + 1))
            selectRow(selectedRow_ + 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT editRequested(selectedRow_);
        break;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        // The pop-up menu of the selected row, as a right click would open it.
        if (event->key() == Qt::Key_F10 && event->modifiers() != Qt::ShiftModifier)
            return QWidget::keyPressEvent(event);
        Q_EMIT contextMenuAt(selectedRow_, mapToGlobal(rowRect(selectedRow_).center()));
        return;
    default:
        return QWidget::keyPressEvent(event);
    }
    if (model_.topAddress() != top) Q_EMIT scrolled();
}

void ProgramMemoryGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 40;
    if (steps == 0) return;
    model_.setTopAddress(int64_t(model_.topAddress()) - steps);
    Q_EMIT scrolled();
}

void ProgramMemoryGrid::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard: the selected row.
    const int row = event->reason() == QContextMenuEvent::Keyboard ? selectedRow_
                                                                   : rowAt(event->pos().y());
    if (row >= 1 && row <= model_.dataRows()) {
        selectRow(row);
        Q_EMIT contextMenuAt(row, event->globalPos());
    }
}

} // namespace zerka::gui
