#pragma once
// A small custom-painted grid of fixed-size cells for the register, RAM and stack windows. It
// reads its cells from a model callback, keeps a copy of what it painted and, on refresh(),
// repaints only the cells whose text or colours changed: a step refresh of every window stays
// cheap. Gestures (typing, double click, right click, hover, leaving a cell) go to callbacks.
#include "views/view_cell.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace zerka::gui {

class HexCellGrid : public QWidget {
    Q_OBJECT
  public:
    using CellSource = std::function<Cell(int row, int col)>;

    explicit HexCellGrid(QWidget* parent = nullptr);

    // Rows, and the width of each column in character cells of the grid font.
    void setShape(int rows, std::vector<int> columnChars);
    void setCellSource(CellSource source) { source_ = std::move(source); }
    // Rereads every cell and repaints those that changed.
    void refresh();
    // The number of cells repainted by the last refresh() (for tests and benchmarks).
    int lastRepaintCount() const { return lastRepaints_; }
    // The cell as last painted (what a screen reader reads).
    const Cell& shownCell(int row, int col) const { return shown_[size_t(row * columns() + col)]; }

    int rows() const { return rows_; }
    int columns() const { return int(widths_.size()); }
    const std::vector<int>& columnChars() const { return chars_; }
    QRect cellRect(int row, int col) const;
    // The cell under a point of the widget, or (-1, -1).
    std::pair<int, int> cellAt(QPoint p) const;
    int currentRow() const { return curRow_; }
    int currentCol() const { return curCol_; }
    void setCurrent(int row, int col);
    // Cells that can be typed in are drawn with a focus frame when current.
    void setSelectable(std::function<bool(int row, int col)> f) { selectable_ = std::move(f); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Key codes given to onKey besides printable characters.
    static constexpr int kEnter = '\r';
    static constexpr int kTab = '\t';
    static constexpr int kBackspace = 8;
    static constexpr int kEscape = 27;

    // A key typed in the current cell; returns whether it was taken.
    std::function<bool(int row, int col, int key)> onKey;
    std::function<void(int row, int col, QPoint global)> onDoubleClick;
    std::function<void(int row, int col, QPoint global)> onContextMenu;
    // The mouse is over a cell ((-1, -1) when it left the grid).
    std::function<void(int row, int col)> onHover;
    // The current cell is about to change, or the grid lost focus.
    std::function<void()> onLeaveCell;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; } // Tab belongs to the cells

  private:
    void relayout();
    QColor textColour(const Cell& c) const;
    QColor backColour(const Cell& c) const;
    void moveCurrent(int dRow, int dCol);

    CellSource source_;
    std::function<bool(int, int)> selectable_;
    int rows_ = 0;
    std::vector<int> chars_;
    std::vector<int> widths_; // pixels
    std::vector<int> lefts_;
    int rowHeight_ = 18;
    std::vector<Cell> shown_;
    int lastRepaints_ = 0;
    int curRow_ = -1;
    int curCol_ = -1;
};

} // namespace zerka::gui
