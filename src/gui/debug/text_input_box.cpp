#include "gui/debug/text_input_box.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zerka::gui {

TextInput& TextInputBox::shared() {
    static TextInput model;
    return model;
}

TextInputBox::TextInputBox(TextInput& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), model_(model) {
    setWindowTitle(QString::fromUtf8(TextInput::kCaption));
    setModal(true);
    field_ = new QLineEdit(this);
    field_->setMinimumWidth(260);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(field_);
    layout->addLayout(buttons);

    model_.open();
    field_->setText(QString::fromStdString(model_.text()));
    field_->selectAll();
    field_->setFocus();
}

void TextInputBox::done(int result) {
    model_.setText(field_->text().toStdString());
    if (result == QDialog::Accepted)
        model_.ok();
    else
        model_.cancel();
    QDialog::done(result);
}

TextInputResult askText(QWidget* parent, QPoint at) {
    TextInputBox box(TextInputBox::shared(), parent);
    box.move(at);
    box.exec();
    const TextInput& model = TextInputBox::shared();
    return {model.accepted(), model.text()};
}

} // namespace zerka::gui
