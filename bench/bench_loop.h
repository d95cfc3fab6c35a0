#pragma once
// The tight CX4A loop both simulator benchmarks run: INF, MVF, ADDF, RJ back to 0.
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

} // namespace zerka::bench
