#pragma once
// State of one encoding pass and the pieces the pass, its fix-ups and the smart compiler share.
// Internal to the assembler's encoder.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "asm/encode_pass.h"
#include "asm/expression.h"
#include "upcentre/core/instruction_set.h"

namespace zerka::encode_detail {

// An operand that did not evaluate: the word at `address` is rebuilt after the pass.
struct PendingFix {
    int32_t address = 0;
    int32_t base = 0; // base address of the line's file (object relocation)
};

// A relative branch, resolved last.
struct RelativeBranch {
    int32_t address = 0;
    RelativeKind kind = RelativeKind::None;
    SourceLine* line = nullptr;
    uint32_t sequence = 0; // the line's sequence number, which owns the cell
};

// Definitions by operation id (first in list order), so a line's id finds its definition in O(1).
class DefinitionIndex {
  public:
    explicit DefinitionIndex(const InstructionSet& set);
    const InstructionDef* byId(int id) const {
        return id >= 0 && id < kOpIdCount ? defs_[size_t(id)] : nullptr;
    }

  private:
    std::array<const InstructionDef*, kOpIdCount> defs_{};
};

// Resolves an operand text to its value; nullopt when it does not evaluate.
using ValueOf = std::function<std::optional<int32_t>(std::string_view text)>;
// Told of every operand that did not evaluate while a word was built.
using OnUndefined = std::function<void(std::string_view text)>;

// Builds the word of an instruction line from its definition: match value, and each operand
// cut to its field. `base` is the file's base address for object lines.
uint16_t buildInstructionWord(const SourceLine& line, const InstructionDef& def, int32_t base,
                              const ValueOf& valueOf, const OnUndefined& onUndefined);

// The words of a DB (pairs of operands) or DW (one per operand) line.
std::vector<uint16_t> buildDataWords(const SourceLine& line, bool pairs, const ValueOf& valueOf,
                                     const OnUndefined& onUndefined);

// Lookups through the object-symbol table (labels at their address plus the object's base)
// and through the EXTERN table (every name 0).
TermLookup objectSymbolLookup(const TSymDefPack& objectSymbols);
TermLookup externLookup(const TSymDefPack& externs);

// The value of `text` through the assembly table, then the object-symbol table, then (in
// assemble-only mode) the EXTERN table.
std::optional<int32_t> fixupValue(const EncodeEnv& env, std::string_view text);

// implementedBits of a data address; 0 outside the data memory.
uint8_t implementedBitsAt(const ChipModel& chip, int64_t address);

struct PassState {
    PassState(EncodeEnv& e, bool rep, bool rel);

    EncodeEnv& env;
    const bool reporting;
    const DefinitionIndex defs;
    StoreRules rules;
    int32_t memorySize = 0;

    int32_t section = 0;
    int32_t dataPointer = 0;
    int32_t base = 0;
    int prevFile = -1;
    bool wdtDone = false;

    std::vector<SourceLine*> macroStack;
    int32_t recordCounter = 0;
    SourceLine* pendingCall = nullptr;
    bool prevWasOpenCall = false;

    std::vector<PendingFix> pending;
    std::vector<RelativeBranch> relatives;
    // Object-symbol entries by text, for the object label lines.
    std::unordered_map<std::string, std::vector<int>> objectByText;

    void report(const SourceLine* line, int code, bool fatal = false,
                std::optional<std::string> detail = std::nullopt) const {
        env.reporter->report(line, code, fatal, std::move(detail));
    }
    // Remembers an operand that did not evaluate at the location counter.
    void addPending(std::string_view text);
};

// After the last line: GLOBAL resolution, pending fix-ups, the "FF" fill, relative branches.
bool finishPass(PassState& s);

} // namespace zerka::encode_detail
