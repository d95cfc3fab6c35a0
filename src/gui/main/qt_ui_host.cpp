#include "gui/main/qt_ui_host.h"

#include <QMessageBox>

#include <array>
#include <utility>

namespace zerka::gui {

namespace {
// Qt's button for each of ours: the set a box offers and the answer it gives both go through
// this list.
constexpr std::array<std::pair<Button, QMessageBox::StandardButton>, 5> kButtons = {{
    {Button::Ok, QMessageBox::Ok},
    {Button::Yes, QMessageBox::Yes},
    {Button::No, QMessageBox::No},
    {Button::Retry, QMessageBox::Retry},
    {Button::Cancel, QMessageBox::Cancel},
}};

QMessageBox::StandardButtons qtButtons(std::initializer_list<Button> ours) {
    QMessageBox::StandardButtons set;
    for (Button b : ours)
        for (const auto& [mine, qt] : kButtons)
            if (mine == b) set |= qt;
    return set;
}
} // namespace

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
        set = qtButtons({Button::Ok});
        break;
    case Buttons::OkCancel:
        set = qtButtons({Button::Ok, Button::Cancel});
        break;
    case Buttons::YesNo:
        set = qtButtons({Button::Yes, Button::No});
        break;
    case Buttons::YesNoCancel:
        set = qtButtons({Button::Yes, Button::No, Button::Cancel});
        break;
    case Buttons::RetryCancel:
        set = qtButtons({Button::Retry, Button::Cancel});
        break;
    case Buttons::Cancel:
        set = qtButtons({Button::Cancel});
        break;
    }
    box.setStandardButtons(set);
    box.setAccessibleName(box.text());
    const int pressed = box.exec();
    for (const auto& [mine, qt] : kButtons)
        if (pressed == qt) return mine;
    // Closing the box answers Cancel.
    return Button::Cancel;
}

void QtUiHost::statusText(const std::string& text) {
    if (status_) status_->setText(QString::fromStdString(text));
}

void QtUiHost::busy(bool on) {
    if (busy_) busy_->setFixedWidth(on ? 35 : 10);
}

} // namespace zerka::gui
