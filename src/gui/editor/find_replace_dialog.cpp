#include "gui/editor/find_replace_dialog.h"

#include "gui/editor/editor_texts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zerka::gui {

namespace {
void name(QWidget* w, const QString& text) {
    w->setAccessibleName(text);
}
} // namespace

FindReplaceDialog::FindReplaceDialog(QWidget* parent)
    : QDialog(parent), find_(new QLineEdit(this)), replaceLabel_(new QLabel(this)),
      replace_(new QLineEdit(this)), wholeWord_(new QCheckBox(this)),
      matchCase_(new QCheckBox(this)), findNext_(new QPushButton(this)),
      replaceOne_(new QPushButton(this)), replaceAll_(new QPushButton(this)) {
    setObjectName(QStringLiteral("FindReplaceDialog"));
    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    findLabel->setBuddy(find_);
    replaceLabel_->setText(tr("Re&place with:"));
    replaceLabel_->setBuddy(replace_);
    wholeWord_->setText(tr("Match &whole word only"));
    matchCase_->setText(tr("Match &case"));
    findNext_->setText(tr("&Find Next"));
    findNext_->setDefault(true);
    replaceOne_->setText(tr("&Replace"));
    replaceAll_->setText(tr("Replace &All"));
    auto* cancel = new QPushButton(tr("Cancel"), this);
    name(findLabel, tr("Find what:"));
    name(find_, tr("Find what:"));
    name(replaceLabel_, tr("Replace with:"));
    name(replace_, tr("Replace with:"));
    name(wholeWord_, tr("Match whole word only"));
    name(matchCase_, tr("Match case"));
    name(findNext_, tr("Find Next"));
    name(replaceOne_, tr("Replace"));
    name(replaceAll_, tr("Replace All"));
    name(cancel, tr("Cancel"));
    find_->setMinimumWidth(220);

    auto* grid = new QGridLayout;
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(find_, 0, 1);
    grid->addWidget(replaceLabel_, 1, 0);
    grid->addWidget(replace_, 1, 1);
    grid->addWidget(wholeWord_, 2, 0, 1, 2);
    grid->addWidget(matchCase_, 3, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {findNext_, replaceOne_, replaceAll_, cancel})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(findNext_, &QPushButton::clicked, this, &FindReplaceDialog::findNextRequested);
    connect(replaceOne_, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(false); });
    connect(replaceAll_, &QPushButton::clicked, this, [this] { Q_EMIT replaceRequested(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

void FindReplaceDialog::setReplaceMode(bool replace) {
    replaceLabel_->setVisible(replace);
    replace_->setVisible(replace);
    replaceOne_->setVisible(replace);
    replaceAll_->setVisible(replace);
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    setAccessibleName(windowTitle());
    adjustSize();
}

void FindReplaceDialog::showFind(QWidget* over) {
    showMode(false, over);
}

void FindReplaceDialog::showReplace(QWidget* over, const QString& preset) {
    if (!preset.isEmpty()) find_->setText(preset);
    showMode(true, over);
}

void FindReplaceDialog::showMode(bool replace, QWidget* over) {
    setReplaceMode(replace);
    if (!isVisible()) placeCentred(*this, over);
    show();
    raise();
    activateWindow();
    find_->setFocus();
    find_->selectAll();
}

QString FindReplaceDialog::findText() const {
    return find_->text();
}
QString FindReplaceDialog::replaceText() const {
    return replace_->text();
}
bool FindReplaceDialog::matchCase() const {
    return matchCase_->isChecked();
}
bool FindReplaceDialog::wholeWord() const {
    return wholeWord_->isChecked();
}
void FindReplaceDialog::setFindText(const QString& text) {
    find_->setText(text);
}
void FindReplaceDialog::setReplaceText(const QString& text) {
    replace_->setText(text);
}
void FindReplaceDialog::setMatchCase(bool on) {
    matchCase_->setChecked(on);
}
void FindReplaceDialog::setWholeWord(bool on) {
    wholeWord_->setChecked(on);
}

} // namespace zerka::gui
