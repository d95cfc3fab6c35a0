#include "gui/debug/sram_record_window.h"

#include "uitext/text_id.h"

#include <QActionGroup>
#include <QHeaderView>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {

QString text(TextId entry) {
    return QString::fromStdString(TextOf(entry));
}

} // namespace

SramRecordWindow::SramRecordWindow(SramRecordModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("SRAMRecord"));
    setWindowTitle(QString::fromStdString(TextOf(TextId::ItemSramRecord)));
    setAccessibleName(windowTitle());
    setMinimumSize(SramRecordModel::kMinWidth, SramRecordModel::kMinHeight);
    resize(SramRecordModel::kMinWidth + 100, SramRecordModel::kMinHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QMenuBar(this);
    // Inside a dialog the menus belong to the window, also on desktops with a global menu bar.
    bar->setNativeMenuBar(false);
    layout->setMenuBar(bar);
    QMenu* file = bar->addMenu(text(TextId::File));
    save_ = item(file, TextId::SaveRecord, "Save");
    load_ = item(file, TextId::Download, "DownLoad");
    clear_ = item(file, TextId::ClearRecord, "Clear");
    file->addSeparator();
    close_ = item(file, TextId::SramRecordClose, "Close");
    QMenu* mode = bar->addMenu(text(TextId::ItemContinue));
    continue_ = item(mode, TextId::ItemContinue, "Continue");
    notContinue_ = item(mode, TextId::NotContinue, "Not Continue");
    auto* modes = new QActionGroup(this);
    for (QAction* a : {continue_, notContinue_}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    QMenu* compiler = bar->addMenu(text(TextId::Compiler));
    create_ = item(compiler, TextId::CreateNewFile, "Create New File");
    add_ = item(compiler, TextId::AddCurrentPCAddress, "Add to Current Address");

    connect(save_, &QAction::triggered, this, [this] { model_.save(); });
    connect(load_, &QAction::triggered, this, [this] { model_.load(); });
    connect(clear_, &QAction::triggered, this, [this] { model_.clear(); });
    connect(close_, &QAction::triggered, this, &QDialog::hide);
    connect(continue_, &QAction::triggered, this, [this] { model_.setContinueMode(true); });
    connect(notContinue_, &QAction::triggered, this, [this] { model_.setContinueMode(false); });
    connect(create_, &QAction::triggered, this, [this] { model_.createNewFile(); });
    connect(add_, &QAction::triggered, this, [this] { model_.addToCurrentAddress(); });

    grid_ = new QTableWidget(0, int(SramRecordModel::kHeadings.size()), this);
    grid_->setAccessibleName(text(TextId::SRAMRegisterModifyRecord));
    QStringList headings;
    for (const char* h : SramRecordModel::kHeadings)
        headings << QString::fromLatin1(h);
    grid_->setHorizontalHeaderLabels(headings);
    grid_->verticalHeader()->hide();
    // Up to 1,024 rows: one line of text each keeps many of them in view.
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    layout->addWidget(grid_, 1);

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    actionPanel_ = new QLabel(status);
    actionPanel_->setAccessibleName(QStringLiteral("Last action"));
    modePanel_ = new QLabel(status);
    modePanel_->setAccessibleName(QStringLiteral("Recording mode"));
    status->addWidget(actionPanel_, 1);
    status->addPermanentWidget(modePanel_);
    layout->addWidget(status);

    changes_.follow(model_.changed(), [this] { refreshView(); });
    refreshView();
}

QAction* SramRecordWindow::item(QMenu* menu, TextId entry, const char* name) {
    QAction* a = menu->addAction(text(entry));
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

void SramRecordWindow::refreshView() {
    const int rows = int(model_.rowCount());
    grid_->setUpdatesEnabled(false);
    grid_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const auto cells = model_.row(size_t(r));
        for (int c = 0; c < int(cells.size()); ++c) {
            QTableWidgetItem* cell = grid_->item(r, c);
            if (!cell) {
                cell = new QTableWidgetItem;
                cell->setTextAlignment(Qt::AlignCenter);
                grid_->setItem(r, c, cell);
            }
            cell->setText(QString::fromStdString(cells[size_t(c)]));
        }
    }
    grid_->setUpdatesEnabled(true);
    refreshState();
}

void SramRecordWindow::refreshState() {
    actionPanel_->setText(QString::fromStdString(model_.actionStatus()));
    modePanel_->setText(QString::fromStdString(model_.modeStatus()));
    continue_->setChecked(model_.continueMode());
    notContinue_->setChecked(!model_.continueMode());
    add_->setEnabled(model_.addEnabled());
}

void SramRecordWindow::setAddEnabled(bool on) {
    model_.setAddEnabled(on);
    add_->setEnabled(on);
}

void SramRecordWindow::fitColumns() {
    const int w = std::max(SramRecordModel::columnWidth(width()), 10);
    for (int c = 0; c < grid_->columnCount(); ++c)
        grid_->setColumnWidth(c, w);
}

void SramRecordWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    fitColumns();
}

void SramRecordWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshView();
    fitColumns();
}

} // namespace zerka::gui
