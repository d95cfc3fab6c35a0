// Every instruction of both cores against what the instruction list declares about it (its cycles,
// whether it may skip or branch, the STATUS flags it may change), measured on the engine and on
// the independent reference engine, so a wrong line in the list or a handler that strays from it
// shows up here and not as a wrong cycle count in the coverage or the hover.
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/engine.h"
#include "upcentre/core/instruction_set.h"
#include "upcentre/core/machine_snapshot.h"
#include "upcentre/reference/reference_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace zerka {
namespace {

constexpr uint32_t kAt = 0x10;      // where the instruction is placed
constexpr uint32_t kOperand = 0x60; // a general data byte for file operands
constexpr uint16_t kPayload = 0x060;

struct Measured {
    int minCycles = INT_MAX;
    int maxCycles = 0;
    uint8_t flags = 0; // STATUS bits seen to change
};

// The words to try for `def`: the file operand on a plain byte with bank select 0, literals and
// offsets that make results zero, negative, carrying and overflowing, both destinations and the
// lowest and highest bit. The shadow restore stays off: it loads STATUS wholesale.
std::vector<uint16_t> wordsFor(const InstructionDef& def) {
    const OperationTraits& t = operationTraits(def.id);
    std::vector<uint16_t> words;
    for (uint32_t first : {0x00u, 0x01u, 0x7Fu, 0x80u, 0xFFu}) {
        for (uint32_t second : {0u, 1u}) {
            uint16_t w = def.matchValue;
            for (int i = 0; i < def.operandCount; ++i) {
                uint32_t v = 0;
                if (i == 0)
                    v = !def.noFileOperand                  ? kOperand
                        : t.operands == OperandKind::Shadow ? 0
                                                            : first;
                else if (i == 1 && t.operands == OperandKind::FileBit)
                    v = second ? 7 : 0;
                else if (i == 1 && def.bankSelectOperand() != 2)
                    v = second;
                w = def.operands[size_t(i)].insert(w, v);
            }
            if (std::find(words.begin(), words.end(), w) == words.end()) words.push_back(w);
        }
    }
    return words;
}

template <typename Run>
Measured measure(const InstructionSet& set, const InstructionDef& def, Run run) {
    const InstructionDef* nopf = set.findByMnemonic("NOPF");
    Measured m;
    for (uint16_t word : wordsFor(def)) {
        CpuState s;
        s.setProgramSize(0x100); // the smallest size there is
        s.SetProgramWord(kAt, word);
        if (def.isTwoWord())
            s.SetProgramWord(kAt + 1, nopf->operands[0].insert(nopf->matchValue, kPayload));
        // Each trial starts from the same machine; restoring it is far cheaper than a copy of the
        // whole state with its program memory.
        const MachineSnapshot start = MachineSnapshot::capture(s);
        for (uint8_t file : {0x00, 0x01, 0x0F, 0x40, 0x7F, 0x80, 0xFF}) {
            for (uint8_t w : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                for (uint8_t status : {0x00, 0x0F, 0x10, 0x1F}) {
                    start.restore(s);
                    s.SetPC(kAt);
                    s.WriteData(kOperand, file);
                    s.WriteData(reg::kW, w);
                    s.WriteData(reg::kStatus, status);
                    const uint32_t before = s.GetCycles();
                    run(s);
                    const int cycles = int(s.GetCycles() - before);
                    m.minCycles = std::min(m.minCycles, cycles);
                    m.maxCycles = std::max(m.maxCycles, cycles);
                    m.flags |= uint8_t((s.ReadData(reg::kStatus) ^ status) & 0x1F);
                }
            }
        }
    }
    return m;
}

void expectAsDeclared(CoreType core, const InstructionDef& def, const Measured& m,
                      const char* engine) {
    const OperationTraits& t = operationTraits(def.id);
    SCOPED_TRACE(std::string(coreTypeName(core)) + " " + def.mnemonic + " on the " + engine);
    // A two-word instruction runs with its NOPF word, one cycle more.
    EXPECT_EQ(m.minCycles, t.cycles + (def.isTwoWord() ? 1 : 0));
    EXPECT_EQ(m.maxCycles, m.minCycles + (t.conditional != Conditional::Never ? 1 : 0));
    const uint8_t coreFlags = core == CoreType::CX4B ? flag::kZ | flag::kC : 0x1F;
    EXPECT_EQ(m.flags, t.flags & coreFlags);
}

TEST(InstructionList, EveryInstructionRunsAsDeclaredOnBothEngines) {
    for (CoreType core : {CoreType::CX4A, CoreType::CX4B}) {
        const InstructionSet set(core);
        const Engine engine(set);
        const ReferenceEngine reference(set);
        for (const InstructionDef& def : set.definitions()) {
            expectAsDeclared(
                core, def, measure(set, def, [&](CpuState& s) { engine.ExecuteOne(s); }), "engine");
            expectAsDeclared(core, def,
                             measure(set, def, [&](CpuState& s) { reference.ExecuteOne(s); }),
                             "reference engine");
            // The engine's own answers for the coverage come from the same lines.
            EXPECT_EQ(engine.wordCycles(def.matchValue), operationTraits(def.id).cycles);
            EXPECT_EQ(engine.conditional(def.matchValue),
                      operationTraits(def.id).conditional != Conditional::Never);
        }
        EXPECT_EQ(engine.wordCycles(0x0004), 0u) << "not an instruction";
        EXPECT_FALSE(engine.conditional(0x0004));
    }
}

// The id table and the lines agree, and the unassigned ids have nothing.
TEST(InstructionList, IdTableRoundTrips) {
    int assigned = 0;
    for (int id = 0; id < kOpIdCount; ++id) {
        const std::string_view m = opIdMnemonic(id);
        EXPECT_EQ(operationTraits(OpId(id)).mnemonic, m);
        if (m.empty()) continue;
        ++assigned;
        EXPECT_EQ(opIdFromMnemonic(m), id) << m;
    }
    EXPECT_EQ(assigned, 67);
    for (int id : {10, 42, 68, 70, 255}) {
        EXPECT_EQ(opIdMnemonic(id), "") << id;
        EXPECT_EQ(operationTraits(OpId(id)).cycles, 0) << id;
    }
    EXPECT_EQ(kOpIdCount, 70);
}

} // namespace
} // namespace zerka
