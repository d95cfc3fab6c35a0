#include "upcentre/core/engine.h"

#include "upcentre/core/engine_ops.h"

#include <algorithm>

namespace zerka {

namespace {

using namespace exec;

// The handler of an operation; file instructions give their plain handler. Made from the
// handler column of the instruction list.
#define ZK_KIND_OF_File(n) k##n##P
#define ZK_KIND_OF_Own(n) k##n
#define ZK_KIND_OF_Shared(n) k##n
#define ZK_KIND_OF_PerCore(a, b) (core == CoreType::CX4A ? k##a : k##b)
uint8_t kindOf(OpId id, CoreType core) {
    switch (id) {
#define ZK_KIND_CASE(U, mnemonic, id, a, b, ops, last, two, handler, ...)                          \
    case OpId::mnemonic:                                                                           \
        return ZK_KIND_OF_##handler;
        ZK_INSTRUCTIONS(ZK_KIND_CASE, _)
#undef ZK_KIND_CASE
    }
    return kInvalid;
}
#undef ZK_KIND_OF_File
#undef ZK_KIND_OF_Own
#undef ZK_KIND_OF_Shared
#undef ZK_KIND_OF_PerCore

// A file instruction's plain, general and to-file handlers are neighbours (kGeneralOffset,
// kToFileOffset): only lines with a file operand may have File handlers, and they must.
#define ZK_IS_FILE_File(n) true
#define ZK_IS_FILE_Own(n) false
#define ZK_IS_FILE_Shared(n) false
#define ZK_IS_FILE_PerCore(a, b) false
#define ZK_FILE_HANDLER_FITS(U, mnemonic, id, a, b, ops, last, two, handler, ...)                  \
    static_assert(ZK_IS_FILE_##handler == (OperandKind::ops == OperandKind::FileBank ||            \
                                           OperandKind::ops == OperandKind::FileDest ||            \
                                           OperandKind::ops == OperandKind::FileBit),              \
                  #mnemonic ": File handlers go with file operands");
ZK_INSTRUCTIONS(ZK_FILE_HANDLER_FITS, _)
#undef ZK_FILE_HANDLER_FITS
#undef ZK_IS_FILE_File
#undef ZK_IS_FILE_Own
#undef ZK_IS_FILE_Shared
#undef ZK_IS_FILE_PerCore

// Pointer and mode of an indirect access register, or -1 for a plain address.
int indirectCode(CoreType core, uint32_t address) {
    if (core == CoreType::CX4A) {
        if (address <= 14) return int(address / 5) * 8 + int(address % 5);
        return -1;
    }
    if (address == 0) return 0; // IND0: through pointer 0
    if (address == 5) return 8; // IND1: through pointer 1
    return -1;
}

// Unbanked addresses a plain handler may not write: the stack pointer and PCLATL have write
// rules, STATUS keeps what is written to it, and the interrupt, stack and timer registers
// decide when the careful tick end is needed (0x18 to 0x28 covers 24, 27 and 35 to 40).
bool needsGeneralHandler(uint32_t address) {
    return (address >= reg::kStackPointer && address <= reg::kIntFlag2) ||
           address == reg::kStatus || address == reg::kTimerControl;
}

ExecOp decodeWord(const InstructionSet& set, uint16_t word) {
    ExecOp op;
    op.kind = kInvalid;
    const InstructionDef* def = set.definitionFor(word);
    if (!def) return op;
    const uint8_t kind = kindOf(def->id, set.core());
    if (kind == kInvalid) return op;
    op.kind = kind;
    uint16_t operand[3] = {0, 0, 0};
    for (int i = 0; i < def->operandCount && i < 3; ++i)
        operand[i] = def->operands[i].extract(word);
    op.a = operand[0];

    if (!def->noFileOperand) {
        const int bankOperand = def->bankSelectOperand();
        const bool banked = bankOperand >= 2 && operand[bankOperand - 1] != 0;
        if (def->operandCount == 3) {
            if (fileOperationGroup(def->id) == FileOperationGroup::Bit)
                op.bit = static_cast<uint8_t>(operand[1] & 7);
            else
                op.dst = operand[1] ? 1 : 0;
        }
        if (banked) {
            op.mode = kBanked;
        } else if (int code = indirectCode(set.core(), op.a); code >= 0) {
            op.mode = kIndirect;
            op.x = static_cast<int16_t>(code);
        } else if (needsGeneralHandler(op.a)) {
            op.mode = kDirect;
        } else {
            if (op.dst) op.kind = static_cast<uint8_t>(op.kind + kToFileOffset);
            return op; // a plain handler
        }
        op.kind = static_cast<uint8_t>(op.kind + kGeneralOffset);
        return op;
    }

    switch (def->id) {
    case OpId::MVFF:
        // The source is an unbanked address; the indirect registers still apply (the code in
        // `bit`, as `x` takes the NOPF's payload when the layout fuses the pair).
        if (int code = indirectCode(set.core(), op.a); code >= 0) {
            op.mode = kIndirect;
            op.bit = static_cast<uint8_t>(code);
        } else {
            op.mode = kDirect;
        }
        break;
    case OpId::CALL:
        if (set.core() == CoreType::CX4A)
            op.bit = operand[1] ? 1 : 0;
        else
            op.a &= 0xFFF;
        break;
    case OpId::JMP:
        if (set.core() != CoreType::CX4A) op.a &= 0xFFF;
        break;
    case OpId::RET:
    case OpId::RETI:
        op.bit = (set.core() == CoreType::CX4A && def->operandCount >= 1 && operand[0] == 1);
        break;
    case OpId::TBLR:
        op.bit = operand[0] & 1;
        break;
    default:
        break;
    }
    if (def->relative == RelativeKind::Rel11)
        op.x = static_cast<int16_t>(signedOffset11(operand[0]));
    else if (def->relative == RelativeKind::Rel8)
        op.x = static_cast<int16_t>(signedOffset8(operand[0]));
    return op;
}

// The fused kind of a two-word instruction's first word, or 0.
uint8_t pairKind(uint8_t kind) {
    switch (kind) {
    case kCallLong:
        return kCallPair;
    case kJmpLong:
        return kJmpPair;
    case kMvlp:
        return kMvlpPair;
    case kLdpr:
        return kLdprPair;
    case kMvff:
        return kMvffPair;
    default:
        return 0;
    }
}

// The kind of a jump whose target lies inside the program, or 0.
uint8_t nearKind(uint8_t kind) {
    switch (kind) {
    case kCallShort:
        return kCallNear;
    case kJmpShort:
        return kJmpNear;
    case kRj:
        return kRjNear;
    case kRcall:
        return kRcallNear;
    case kJz:
        return kJzNear;
    case kJnz:
        return kJnzNear;
    case kJc:
        return kJcNear;
    case kJnc:
        return kJncNear;
    case kJn:
        return kJnNear;
    case kJnn:
        return kJnnNear;
    case kJo:
        return kJoNear;
    case kJno:
        return kJnoNear;
    default:
        return 0;
    }
}

// True for the general handler of a file instruction that leaves the file register alone when
// its result goes to W: with a plain address it may run the plain handler.
bool readsOnlyToW(uint8_t kind) {
    switch (kind) {
    case kAddfG:
    case kAddcG:
    case kSubfG:
    case kSubcG:
    case kInfG:
    case kDcfG:
    case kInszG:
    case kDcszG:
    case kInsuzG:
    case kDcsuzG:
    case kComfG:
    case kAndfG:
    case kIorfG:
    case kXorfG:
    case kMvfG:
    case kSwpfG:
    case kRlfG:
    case kRrfG:
    case kRlfcG:
    case kRrfcG:
    case kArlcG:
    case kArrcG:
    case kBtszG:
    case kBtssG:
    case kCpsgG:
    case kCpslG:
    case kCpseG:
    case kTfszG:
    case kMulfG:
        return true;
    default:
        return false;
    }
}

ExecOp record(uint8_t kind) {
    ExecOp op;
    op.kind = kind;
    return op;
}

} // namespace

Engine::Engine(const InstructionSet& set) {
    rebuild(set);
}
Engine::Engine(CoreType core) : Engine(InstructionSet(core)) {}
Engine::Engine(InstructionSet&& set) {
    set_ = std::make_unique<InstructionSet>(std::move(set));
    reset();
}
Engine::~Engine() = default;
Engine::Engine(Engine&&) noexcept = default;
Engine& Engine::operator=(Engine&&) noexcept = default;

void Engine::rebuild(const InstructionSet& set) {
    set_ = std::make_unique<InstructionSet>(set);
    reset();
}

void Engine::reset() {
    // Words are decoded when first asked for: a program uses a few hundred of the 65,536.
    if (!table_) table_.reset(new ExecOp[65536]); // left uninitialised: `known_` guards it
    known_.fill(0);
    core_ = set_->core();
    layout_ = Layout{};
}

const ExecOp& Engine::decoded(uint16_t word) const {
    uint64_t& bits = known_[word >> 6];
    const uint64_t bit = uint64_t(1) << (word & 63);
    if (!(bits & bit)) {
        table_[word] = decodeWord(*set_, word);
        bits |= bit;
    }
    return table_[word];
}

bool Engine::invalid(uint16_t word) const {
    return decoded(word).kind == kInvalid;
}

void Engine::preparePlain(const CpuState& s) const {
    Layout& l = layout_;
    if (l.stamp == s.programStamp()) return;
    const uint32_t size = s.programSize();
    l.plain.resize(size + 2);
    for (uint32_t a = 0; a < size; ++a)
        l.plain[a] = decoded(s.ProgramWord(a));
    // A two-word instruction followed by its NOPF runs both words in one go.
    for (uint32_t a = 0; a + 1 < size; ++a) {
        ExecOp& first = l.plain[a];
        const uint8_t pair = pairKind(first.kind);
        if (pair && l.plain[a + 1].kind == kNopf) {
            first.kind = pair;
            first.x = static_cast<int16_t>(l.plain[a + 1].a & 0xFFF);
            // A copy between two addresses without rules (PCLATL is written lazily).
            const uint32_t to = uint32_t(first.x);
            if (pair == kMvffPair && first.mode == kDirect && first.a != reg::kPcLatchLow &&
                indirectCode(core_, to) < 0 && !needsGeneralHandler(to) && to != reg::kPcLatchLow)
                first.kind = kMvffPlain;
        }
    }
    // A read of a register with write rules, the result to W, needs none of the rules: only
    // STATUS as the operand (which keeps the flags) and PCLATL (written lazily) do.
    for (uint32_t a = 0; a < size; ++a) {
        ExecOp& op = l.plain[a];
        if (op.mode == kDirect && op.dst == 0 && op.a != reg::kStatus && op.a != reg::kPcLatchLow &&
            readsOnlyToW(op.kind))
            op.kind = static_cast<uint8_t>(op.kind - kGeneralOffset);
    }
    // MVF through a pointer, unless the pointer moves by W.
    for (uint32_t a = 0; a < size; ++a) {
        ExecOp& op = l.plain[a];
        if (op.kind == kMvfG && op.mode == kIndirect && (op.x & 7) < 4) {
            op.kind = static_cast<uint8_t>((op.dst ? kMvfIndF0 : kMvfIndW0) + (op.x & 7));
            op.a = static_cast<uint16_t>(reg::kFsr0High + 2 * (op.x >> 3));
        }
    }
    // A computed jump: ADDF or MVF to PCLATL, the result there.
    for (uint32_t a = 0; a < size; ++a) {
        ExecOp& op = l.plain[a];
        if (op.mode == kDirect && op.a == reg::kPcLatchLow && op.dst == 1 &&
            (op.kind == kAddfG || op.kind == kMvfG))
            op.kind = op.kind == kAddfG ? kAddfPcl : kMvfPcl;
    }
    // A jump with a fixed target inside the program needs no range check at run time.
    for (uint32_t a = 0; a < size; ++a) {
        ExecOp& op = l.plain[a];
        const uint8_t near = nearKind(op.kind);
        if (!near) continue;
        const bool absolute = op.kind == kCallShort || op.kind == kJmpShort;
        const uint32_t target =
            absolute ? op.a : (a + 1 + uint32_t(int32_t(op.x))) & CpuState::kPcMask;
        if (target < size) {
            op.kind = near;
            op.a = static_cast<uint16_t>(target);
        }
    }
    l.plain[size] = l.plain[size + 1] = record(kOutsideExec);
    l.size = size;
    l.stamp = s.programStamp();
    l.runValid = false;
}

void Engine::prepareRun(const CpuState& s, const RunStops& stops) const {
    preparePlain(s);
    Layout& l = layout_;
    if (l.runValid && l.runStops == stops) return;
    const uint32_t size = l.size;
    l.run = l.plain;
    const ExecOp stop = record(kStop);
    auto stopAt = [&](uint32_t address) {
        if (address < size) l.run[address] = stop;
    };
    if (stops.rangeActive) {
        l.markReason = StopReason::RangeLeft;
        for (uint32_t a = 0; a < size; ++a)
            if (a <= stops.rangeLow || a >= stops.rangeHigh) l.run[a] = stop;
    } else if (stops.stepActive) {
        // A step run tests no breakpoint marks.
        l.markReason = StopReason::StepReached;
        stopAt(stops.stepTarget);
        stopAt(stops.temporaryBreak);
    } else {
        l.markReason = StopReason::Breakpoint;
        for (uint32_t a = 0; a < size; ++a)
            if (s.BreakpointMarkAt(a, BreakpointKind::Any)) l.run[a] = stop;
        stopAt(stops.temporaryBreak);
    }
    l.run[size] = l.run[size + 1] = record(kOutsideCheck);
    l.runStops = stops;
    l.runValid = true;
}

void Engine::ExecuteOne(CpuState& s, ExecCounts* counts) const {
    preparePlain(s);
    const Layout& l = layout_;
    const EngineCore::Program p{l.plain.data(), l.plain.data(),   l.size,
                                decoded(0),     StopReason::None, counts};
    if (counts) {
        if (core_ == CoreType::CX4A)
            EngineCore::execute<CoreType::CX4A, true>(s, p, RunStops{}, 1, true);
        else
            EngineCore::execute<CoreType::CX4B, true>(s, p, RunStops{}, 1, true);
        return;
    }
    if (core_ == CoreType::CX4A)
        EngineCore::execute<CoreType::CX4A, false>(s, p, RunStops{}, 1, true);
    else
        EngineCore::execute<CoreType::CX4B, false>(s, p, RunStops{}, 1, true);
}

bool Engine::CheckInterrupt(CpuState& s, ExecCounts* counts) const {
    return EngineCore::checkInterrupt(s, counts);
}

BatchResult Engine::RunBatch(CpuState& s, const RunStops& stops, uint64_t maxTicks,
                             ExecCounts* counts) const {
    prepareRun(s, stops);
    const Layout& l = layout_;
    const EngineCore::Program p{l.run.data(), l.plain.data(), l.size,
                                decoded(0),   l.markReason,   counts};
    if (counts) {
        if (core_ == CoreType::CX4A)
            return EngineCore::execute<CoreType::CX4A, true>(s, p, stops, maxTicks, false);
        return EngineCore::execute<CoreType::CX4B, true>(s, p, stops, maxTicks, false);
    }
    if (core_ == CoreType::CX4A)
        return EngineCore::execute<CoreType::CX4A, false>(s, p, stops, maxTicks, false);
    return EngineCore::execute<CoreType::CX4B, false>(s, p, stops, maxTicks, false);
}

uint32_t Engine::wordCycles(uint16_t word) const {
    const InstructionDef* def = set_->definitionFor(word);
    return def ? operationTraits(def->id).cycles : 0;
}

bool Engine::conditional(uint16_t word) const {
    const InstructionDef* def = set_->definitionFor(word);
    return def && operationTraits(def->id).conditional != Conditional::Never;
}

} // namespace zerka
