#include "gui/debug/watch_table_model.h"

#include <QColor>

namespace zerka::gui {

namespace {
constexpr int kColumns = WatchListModel::kColumns;
}

WatchTableModel::WatchTableModel(WatchListModel& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    sync();
}

int WatchTableModel::sync() {
    const int rows = list_.rows();
    if (rows != shownRows_) {
        beginResetModel();
        shownRows_ = rows;
        shown_.assign(size_t(rows) * kColumns, std::string());
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < kColumns; ++c)
                shown_[size_t(r) * kColumns + size_t(c)] = list_.cell(r, c).text;
        endResetModel();
        return rows * kColumns;
    }
    int changed = 0;
    for (int r = 0; r < rows; ++r) {
        int first = -1, last = -1;
        for (int c = 0; c < kColumns; ++c) {
            std::string& shown = shown_[size_t(r) * kColumns + size_t(c)];
            Cell now = list_.cell(r, c);
            if (shown == now.text) continue;
            shown = std::move(now.text);
            if (first < 0) first = c;
            last = c;
            ++changed;
        }
        if (first < 0) continue;
        if (r == 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, first, last);
        else
            Q_EMIT dataChanged(index(r - 1, first), index(r - 1, last), {Qt::DisplayRole});
    }
    return changed;
}

int WatchTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_ - 1;
}

int WatchTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant WatchTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(
            shown_[size_t(index.row() + 1) * kColumns + size_t(index.column())]);
    if (role == Qt::TextAlignmentRole && index.column() == 2)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant WatchTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
        return {};
    return QString::fromStdString(shown_[size_t(section)]);
}

} // namespace zerka::gui
