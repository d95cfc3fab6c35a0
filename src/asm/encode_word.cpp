// Building instruction and data words from a line's operands.
#include "asm/encode_state.h"

#include "chip/chip_model.h"
#include "core/number.h"

namespace zerka::encode_detail {
namespace {

bool isModifierWord(std::string_view w) {
    return w == "UP" || w == "HIGH" || w == "LOW";
}

// An object operand without its leading UP, HIGH or LOW word: the field value as decoded.
std::string_view withoutModifier(std::string_view text) {
    size_t p = text.find_first_not_of(" \t");
    if (p == std::string_view::npos) return text;
    size_t e = text.find_first_of(" \t", p);
    if (e == std::string_view::npos) return text;
    if (!isModifierWord(text.substr(p, e - p))) return text;
    return text.substr(e);
}

// Relocates an object operand by the module's base. The field holds UP, HIGH or LOW of the
// original value already, so the base enters in the same unit.
int32_t relocate(int32_t v, int32_t base, uint8_t modifier) {
    switch (modifier) {
    case 1: // UP
        return v + base / 0x10000;
    case 2: // HIGH
        return v + base / 0x100;
    case 3: // LOW
        return (v + base) & 0xFF;
    default:
        return v + base;
    }
}

} // namespace

DefinitionIndex::DefinitionIndex(const InstructionSet& set) {
    for (const InstructionDef& d : set.definitions()) {
        const size_t id = size_t(d.id);
        if (id < defs_.size() && !defs_[id]) defs_[id] = &d;
    }
}

uint16_t buildInstructionWord(const SourceLine& line, const InstructionDef& def, int32_t base,
                              const ValueOf& valueOf, const OnUndefined& onUndefined) {
    uint16_t word = def.matchValue;
    if (def.id == OpId::TBLR) {
        if (def.operandCount > 0) word = def.operands[0].insert(word, line.operand(1) == "*+");
        return word;
    }
    const TwoWordKind kind = def.twoWordKind;
    const bool firstOfLong =
        !line.isObject &&
        (kind == TwoWordKind::Jmp || kind == TwoWordKind::Call || kind == TwoWordKind::Mvlp);
    const bool secondOfLong = line.secondWord[1] || line.secondWord[2] || line.secondWord[3];
    const bool objectLongFirst =
        line.isObject &&
        (kind == TwoWordKind::Jmp || kind == TwoWordKind::Call || kind == TwoWordKind::Mvlp);

    for (int k = 1; k <= def.operandCount; ++k) {
        // LDPR: the pointer number (operand 2) is the first word's field; an object line holds
        // the decoded word, whose only operand is that number.
        const int op = (kind == TwoWordKind::Ldpr && k == 1 && !line.isObject) ? 2 : k;
        if (!line.hasField(op + SourceLine::kFirstOperandField - 1)) continue; // missing: 0
        const bool relocated = line.isObject && op <= 4 && line.relocate[size_t(op - 1)];
        std::string_view text = line.operand(op);
        if (relocated && line.relocationModifier != 0) text = withoutModifier(text);

        // A branch target that does not evaluate is pending like any other operand, so the
        // fix-ups report every undefined target, not only the first one.
        const std::optional<int32_t> v = valueOf(text);
        if (!v && onUndefined) onUndefined(text);
        // The offset is filled in when the branches are resolved.
        if (def.relative != RelativeKind::None && k == 1) continue;
        int32_t value = v.value_or(0);
        if (relocated) {
            // The first word of an object JMP/CALL/MVLP holds bits 19..12 of the target.
            value = objectLongFirst && k == 1 ? value + base / 4096
                                              : relocate(value, base, line.relocationModifier);
        } else if (k == 1 && (firstOfLong || (objectLongFirst && !testNumber(text).isNumber))) {
            // A name (an object's external too) stands for the whole target: bits 19..12 go
            // into the first word. An object's number is that field already.
            value = value / 4096;
        } else if (secondOfLong) {
            value &= 0xFFF;
        }
        word = def.operands[size_t(k - 1)].insert(word, uint32_t(value));
    }
    return word;
}

std::vector<uint16_t> buildDataWords(const SourceLine& line, bool pairs, const ValueOf& valueOf,
                                     const OnUndefined& onUndefined) {
    const int n = line.operandCount();
    std::vector<uint16_t> words;
    words.reserve(size_t(pairs ? (n + 1) / 2 : n));
    auto value = [&](int k) -> int32_t {
        const std::string_view text = line.operand(k);
        if (std::optional<int32_t> v = valueOf(text)) return *v;
        if (onUndefined) onUndefined(text);
        return 0;
    };
    if (pairs) {
        for (int k = 1; k <= n; k += 2) {
            const int32_t hi = value(k);
            const int32_t lo = k + 1 <= n ? value(k + 1) : 0;
            words.push_back(uint16_t(uint32_t(hi) * 256u + uint32_t(lo)));
        }
    } else {
        for (int k = 1; k <= n; ++k)
            words.push_back(uint16_t(value(k)));
    }
    return words;
}

TermLookup objectSymbolLookup(const TSymDefPack& objectSymbols) {
    return [&objectSymbols](std::string_view name) -> std::optional<TermBinding> {
        const SymbolEntry* e = objectSymbols.findEntry(name);
        if (!e) return std::nullopt;
        const bool label = e->kind != 'C' && e->kind != 'D';
        return TermBinding{label ? e->value + e->extra : e->value, e->text};
    };
}

TermLookup externLookup(const TSymDefPack& externs) {
    return [&externs](std::string_view name) -> std::optional<TermBinding> {
        const SymbolEntry* e = externs.findEntry(name);
        if (!e) return std::nullopt;
        return TermBinding{0, e->text};
    };
}

std::optional<int32_t> fixupValue(const EncodeEnv& env, std::string_view text) {
    Evaluation e = evaluateExpression(text, env.tables->assembly);
    if (e.ok) return e.value;
    e = evaluateExpression(text, objectSymbolLookup(env.tables->objectSymbols));
    if (e.ok) return e.value;
    if (env.options.assembleOnly) {
        e = evaluateExpression(text, externLookup(env.tables->externs));
        if (e.ok) return e.value;
    }
    return std::nullopt;
}

uint8_t implementedBitsAt(const ChipModel& chip, int64_t address) {
    if (address < 0 || address >= int64_t(chip.implementedBits.size())) return 0;
    return chip.implementedBits[size_t(address)];
}

} // namespace zerka::encode_detail
