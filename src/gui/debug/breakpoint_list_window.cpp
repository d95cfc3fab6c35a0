#include "gui/debug/breakpoint_list_window.h"

#include "uitext/text_id.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

class BreakpointTableModel : public QAbstractTableModel {
  public:
    BreakpointTableModel(BreakpointListModel& model, QObject* parent)
        : QAbstractTableModel(parent), model_(model) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : model_.rows();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : BreakpointListModel::kColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
        return QString::fromStdString(model_.cell(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return QString::fromLatin1(BreakpointListModel::heading(section));
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }

  private:
    BreakpointListModel& model_;
};

BreakpointListWindow::BreakpointListWindow(BreakpointListModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    const QString caption = QString::fromStdString(TextOf(TextId::ItemViewBreakPoint));
    setWindowTitle(caption);
    setAccessibleName(caption);
    tableModel_ = new BreakpointTableModel(model_, this);
    table_ = new QTableView(this);
    table_->setAccessibleName(caption);
    table_->setModel(tableModel_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(18);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(0, 70);
    table_->setColumnWidth(1, 130);
    table_->setColumnWidth(2, 50);
    table_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    resize(480, 200);
    connect(table_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { choose(index.row()); });
    changes_.follow(model_.changed(), [this] { tableModel_->reset(); });
}

void BreakpointListWindow::refreshView() {
    // A build clears the uP centre's list without a change notice.
    model_.Refresh();
}

void BreakpointListWindow::choose(int row) {
    if (const BreakpointRow* r = model_.row(row))
        Q_EMIT lineChosen(r->entry.address, r->file, int(r->line));
}

bool BreakpointListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = table_->currentIndex().row();
        if (key == Qt::Key_Delete) {
            model_.remove(row);
            // The next row (or the last one) stays selected for the next Delete.
            if (model_.rows() > 0) table_->selectRow(std::min(row, model_.rows() - 1));
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose(row);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zerka::gui
