#pragma once
// The disassembly grid of the program-memory window, painted straight from the model's cells:
// a fixed number of rows that follow the model's top address, so a step repaints only the rows
// whose text or colour changed.
#include "views/program_memory_view.h"

#include <QWidget>

#include <vector>

namespace zerka::gui {

class ProgramMemoryGrid : public QWidget {
    Q_OBJECT
  public:
    explicit ProgramMemoryGrid(ProgramMemoryViewModel& model, QWidget* parent = nullptr);

    // Compares the model's cells with what is on screen and schedules the changed rows.
    // Returns the number of rows scheduled.
    int syncFromModel();
    // The selected data row (1..); the selection stays in the address column.
    int selectedRow() const { return selectedRow_; }
    void selectRow(int row);
    QRect rowRect(int row) const;
    int rowAt(int y) const;
    int columnAt(int x) const;
    int columnLeft(int col) const;

  Q_SIGNALS:
    void rowDoubleClicked(int row);
    void editRequested(int row);
    void contextMenuAt(int row, QPoint globalPos);
    void scrolled();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    ProgramMemoryViewModel& model_;
    std::vector<Cell> shown_;
    int selectedRow_ = 1;
};

} // namespace zerka::gui
