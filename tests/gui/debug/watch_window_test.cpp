// The watch window on the offscreen platform over a real uP centre and an assembled program:
// symbols moved in with the add/remove dialog, the four display modes from the value heading,
// value edits, the edit dialog's bit watches and its errors, and ".pro" files through the menu.
// First: the core headers must come before Qt defines its keywords.
#include "progwatch_rig.h"

#include "gui/debug/watch_window.h"

#include "core/atomic_file.h"
#include "gui/debug/progwatch_entry.h"
#include "gui/debug/watch_add_dialog.h"
#include "gui/debug/watch_edit_dialog.h"
#include "gui/support/popup_menu.h"
#include "gui/support/screenshot.h"
#include "views/view_text.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>

namespace zerka::gui {
namespace {

class WatchWindowTest : public ::testing::Test {
  protected:
    WatchWindowTest() {
        rig.build();
        window = std::make_unique<WatchWindow>(*rig.views, rig.ui);
        window->resize(420, 200);
        window->show();
        QApplication::processEvents();
    }
    ~WatchWindowTest() override { progwatch::setHexAnswerHook({}); }

    QString text(int row, int col) {
        const QAbstractItemModel* m = window->table().model();
        return m->data(m->index(row - 1, col), Qt::DisplayRole).toString();
    }
    QString heading(int col) {
        return window->table().model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    int rowOf(const QString& name) {
        for (int r = 1; r <= window->table().model()->rowCount(); ++r)
            if (text(r, 0) == name) return r;
        return -1;
    }
    void moveIn(const char* name) {
        QListWidget& other = window->addDialog().otherBox();
        const auto items = other.findItems(QString::fromLatin1(name), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name;
        other.clearSelection();
        items[0]->setSelected(true);
        window->addDialog().moveSelectedIn();
    }
    // Opens the pop-up menu with Shift+F10 and reads it; with `choose`, chooses that item.
    std::vector<test::PopupItem> menu(const QString& choose = {}) {
        return test::popUpMenu(
            [this] { QTest::keyClick(&window->table(), Qt::Key_F10, Qt::ShiftModifier); }, choose);
    }
    // The item of that caption as the menu shows it now.
    test::PopupItem menuItem(const QString& caption) {
        for (const test::PopupItem& i : menu())
            if (i.text == caption) return i;
        ADD_FAILURE() << "no menu item " << caption.toStdString();
        return {};
    }
    void afterStep() {
        rig.views->refreshAll();
        window->refreshView();
    }
    void typeHex(const std::string& digits) {
        progwatch::setHexAnswerHook([digits](HexEntry& e) {
            for (char c : digits)
                e.key(c);
            e.key(HexEntry::kEnter);
        });
    }

    test::ProgWatchRig rig;
    std::unique_ptr<WatchWindow> window;
};

TEST_F(WatchWindowTest, SymbolsInEachDisplayMode) {
    EXPECT_EQ(window->table().model()->rowCount(), 1); // one empty row below the header
    menu("Add/Delete Watches");
    EXPECT_TRUE(window->addDialog().isVisible());
    moveIn("PAIR");
    window->addDialog().addField().setText(QStringLiteral("count")); // typed names: any case
    QTest::keyClick(&window->addDialog().addField(), Qt::Key_Return);
    EXPECT_EQ(window->addDialog().watchBox().count(), 2);
    EXPECT_TRUE(window->addDialog().addField().text().isEmpty());
    const int pair = rowOf(QStringLiteral("PAIR"));
    const int count = rowOf(QStringLiteral("COUNT"));
    ASSERT_GT(pair, 0);
    ASSERT_GT(count, 0);
    EXPECT_EQ(text(pair, 1), QStringLiteral("0A0"));
    EXPECT_EQ(text(count, 1), QStringLiteral("084"));

    // Stepping writes 12h at A0h; 34h is put at A1h through the register-edit path.
    rig.up.StepInto();
    rig.up.StepInto();
    rig.up.SetRegister(0xA1, 0x34);
    afterStep();
    EXPECT_EQ(heading(2), QStringLiteral("Hex(H --> L)"));
    EXPECT_EQ(text(pair, 2), QStringLiteral("3412"));
    const int before = rig.up.cpu().ReadData(0x84);
    rig.up.StepInto();
    rig.up.StepInto(); // INF COUNT
    afterStep();
    EXPECT_EQ(text(count, 2).toInt(nullptr, 16), before + 1);
    EXPECT_EQ(text(count, 3), QString::fromStdString(viewtext::binary8(uint8_t(before + 1))));

    // Double-clicking the value heading walks the modes.
    QHeaderView* header = window->table().horizontalHeader();
    const QPoint valueHeading(header->sectionViewportPosition(2) + 10, header->height() / 2);
    const char* expected[][2] = {{"Hex(L --> H)", "1234"},
                                 {"Dec(H --> L)", "13330"},
                                 {"Dec(L --> H)", "4660"},
                                 {"Hex(H --> L)", "3412"}};
    for (const auto& e : expected) {
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, valueHeading);
        EXPECT_EQ(heading(2), QString::fromLatin1(e[0]));
        EXPECT_EQ(text(pair, 2), QString::fromLatin1(e[1]));
    }

    // The menu: the list's items, the display and file items, then the value edit.
    EXPECT_EQ(test::captions(menu()).join(QLatin1Char(',')).toStdString(),
              "Add/Delete Watches,Edit Watch,Delete Watch,Delete All Watches,-,Hide Addr,"
              "Load Properties,Save Properties As,Clear All Properties,-,Modify Value");

    // "Hide Addr" hides the address column and shows its check mark.
    menu("Hide Addr");
    EXPECT_TRUE(window->table().isColumnHidden(1));
    EXPECT_TRUE(menuItem("Hide Addr").checked);
    menu("Hide Addr");
    EXPECT_FALSE(window->table().isColumnHidden(1));
    EXPECT_TRUE(window->table().isColumnHidden(5));

    window->addDialog().hide();
    QApplication::processEvents();
    test::saveScreenshot(*window, QStringLiteral("watch_window"));
}

TEST_F(WatchWindowTest, ValueEditsFollowTheDisplayOrder) {
    moveIn("PAIR");
    moveIn("CFLAG");
    const int pair = rowOf(QStringLiteral("PAIR"));
    window->selectRow(pair);
    typeHex("BEEF");
    menu("Modify Value");
    EXPECT_EQ(rig.up.cpu().ReadData(0xA0), 0xEF); // H --> L: the last digits are the low address
    EXPECT_EQ(rig.up.cpu().ReadData(0xA1), 0xBE);
    EXPECT_EQ(text(pair, 2), QStringLiteral("BEEF"));
    window->list().setMode(WatchMode::HexLowHigh);
    typeHex("1234");
    EXPECT_TRUE(window->editValue(pair));
    EXPECT_EQ(rig.up.cpu().ReadData(0xA0), 0x12);
    EXPECT_EQ(text(pair, 2), QStringLiteral("1234"));
    // Cancelled: nothing written.
    progwatch::setHexAnswerHook([](HexEntry& e) { e.key(HexEntry::kEscape); });
    EXPECT_FALSE(window->editValue(pair));
    EXPECT_EQ(rig.up.cpu().ReadData(0xA0), 0x12);

    // A bit watch edits its one bit of the referred byte.
    WatchEditBox& edit = window->editDialog();
    window->selectRow(rowOf(QStringLiteral("CFLAG")));
    menu("Edit Watch");
    ASSERT_EQ(edit.symbolName(), "CFLAG");
    edit.chooseBit(true);
    edit.setReferred(QStringLiteral("STATUS"));
    ASSERT_TRUE(edit.apply());
    const int flag = rowOf(QStringLiteral("CFLAG"));
    rig.up.SetRegister(0x2B, 0x00);
    afterStep();
    EXPECT_EQ(text(flag, 2), QStringLiteral("0"));
    typeHex("1");
    EXPECT_TRUE(window->editValue(flag));
    EXPECT_EQ(rig.up.cpu().ReadData(0x2B) & 0x10, 0x10);
    EXPECT_EQ(text(flag, 2), QStringLiteral("1"));
}

TEST_F(WatchWindowTest, EditDialogBitWatchesAndErrors) {
    moveIn("CFLAG");
    moveIn("COUNT");
    WatchEditBox& edit = window->editDialog();
    EXPECT_TRUE(menuItem("Edit Watch").enabled);

    // A value of 84h is no bit number: "Bit" falls back to "Normal".
    window->selectRow(rowOf(QStringLiteral("COUNT")));
    menu("Edit Watch");
    edit.chooseBit(true);
    EXPECT_FALSE(edit.bitChosen());
    EXPECT_FALSE(edit.referredEnabled());

    window->selectRow(rowOf(QStringLiteral("CFLAG")));
    menu("Edit Watch");
    EXPECT_TRUE(edit.isVisible());
    edit.chooseBit(true);
    EXPECT_TRUE(edit.referredEnabled());
    EXPECT_TRUE(edit.modifiedShown());
    edit.setReferred(QStringLiteral("NOSUCH"));
    EXPECT_FALSE(edit.apply());
    ASSERT_FALSE(rig.ui.messages.empty());
    EXPECT_EQ(rig.ui.messages.back(), "Refered Address NOSUCH is error!");
    EXPECT_EQ(text(rowOf(QStringLiteral("CFLAG")), 4), QStringLiteral("0")); // unchanged

    // So is an address past the data memory.
    edit.setReferred(QStringLiteral("1000H"));
    EXPECT_FALSE(edit.apply());
    EXPECT_EQ(rig.ui.messages.back(), "Refered Address 1000H is error!");

    edit.pickSymbol(QStringLiteral("STATUS"));
    EXPECT_EQ(edit.referredText(), QStringLiteral("STATUS"));
    ASSERT_TRUE(edit.apply());
    EXPECT_FALSE(edit.modifiedShown());
    const int flag = rowOf(QStringLiteral("CFLAG"));
    EXPECT_EQ(text(flag, 1), QStringLiteral("02B[4]"));
    EXPECT_EQ(text(flag, 3), QStringLiteral("STATUS"));
    EXPECT_EQ(text(flag, 4), QStringLiteral("1"));
    // Restore goes back to what the dialog was opened (or last applied) with.
    edit.chooseBit(false);
    EXPECT_TRUE(edit.modifiedShown());
    edit.restore();
    EXPECT_TRUE(edit.bitChosen());

    // "Clear All Properties" asks first; No keeps the bit watch.
    rig.ui.answer = Button::No;
    menu("Clear All Properties");
    EXPECT_EQ(text(flag, 4), QStringLiteral("1"));
    rig.ui.answer = Button::Yes;
    menu("Clear All Properties");
    EXPECT_EQ(text(flag, 1), QStringLiteral("004"));
    EXPECT_EQ(text(flag, 4), QStringLiteral("0"));

    // "Delete Watch" takes the selected row out; the other stays.
    window->selectRow(rowOf(QStringLiteral("COUNT")));
    menu("Delete Watch");
    EXPECT_EQ(rowOf(QStringLiteral("COUNT")), -1);
    EXPECT_GT(rowOf(QStringLiteral("CFLAG")), 0);

    // Emptying the list closes the edit dialog and disables the row items.
    menu("Delete All Watches");
    EXPECT_EQ(window->list().watchedCount(), 0);
    EXPECT_FALSE(edit.isVisible());
    EXPECT_FALSE(menuItem("Edit Watch").enabled);
}

TEST_F(WatchWindowTest, PropertiesFilesRoundTripThroughTheMenu) {
    moveIn("PAIR");
    moveIn("CFLAG");
    window->selectRow(rowOf(QStringLiteral("CFLAG")));
    menu("Edit Watch");
    window->editDialog().chooseBit(true);
    window->editDialog().setReferred(QStringLiteral("2CH")); // a typed address
    ASSERT_TRUE(window->editDialog().apply());
    const auto file = rig.dir.path() / "MAIN.pro";
    window->setFileChooser([&](bool) { return QString::fromStdString(file.string()); });
    menu("Save Properties As");
    ASSERT_TRUE(std::filesystem::exists(file));

    menu("Delete All Watches");
    ASSERT_EQ(rig.ui.messages, std::vector<std::string>{"Delete All Watches?"});
    rig.ui.messages.clear();
    window->list().clearAllProperties();
    ASSERT_EQ(window->table().model()->rowCount(), 1);
    menu("Load Properties");
    ASSERT_EQ(window->list().watchedCount(), 2);
    EXPECT_EQ(text(rowOf(QStringLiteral("CFLAG")), 1), QStringLiteral("02C[4]"));
    EXPECT_EQ(text(rowOf(QStringLiteral("PAIR")), 1), QStringLiteral("0A0"));
    EXPECT_TRUE(rig.ui.messages.empty());

    // A damaged file: junk is skipped, a bad referred name is reported once, nothing crashes.
    const std::string junk = "\x01\x02\xff garbage\n1 CFLAG A NOSUCH 4 \n0 NOTASYMBOL A \n\n1\n";
    ASSERT_TRUE(writeFileAtomic(file, junk, nullptr));
    EXPECT_FALSE(window->loadProperties(file));
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], "Refered Address NOSUCH is error!");
    EXPECT_EQ(window->list().watchedCount(), 2);

    // Closing the window saves the list to the current file's ".pro".
    const auto current = rig.dir.path() / "CURRENT.pro";
    window->setPropertiesFile(current);
    window->close();
    std::string saved;
    ASSERT_TRUE(readFileBytes(current, saved));
    EXPECT_NE(saved.find("0 PAIR A \n"), std::string::npos);
    EXPECT_NE(saved.find("1 CFLAG A 02CH 4 \n"), std::string::npos);
}

} // namespace
} // namespace zerka::gui
