#pragma once
// The instruction definition list of one CPU core, built from the instruction list
// (instruction_list.h): the table that the decoder, the disassembler, the assembler's mnemonic
// lookup and encoder, and the execution engine read.
// The list keeps table order (decode order: first match wins); a 65,536-entry table built from
// it answers "which definition decodes this word" in O(1) with the same first-match result.
#include "upcentre/core/instruction_list.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zerka {

// The two CPU cores (the chip model's coreVariant: 0 = CX4A, 1 = CX4B).
enum class CoreType : uint8_t { CX4A = 0, CX4B = 1 };

inline CoreType coreTypeFromVariant(int coreVariant) {
    return coreVariant == 1 ? CoreType::CX4B : CoreType::CX4A;
}
std::string_view coreTypeName(CoreType core); // "CX4A" or "CX4B"

// Operation ids; the simulator dispatches on them. The same ids serve both cores. Ids 10, 42
// and 68 are not assigned.
enum class OpId : uint8_t {
#define ZK_OPID_ENUMERATOR(U, mnemonic, id, ...) mnemonic = id,
    ZK_INSTRUCTIONS(ZK_OPID_ENUMERATOR, _)
#undef ZK_OPID_ENUMERATOR
};

// How an instruction addresses the data memory: the groups the operand checks, the PCLATL
// refusal and the built-in EEPROM emulation all reason about.
enum class FileOperationGroup {
    None,                // no file-register operand of these kinds
    FileBankInOperand2,  // OperandKind::FileBank: operand 2 bank select
    ByteWithDestination, // OperandKind::FileDest: operand 2 destination, operand 3 bank select
    Bit,                 // OperandKind::FileBit: operand 2 bit, operand 3 bank select
};
FileOperationGroup fileOperationGroup(OpId id);

// One past the highest id: size for dispatch tables indexed by id.
inline constexpr int kOpIdCount = [] {
    int count = 0;
#define ZK_OPID_COUNT(U, mnemonic, id, ...) count = count > id ? count : id + 1;
    ZK_INSTRUCTIONS(ZK_OPID_COUNT, _)
#undef ZK_OPID_COUNT
    return count;
}();

// The mnemonic of an id ("" for an unassigned number).
std::string_view opIdMnemonic(int id);
// The id of a mnemonic of the id table (exact, upper case), or -1.
int opIdFromMnemonic(std::string_view mnemonic);

// CX4A instructions whose operand is completed by a following NOPF word.
enum class TwoWordKind : uint8_t {
    None = 0,
    Mvff = 1, // the extra operand (destination) goes into the NOPF word
    Jmp = 2,  // target bits 19..12 in the first word, bits 11..0 in the NOPF word
    Call = 3, // as Jmp
    Mvlp = 4, // as Jmp, with the table-pointer value
    Ldpr = 5, // operand 1 into the NOPF word, operand 2 (pointer number) into the first word
};

// Branches whose field holds a signed offset from the word after the instruction.
enum class RelativeKind : uint8_t { None = 0, Rel8 = 8, Rel11 = 11 };

// What the instruction list declares about an operation id.
struct OperationTraits {
    std::string_view mnemonic; // empty for an unassigned id
    OperandKind operands = OperandKind::NoOperand;
    LastOperand lastOperand = LastOperand::Required;
    TwoWordKind twoWordCx4a = TwoWordKind::None; // only the CX4A has two-word instructions
    uint8_t cycles = 0;                          // without a taken skip or branch
    Conditional conditional = Conditional::Never;
    uint8_t flags = 0; // STATUS bits it may change (the CX4B has Z and C only)
};
// The traits of `id`; an unassigned id has the empty traits.
const OperationTraits& operationTraits(OpId id);

// A run of bits inside the instruction word (lowest and highest position, inclusive).
struct OperandField {
    uint8_t low = 0;
    uint8_t high = 0;

    int width() const { return high - low + 1; }
    uint16_t valueMask() const { return static_cast<uint16_t>((1u << width()) - 1u); }
    uint16_t extract(uint16_t word) const {
        return static_cast<uint16_t>((word >> low) & valueMask());
    }
    // `word` with `value` cut to the field width and ORed into the field.
    uint16_t insert(uint16_t word, uint32_t value) const {
        return static_cast<uint16_t>(word | ((value & valueMask()) << low));
    }
    bool operator==(const OperandField&) const = default;
};

// One line of the instruction table.
struct InstructionDef {
    std::string mnemonic; // upper case
    std::string alias;    // equals the mnemonic unless Inst.txt names another word
    OpId id = OpId::NOP;
    bool noFileOperand = false; // operand 1 is not a data-memory address
    uint16_t matchValue = 0;
    uint16_t matchMask = 0;
    uint8_t operandCount = 0;               // 0..3
    std::array<OperandField, 3> operands{}; // fields beyond the count are {0, 0}
    // What the encoder and the engine need beyond the decode fields.
    TwoWordKind twoWordKind = TwoWordKind::None;
    RelativeKind relative = RelativeKind::None;
    bool lastOperandOptional = false; // a missing last operand encodes as 0

    bool matches(uint16_t word) const { return (word & matchMask) == matchValue; }
    bool isTwoWord() const { return twoWordKind != TwoWordKind::None; }
    // 1-based operand holding the bank-select bit of a file instruction (2 for the two-operand
    // forms such as CLRF, 3 for the byte and bit forms); 0 when there is no file operand.
    int bankSelectOperand() const { return noFileOperand ? 0 : operandCount; }
};

// The result of decoding one word. Operands beyond the count are 0.
struct DecodedInstruction {
    bool found = false;
    OpId id = OpId::NOP;
    bool noFileOperand = false;
    uint8_t operandCount = 0;
    std::array<uint16_t, 3> operands{};
    const InstructionDef* def = nullptr; // valid while the InstructionSet is unchanged
};

// Decode for display: the same values with the mnemonic text.
struct DisplayDecode {
    bool found = false;
    std::string mnemonic;
    bool noFileOperand = false;
    uint8_t operandCount = 0;
    std::array<uint16_t, 3> operands{};
};

// Signed branch offsets, added to the address of the word after the instruction.
inline int signedOffset8(uint16_t k) {
    k &= 0xFF;
    return k < 128 ? k : k - 256;
}
inline int signedOffset11(uint16_t k) {
    k &= 0x7FF;
    return k < 1024 ? k : k - 2048;
}

class InstructionSet {
  public:
    static constexpr uint8_t kNoDefinition = 0xFF;
    static constexpr size_t kMaxDefinitions = 254;

    // An empty list (nothing decodes) until a table is loaded.
    InstructionSet();
    // The built-in table of `core` without Inst.txt aliases.
    explicit InstructionSet(CoreType core);

    // Discards the list and builds the built-in table of `core`; for CX4A it then applies the
    // aliases of `instTxt` (a missing or unreadable file is skipped; an empty path reads none).
    bool loadBuiltIn(CoreType core, const std::filesystem::path& instTxt);
    // As above with "Inst.txt" in the program directory.
    bool loadBuiltIn(CoreType core);

    // Discards the list and builds it from table lines (mnemonic, blanks, 16-character pattern).
    // On failure the definitions built before the bad line are kept and false is returned.
    bool buildFromLines(CoreType core, std::span<const std::string_view> lines);

    CoreType core() const { return core_; }

    // The list in table order (the "list head" for the assembler and the source view).
    std::span<const InstructionDef> definitions() const { return defs_; }
    size_t size() const { return defs_.size(); }

    // O(1) decode through the 65,536-entry table.
    DecodedInstruction decode(uint16_t word) const;
    // The same result by walking the list from its head (reference for the fast table).
    DecodedInstruction decodeByListWalk(uint16_t word) const;
    DisplayDecode decodeForDisplay(uint16_t word) const;

    // The definition that decodes `word`, or nullptr: the engine's fastest path.
    const InstructionDef* definitionFor(uint16_t word) const {
        uint8_t i = decodeIndex_[word];
        return i == kNoDefinition ? nullptr : &defs_[i];
    }
    // Index into definitions() of the definition decoding `word`, or kNoDefinition.
    uint8_t definitionIndexFor(uint16_t word) const { return decodeIndex_[word]; }

    // Lookups in list order with exact comparison.
    int findIdByMnemonic(std::string_view text) const;
    const InstructionDef* findByMnemonic(std::string_view text) const;
    bool isMnemonic(std::string_view text) const { return findByMnemonic(text) != nullptr; }
    int findIdByMnemonicOrAlias(std::string_view text) const;
    const InstructionDef* findByMnemonicOrAlias(std::string_view text) const;
    std::optional<InstructionDef> copyByMnemonicOrAlias(std::string_view text) const;
    bool isMnemonicOrAlias(std::string_view text) const {
        return findByMnemonicOrAlias(text) != nullptr;
    }

    // Replaces the alias of the first definition with that mnemonic. Returns false when there
    // is no such definition. The caller (the Inst.txt reader) applies the acceptance rules.
    bool setAlias(std::string_view mnemonic, std::string_view alias);
    // Every alias back to its mnemonic.
    void resetAliases();

    // The disassembly text of one word: the mnemonic padded to 8 characters and the operands in
    // hexadecimal ("ADDF    2Ah, 1, 0"); a single blank for a word that does not decode.
    std::string disassemble(uint16_t word) const;

  private:
    void rebuildDecodeTable();
    void rebuildLookup();

    CoreType core_ = CoreType::CX4A;
    std::vector<InstructionDef> defs_;
    std::vector<uint8_t> decodeIndex_; // 65,536 entries
    // First definition index for each mnemonic and alias (first match in list order).
    std::unordered_map<std::string, uint8_t> byMnemonicOrAlias_;
    std::unordered_map<std::string, uint8_t> byMnemonic_;
};

} // namespace zerka
