#include "asm/smart_compiler.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "asm/encode_state.h"
#include "chip/chip_model.h"

namespace zerka {
namespace {

// Furthest distances a shortened form may span; the one-word forms reach -1024 .. 1023 from
// the word after them.
constexpr int32_t kNearForward = 1022;
constexpr int32_t kNearBackward = -1023;

// Makes `line` the current line of `lines`: by its sequence number, else by a walk.
bool makeCurrent(TLinePack& lines, const SourceLine* line, uint32_t seq) {
    if (seq != 0 && lines.find(int32_t(seq)) && lines.current() == line) return true;
    for (bool more = lines.first(); more; more = lines.next())
        if (lines.current() == line) return true;
    return false;
}

class Sweep {
  public:
    explicit Sweep(EncodeEnv& env) : env_(env), defs_(*env.instructions) {}

    TCheckSmartPtr run(const TCheckSmartPtr& forms);

  private:
    // Labels of a section move down by one for every form shortened below them.
    int32_t movedBy(int32_t section, int32_t address) const {
        const auto it = shortened_.find(section);
        if (it == shortened_.end()) return 0;
        return int32_t(std::lower_bound(it->second.begin(), it->second.end(), address) -
                       it->second.begin());
    }
    std::optional<int32_t> target(const SourceLine& line, bool& staysLong);
    bool shorten(SourceLine& line, int32_t address, bool call);

    EncodeEnv& env_;
    encode_detail::DefinitionIndex defs_;
    std::unordered_map<int32_t, std::vector<int32_t>> shortened_;
};

std::optional<int32_t> Sweep::target(const SourceLine& line, bool& staysLong) {
    const std::string_view text = line.operand(1);
    const TSymDefPack& assembly = env_.tables->assembly;
    Evaluation e =
        evaluateExpression(text, [&](std::string_view name) -> std::optional<TermBinding> {
            const SymbolEntry* s = assembly.findEntry(name);
            if (!s) return std::nullopt;
            const int32_t v = s->kind == 'L' ? s->value - movedBy(s->extra, s->value) : s->value;
            return TermBinding{v, s->text};
        });
    if (e.ok) return e.value;
    if (env_.options.assembleOnly &&
        evaluateExpression(text, encode_detail::externLookup(env_.tables->externs)).ok) {
        staysLong = true; // resolved only when the program is linked
        return std::nullopt;
    }
    e = evaluateExpression(text, encode_detail::objectSymbolLookup(env_.tables->objectSymbols));
    if (e.ok) return e.value;
    env_.reporter->report(&line, encode_code::kUndefined, false, std::string(text));
    return std::nullopt;
}

bool Sweep::shorten(SourceLine& line, int32_t address, bool call) {
    TLinePack& lines = *env_.lines;
    if (!makeCurrent(lines, &line, env_.image->lineOf(address))) return false;
    line.replaceField(SourceLine::kOperationField, call ? "RCALL" : "RJ");
    CutLIParasource(line, env_.classifier);
    line.twoWord[1] = line.twoWord[2] = false;

    if (lines.next()) {
        const SourceLine* after = lines.current();
        if (after->operationId == int(OpId::NOPF) && (after->secondWord[1] || after->secondWord[2]))
            lines.deleteCurrent(); // the instruction becomes current again
        else
            lines.previous();
    }
    std::string following;
    if (lines.next()) {
        following = lines.current()->storedText;
        lines.previous();
    }
    SourceLine marker;
    marker.setText(following);
    marker.fileIndex = line.fileIndex;
    marker.lineNumber = line.lineNumber + 1;
    marker.expanded = line.expanded;
    marker.isShortened = true;
    if (!lines.add(std::move(marker), TLinePack::AfterCurrent)) {
        env_.reporter->report(&line, encode_code::kOutOfMemory, true, std::nullopt);
        return false;
    }
    return true;
}

TCheckSmartPtr Sweep::run(const TCheckSmartPtr& forms) {
    TCheckSmartPtr kept;
    kept.reserve(forms.size());
    int32_t section = INT32_MIN;
    int32_t count = 0;
    for (const LongForm& form : forms) {
        SourceLine* line = form.line;
        if (!line) continue;
        const InstructionDef* def = defs_.byId(line->operationId);
        if (!def || (def->id != OpId::CALL && def->id != OpId::JMP)) continue;
        const int32_t address =
            line->address != SourceLine::kNoAddress ? line->address : form.address;
        if (line->segment != section) {
            section = line->segment;
            count = 0;
        }
        const bool call = def->id == OpId::CALL;
        LongForm stays{address - count, form.sequence, line};
        // A CALL that saves the shadow registers has no short form.
        if (call && line->operandCount() != 1) {
            kept.push_back(stays);
            continue;
        }
        bool staysLong = false;
        const std::optional<int32_t> to = target(*line, staysLong);
        if (!to) {
            kept.push_back(stays);
            continue;
        }
        int64_t distance = int64_t(*to) - address;
        distance += distance < 0 ? -count : count;
        if (distance > kNearForward || distance < kNearBackward || !shorten(*line, address, call)) {
            kept.push_back(stays);
            continue;
        }
        ++count;
        shortened_[section].push_back(address);
    }
    return kept;
}

} // namespace

TCheckSmartPtr shortenLongForms(EncodeEnv& env, const TCheckSmartPtr& forms) {
    Sweep sweep(env);
    return sweep.run(forms);
}

bool SmartCompile(EncodeEnv& env) {
    if (env.chip->coreVariant != 0 || !env.options.smartCompiler || !env.longForms) return true;
    ProgramImage& image = *env.image;
    const bool optimize = env.options.optimization;
    // Nothing to shorten: the pass below would store the same words and symbols again over the
    // unchanged lines. Only a fill other than 0000h (the pass clears the image to 0000h) and a
    // run with errors (reported again) could tell the difference, so those still take it.
    if (env.longForms->empty() && !optimize && env.options.fill == ImageFill::Zero &&
        !env.reporter->anyErrors())
        return true;

    TCheckSmartPtr previous = *env.longForms;
    TCheckSmartPtr left = shortenLongForms(env, previous);
    image.clear(0);
    if (!EncodePass(env, false, optimize)) return false;
    if (optimize) {
        while (true) {
            if (env.yield) env.yield();
            previous = std::move(left);
            left = shortenLongForms(env, previous);
            if (left.size() == previous.size()) break;
            image.clear(0);
            if (!EncodePass(env, false, true)) return false;
        }
    }
    *env.longForms = std::move(left);
    return true;
}

} // namespace zerka
