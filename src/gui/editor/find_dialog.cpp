#include "gui/editor/find_dialog.h"

#include "gui/editor/editor_texts.h"
#include "uitext/text_table.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zerka::gui {

FindDialog::FindDialog(FindHistory& history, QWidget* parent)
    : QDialog(parent), history_(history), box_(new QComboBox(this)) {
    setObjectName(QStringLiteral("TZk_NFind"));
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    box_->setMinimumWidth(260);
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("stringLabel"));
    label->setBuddy(box_);
    auto* find = new QPushButton(this);
    find->setObjectName(QStringLiteral("findButton"));
    find->setDefault(true);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("cancelButton"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(box_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(find);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);

    connect(find, &QPushButton::clicked, this, [this] {
        // An empty text is the same as cancelling.
        if (box_->currentText().isEmpty())
            reject();
        else
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    applyCaptions();
}

void FindDialog::applyCaptions() {
    setWindowTitle(qtext(TextId::FindButton));
    setAccessibleName(windowTitle());
    auto* label = findChild<QLabel*>(QStringLiteral("stringLabel"));
    label->setText(qtext(TextId::FindString));
    label->setAccessibleName(label->text());
    box_->setAccessibleName(qtext(TextId::FindString));
    auto* find = findChild<QPushButton*>(QStringLiteral("findButton"));
    find->setText(qtext(TextId::FindButton));
    find->setAccessibleName(find->text());
    auto* cancel = findChild<QPushButton*>(QStringLiteral("cancelButton"));
    cancel->setText(qtext(TextId::FindCancel));
    cancel->setAccessibleName(cancel->text());
}

bool FindDialog::run(QWidget* over, std::string& text) {
    box_->clear();
    for (const auto& entry : history_.entries())
        box_->addItem(QString::fromStdString(entry));
    box_->setEditText(QString());
    adjustSize();
    placeCentred(*this, over);
    box_->setFocus();
    if (exec() != QDialog::Accepted) return false;
    text = box_->currentText().toStdString();
    history_.add(text);
    return true;
}

} // namespace zerka::gui
