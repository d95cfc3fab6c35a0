#include "gui/debug/watch_add_dialog.h"

#include "core/ui_host.h"
#include "views/watch_list.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {

QListWidget* makeBox(QWidget* parent) {
    auto* box = new QListWidget(parent);
    box->setSelectionMode(QAbstractItemView::ExtendedSelection);
    box->setMinimumWidth(140);
    return box;
}

void fill(QListWidget& box, const std::vector<std::string>& names) {
    box.clear();
    for (const std::string& n : names)
        box.addItem(QString::fromStdString(n));
}

std::vector<std::string> selectedNames(const QListWidget& box) {
    std::vector<std::string> names;
    for (const QListWidgetItem* item : box.selectedItems())
        names.push_back(item->text().toStdString());
    return names;
}

} // namespace

WatchAddDialog::WatchAddDialog(WatchListModel& list, UiHost& ui, QWidget* parent)
    : QDialog(parent), list_(list), ui_(ui) {
    setWindowTitle(QStringLiteral("Add/Delete Watches"));
    watchBox_ = makeBox(this);
    otherBox_ = makeBox(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Watch List"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Other Constant"), this), 0, 2);
    grid->addWidget(watchBox_, 1, 0);
    grid->addWidget(otherBox_, 1, 2);

    auto* moves = new QVBoxLayout;
    auto button = [&](const char* text, auto slot) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setAutoDefault(false);
        b->setFixedWidth(40);
        connect(b, &QPushButton::clicked, this, slot);
        moves->addWidget(b);
    };
    moves->addStretch();
    button("<", [this] { moveSelectedIn(); });
    button(">", [this] { moveSelectedOut(); });
    button("<<", [this] { moveAllIn(); });
    button(">>", [this] { moveAllOut(); });
    moves->addStretch();
    grid->addLayout(moves, 1, 1);

    auto field = [&](QLineEdit*& edit, const char* text, auto slot, int col) {
        auto* row = new QHBoxLayout;
        edit = new QLineEdit(this);
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        // Enter in the field presses its button.
        connect(edit, &QLineEdit::returnPressed, this, slot);
        row->addWidget(edit, 1);
        row->addWidget(b);
        grid->addLayout(row, 2, col);
    };
    field(
        addField_, "Add", [this] { addTyped(); }, 0);
    field(
        deleteField_, "Del", [this] { deleteTyped(); }, 2);

    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    refill();
}

void WatchAddDialog::refill() {
    fill(*watchBox_, list_.watchListBox());
    fill(*otherBox_, list_.otherBox());
}

void WatchAddDialog::moveSelectedIn() {
    for (const std::string& n : selectedNames(*otherBox_))
        list_.add(n);
    refill();
}

void WatchAddDialog::moveSelectedOut() {
    for (const std::string& n : selectedNames(*watchBox_))
        list_.remove(n);
    refill();
}

void WatchAddDialog::moveAllIn() {
    list_.moveAllIn();
    refill();
}

void WatchAddDialog::moveAllOut() {
    if (ui_.messageBox(MessageType::Confirmation, WatchListModel::kDeleteAllQuestion,
                       Buttons::YesNo) != Button::Yes)
        return;
    list_.removeAll();
    refill();
}

void WatchAddDialog::addTyped() {
    if (list_.add(addField_->text().trimmed().toStdString())) addField_->clear();
    refill();
}

void WatchAddDialog::deleteTyped() {
    if (list_.remove(deleteField_->text().trimmed().toStdString())) deleteField_->clear();
    refill();
}

} // namespace zerka::gui
