#pragma once
// A simulated chip for engine tests: CPU state, instruction list and engine of one core, with
// programs encoded through the instruction table's own operand fields.
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/engine.h"
#include "upcentre/core/instruction_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zerka::test {

// The two cores, short, for tables of cases.
inline constexpr CoreType A = CoreType::CX4A;
inline constexpr CoreType B = CoreType::CX4B;
// A plain data byte in bank 0.
inline constexpr uint32_t kF = 0x50;

struct Machine {
    explicit Machine(CoreType core) : set(core), engine(set) {}

    // The word of `mnemonic` with its operands placed in the table's fields.
    uint16_t enc(std::string_view mnemonic, std::initializer_list<uint32_t> operands = {}) const {
        const InstructionDef* def = set.findByMnemonic(mnemonic);
        if (!def) throw std::invalid_argument("no instruction " + std::string(mnemonic));
        uint16_t w = def->matchValue;
        size_t i = 0;
        for (uint32_t v : operands) {
            if (i >= def->operandCount) throw std::invalid_argument("too many operands");
            w = def->operands[i++].insert(w, v);
        }
        return w;
    }
    void load(uint32_t address, std::initializer_list<uint16_t> words) {
        for (uint16_t w : words)
            ASSERT_TRUE(s.LoadProgramCell(address++, w, 0, 0));
    }
    // Places `words` at the PC and executes one instruction.
    void run(std::initializer_list<uint16_t> words) {
        load(s.GetPC(), words);
        engine.ExecuteOne(s);
    }
    uint8_t w() const { return s.ReadData(reg::kW); }
    uint8_t status() const { return s.ReadData(reg::kStatus); }
    uint16_t pointer(int n) const {
        return static_cast<uint16_t>((s.ReadData(15 + 2 * n) << 8) | s.ReadData(16 + 2 * n));
    }
    void setPointer(int n, uint16_t v) {
        s.WriteData(15 + 2 * n, static_cast<uint8_t>(v >> 8));
        s.WriteData(16 + 2 * n, static_cast<uint8_t>(v));
    }

    InstructionSet set;
    Engine engine;
    CpuState s;
};

} // namespace zerka::test
