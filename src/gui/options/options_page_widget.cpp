#include "gui/options/options_pages.h"

#include "chip/options_model.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zerka::gui {

OptionsPageWidget::OptionsPageWidget(const OptionsPageContext& context, QWidget* parent)
    : QWidget(parent), model_(context.model), tools_(context.tools), heading_(new QLabel(this)),
      changed_(context.changed), report_(context.report) {
    QFont font = heading_->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    heading_->setFont(font);
    heading_->setObjectName(QStringLiteral("heading"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading_);
}

void OptionsPageWidget::refresh() {
    for (const auto& follow : follows_)
        follow();
    refreshUnbound();
}

void OptionsPageWidget::onClicked(QAbstractButton* button, std::function<void(bool)> apply) {
    connect(button, &QAbstractButton::clicked, this, [this, apply = std::move(apply)](bool on) {
        apply(on);
        changed();
    });
}

void OptionsPageWidget::onActivated(QComboBox* box, std::function<void(int)> apply) {
    connect(box, &QComboBox::activated, this, [this, apply = std::move(apply)](int index) {
        apply(index);
        changed();
    });
}

void OptionsPageWidget::bindCheck(QAbstractButton* box, CheckControl OptionsControls::*control) {
    follow(box, control);
    onClicked(box, [this, control](bool on) { (model_.controls().*control).checked = on; });
}

void OptionsPageWidget::bindText(QLineEdit* box, EditControl OptionsControls::*control) {
    follow(box, control);
    connect(box, &QLineEdit::textEdited, this, [this, control](const QString& t) {
        (model_.controls().*control).text = t.toStdString();
    });
}

} // namespace zerka::gui
