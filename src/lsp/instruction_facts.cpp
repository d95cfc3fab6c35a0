#include "lsp/instruction_facts.h"

#include <algorithm>
#include <array>
#include <climits>

#include "upcentre/core/cpu_state.h"

namespace zerka::lsp {

std::string flagNames(uint8_t flags) {
    std::string s;
    const std::array<std::pair<uint8_t, const char*>, 5> names = {
        {{flag::kZ, "Z"}, {flag::kOV, "OV"}, {flag::kN, "N"}, {flag::kDC, "DC"}, {flag::kC, "C"}}};
    for (const auto& [bit, name] : names)
        if (flags & bit) s += (s.empty() ? "" : ", ") + std::string(name);
    return s.empty() ? "none" : s;
}

namespace {

constexpr uint32_t kAt = 0x100;     // where the instruction is placed
constexpr uint32_t kOperand = 0x60; // a general data byte for file operands

struct Situation {
    uint8_t file, w, status;
};

} // namespace

const InstructionFacts& InstructionFactsCache::facts(const InstructionSet& set,
                                                     const InstructionDef& def) {
    const auto key = std::make_pair(set.core(), def.mnemonic);
    if (auto it = facts_.find(key); it != facts_.end()) return it->second;
    std::unique_ptr<Engine>& engine = engines_[set.core()];
    if (!engine) engine = std::make_unique<Engine>(set);
    const InstructionDef* nopf = set.findByMnemonic("NOPF");

    InstructionFacts f;
    f.minCycles = INT_MAX;
    // Operand and data choices that make results zero, negative, carrying and overflowing,
    // and conditions both true and false.
    const std::array<Situation, 6> situations = {{{0x00, 0x00, 0x00},
                                                  {0xFF, 0x01, 0x1F},
                                                  {0x80, 0x80, 0x00},
                                                  {0x7F, 0x01, 0x1F},
                                                  {0x0F, 0x01, 0x00},
                                                  {0x01, 0xFF, 0x1F}}};
    for (int variant = 0; variant < 4; ++variant) {
        uint16_t word = def.matchValue;
        for (int i = 0; i < def.operandCount; ++i) {
            uint32_t v = 0;
            if (i == 0 && !def.noFileOperand)
                v = kOperand;
            else if (i == 0)
                v = variant == 0 ? 0 : variant == 1 ? 0xFF : variant == 2 ? 0x80 : 0x01;
            else
                v = (variant >> (i - 1)) & 1 ? def.operands[size_t(i)].valueMask() : 0;
            // The bit form's bit number: 0 and 7 both come up.
            word = def.operands[size_t(i)].insert(word, v);
        }
        for (const Situation& sit : situations) {
            CpuState s;
            s.setProgramSize(4096);
            s.SetProgramWord(kAt, word);
            if (def.isTwoWord() && nopf) s.SetProgramWord(kAt + 1, nopf->matchValue);
            s.SetPC(kAt);
            s.WriteData(kOperand, sit.file);
            s.WriteData(reg::kW, sit.w);
            s.WriteData(reg::kStatus, sit.status);
            const uint32_t before = s.GetCycles();
            engine->ExecuteOne(s);
            const int cycles = int(s.GetCycles() - before);
            f.minCycles = std::min(f.minCycles, cycles);
            f.maxCycles = std::max(f.maxCycles, cycles);
            f.flags |= uint8_t((s.ReadData(reg::kStatus) ^ sit.status) & 0x1F);
        }
    }
    if (f.minCycles == INT_MAX) f.minCycles = 0;
    return facts_[key] = f;
}

} // namespace zerka::lsp
