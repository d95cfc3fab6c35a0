#include "gui/debug/watch_window.h"

#include "core/ui_host.h"
#include "gui/debug/progwatch_entry.h"
#include "gui/debug/watch_add_dialog.h"
#include "gui/debug/watch_edit_dialog.h"
#include "gui/debug/watch_table_model.h"
#include "uitext/text_id.h"
#include "views/watch_value_edit.h"
#include "views/debug_views.h"
#include "views/view_context.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

WatchWindow::WatchWindow(DebugViews& views, UiHost& ui, QWidget* parent)
    : WatchWindow(views.watch, views.context, ui, parent) {}

WatchWindow::WatchWindow(WatchListModel& list, ViewContext& context, UiHost& ui, QWidget* parent)
    : QWidget(parent), list_(list), context_(context), ui_(ui) {
    setWindowTitle(QStringLiteral("Watch"));
    values_ = std::make_unique<WatchValueEditor>(list_, context_);
    model_ = new WatchTableModel(list_, this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setAccessibleName(QStringLiteral("Watch"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false); // Tab leaves the table, Ctrl+Tab changes window
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(18);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    resize(400, 240);

    addDialog_ = new WatchAddDialog(list_, ui_, this);
    editDialog_ = new WatchEditBox(list_, ui_, this);

    connect(table_, &QTableView::customContextMenuRequested, this,
            [this](QPoint p) { popUpMenu(table_->viewport()->mapToGlobal(p)); });
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        selectRow(index.row() + 1);
        popUpMenu(QCursor::pos());
    });
    // The value heading switches the display mode; the other headings open the menu.
    connect(table_->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int s) {
        if (s == 2)
            list_.nextMode();
        else
            popUpMenu(QCursor::pos());
    });
    changes_.follow(list_.changed(), [this] { listChanged(); });
    applyColumnWidths();
    listChanged();
}

WatchWindow::~WatchWindow() = default;

void WatchWindow::refreshView() {
    model_->sync();
}

void WatchWindow::listChanged() {
    model_->sync();
    if (list_.addressHidden() != hidden_) applyColumnWidths();
    const int count = list_.watchedCount();
    if (count == lastCount_) return;
    lastCount_ = count;
    if (addDialog_->isVisible()) addDialog_->refill();
    // Nothing left to edit.
    if (count == 0 && editDialog_->isVisible()) editDialog_->close();
}

void WatchWindow::applyColumnWidths() {
    hidden_ = list_.addressHidden();
    // The value column is at least as wide as the longest mode heading, so that every mode
    // can be read and the column does not jump when the mode changes.
    const QFontMetrics metrics(table_->horizontalHeader()->font());
    int valueWidth = list_.columnWidth(2);
    for (WatchMode m : {WatchMode::HexHighLow, WatchMode::HexLowHigh, WatchMode::DecHighLow,
                        WatchMode::DecLowHigh})
        valueWidth = std::max(
            valueWidth,
            metrics.horizontalAdvance(QString::fromLatin1(WatchListModel::modeHeading(m))) + 16);
    int used = 0;
    for (int c = 0; c < WatchListModel::kColumns; ++c) {
        const int w = c == 2 ? valueWidth : list_.columnWidth(c);
        table_->setColumnHidden(c, w == 0);
        if (w > 0) table_->setColumnWidth(c, w);
        if (c < 3) used += w;
    }
    // The symbol column takes what is left, up to 200 pixels.
    const int rest = table_->viewport()->width() - used;
    table_->setColumnWidth(3, std::clamp(rest, list_.columnWidth(3), 200));
}

void WatchWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyColumnWidths();
}

bool WatchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            key->key() == Qt::Key_Menu ||
            (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            // Enter (and the menu keys) open the menu below the current row.
            const int row = std::max(0, table_->currentIndex().row());
            const QRect r = table_->visualRect(model_->index(row, 0));
            popUpMenu(table_->viewport()->mapToGlobal(r.bottomLeft()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

int WatchWindow::selectedRow() const {
    if (list_.watchedCount() == 0) return 0;
    const int row = table_->currentIndex().row();
    return std::clamp(row + 1, 1, list_.watchedCount());
}

void WatchWindow::selectRow(int row) {
    if (row >= 1 && row <= list_.watchedCount()) table_->selectRow(row - 1);
}

std::vector<MenuItem> WatchWindow::menuItems() const {
    std::vector<MenuItem> items = list_.contextMenu();
    const int row = selectedRow();
    items.push_back({MenuAction::ModifyValue, TextOf(TextId::ModifyValue),
                     row > 0 && values_->request(row).has_value()});
    return items;
}

void WatchWindow::popUpMenu(QPoint globalPos) {
    QMenu menu(this);
    for (const MenuItem& item : menuItems()) {
        QAction* a = menu.addAction(QString::fromStdString(item.text));
        a->setEnabled(item.enabled);
        a->setCheckable(item.checked);
        a->setChecked(item.checked);
        a->setData(int(item.action));
        // The display and file items, and the value edit, stand in groups of their own.
        if (item.action == MenuAction::HideAddress || item.action == MenuAction::ModifyValue)
            menu.insertSeparator(a);
    }
    if (QAction* chosen = menu.exec(globalPos)) runMenuItem(MenuAction(chosen->data().toInt()));
}

QString WatchWindow::chooseFile(bool save) {
    if (chooser_) return chooser_(save);
    const QString filter = QStringLiteral("*.pro (*.pro);;*.* (*)");
    return save ? QFileDialog::getSaveFileName(this, QStringLiteral("Save Properties As"), {},
                                               filter)
                : QFileDialog::getOpenFileName(this, QStringLiteral("Load Properties"), {}, filter);
}

void WatchWindow::runMenuItem(MenuAction action) {
    const int row = selectedRow();
    const WatchEntry* entry = list_.watchedEntry(row);
    switch (action) {
    case MenuAction::AddDeleteWatches:
        addDialog_->refill();
        addDialog_->show();
        addDialog_->raise();
        break;
    case MenuAction::EditWatch:
        if (!entry) return;
        editDialog_->open(entry->name);
        editDialog_->show();
        editDialog_->raise();
        break;
    case MenuAction::DeleteWatch:
        if (entry) list_.remove(entry->name);
        break;
    case MenuAction::DeleteAllWatches:
        if (list_.watchedCount() > 0 &&
            ui_.messageBox(MessageType::Confirmation, WatchListModel::kDeleteAllQuestion,
                           Buttons::YesNo) == Button::Yes)
            list_.removeAll();
        break;
    case MenuAction::HideAddress:
        list_.toggleHideAddress();
        break;
    case MenuAction::LoadProperties: {
        const QString path = chooseFile(false);
        if (!path.isEmpty()) loadProperties(path.toStdString());
        break;
    }
    case MenuAction::SaveProperties: {
        const QString path = chooseFile(true);
        if (!path.isEmpty()) saveProperties(path.toStdString());
        break;
    }
    case MenuAction::ClearAllProperties:
        if (ui_.messageBox(MessageType::Confirmation, WatchListModel::kClearAllQuestion,
                           Buttons::YesNo) == Button::Yes)
            list_.clearAllProperties();
        break;
    case MenuAction::ModifyValue:
        editValue(row);
        break;
    default:
        break;
    }
}

bool WatchWindow::editValue(int row) {
    const auto request = values_->request(row);
    if (!request || context_.up.running()) return false;
    const QRect r = table_->visualRect(model_->index(row - 1, 2));
    const QPoint at = table_->viewport()->mapToGlobal(r.bottomLeft());
    const auto value =
        progwatch::askHex(this, at, request->limit, request->range, request->caption);
    if (!value) return false;
    values_->apply(row, *value);
    return true;
}

bool WatchWindow::loadProperties(const std::filesystem::path& path) {
    const std::vector<std::string> problems = list_.loadPro(path);
    if (problems.empty()) return true;
    // One box for the whole file, however many of its lines failed.
    std::string text;
    for (const std::string& p : problems)
        text += (text.empty() ? "" : "\n") + p;
    ui_.messageBox(MessageType::Error, text, Buttons::Ok);
    return false;
}

bool WatchWindow::saveProperties(const std::filesystem::path& path) {
    std::string error;
    if (list_.savePro(path, &error)) return true;
    ui_.messageBox(MessageType::Error, "Can't save " + path.string() + ": " + error, Buttons::Ok);
    return false;
}

void WatchWindow::symbolsReloaded(const std::filesystem::path& watchListFile) {
    addDialog_->refill();
    editDialog_->refillSymbols();
    if (!watchListFile.empty()) loadProperties(watchListFile);
    model_->sync();
}

void WatchWindow::closeEvent(QCloseEvent* event) {
    if (!propertiesFile_.empty()) saveProperties(propertiesFile_);
    QWidget::closeEvent(event);
}

} // namespace zerka::gui
