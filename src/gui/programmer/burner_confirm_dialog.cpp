#include "gui/programmer/burner_confirm_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zerka::gui {

BurnerConfirmDialog::BurnerConfirmDialog(QWidget* parent)
    : QDialog(parent), version_(new QComboBox(this)), chips_(new QComboBox(this)) {
    setObjectName(QStringLiteral("TBurnerConfirm"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setAccessibleName(windowTitle());
    version_->setObjectName(QStringLiteral("WriteVer"));
    version_->addItems(
        {QStringLiteral("BURNA"), QStringLiteral("BURNB"), QStringLiteral("BURNC/BURND")});
    version_->setAccessibleName(QStringLiteral("Burner version"));
    chips_->setObjectName(QStringLiteral("CbSeluP"));
    chips_->setAccessibleName(QStringLiteral("Chip"));
    chips_->setMinimumContentsLength(18);

    auto* heading = new QLabel(windowTitle(), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Burner version"), version_);
    form->addRow(QStringLiteral("Chip"), chips_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ok"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(version_, &QComboBox::activated, this, &BurnerConfirmDialog::versionChosen);
}

void BurnerConfirmDialog::setChoices(const std::vector<std::string>& chips, int chipIndex,
                                     int version) {
    chips_->clear();
    for (const std::string& c : chips)
        chips_->addItem(QString::fromStdString(c));
    chips_->setCurrentIndex(std::clamp(chipIndex, 0, std::max(0, chips_->count() - 1)));
    version_->setCurrentIndex(std::clamp(version, 0, 2));
}

} // namespace zerka::gui
