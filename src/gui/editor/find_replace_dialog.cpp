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
// The caption with its keyboard mnemonic; the accessible name is the caption without the '&'.
template <typename W> void caption(W* w, const QString& text) {
    w->setText(text);
    w->setAccessibleName(QString(text).remove(QLatin1Char('&')));
}
} // namespace

FindReplaceDialog::FindReplaceDialog(QWidget* parent)
    : QDialog(parent), find_(new QLineEdit(this)), replaceLabel_(new QLabel(this)),
      replace_(new QLineEdit(this)), wholeWord_(new QCheckBox(this)),
      matchCase_(new QCheckBox(this)), findNext_(new QPushButton(this)),
      replaceOne_(new QPushButton(this)), replaceAll_(new QPushButton(this)) {
    setObjectName(QStringLiteral("FindReplaceDialog"));
    auto* findLabel = new QLabel(this);
    caption(findLabel, tr("Fi&nd what:"));
    findLabel->setBuddy(find_);
    caption(replaceLabel_, tr("Re&place with:"));
    replaceLabel_->setBuddy(replace_);
    caption(wholeWord_, tr("Match &whole word only"));
    caption(matchCase_, tr("Match &case"));
    caption(findNext_, tr("&Find Next"));
    findNext_->setDefault(true);
    caption(replaceOne_, tr("&Replace"));
    caption(replaceAll_, tr("Replace &All"));
    auto* cancel = new QPushButton(this);
    caption(cancel, tr("Cancel"));
    // The fields are named by their labels.
    find_->setAccessibleName(findLabel->accessibleName());
    replace_->setAccessibleName(replaceLabel_->accessibleName());
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
