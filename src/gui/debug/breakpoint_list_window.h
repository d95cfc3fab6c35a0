#pragma once
// The breakpoint list window ("Break Point"): a table over BreakpointListModel. A double click
// (or Enter) on a row goes to its line; Delete removes the row's breakpoint.
#include "gui/debug/debug_window.h"
#include "views/breakpoint_list.h"

#include <QWidget>

class QTableView;

namespace zerka::gui {

class BreakpointTableModel;

class BreakpointListWindow : public QWidget, public DebugWindow {
    Q_OBJECT
  public:
    explicit BreakpointListWindow(BreakpointListModel& model, QWidget* parent = nullptr);

    void refreshView() override;
    QTableView& table() const { return *table_; }

  Q_SIGNALS:
    // A row was chosen: its address, and its line as a source-view tab and row (0 when the
    // address has no source line).
    void lineChosen(uint32_t address, int file, int line);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void choose(int row);

    BreakpointListModel& model_;
    QTableView* table_ = nullptr;
    BreakpointTableModel* tableModel_ = nullptr;
    ModelSubscription changes_;
};

} // namespace zerka::gui
