#pragma once
// A uP centre in simulator mode on the shipped KXA1608 description, a small program assembled
// into it, every debug-window model over it, and a UiHost that records its messages.
#include "asm/assembler.h"
#include "chip/chip_library.h"
#include "core/ui_host.h"
#include "support/temp_dir.h"
#include "views/debug_views.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zerka::test {

struct ProgwatchUi : UiHost {
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        messages.push_back(text);
        return answer;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    std::vector<std::string> messages;
    Button answer = Button::Yes;
};

// PAIR is two data bytes at A0h, COUNT a byte the loop counts up, CFLAG a bit number.
inline constexpr const char* kProgWatchSource = R"(
STATUS  EQU     2BH
COUNT   EQU     84H
CFLAG   EQU     4
        MEMAR   0A0H
PAIR    DS      2
        ORG     0
START:  MVL     12H
        MVF     PAIR, 1
        MVL     34H
LOOP:   INF     COUNT, 1
        NOP
        JMP     LOOP
        END
)";

struct ProgWatchRig {
    ProgWatchRig() : up(&ui) {
        ChipLibrary library(std::filesystem::path(ZERKA_SOURCE_DIR) / "chips");
        EXPECT_TRUE(library.buildChipList());
        const auto index = library.findChipByName("KXA1608");
        EXPECT_TRUE(index.has_value());
        if (index) {
            EXPECT_TRUE(library.GetSELUP(*index, chip));
        }
        instructions = InstructionSet(coreTypeFromVariant(chip.coreVariant));
        up.setInstructionSet(instructions);
        up.applyChip(chip);
        views = std::make_unique<DebugViews>(up, chip);
        views->chipChanged();
    }

    // Assembles the source and loads its cells and symbols, as a build does.
    void build(std::string_view source = kProgWatchSource) {
        AssemblyContext ctx;
        ctx.chip = &chip;
        ctx.instructions = &instructions;
        ctx.includeRoot = dir.path();
        AssemblyOptions options;
        options.listing = options.hexFile = options.mapFile = options.errorFile = false;
        const AssemblyResult r = Assemble(dir.write("MAIN.ASM", source), ctx, options);
        ASSERT_TRUE(r.success) << (r.errorList.empty() ? "" : r.errorList.front());
        up.ClearProgramMemory();
        for (uint32_t a = 0; a < r.cells.size(); ++a)
            up.LoadProgramCell(a, r.cells[a].code, r.cells[a].line, r.cells[a].fileIndex);
        up.ClearSymbols();
        std::vector<ViewSymbol> symbols;
        for (const SymbolEntry& s : r.symbols) {
            up.AddSymbol(s.name, s.value, s.kind);
            symbols.push_back({s.name, s.value, s.kind == 'D' ? s.extra : 0, s.kind});
        }
        up.ResetCpu();
        views->symbolsChanged(symbols);
        views->refreshAll();
    }

    ProgwatchUi ui;
    TempDir dir;
    ChipModel chip;
    InstructionSet instructions;
    TZk_UP up;
    std::unique_ptr<DebugViews> views;
};

} // namespace zerka::test
