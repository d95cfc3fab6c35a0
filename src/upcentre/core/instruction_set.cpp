#include "upcentre/core/instruction_set.h"

#include "core/text.h"
#include "upcentre/core/disassembler.h"
#include "upcentre/core/inst_aliases.h"
#include "upcentre/core/instruction_tables.h"

namespace zerka {
namespace {

constexpr size_t kMaxNameLength = 255;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

RelativeKind relativeKindOf(OperandKind operands) {
    if (operands == OperandKind::Rel8) return RelativeKind::Rel8;
    if (operands == OperandKind::Rel11) return RelativeKind::Rel11;
    return RelativeKind::None;
}

bool lastOperandOptionalFor(CoreType core, LastOperand last) {
    return last == LastOperand::Optional ||
           (last == LastOperand::OptionalCx4a && core == CoreType::CX4A);
}

enum class LineResult { Built, Skipped, Failed };

// One table line into `def`, following the table-building procedure.
LineResult buildDefinition(CoreType core, std::string_view line, InstructionDef& def) {
    size_t sep = 0;
    while (sep < line.size() && !isBlank(line[sep]))
        ++sep;
    if (sep == line.size() || sep == 0) return LineResult::Skipped;
    std::string_view mnemonic = line.substr(0, sep);
    size_t pos = sep;
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (line.size() - pos < 16) return LineResult::Skipped;
    std::string_view pattern = line.substr(pos, 16);

    def = InstructionDef{};
    def.mnemonic = toUpperAscii(cutText(mnemonic, kMaxNameLength));
    def.alias = def.mnemonic;

    struct Span {
        int low = -1;
        int high = -1;
        void add(int bit) {
            if (low < 0 || bit < low) low = bit;
            if (bit > high) high = bit;
        }
        bool present() const { return low >= 0; }
        OperandField field() const {
            return OperandField{static_cast<uint8_t>(low), static_cast<uint8_t>(high)};
        }
    };
    Span a, b, d;
    for (int bit = 0; bit < 16; ++bit) {
        char c = pattern[15 - bit];
        uint16_t m = static_cast<uint16_t>(1u << bit);
        switch (c) {
        case '1':
            def.matchValue |= m;
            [[fallthrough]];
        case '0':
            def.matchMask |= m;
            break;
        case 'a':
        case 'A':
            a.add(bit);
            break;
        case 'b':
        case 'B':
            b.add(bit);
            break;
        case 'd':
        case 'D':
            d.add(bit);
            break;
        default:
            return LineResult::Failed;
        }
    }
    // Operand 1 is the a field; b then d follow it.
    if (a.present()) {
        def.operands[0] = a.field();
        def.operandCount = 1;
        if (b.present() && d.present()) {
            def.operands[1] = b.field();
            def.operands[2] = d.field();
            def.operandCount = 3;
        } else if (b.present() || d.present()) {
            def.operands[1] = (b.present() ? b : d).field();
            def.operandCount = 2;
        }
    }

    int id = opIdFromMnemonic(def.mnemonic);
    if (id < 0) return LineResult::Failed; // the engine could not dispatch it
    def.id = static_cast<OpId>(id);
    const OperationTraits& traits = operationTraits(def.id);
    def.noFileOperand = opIdHasNoFileOperand(id);
    def.twoWordKind = core == CoreType::CX4A ? traits.twoWordCx4a : TwoWordKind::None;
    def.relative = relativeKindOf(traits.operands);
    def.lastOperandOptional = lastOperandOptionalFor(core, traits.lastOperand);
    return LineResult::Built;
}

DecodedInstruction decodeWith(const InstructionDef& def, uint16_t word) {
    DecodedInstruction r;
    r.found = true;
    r.id = def.id;
    r.noFileOperand = def.noFileOperand;
    r.operandCount = def.operandCount;
    for (int k = 0; k < def.operandCount; ++k)
        r.operands[k] = def.operands[k].extract(word);
    r.def = &def;
    return r;
}

// A lookup in one of the name indexes: the definition the name leads to, or nullptr.
const InstructionDef* lookUp(const std::unordered_map<std::string, uint8_t>& index,
                             const std::vector<InstructionDef>& defs, std::string_view text) {
    auto it = index.find(std::string(text));
    return it == index.end() ? nullptr : &defs[it->second];
}

// The id the find...Id lookups give: -1 when there is no definition.
int idOf(const InstructionDef* def) {
    return def ? static_cast<int>(def->id) : -1;
}

} // namespace

InstructionSet::InstructionSet() : decodeIndex_(65536, kNoDefinition) {}

InstructionSet::InstructionSet(CoreType core) : InstructionSet() {
    loadBuiltIn(core, {});
}

bool InstructionSet::buildFromLines(CoreType core, std::span<const std::string_view> lines) {
    core_ = core;
    defs_.clear();
    bool ok = true;
    for (std::string_view line : lines) {
        InstructionDef def;
        LineResult r = buildDefinition(core, line, def);
        if (r == LineResult::Skipped) continue;
        if (r == LineResult::Failed || defs_.size() >= kMaxDefinitions) {
            ok = false;
            break;
        }
        defs_.push_back(std::move(def));
    }
    rebuildDecodeTable();
    rebuildLookup();
    return ok;
}

bool InstructionSet::loadBuiltIn(CoreType core, const std::filesystem::path& instTxt) {
    bool ok = buildFromLines(core, builtInTableLines(core));
    // Aliases belong to CX4A only and are read afresh on every load.
    if (ok && core == CoreType::CX4A && !instTxt.empty()) applyInstAliases(*this, instTxt);
    return ok;
}

bool InstructionSet::loadBuiltIn(CoreType core) {
    return loadBuiltIn(core, defaultInstTxtPath());
}

void InstructionSet::rebuildDecodeTable() {
    std::fill(decodeIndex_.begin(), decodeIndex_.end(), kNoDefinition);
    // Filling from the last definition to the first leaves each word with its first match.
    for (size_t i = defs_.size(); i-- > 0;) {
        const InstructionDef& def = defs_[i];
        uint16_t freeBits = static_cast<uint16_t>(~def.matchMask);
        uint16_t sub = 0;
        do {
            decodeIndex_[static_cast<uint16_t>(def.matchValue | sub)] = static_cast<uint8_t>(i);
            sub = static_cast<uint16_t>((sub - freeBits) & freeBits);
        } while (sub != 0);
    }
}

void InstructionSet::rebuildLookup() {
    byMnemonic_.clear();
    byMnemonicOrAlias_.clear();
    for (size_t i = 0; i < defs_.size(); ++i) {
        auto idx = static_cast<uint8_t>(i);
        // emplace keeps the earliest index: first match in list order.
        byMnemonic_.emplace(defs_[i].mnemonic, idx);
        byMnemonicOrAlias_.emplace(defs_[i].mnemonic, idx);
        byMnemonicOrAlias_.emplace(defs_[i].alias, idx);
    }
}

DecodedInstruction InstructionSet::decode(uint16_t word) const {
    uint8_t i = decodeIndex_[word];
    if (i == kNoDefinition) return {};
    return decodeWith(defs_[i], word);
}

DecodedInstruction InstructionSet::decodeByListWalk(uint16_t word) const {
    for (const InstructionDef& def : defs_)
        if (def.matches(word)) return decodeWith(def, word);
    return {};
}

DisplayDecode InstructionSet::decodeForDisplay(uint16_t word) const {
    DecodedInstruction d = decode(word);
    DisplayDecode r;
    if (!d.found) return r;
    r.found = true;
    r.mnemonic = d.def->mnemonic;
    r.noFileOperand = d.noFileOperand;
    r.operandCount = d.operandCount;
    r.operands = d.operands;
    return r;
}

const InstructionDef* InstructionSet::findByMnemonic(std::string_view text) const {
    return lookUp(byMnemonic_, defs_, text);
}

int InstructionSet::findIdByMnemonic(std::string_view text) const {
    return idOf(findByMnemonic(text));
}

const InstructionDef* InstructionSet::findByMnemonicOrAlias(std::string_view text) const {
    return lookUp(byMnemonicOrAlias_, defs_, text);
}

int InstructionSet::findIdByMnemonicOrAlias(std::string_view text) const {
    return idOf(findByMnemonicOrAlias(text));
}

std::optional<InstructionDef> InstructionSet::copyByMnemonicOrAlias(std::string_view text) const {
    const InstructionDef* def = findByMnemonicOrAlias(text);
    if (!def) return std::nullopt;
    return *def;
}

bool InstructionSet::setAlias(std::string_view mnemonic, std::string_view alias) {
    auto it = byMnemonic_.find(std::string(mnemonic));
    if (it == byMnemonic_.end()) return false;
    defs_[it->second].alias = cutText(alias, kMaxNameLength);
    rebuildLookup();
    return true;
}

void InstructionSet::resetAliases() {
    for (InstructionDef& def : defs_)
        def.alias = def.mnemonic;
    rebuildLookup();
}

std::string InstructionSet::disassemble(uint16_t word) const {
    return disassemblyText(decode(word));
}

} // namespace zerka
