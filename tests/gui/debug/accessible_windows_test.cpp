// The debug windows as a screen reader reads them: every grid an accessible table whose rows,
// columns and cells say what the window shows and what the CPU holds; the register panels as
// named labels; and a step announced through value and table-model change events.
// The core headers first: Qt defines its keyword `emit` as a macro.
#include "regram_fixture.h"

#include "gui/debug/program_memory_grid.h"
#include "gui/debug/program_memory_window.h"
#include "gui/debug/ram_window.h"
#include "gui/debug/register_window.h"
#include "gui/debug/stack_window.h"
#include "gui/support/accessibility.h"

#include <QLabel>

namespace zerka {
namespace {

using test::cellName;
using test::findAccessible;
using test::RegramFixture;

QString hex(uint32_t v, int width) {
    return QStringLiteral("%1").arg(v, width, 16, QLatin1Char('0')).toUpper();
}

struct Windows {
    explicit Windows(RegramFixture& f)
        : ram(*f.views, f.ui), registers(*f.views, f.ui), stack(*f.views, f.ui),
          program(*f.views, f.ui) {
        program.resize(440, 360);
        for (QWidget* w : std::initializer_list<QWidget*>{&ram, &registers, &stack, &program})
            w->show();
        QApplication::processEvents();
    }
    void settle() { QApplication::processEvents(); }
    gui::RamWindow ram;
    gui::RegisterWindow registers;
    gui::StackWindow stack;
    gui::ProgramMemoryWindow program;
};

QAccessibleInterface* table(QWidget& root, const QString& name) {
    QAccessibleInterface* t = findAccessible(&root, name, QAccessible::Table);
    EXPECT_NE(t, nullptr) << name.toStdString();
    EXPECT_TRUE(t == nullptr || t->tableInterface() != nullptr);
    return t;
}

TEST(AccessibleWindows, EveryGridReadsAsATableOfWhatTheCpuHolds) {
    RegramFixture f;
    Windows w(f);
    f.views->refreshAll();
    f.step(); // MVL 5AH
    f.step(); // MVF 80H: the byte becomes 5AH
    w.settle();
    ASSERT_EQ(f.cpu().ReadData(RegramFixture::kByte), 0x5A);

    // Data memory: rows by base address, columns by the low digit, cells the text shown.
    QAccessibleInterface* ram = table(w.ram, QStringLiteral("Data Memory"));
    ASSERT_NE(ram, nullptr);
    QAccessibleTableInterface* t = ram->tableInterface();
    EXPECT_EQ(t->rowCount(), 16);
    EXPECT_EQ(t->columnCount(), 16);
    EXPECT_EQ(t->rowDescription(0), "000");
    EXPECT_EQ(t->rowDescription(8), "080");
    EXPECT_EQ(t->columnDescription(0), "0");
    EXPECT_EQ(t->columnDescription(15), "F");
    EXPECT_EQ(cellName(ram, 0, 5), "=");                 // an indirect access register
    EXPECT_EQ(cellName(ram, 8, 0), hex(f.cpu().ReadData(0x80), 2));
    QAccessibleInterface* byte = t->cellAt(8, 0);
    ASSERT_NE(byte, nullptr);
    EXPECT_EQ(byte->role(), QAccessible::Cell);
    EXPECT_TRUE(byte->text(QAccessible::Description).startsWith("address 080"));
    EXPECT_TRUE(byte->text(QAccessible::Description).contains("changed"));
    EXPECT_EQ(byte->tableCellInterface()->rowIndex(), 8);
    EXPECT_EQ(ram->indexOfChild(byte), 8 * 16);
    EXPECT_EQ(byte->parent(), ram);
    // A hint is part of the byte's description.
    ASSERT_TRUE(f.views->ram.setHint(9, 1, "counter"));
    EXPECT_EQ(t->cellAt(8, 0)->text(QAccessible::Description), "address 080, counter, changed");

    // The register panels, by name, with the value shown.
    QAccessibleInterface* wreg = findAccessible(&w.registers, QStringLiteral("WREG"));
    ASSERT_NE(wreg, nullptr);
    EXPECT_EQ(wreg->role(), QAccessible::StaticText);
    EXPECT_EQ(wreg->text(QAccessible::Value), hex(f.cpu().ReadData(41), 2));
    // AT-SPI clients read a label's value through its text interface.
    QAccessibleTextInterface* wtext = wreg->textInterface();
    ASSERT_NE(wtext, nullptr);
    EXPECT_EQ(wtext->text(0, wtext->characterCount()), wreg->text(QAccessible::Value));
    EXPECT_EQ(wtext->text(1, -1), wreg->text(QAccessible::Value).mid(1));
    QAccessibleInterface* pc = findAccessible(&w.registers, QStringLiteral("Program Counter"));
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc->text(QAccessible::Value), QString::number(f.cpu().GetPC(), 16).toUpper());
    ASSERT_NE(findAccessible(&w.registers, QStringLiteral("Cycle")), nullptr);
    EXPECT_EQ(findAccessible(&w.registers, QStringLiteral("Cycle"))->text(QAccessible::Value),
              hex(f.cpu().cyclesHigh(), 4) + hex(f.cpu().cyclesLow(), 4));
    QAccessibleInterface* ind0 = findAccessible(&w.registers, QStringLiteral("IND0"));
    ASSERT_NE(ind0, nullptr);
    EXPECT_TRUE(ind0->text(QAccessible::Value).startsWith("M["));
    EXPECT_NE(findAccessible(&w.registers, QStringLiteral("IND1")), nullptr);

    // The bit grid: rows by register, cells by bit name with the bit's value.
    QAccessibleInterface* bits = table(w.registers, QStringLiteral("Bit Registers"));
    ASSERT_NE(bits, nullptr);
    int status = -1;
    for (int r = 0; r < bits->tableInterface()->rowCount(); ++r)
        if (bits->tableInterface()->rowDescription(r) == "STATUS") status = r;
    ASSERT_GE(status, 0);
    EXPECT_EQ(bits->tableInterface()->columnCount(), 8);
    EXPECT_EQ(bits->tableInterface()->columnDescription(0), "bit 7");
    const uint8_t statusByte = f.cpu().ReadData(43);
    int named = 0;
    for (int c = 0; c < 8; ++c) {
        QAccessibleInterface* bit = bits->tableInterface()->cellAt(status, c);
        if (bit->text(QAccessible::Name) == "-") continue;
        ++named;
        const bool one = (statusByte >> (7 - c)) & 1;
        EXPECT_EQ(bit->text(QAccessible::Value), one ? "1" : "0") << c;
        EXPECT_EQ(bool(bit->state().checked), one) << c;
        EXPECT_TRUE(bit->text(QAccessible::Description).startsWith("STATUS bit"));
    }
    EXPECT_GT(named, 0);
    QAccessibleInterface* bytes = table(w.registers, QStringLiteral("Byte Registers"));
    ASSERT_NE(bytes, nullptr);
    EXPECT_FALSE(cellName(bytes, 0, 0).isEmpty());

    // The stack: the status row, then rows 1..N.
    QAccessibleInterface* stack = table(w.stack, QStringLiteral("Stack"));
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->tableInterface()->rowCount(), int(f.cpu().stackDepth()) + 1);
    EXPECT_EQ(stack->tableInterface()->rowDescription(0), "Stack");
    EXPECT_EQ(stack->tableInterface()->rowDescription(1), "1");
    EXPECT_EQ(cellName(stack, 0, 0), "0");
    EXPECT_EQ(stack->tableInterface()->cellAt(1, 0)->text(QAccessible::Description),
              "stack entry 1");

    // Program memory: address, code, instruction, data; the current row is selected and a
    // breakpoint's mark is checked.
    QAccessibleInterface* prog = table(w.program, QStringLiteral("Program Memory"));
    ASSERT_NE(prog, nullptr);
    QAccessibleTableInterface* p = prog->tableInterface();
    EXPECT_EQ(p->columnCount(), 5);
    EXPECT_EQ(p->columnDescription(1), "addr");
    EXPECT_EQ(p->columnDescription(3), "instruction");
    EXPECT_EQ(p->rowDescription(0), "0000");
    const uint32_t at = f.cpu().GetPC();
    int row = -1;
    for (int r = 0; r < p->rowCount(); ++r)
        if (p->rowDescription(r) == hex(at, 4)) row = r;
    ASSERT_GE(row, 0);
    EXPECT_TRUE(p->cellAt(row, 1)->state().selected);
    EXPECT_EQ(p->cellAt(row, 1)->text(QAccessible::Description), "current address");
    EXPECT_FALSE(p->cellAt(0, 1)->state().selected);
    EXPECT_EQ(cellName(prog, 0, 2), hex(f.cpu().cellAt(0)->code, 4));
    EXPECT_EQ(cellName(prog, 0, 3).left(3), "MVL");
    ASSERT_EQ(f.up.ToggleBreakpoint(0, BreakpointKind::Address, true), ToggleResult::Done);
    w.program.refreshView();
    EXPECT_TRUE(p->cellAt(0, 0)->state().checked);
    EXPECT_EQ(p->cellAt(0, 0)->text(QAccessible::Description), "breakpoint");
    EXPECT_FALSE(p->cellAt(1, 0)->state().checked);
}

TEST(AccessibleWindows, AStepIsAnnouncedToAScreenReader) {
    RegramFixture f;
    Windows w(f);
    f.views->refreshAll();
    w.settle();
    test::AccessibleEventRecorder recorder;
    // A listener reads the windows first; what it is told afterwards is relative to that.
    QAccessibleInterface* ram = table(w.ram, QStringLiteral("Data Memory"));
    QAccessibleInterface* pc = findAccessible(&w.registers, QStringLiteral("Program Counter"));
    ASSERT_TRUE(ram && pc);
    f.step();
    f.step();
    w.settle();

    auto saw = [&](auto&& match) {
        return std::any_of(recorder.events.begin(), recorder.events.end(), match);
    };
    const QString newPc = QString::number(f.cpu().GetPC(), 16).toUpper();
    EXPECT_TRUE(saw([&](const auto& e) {
        return e.type == QAccessible::ValueChanged && e.object == w.registers.panel(
                   gui::RegisterWindow::Panel::Pc) && e.value == newPc;
    })) << "no new PC announced";
    EXPECT_TRUE(saw([&](const auto& e) {
        return e.type == QAccessible::ValueChanged &&
               e.object == w.registers.panel(gui::RegisterWindow::Panel::W) && e.value == "5A";
    })) << "no new W announced";
    EXPECT_FALSE(saw([&](const auto& e) {
        return e.type == QAccessible::ValueChanged && e.name == "IND1";
    })) << "an unchanged panel was announced";
    // The RAM table: a data change over the byte's row, and the byte's own new text.
    EXPECT_TRUE(saw([&](const auto& e) {
        return e.type == QAccessible::TableModelChanged && e.object == w.ram.grid() &&
               e.change == QAccessibleTableModelChangeEvent::DataChanged && e.firstRow <= 8 &&
               e.lastRow >= 8;
    })) << "no table change over row 080";
    EXPECT_TRUE(saw([&](const auto& e) {
        return e.type == QAccessible::ValueChanged && e.object == w.ram.grid() && e.value == "5A";
    })) << "no cell announced";
    // Without a change, nothing more is said.
    const size_t before = recorder.events.size();
    w.ram.refreshView();
    w.registers.refreshView();
    EXPECT_EQ(recorder.events.size(), before);
}

} // namespace
} // namespace zerka
