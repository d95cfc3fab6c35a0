// The small hexadecimal editor of the program-memory and watch windows, driven by real key
// events through its modal loop.
#include "gui/debug/progwatch_entry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace zerka::gui {
namespace {

// Types into the editor once it is open; `keys` are characters, '\r' Enter, 27 Escape.
void typeWhenOpen(std::string keys, QString* shown = nullptr) {
    QTimer::singleShot(0, [keys, shown] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        for (char k : keys) {
            if (k == '\r')
                QTest::keyClick(dialog, Qt::Key_Return);
            else if (k == 27)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (k == 8)
                QTest::keyClick(dialog, Qt::Key_Backspace);
            else
                QTest::keyClicks(dialog, QString(QChar(k)));
            if (shown && dialog->isVisible()) *shown = dialog->findChild<QLineEdit*>()->text();
        }
    });
}

TEST(ProgWatchEntry, DigitsFollowTheLimitAndCloseTheEditor) {
    // 4 is above the first limit digit; the third digit fills the box and accepts.
    typeWhenOpen("4x3ff");
    EXPECT_EQ(progwatch::askHex(nullptr, {0, 0}, "3FF", "000~3FF", "Reg=000"), 0x3FFu);

    QString shown;
    typeWhenOpen(std::string("1a\x08") + "b", &shown);
    // Still open after two digits of four: Enter is needed. Send it in a second round.
    QTimer::singleShot(10,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
    EXPECT_EQ(progwatch::askHex(nullptr, {0, 0}, "FFFF", "0000~FFFF", "Rom"), 0x1Bu);
    EXPECT_EQ(shown, QStringLiteral("1B"));

    typeWhenOpen("1\x1b");
    EXPECT_EQ(progwatch::askHex(nullptr, {0, 0}, "FF", "00~FF", "Ram"), std::nullopt);
    typeWhenOpen("\r"); // Enter on an empty box accepts nothing
    EXPECT_EQ(progwatch::askHex(nullptr, {0, 0}, "FF", "00~FF", "Ram"), std::nullopt);
}

} // namespace
} // namespace zerka::gui
