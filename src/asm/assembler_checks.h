#pragma once
// The operand checks after the passes (build and load): file addresses and bits that the chip
// does not have, the NOPF words of LDPR and MVFF, and the self-EROM page writes they find.
#include <cstdint>
#include <vector>

#include "asm/assembler.h"
#include "asm/encode_pass.h"
#include "asm/source_line.h"
#include "asm/symbol_tables.h"

namespace zerka {

class OperandChecker {
  public:
    OperandChecker(const ChipModel& chip, const InstructionSet& instructions,
                   const SymbolTables& tables, EncodeReporter& reporter);

    // Checks the word at `address` written by `line`; `previous` is the word before it.
    void check(int32_t address, uint16_t word, uint16_t previous, const SourceLine& line);

    const std::vector<SelfEromWrite>& selfEromWrites() const { return selfErom_; }

  private:
    bool exists(int64_t address) const;
    // The line's first operand through the debugger table; unknown names count as 0.
    int64_t firstOperandAddress(const SourceLine& line) const;
    bool namesExtern(const SourceLine& line, int operands) const;

    const ChipModel& chip_;
    const InstructionSet& instructions_;
    const SymbolTables& tables_;
    EncodeReporter& reporter_;
    std::vector<SelfEromWrite> selfErom_;
};

} // namespace zerka
