#pragma once
// The register, RAM and stack windows over a real uP centre with a chip of the shipped library
// (KXA1608, CX4A core), a small program to step through, a UiHost that records its messages,
// and helpers that answer the value-entry dialogs as a user would.
// The core headers first: Qt defines its keyword `emit` as a macro.
#include "chip/chip_library.h"
#include "core/ui_host.h"
#include "views/debug_views.h"

#include "gui/debug/hex_cell_grid.h"
#include "gui/debug/hex_editor_popup.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace zerka::test {

class RecordingUi : public UiHost {
  public:
    struct Shown {
        MessageType type;
        std::string text;
    };
    std::vector<Shown> messages;
    std::deque<Button> answers;

    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override {
        messages.push_back({type, text});
        if (answers.empty()) return buttons == Buttons::YesNo ? Button::No : Button::Ok;
        const Button b = answers.front();
        answers.pop_front();
        return b;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

inline uint16_t encode(const InstructionSet& set, const char* mnemonic,
                       std::initializer_list<uint32_t> operands) {
    const InstructionDef* def = set.findByMnemonic(mnemonic);
    EXPECT_NE(def, nullptr) << mnemonic;
    if (!def) return 0;
    uint16_t w = def->matchValue;
    size_t i = 0;
    for (uint32_t v : operands)
        w = def->operands[i++].insert(w, v);
    return w;
}

struct RegramFixture {
    // General-purpose bytes of bank 0 and bank 1 that the program writes.
    static constexpr uint32_t kByte = 0x80;
    static constexpr uint32_t kBank1Byte = 0x105;

    RegramFixture() {
        ChipLibrary library(std::filesystem::path(ZERKA_SOURCE_DIR) / "chips");
        EXPECT_TRUE(library.buildChipList());
        const auto index = library.findChipByName("KXA1608");
        EXPECT_TRUE(index.has_value());
        if (index) {
            EXPECT_TRUE(library.GetSELUP(*index, chip));
        }
        up.setInstructionSet(InstructionSet(CoreType::CX4A));
        up.applyChip(chip);
        // MVL 5AH; MVF 80H,F; INF 80H,F; CLRF 80H; then back to 0.
        const InstructionSet& set = up.instructions();
        const uint16_t program[] = {encode(set, "MVL", {0x5A}), encode(set, "MVF", {kByte, 1, 0}),
                                    encode(set, "INF", {kByte, 1, 0}),
                                    encode(set, "CLRF", {kByte, 0}), encode(set, "RJ", {0x7FB})};
        for (uint32_t a = 0; a < std::size(program); ++a)
            up.LoadProgramCell(a, program[a], uint16_t(a + 1), 0);
        views = std::make_unique<DebugViews>(up, chip);
        views->chipChanged();
    }
    CpuState& cpu() { return up.cpu(); }
    // One single step and the refresh the shell makes after it.
    void step() {
        up.StepInto();
        views->refreshAll();
    }

    ChipModel chip;
    TZk_UP up;
    std::unique_ptr<DebugViews> views;
    RecordingUi ui;
};

// Finds the pop-up editor once it is open and types `keys` into it (each key as a user would).
inline void typeIntoNextHexEditor(const QString& keys) {
    QTimer::singleShot(0, [keys] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* popup = qobject_cast<gui::HexEditorPopup*>(w); popup && popup->isVisible()) {
                for (QChar c : keys) {
                    if (c == QLatin1Char('\r'))
                        QTest::keyClick(popup, Qt::Key_Return);
                    else if (c == QChar(27))
                        QTest::keyClick(popup, Qt::Key_Escape);
                    else
                        QTest::keyClicks(popup, QString(c));
                    if (!popup->isVisible()) break;
                }
                return;
            }
        ADD_FAILURE() << "no hexadecimal editor open";
    });
}

// The centre of a grid cell, and its background colour as painted.
inline QPoint cellCentre(const gui::HexCellGrid& grid, int row, int col) {
    return grid.cellRect(row, col).center();
}
inline QColor cellBackground(gui::HexCellGrid& grid, int row, int col) {
    const QImage image = grid.grab().toImage();
    return image.pixelColor(grid.cellRect(row, col).topLeft() + QPoint(1, 1));
}
inline void doubleClickCell(gui::HexCellGrid& grid, int row, int col) {
    QTest::mouseDClick(&grid, Qt::LeftButton, Qt::NoModifier, cellCentre(grid, row, col));
}

} // namespace zerka::test
