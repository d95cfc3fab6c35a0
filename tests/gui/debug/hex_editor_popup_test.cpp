// The hexadecimal pop-up editor and the text input box as windows: keys and buttons, the
// limit rule, the result, and the placement inside the screen.
// First: the fixture brings the core headers before Qt defines its keywords.
#include "regram_fixture.h"

#include "gui/debug/hex_editor_popup.h"
#include "gui/debug/text_input_box.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace zerka {
namespace {

using gui::editHexValue;
using gui::HexEditorPopup;

// Runs `act` on the open editor once the modal loop is running.
void withOpenEditor(std::function<void(HexEditorPopup&)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<HexEditorPopup*>(w); p && p->isVisible()) return act(*p);
        ADD_FAILURE() << "no editor open";
    });
}

TEST(HexEditorPopup, KeysFollowTheLimitAndCloseTheEditor) {
    // "3FF": 4 first is over the limit; 3, F, F fill it and close accepted.
    test::typeIntoNextHexEditor("43ff");
    auto r = editHexValue(nullptr, {10, 10}, "3FF", "000~3FF", "FSR0=000");
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.value, 0x3FFu);

    test::typeIntoNextHexEditor("1\r");
    r = editHexValue(nullptr, {10, 10}, "FF", "00~FF", "Ram");
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.value, 1u);

    test::typeIntoNextHexEditor(QString("1") + QChar(27));
    r = editHexValue(nullptr, {10, 10}, "FF", "00~FF", "Ram");
    EXPECT_FALSE(r.accepted);

    test::typeIntoNextHexEditor("\r"); // Enter on an empty box closes without a value
    r = editHexValue(nullptr, {10, 10}, "FF", "00~FF", "Ram");
    EXPECT_FALSE(r.accepted);
}

TEST(HexEditorPopup, ButtonsCaptionsAndPlacement) {
    withOpenEditor([](HexEditorPopup& p) {
        EXPECT_EQ(p.windowTitle(), "Stack0010=0000");
        EXPECT_EQ(p.clearButton()->text(), "Clear");
        EXPECT_EQ(p.cancelButton()->text(), "Cancel");
        // Inside the screen although asked for at its far corner.
        const QRect screen = p.screen()->geometry();
        EXPECT_LE(p.frameGeometry().right(), screen.right());
        EXPECT_LE(p.frameGeometry().bottom(), screen.bottom());
        // Tab and the cursor keys are taken by the editor, not by the buttons.
        QTest::keyClick(&p, Qt::Key_Tab);
        p.digitButton(0xA)->click();
        p.digitButton(0xB)->click();
        EXPECT_EQ(p.editBox()->text(), "AB");
        p.clearButton()->click();
        EXPECT_EQ(p.editBox()->text(), "");
        for (int d : {1, 2, 3, 4})
            p.digitButton(d)->click(); // the fourth digit fills "FFFF"
    });
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto r = editHexValue(nullptr, screen.bottomRight(), "FFFF", "00~FFFF", "Stack0010=0000");
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.value, 0x1234u);

    // Accept with an empty box closes without a value.
    withOpenEditor([](HexEditorPopup& p) { p.acceptButton()->click(); });
    EXPECT_FALSE(editHexValue(nullptr, {0, 0}, "FF", "00~FF", "Ram").accepted);

    // Chinese button texts follow the language selector.
    withOpenEditor([](HexEditorPopup& p) {
        EXPECT_EQ(p.clearButton()->text(), QString::fromUtf8("清除"));
        p.cancelButton()->click();
    });
    EXPECT_FALSE(editHexValue(nullptr, {0, 0}, "FF", "00~FF", "Ram", 1).accepted);
}

TEST(TextInputBox, KeepsItsTextSelectedBetweenUses) {
    auto answer = [](std::function<void(gui::TextInputBox&)> act) {
        QTimer::singleShot(0, [act] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<gui::TextInputBox*>(w); b && b->isVisible())
                    return act(*b);
            ADD_FAILURE() << "no input box open";
        });
    };
    answer([](gui::TextInputBox& b) {
        EXPECT_EQ(b.windowTitle(), "Input");
        QTest::keyClicks(b.field(), "loop counter");
        b.okButton()->click();
    });
    auto r = gui::askText(nullptr, {100, 100});
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.text, "loop counter");

    answer([](gui::TextInputBox& b) {
        EXPECT_EQ(b.field()->selectedText(), "loop counter");
        QTest::keyClicks(b.field(), "x"); // replaces the selection
        b.cancelButton()->click();
    });
    r = gui::askText(nullptr, {100, 100});
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.text, "x");
}

} // namespace
} // namespace zerka
