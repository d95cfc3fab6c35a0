#pragma once
// A small chip, an instruction list and a recording message log for whole assembly runs in a
// temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "chip/chip_model.h"
#include "support/temp_dir.h"
#include "upcentre/core/instruction_set.h"

namespace zerka::test {

struct RecordingLog : MessageLog {
    struct Entry {
        std::string file;
        int line;
        std::string text;
    };
    void AddEntry(const std::string& file, int line, const std::string& text) override {
        entries.push_back({file, line, text});
    }
    void ClearLog() override {
        entries.clear();
        ++clears;
    }
    void BringToFront() override { ++fronts; }
    std::vector<Entry> entries;
    int clears = 0;
    int fronts = 0;
};

class AssemblerTest : public ::testing::Test {
  protected:
    AssemblerTest() { useChip(0x12, 0, 4096); }

    // A chip whose data addresses 0..2FFh exist with all bits, except where a test says.
    void useChip(uint16_t chipId, uint8_t coreVariant, uint32_t romWords) {
        chip = ChipModel{};
        chip.chipId = chipId;
        chip.coreVariant = coreVariant;
        chip.romWords = romWords;
        chip.implementedBits.fill(0);
        for (size_t a = 0; a < 0x300; ++a)
            chip.implementedBits[a] = 0xFF;
        instructions = InstructionSet(coreTypeFromVariant(coreVariant));
    }

    AssemblyResult assemble(std::string_view source, std::string_view name = "MAIN.ASM") {
        const auto path = dir.write(name, source);
        AssemblyContext ctx;
        ctx.chip = &chip;
        ctx.instructions = &instructions;
        ctx.chipListVersion = 0x130;
        ctx.iceBodyId = 0x8024;
        ctx.log = &log;
        ctx.informationBlock = block;
        ctx.includeRoot = dir.path();
        return Assemble(path, ctx, options);
    }

    std::string path(std::string_view name) const { return (dir.path() / name).string(); }
    bool exists(std::string_view name) const { return std::filesystem::exists(dir.path() / name); }

    TempDir dir;
    ChipModel chip;
    InstructionSet instructions;
    AssemblyOptions options;
    std::array<uint16_t, 256> block{};
    RecordingLog log;
};

inline std::vector<int> codesOf(const AssemblyResult& r) {
    std::vector<int> codes;
    for (const AssemblyError& e : r.reports)
        codes.push_back(e.code);
    return codes;
}

} // namespace zerka::test
