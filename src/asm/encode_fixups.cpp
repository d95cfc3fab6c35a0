// The end of an encoding pass: GLOBAL names, pending references, the "FF" fill and the
// relative branches.
#include <unordered_set>

#include "asm/encode_state.h"
#include "chip/chip_model.h"
#include "core/number.h"

namespace zerka::encode_detail {
namespace {

bool resolveGlobals(PassState& s) {
    TSymDefPack& globals = s.env.tables->globals;
    const TSymDefPack& assembly = s.env.tables->assembly;
    bool ok = true;
    for (int i = 1; i <= globals.count(); ++i) {
        SymbolEntry* g = globals.entry(i);
        const SymbolEntry* a = assembly.findEntry(g->name);
        if (!a) {
            s.report(nullptr, encode_code::kUndefined, true, g->name);
            ok = false;
            continue;
        }
        g->value = a->value;
        g->kind = a->kind;
        g->extra = a->extra;
    }
    return ok;
}

bool isDataLine(const SourceLine& line, bool& pairs) {
    if (!line.isDirective || line.operationId >= 0) return false;
    const std::string_view op = line.field(SourceLine::kOperationField);
    pairs = op == "DB";
    return pairs || op == "DW";
}

void fixPending(PassState& s) {
    EncodeEnv& env = s.env;
    TLinePack& lines = *env.lines;
    ProgramImage& image = *env.image;
    // Several operands of one word (or one data line) are patched by one rebuild.
    std::unordered_set<int32_t> doneWords;
    std::unordered_set<uint32_t> doneData;

    for (const PendingFix& fix : s.pending) {
        const uint32_t seq = image.lineOf(fix.address);
        if (seq == 0 || !lines.find(int32_t(seq))) continue; // the word was not stored
        const SourceLine& line = *lines.current();
        auto onUndefined = [&](std::string_view text) {
            s.report(&line, encode_code::kUndefined, false, std::string(text));
        };
        bool pairs = false;
        if (isDataLine(line, pairs)) {
            if (!doneData.insert(seq).second) continue;
            const std::vector<uint16_t> words = buildDataWords(
                line, pairs, [&](std::string_view t) { return fixupValue(env, t); }, onUndefined);
            for (size_t i = 0; i < words.size(); ++i) {
                const int64_t at = int64_t(line.address) + int64_t(i);
                // Only the cells this line wrote: a refused word never lands on another's.
                if (image.lineOf(at) == seq) image.setWord(at, words[i]);
            }
            continue;
        }
        if (!doneWords.insert(fix.address).second) continue;
        const InstructionDef* def = s.defs.byId(line.operationId);
        if (!def) continue;
        const bool lbsr = def->id == OpId::LBSR;
        auto valueOf = [&](std::string_view t) -> std::optional<int32_t> {
            std::optional<int32_t> v = fixupValue(env, t);
            if (v && lbsr && !testNumber(t).isNumber) {
                *v /= 256;
                if (*v < 0 || *v > 15)
                    s.report(&line, encode_code::kIllegalArgument, false, std::string(t));
            }
            return v;
        };
        image.setWord(fix.address,
                      buildInstructionWord(line, *def, fix.base, valueOf, onUndefined));
    }
}

void resolveRelatives(PassState& s) {
    EncodeEnv& env = s.env;
    ProgramImage& image = *env.image;
    const TermLookup objects = objectSymbolLookup(env.tables->objectSymbols);
    for (const RelativeBranch& b : s.relatives) {
        const SourceLine& line = *b.line;
        const std::string_view text = line.operand(1);
        Evaluation e = evaluateExpression(text, env.tables->assembly);
        if (!e.ok) e = evaluateExpression(text, objects);
        if (!e.ok) {
            s.report(&line, encode_code::kUndefined, false, std::string(text));
            break;
        }
        const InstructionDef* def = s.defs.byId(line.operationId);
        if (!def || def->operandCount == 0) continue;
        const bool rel8 = b.kind == RelativeKind::Rel8;
        int64_t offset = int64_t(e.value) - (int64_t(b.address) + 1);
        if (line.isObject && testNumber(text).isNumber) {
            // An object module holds the offset field itself.
            offset = rel8 ? signedOffset8(uint16_t(e.value)) : signedOffset11(uint16_t(e.value));
        }
        const int64_t lo = rel8 ? -128 : -1024;
        const int64_t hi = rel8 ? 127 : 1023;
        if (offset < lo || offset > hi) {
            s.report(&line, encode_code::kOverRange, false,
                     std::string(line.field(SourceLine::kOperationField)) + "     " +
                         std::string(text));
            continue;
        }
        // A later word of a relaxed pass may have taken the cell.
        if (image.lineOf(b.address) != b.sequence) continue;
        image.setWord(b.address, def->operands[0].insert(image.word(b.address), uint32_t(offset)));
    }
}

} // namespace

bool finishPass(PassState& s) {
    if (!resolveGlobals(s)) return false;
    fixPending(s);
    if (s.env.options.fill == ImageFill::FF) s.env.image->fillAboveHighest(0xFFFF);
    resolveRelatives(s);
    return true;
}

} // namespace zerka::encode_detail
