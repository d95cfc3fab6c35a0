// QtUiHost's message boxes as a user meets them: the buttons asked for, read by their text, and
// the answer of the one pressed; Escape answers Cancel.
#include "gui/main/qt_ui_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace zerka::gui {
namespace {

struct Answered {
    Button button;
    QStringList offered; // the buttons' texts, sorted
};

// Opens a box with `buttons` and, once it is up, presses the button captioned `press` (Escape
// when empty).
Answered ask(Buttons buttons, const QString& press) {
    QtUiHost host;
    Answered a{Button::Ok, {}};
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no message box came up";
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w)) b->reject();
            return;
        }
        for (QAbstractButton* b : box->buttons())
            a.offered << b->text().remove(QLatin1Char('&'));
        std::sort(a.offered.begin(), a.offered.end());
        for (QAbstractButton* b : box->buttons())
            if (!press.isEmpty() && b->text().remove(QLatin1Char('&')) == press) {
                b->click();
                return;
            }
        QTest::keyClick(box, Qt::Key_Escape);
    });
    a.button = host.messageBox(MessageType::Confirmation, "Save the changes?", buttons);
    return a;
}

TEST(QtUiHost, MessageBoxesOfferTheButtonsAskedForAndAnswerThePressedOne) {
    Answered a = ask(Buttons::YesNoCancel, QStringLiteral("No"));
    EXPECT_EQ(a.button, Button::No);
    EXPECT_EQ(a.offered, (QStringList{"Cancel", "No", "Yes"}));

    a = ask(Buttons::RetryCancel, QStringLiteral("Retry"));
    EXPECT_EQ(a.button, Button::Retry);
    EXPECT_EQ(a.offered, (QStringList{"Cancel", "Retry"}));

    a = ask(Buttons::Ok, QStringLiteral("OK"));
    EXPECT_EQ(a.button, Button::Ok);
    EXPECT_EQ(a.offered, (QStringList{"OK"}));

    a = ask(Buttons::YesNo, QStringLiteral("Yes"));
    EXPECT_EQ(a.button, Button::Yes);

    a = ask(Buttons::OkCancel, QString());
    EXPECT_EQ(a.button, Button::Cancel);
    EXPECT_EQ(a.offered, (QStringList{"Cancel", "OK"}));
}

} // namespace
} // namespace zerka::gui
