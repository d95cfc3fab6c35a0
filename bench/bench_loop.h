#pragma once
// The tight loop the simulator benchmarks run: INF, MVF, ADDF and a jump back to 0 (RJ on the
// CX4A; JMP on the CX4B, which has no RJ). bench/sim_loop_cx4a.asm and sim_loop_cx4b.asm are
// the same loops as source for whole `zerka sim` runs.
#include "upcentre/core/instruction_set.h"

#include <array>
#include <cstdint>
#include <initializer_list>

namespace zerka::bench {

inline uint16_t encodeWord(const InstructionSet& set, const char* mnemonic,
                           std::initializer_list<uint32_t> ops) {
    const InstructionDef* def = set.findByMnemonic(mnemonic);
    uint16_t w = def->matchValue;
    size_t i = 0;
    for (uint32_t v : ops)
        w = def->operands[i++].insert(w, v);
    return w;
}

inline std::array<uint16_t, 4> tightLoop(const InstructionSet& set) {
    return {encodeWord(set, "INF", {0x50, 1, 0}), encodeWord(set, "MVF", {0x50, 0, 0}),
            encodeWord(set, "ADDF", {0x51, 1, 0}), encodeWord(set, "RJ", {0x7FC})};
}

inline std::array<uint16_t, 4> tightLoopCx4b(const InstructionSet& set) {
    return {encodeWord(set, "INF", {0x80, 1, 0}), encodeWord(set, "MVF", {0x80, 0, 0}),
            encodeWord(set, "ADDF", {0x81, 1, 0}), encodeWord(set, "JMP", {0})};
}

} // namespace zerka::bench
