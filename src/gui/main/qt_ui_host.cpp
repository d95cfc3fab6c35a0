#include "gui/main/qt_ui_host.h"

#include <QMessageBox>

namespace zerka::gui {

Button QtUiHost::messageBox(MessageType type, const std::string& text, Buttons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Zerka-IDE"));
    box.setText(QString::fromStdString(text));
    switch (type) {
    case MessageType::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageType::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageType::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageType::Confirmation:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case Buttons::Ok:
        set = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case Buttons::RetryCancel:
        set = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    case Buttons::Cancel:
        set = QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(set);
    box.setAccessibleName(box.text());
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Button::Ok;
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    case QMessageBox::Retry:
        return Button::Retry;
    default:
        return Button::Cancel;
    }
}

void QtUiHost::statusText(const std::string& text) {
    if (status_) status_->setText(QString::fromStdString(text));
}

void QtUiHost::busy(bool on) {
    if (busy_) busy_->setFixedWidth(on ? 35 : 10);
}

} // namespace zerka::gui
