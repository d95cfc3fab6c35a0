#pragma once
// The watch grid for a QTableView over WatchListModel: the model's row 0 is the header, the
// others are the watched symbols (one empty row when none). sync() tells the view only about
// the cells whose text changed since the last call.
#include "views/watch_list.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace zerka::gui {

class WatchTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit WatchTableModel(WatchListModel& list, QObject* parent = nullptr);

    // Returns the number of cells reported as changed (all of them after a row-count change).
    int sync();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    WatchListModel& list_;
    std::vector<std::string> shown_; // rows x columns, header row included
    int shownRows_ = 0;
};

} // namespace zerka::gui
