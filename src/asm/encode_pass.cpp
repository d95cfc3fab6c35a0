// The encoding pass over the line list: labels, directives, macro-call records and
// instructions.
#include "asm/encode_pass.h"

#include <algorithm>

#include "asm/encode_state.h"
#include "chip/chip_model.h"
#include "core/number.h"
#include "core/text.h"

namespace zerka {

int32_t programMemorySize(const ChipModel& chip) {
    const uint32_t size = (chip.romWords / 256u) * 256u;
    return int32_t(std::min<uint32_t>(size, uint32_t(ProgramImage::kCellCount)));
}

namespace encode_detail {

PassState::PassState(EncodeEnv& e, bool rep, bool rel)
    : env(e), reporting(rep), defs(*e.instructions) {
    memorySize = programMemorySize(*e.chip);
    rules.size = memorySize;
    rules.checkRange = !e.options.assembleOnly;
    rules.relaxed = rel && e.options.smartCompiler;
}

void PassState::addPending(std::string_view text) {
    const int32_t lc = env.image->locationCounter();
    pending.push_back(PendingFix{lc, base});
    // The table mirrors the fix-ups for readers of the run state; the list above is the one
    // the fix-ups use, so a full table loses none.
    env.tables->pending.add(text, text, section, 'M', lc);
}

namespace {

constexpr int kMaxOpenCalls = 31;
constexpr uint16_t kWdtChipId = 0x71; // chips whose WDT reset vector needs the workaround
constexpr int32_t kWdtSkipAddress = 0x3E;
constexpr int32_t kWdtVectorAddress = 0x3F;

// The operations the workaround moves away from 3Eh: every one that may skip or branch, except
// JZ and JC, which the chip's workaround does not name.
bool isWdtSkip(int id) {
    const OpId op = OpId(id);
    return operationTraits(op).conditional != Conditional::Never && op != OpId::JZ &&
           op != OpId::JC;
}

// A line inside the expansion of the open call `call`: the line names the call as its call site,
// and the call steps into the line next.
void enterOpenCall(SourceLine& line, SourceLine& call) {
    line.callSiteFile = call.fileIndex;
    line.callSiteLine = uint16_t(call.lineNumber);
    line.outerRecord = int16_t(call.recordNumber);
    call.stepFile = line.fileIndex;
    call.stepLine = uint16_t(line.lineNumber);
    call.nextRecord = int16_t(line.recordNumber);
}

class Pass {
  public:
    Pass(EncodeEnv& env, bool reporting, bool relaxed) : s_(env, reporting, relaxed) {}

    bool run();

  private:
    TLinePack& lines() { return *s_.env.lines; }
    ProgramImage& image() { return *s_.env.image; }
    TSymDefPack& assembly() { return s_.env.tables->assembly; }
    int32_t lc() const { return s_.env.image->locationCounter(); }
    bool reporting() const { return s_.reporting; }

    void processCurrent();
    bool wdtWorkaround(SourceLine& line);
    SourceLine* insertLine(std::string_view text, const SourceLine& like, int where);
    bool labelLine(SourceLine& line);
    void objectLabel(const SourceLine& line);
    void macroCall(SourceLine& line);
    void rewriteOperands(SourceLine& line);
    void operands(SourceLine& line);
    void directive(SourceLine& line);
    void instruction(SourceLine& line);
    void linkPendingCall(SourceLine& line);
    bool storeWord(SourceLine& line, uint16_t word, int32_t& address);
    std::optional<int32_t> evaluate(std::string_view text) const;
    std::optional<Evaluation> evaluateDirectiveOperand(const SourceLine& line, bool reportFailure);
    uint32_t currentSeq() const { return uint32_t(s_.env.lines->currentNumber()); }

    PassState s_;
};

std::optional<int32_t> Pass::evaluate(std::string_view text) const {
    const Evaluation e = evaluateExpression(text, s_.env.tables->assembly);
    if (!e.ok) return std::nullopt;
    return e.value;
}

bool Pass::run() {
    EncodeEnv& env = s_.env;
    env.tables->startPass();
    image().setLocationCounter(0);
    for (int i = 1; i <= env.tables->objectSymbols.count(); ++i)
        s_.objectByText[env.tables->objectSymbols.entry(i)->text].push_back(i);

    for (bool more = lines().first(); more; more = lines().next()) {
        if (env.reporter->aborted()) return false;
        if (env.yield) env.yield();
        processCurrent();
    }
    if (env.reporter->aborted()) return false;
    return finishPass(s_);
}

SourceLine* Pass::insertLine(std::string_view text, const SourceLine& like, int where) {
    SourceLine fresh;
    fresh.setText(text);
    fresh.fileIndex = like.fileIndex;
    fresh.lineNumber = like.lineNumber;
    fresh.expanded = like.expanded;
    CutLIParasource(fresh, s_.env.classifier);
    if (!lines().add(std::move(fresh), where)) {
        s_.report(&like, encode_code::kOutOfMemory, true);
        return nullptr;
    }
    return lines().current();
}

bool Pass::wdtWorkaround(SourceLine& line) {
    const EncodeEnv& env = s_.env;
    if (s_.wdtDone || env.chip->chipId != kWdtChipId || env.chip->coreVariant != 1 ||
        !env.options.wdtJmp0)
        return false;
    std::vector<std::string_view> texts;
    if (lc() == kWdtSkipAddress && isWdtSkip(line.operationId))
        texts = {"NOP     ", "JMP  0041h", "JMP  0000h"};
    else if (lc() == kWdtVectorAddress)
        texts = {"JMP  0041h", "JMP  0000h"};
    else
        return false;
    s_.wdtDone = true;
    const SourceLine like = line;
    SourceLine* first = nullptr;
    for (size_t i = 0; i < texts.size(); ++i) {
        SourceLine* added =
            insertLine(texts[i], like, i == 0 ? TLinePack::BeforeCurrent : TLinePack::AfterCurrent);
        if (!added) return false;
        added->isInserted = true;
        if (i == 0) first = added;
    }
    // Continue with the first inserted line.
    while (lines().current() != first && lines().previous()) {
    }
    return true;
}

void Pass::processCurrent() {
    SourceLine* cur = lines().current();
    if (!cur) return;
    if (wdtWorkaround(*cur)) cur = lines().current();
    SourceLine& line = *cur;

    if (!reporting()) {
        for (int k = 0; k < 3; ++k)
            line.twoWord[size_t(k)] = false;
    }
    if (int(line.fileIndex) != s_.prevFile) {
        s_.base = lc();
        s_.prevFile = line.fileIndex;
    }
    line.segment = s_.section;
    line.address = SourceLine::kNoAddress;
    line.lastAddress = SourceLine::kNoAddress;

    const bool wasCall = line.isMacroCall;
    if (line.isLabel && !labelLine(line)) {
        s_.prevWasOpenCall = false;
        return;
    }
    if (line.isMacroCall) macroCall(line);
    if (line.operationId >= 0 || line.isDirective) operands(line);
    if (line.isDirective && line.operationId < 0) directive(line);
    if (line.operationId >= 0) instruction(line);
    s_.prevWasOpenCall = wasCall;
}

// Returns false when nothing else is to be done for the line (object label lines).
bool Pass::labelLine(SourceLine& line) {
    if (line.isObject) {
        objectLabel(line);
        return false;
    }
    const std::string_view op = line.field(SourceLine::kOperationField);
    const std::string name(line.field(SourceLine::kLabelField));
    TSymDefPack& debugger = s_.env.tables->debugger;
    const bool rep = reporting();
    auto outOfMemory = [&]() {
        if (rep) s_.report(&line, encode_code::kOutOfMemory, true);
    };

    if (line.isDirective && (op == "EQU" || op == "DS")) {
        if (s_.env.instructions->isMnemonicOrAlias(name)) {
            s_.report(&line, encode_code::kIllegalSymbol, false, name);
            return true;
        }
    }
    if (line.isDirective && op == "EQU") {
        const std::optional<Evaluation> e = evaluateDirectiveOperand(line, rep);
        if (!e) return true;
        const std::string written(line.operand(1));
        const int32_t* v = &e->value;
        const int r = assembly().add(name, e->text, s_.section, 'C', *v);
        if (r == kSymOutOfMemory) outOfMemory();
        if (r == kSymDuplicate && rep) s_.report(&line, encode_code::kDuplicate, false, written);
        if (debugger.add(name, written, s_.section, 'C', *v) == kSymOutOfMemory) outOfMemory();
        return true;
    }
    if (line.isDirective && op == "SET") {
        const std::optional<Evaluation> e = evaluateDirectiveOperand(line, rep);
        if (!e) return true;
        const int r = assembly().add(name, e->text, s_.section, 'V', e->value);
        if (r == kSymOutOfMemory) outOfMemory();
        if (r == kSymDuplicate && rep) s_.report(&line, encode_code::kDuplicate, false, name);
        return true;
    }
    if (line.isDirective && op == "DS") {
        const std::optional<Evaluation> e = evaluateDirectiveOperand(line, rep);
        if (!e) return true;
        const int32_t* size = &e->value;
        const int32_t at = s_.dataPointer;
        const int r = assembly().add(name, name, *size, 'D', at);
        if (r == kSymOutOfMemory) outOfMemory();
        if (r == kSymDuplicate && rep)
            s_.report(&line, encode_code::kDuplicate, false, std::string(line.operand(1)));
        if (debugger.add(name, name, *size, 'D', at) == kSymOutOfMemory) outOfMemory();
        s_.dataPointer = at + *size;
        // The reservation must end inside the data memory: its last byte has to exist.
        const int64_t last = *size > 0 ? int64_t(at) + *size - 1 : int64_t(s_.dataPointer);
        if (implementedBitsAt(*s_.env.chip, last) == 0)
            s_.report(&line, encode_code::kMemoryOver, false, name);
        return true;
    }
    if (line.isDirective && op == "LOCAL") return true;

    // A plain label.
    const bool badLabel = name.size() < 2 || name.back() != ':';
    if (rep && badLabel) s_.report(&line, encode_code::kIllegalSymbol, false, name);
    // A second word that is neither a mnemonic, an alias, a directive nor a macro name (a
    // mistyped mnemonic) would otherwise vanish without a word of code.
    const bool unknownWord =
        !op.empty() && line.operationId < 0 && !line.isDirective && !line.isMacroCall;
    if (rep && unknownWord && !badLabel)
        s_.report(&line, encode_code::kIllegalSymbol, false, std::string(op));
    const std::string bare =
        !name.empty() && name.back() == ':' ? name.substr(0, name.size() - 1) : name;
    const int r = assembly().add(bare, bare, s_.section, 'L', lc());
    if (r == kSymOutOfMemory) outOfMemory();
    if (r == kSymDuplicate && rep) s_.report(&line, encode_code::kDuplicate, false, bare);
    return true;
}

void Pass::objectLabel(const SourceLine& line) {
    const auto it = s_.objectByText.find(line.workingText);
    if (it == s_.objectByText.end()) return;
    TSymDefPack& objects = s_.env.tables->objectSymbols;
    for (int index : it->second) {
        SymbolEntry* e = objects.entry(index);
        if (!e) continue;
        const bool constant = e->kind == 'C' || e->kind == 'D';
        if (!constant) e->extra = s_.base;
        if (assembly().findEntry(e->name)) {
            if (reporting()) s_.report(&line, encode_code::kDuplicate, false, e->name);
        } else if (constant) {
            if (s_.env.tables->debugger.add(e->name, e->name, e->extra, e->kind, e->value) ==
                    kSymOutOfMemory &&
                reporting())
                s_.report(&line, encode_code::kOutOfMemory, true);
        }
    }
}

std::optional<Evaluation> Pass::evaluateDirectiveOperand(const SourceLine& line,
                                                         bool reportFailure) {
    if (line.operandCount() < 1) {
        if (reportFailure) s_.report(&line, encode_code::kMissingArgument);
        return std::nullopt;
    }
    Evaluation e = evaluateExpression(line.operand(1), assembly());
    if (!e.ok) {
        if (reportFailure)
            s_.report(&line, encode_code::kUndefined, false, std::string(line.operand(1)));
        return std::nullopt;
    }
    return e;
}

void Pass::rewriteOperands(SourceLine& line) {
    const int n = line.operandCount();
    for (int k = 1; k <= n; ++k) {
        std::string text(line.operand(k));
        // An operand that stops before its first term rewrites to nothing; it keeps its text
        // so that it is not taken for a missing operand.
        if (rewriteExpression(text, assembly()) && !text.empty() && text != line.operand(k))
            line.replaceField(k + SourceLine::kFirstOperandField - 1, text);
    }
}

void Pass::macroCall(SourceLine& line) {
    line.expansionStart = lc() - 1;
    line.callOpen = true;
    ++s_.recordCounter;
    line.recordNumber = uint16_t(s_.recordCounter);
    if (!s_.macroStack.empty() && s_.prevWasOpenCall) {
        enterOpenCall(line, *s_.macroStack.back());
    } else {
        line.callSiteFile = line.fileIndex;
        line.callSiteLine = uint16_t(line.lineNumber);
        line.outerRecord = int16_t(line.recordNumber);
        s_.pendingCall = &line;
    }
    s_.macroStack.push_back(&line);
    if (int(s_.macroStack.size()) > kMaxOpenCalls && reporting())
        s_.report(&line, encode_code::kMacroTooDeep, false, line.workingText);
    rewriteOperands(line);
}

void Pass::operands(SourceLine& line) {
    const std::string_view op = line.field(SourceLine::kOperationField);
    if (line.isDirective && (op == "GLOBAL" || op == "EXTERN")) {
        if (!reporting()) return;
        const bool global = op == "GLOBAL";
        TSymDefPack& table = global ? s_.env.tables->globals : s_.env.tables->externs;
        for (int k = 1, n = line.operandCount(); k <= n; ++k) {
            const std::string_view name = line.operand(k);
            // A name declared twice is still one symbol.
            if (table.findEntry(name)) continue;
            if (table.add(name, name, s_.section, 'E', global ? 0xFFFF : 0) == kSymOutOfMemory)
                s_.report(&line, encode_code::kOutOfMemory, true);
        }
        return;
    }
    const bool instr = line.operationId >= 0;
    const OpId id = OpId(line.operationId);
    if (instr && id == OpId::TBLR) return;
    const int n = line.operandCount();
    for (int k = 1; k <= n; ++k) {
        std::string text(line.operand(k));
        if (instr && reporting() && !text.empty() && text.back() == ':')
            s_.report(&line, encode_code::kUndefined, false, text);
        if (instr && id == OpId::LBSR && k == 1) {
            int32_t bank = 0;
            const NumberTest number = testNumber(text);
            if (number.isNumber) {
                bank = number.value;
            } else if (std::optional<int32_t> v = evaluate(text)) {
                bank = *v / 256;
                line.replaceField(k + SourceLine::kFirstOperandField - 1,
                                  "0" + hexText(uint32_t(bank) & 0xFF, 2) + "H");
            } else {
                continue; // pending; the word's encoding records it
            }
            if (bank < 0 || bank > 15) s_.report(&line, encode_code::kIllegalArgument, false, text);
            continue;
        }
        // An operand that stops before its first term rewrites to nothing; it keeps its text
        // so that it is not taken for a missing operand.
        if (rewriteExpression(text, assembly()) && !text.empty() && text != line.operand(k))
            line.replaceField(k + SourceLine::kFirstOperandField - 1, text);
    }
}

bool Pass::storeWord(SourceLine& line, uint16_t word, int32_t& address) {
    address = lc();
    switch (image().store(word, currentSeq(), s_.rules)) {
    case StoreOutcome::Stored:
        return true;
    case StoreOutcome::OutOfRange:
        s_.report(&line, encode_code::kAddressRange);
        return false;
    case StoreOutcome::Occupied:
        s_.report(&line, encode_code::kOverwrite);
        return false;
    }
    return false;
}

void Pass::directive(SourceLine& line) {
    const std::string_view op = line.field(SourceLine::kOperationField);
    const bool rep = reporting();
    if (op == "DB" || op == "DW") {
        if (line.operandCount() == 0) return;
        line.address = lc();
        const bool pairs = op == "DB";
        // Words are built one at a time so that a pending operand records its own word's
        // address.
        const int n = line.operandCount();
        const int step = pairs ? 2 : 1;
        auto one = [&](int j) -> int32_t {
            const std::string_view t = line.operand(j);
            if (std::optional<int32_t> v = evaluate(t)) return *v;
            s_.addPending(t);
            return 0;
        };
        for (int k = 1; k <= n; k += step) {
            int32_t hi = one(k);
            int32_t lo = 0;
            if (pairs && k + 1 <= n) lo = one(k + 1);
            const uint16_t word =
                pairs ? uint16_t(uint32_t(hi) * 256u + uint32_t(lo)) : uint16_t(hi);
            int32_t at = 0;
            if (storeWord(line, word, at)) line.lastAddress = at;
        }
        return;
    }
    if (op == "ENDM") {
        if (s_.macroStack.empty()) {
            s_.report(&line, encode_code::kUnknown, true);
            return;
        }
        SourceLine* call = s_.macroStack.back();
        s_.macroStack.pop_back();
        call->expansionEnd = lc();
        if (call == s_.pendingCall) s_.pendingCall = nullptr;
        return;
    }
    if (op == "ORG") {
        const std::optional<Evaluation> e = evaluateDirectiveOperand(line, rep);
        if (e) {
            const int32_t* v = &e->value;
            if (*v < s_.memorySize || s_.env.options.assembleOnly)
                image().setLocationCounter(*v);
            else
                s_.report(nullptr, encode_code::kAddressRange);
        }
        ++s_.section;
        return;
    }
    if (op == "MEMAR") {
        const std::optional<Evaluation> e = evaluateDirectiveOperand(line, rep);
        if (!e) return;
        s_.dataPointer = e->value;
        if (implementedBitsAt(*s_.env.chip, e->value) == 0)
            s_.report(&line, encode_code::kMemoryOver, false, "MEMAR");
        return;
    }
    // Any other directive word produces nothing here.
}

void Pass::linkPendingCall(SourceLine& line) {
    if (!s_.pendingCall) return;
    s_.pendingCall = nullptr;
    if (s_.macroStack.empty()) return;
    ++s_.recordCounter;
    line.recordNumber = uint16_t(s_.recordCounter);
    line.stepFile = line.fileIndex;
    line.stepLine = uint16_t(line.lineNumber);
    line.nextRecord = int16_t(line.recordNumber);
    enterOpenCall(line, *s_.macroStack.back());
}

void Pass::instruction(SourceLine& line) {
    linkPendingCall(line);
    const InstructionDef* def = s_.defs.byId(line.operationId);
    if (!def) return;
    const TwoWordKind kind = def->twoWordKind;
    const bool extraOperand = kind == TwoWordKind::Mvff || kind == TwoWordKind::Ldpr;
    const int full = def->operandCount + (extraOperand ? 1 : 0);
    const int expected = std::max(0, full - (def->lastOperandOptional ? 1 : 0));
    const int most = def->lastOperandOptional ? def->operandCount : full;
    if (!line.isObject) {
        const int n = line.operandCount();
        if (n < expected) {
            if (reporting()) s_.report(&line, encode_code::kMissingArgument);
            return;
        }
        if (n > most) {
            s_.report(&line, encode_code::kTooManyArguments);
            return;
        }
    }

    const uint16_t word = buildInstructionWord(
        line, *def, s_.base, [this](std::string_view t) { return evaluate(t); },
        [this](std::string_view t) { s_.addPending(t); });
    int32_t address = 0;
    if (!storeWord(line, word, address)) return;
    if (def->relative != RelativeKind::None)
        s_.relatives.push_back(RelativeBranch{address, def->relative, &line, currentSeq()});
    line.address = address;
    line.lastAddress = address;

    if (kind == TwoWordKind::None || line.isObject) return;
    const int k = int(kind);
    line.twoWord[size_t(k - 1)] = true;
    if (reporting() && s_.env.longForms && (kind == TwoWordKind::Jmp || kind == TwoWordKind::Call))
        s_.env.longForms->push_back(LongForm{address, int32_t(currentSeq()), &line});

    // The second word: an existing NOPF line after the instruction serves as it.
    if (lines().next()) {
        const SourceLine* after = lines().current();
        const bool hasNopf = after && after->operationId == int(OpId::NOPF);
        lines().previous();
        if (hasNopf) return;
    }
    const std::string operand(line.operand(kind == TwoWordKind::Mvff ? 2 : 1));
    SourceLine* second = insertLine("NOPF    " + operand, line, TLinePack::AfterCurrent);
    if (!second) return;
    second->secondWord[size_t(k - 1)] = true;
    // Step back so the walk continues with the inserted line.
    lines().previous();
}

} // namespace
} // namespace encode_detail

bool EncodePass(EncodeEnv& env, bool reporting, bool relaxed) {
    encode_detail::Pass pass(env, reporting, relaxed);
    return pass.run();
}

} // namespace zerka
