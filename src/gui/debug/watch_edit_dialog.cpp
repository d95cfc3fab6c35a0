#include "gui/debug/watch_edit_dialog.h"

#include "core/ui_host.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <functional>

namespace zerka::gui {

namespace {

// Space or Enter on a name copies it, like a double-click.
class SymbolList : public QListWidget {
  public:
    using QListWidget::QListWidget;
    std::function<void(const QString&)> picked;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        const int k = e->key();
        if ((k == Qt::Key_Space || k == Qt::Key_Return || k == Qt::Key_Enter) && currentItem()) {
            if (picked) picked(currentItem()->text());
            return;
        }
        QListWidget::keyPressEvent(e);
    }
};

} // namespace

WatchEditBox::WatchEditBox(WatchListModel& list, UiHost& ui, QWidget* parent)
    : QDialog(parent), list_(list), ui_(ui) {
    setWindowTitle(QStringLiteral("Edit Watch"));
    name_ = new QLabel(this);
    value_ = new QLabel(this);
    normal_ = new QRadioButton(QStringLiteral("Normal"), this);
    bit_ = new QRadioButton(QStringLiteral("Bit"), this);
    auto* choice = new QButtonGroup(this);
    choice->addButton(normal_);
    choice->addButton(bit_);
    referred_ = new QLineEdit(this);
    auto* symbols = new SymbolList(this);
    symbols->picked = [this](const QString& n) { pickSymbol(n); };
    symbols_ = symbols;
    modified_ = new QLabel(QStringLiteral("Modified"), this);
    QPalette red = modified_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    modified_->setPalette(red);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Name"), this), 0, 0);
    top->addWidget(name_, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Value"), this), 1, 0);
    top->addWidget(value_, 1, 1);
    auto* kinds = new QHBoxLayout;
    kinds->addWidget(normal_);
    kinds->addWidget(bit_);
    kinds->addStretch();
    auto* group = new QGroupBox(QStringLiteral("refered address      "), this);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(referred_);
    groupLayout->addWidget(symbols_);

    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    auto* applyButton = new QPushButton(QStringLiteral("&Apply"), this);
    auto* restoreButton = new QPushButton(QStringLiteral("&Restore"), this);
    for (QPushButton* b : {ok, applyButton, restoreButton})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(modified_);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(applyButton);
    buttons->addWidget(restoreButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(kinds);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    connect(normal_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !updating_) chooseBit(false);
    });
    connect(bit_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !updating_) chooseBit(true);
    });
    connect(referred_, &QLineEdit::textEdited, this, [this](const QString& t) { setReferred(t); });
    connect(symbols_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { pickSymbol(item->text()); });
    connect(ok, &QPushButton::clicked, this, [this] {
        if (apply()) accept();
    });
    connect(applyButton, &QPushButton::clicked, this, [this] { apply(); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { restore(); });
    refillSymbols();
    showModel();
}

WatchEditBox::~WatchEditBox() = default;

void WatchEditBox::refillSymbols() {
    symbols_->clear();
    for (const WatchEntry& e : list_.symbols())
        symbols_->addItem(QString::fromStdString(e.name));
}

void WatchEditBox::open(const std::string& name) {
    edit_ = std::make_unique<WatchEditDialog>(list_, name);
    showModel();
}

const std::string& WatchEditBox::symbolName() const {
    static const std::string kNone;
    return edit_ ? edit_->name() : kNone;
}

void WatchEditBox::showModel() {
    updating_ = true;
    const bool any = edit_ != nullptr;
    name_->setText(any ? QString::fromStdString(edit_->name()) : QString());
    value_->setText(any ? QString::fromStdString(edit_->valueText()) : QString());
    (any && edit_->bit() ? bit_ : normal_)->setChecked(true);
    referred_->setText(any ? QString::fromStdString(edit_->referred()) : QStringLiteral("000"));
    referred_->setEnabled(any && edit_->referredEnabled());
    modified_->setVisible(any && edit_->modified());
    updating_ = false;
}

void WatchEditBox::chooseBit(bool bit) {
    if (!edit_) return;
    if (!edit_->chooseBit(bit)) QApplication::beep();
    showModel();
}

void WatchEditBox::setReferred(const QString& text) {
    if (!edit_) return;
    edit_->setReferred(text.toStdString());
    modified_->setVisible(edit_->modified());
}

void WatchEditBox::pickSymbol(const QString& name) {
    if (!edit_) return;
    edit_->pickSymbol(name.toStdString());
    showModel();
}

bool WatchEditBox::apply() {
    if (!edit_) return true;
    const auto r = edit_->apply();
    if (r.outcome == WatchListModel::EditOutcome::Error) {
        ui_.messageBox(MessageType::Error, r.message, Buttons::Ok);
        return false;
    }
    if (r.outcome == WatchListModel::EditOutcome::Beeped) QApplication::beep();
    showModel();
    Q_EMIT applied();
    return true;
}

void WatchEditBox::restore() {
    if (!edit_) return;
    edit_->restore();
    showModel();
}

bool WatchEditBox::modifiedShown() const {
    return !modified_->isHidden();
}

bool WatchEditBox::bitChosen() const {
    return bit_->isChecked();
}

QString WatchEditBox::referredText() const {
    return referred_->text();
}

bool WatchEditBox::referredEnabled() const {
    return referred_->isEnabled();
}

} // namespace zerka::gui
