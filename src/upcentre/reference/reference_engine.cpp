#include "upcentre/reference/reference_engine.h"

#include <utility>

#define ZK_ALWAYS_INLINE [[gnu::always_inline]] inline
// Lambdas of the hot path must fold into it: a closure left on the stack would pin the PC and
// the cycle count in memory.
#define ZK_LAMBDA_INLINE __attribute__((always_inline))

namespace zerka {

namespace {

// Handlers. CALL and JMP get one handler per core because the two cores encode them differently.
enum Kind : uint8_t {
    kNop,
    kClrf,
    kSetf,
    kAddf,
    kAddc,
    kSubf,
    kSubc,
    kInf,
    kDcf,
    kInsz,
    kDcsz,
    kInsuz,
    kDcsuz,
    kComf,
    kAndf,
    kIorf,
    kXorf,
    kMvf,
    kSwpf,
    kRlf,
    kRrf,
    kRlfc,
    kRrfc,
    kArlc,
    kArrc,
    kBcf,
    kBsf,
    kBtgf,
    kBtsz,
    kBtss,
    kCpsg,
    kCpsl,
    kCpse,
    kTfsz,
    kMulf,
    kMull,
    kAddl,
    kSubl,
    kAndl,
    kIorl,
    kXorl,
    kMvl,
    kRetl,
    kRet,
    kReti,
    kPop,
    kCallLong,
    kJmpLong,
    kCallShort,
    kJmpShort,
    kRj,
    kRcall,
    kJz,
    kJnz,
    kJc,
    kJnc,
    kJn,
    kJnn,
    kJo,
    kJno,
    kTblr,
    kMvlp,
    kLdpr,
    kLbsr,
    kMvff,
    kNopf,
    kIdle,
    kSlp,
    kCwdt,
};

// kPlain: an unbanked address with no write-back rule of its own (not 24, 27 or 43), the
// common case that takes the shortest path.
enum AddressMode : uint8_t { kNoAddress = 0, kDirect = 1, kBanked = 2, kIndirect = 3, kPlain = 4 };

constexpr uint32_t kPcMask = CpuState::kPcMask;
constexpr uint32_t kDataSize = CpuState::kDataSize;

uint8_t kindOf(OpId id, CoreType core) {
    const bool a = core == CoreType::CX4A;
    switch (id) {
    case OpId::NOP:
        return kNop;
    case OpId::CLRF:
        return kClrf;
    case OpId::SETF:
        return kSetf;
    case OpId::ADDF:
        return kAddf;
    case OpId::ADDC:
        return kAddc;
    case OpId::SUBF:
        return kSubf;
    case OpId::SUBC:
        return kSubc;
    case OpId::INF:
        return kInf;
    case OpId::DCF:
        return kDcf;
    case OpId::INSZ:
        return kInsz;
    case OpId::DCSZ:
        return kDcsz;
    case OpId::INSUZ:
        return kInsuz;
    case OpId::DCSUZ:
        return kDcsuz;
    case OpId::COMF:
        return kComf;
    case OpId::ANDF:
        return kAndf;
    case OpId::IORF:
        return kIorf;
    case OpId::XORF:
        return kXorf;
    case OpId::MVF:
        return kMvf;
    case OpId::SWPF:
        return kSwpf;
    case OpId::RLF:
        return kRlf;
    case OpId::RRF:
        return kRrf;
    case OpId::RLFC:
        return kRlfc;
    case OpId::RRFC:
        return kRrfc;
    case OpId::ARLC:
        return kArlc;
    case OpId::ARRC:
        return kArrc;
    case OpId::BCF:
        return kBcf;
    case OpId::BSF:
        return kBsf;
    case OpId::BTGF:
        return kBtgf;
    case OpId::BTSZ:
        return kBtsz;
    case OpId::BTSS:
        return kBtss;
    case OpId::CPSG:
        return kCpsg;
    case OpId::CPSL:
        return kCpsl;
    case OpId::CPSE:
        return kCpse;
    case OpId::TFSZ:
        return kTfsz;
    case OpId::MULF:
        return kMulf;
    case OpId::MULL:
        return kMull;
    case OpId::ADDL:
        return kAddl;
    case OpId::SUBL:
        return kSubl;
    case OpId::ANDL:
        return kAndl;
    case OpId::IORL:
        return kIorl;
    case OpId::XORL:
        return kXorl;
    case OpId::MVL:
        return kMvl;
    case OpId::RETL:
        return kRetl;
    case OpId::RET:
        return kRet;
    case OpId::RETI:
        return kReti;
    case OpId::POP:
        return kPop;
    case OpId::CALL:
        return a ? kCallLong : kCallShort;
    case OpId::JMP:
        return a ? kJmpLong : kJmpShort;
    case OpId::RJ:
        return kRj;
    case OpId::RCALL:
        return kRcall;
    case OpId::JZ:
        return kJz;
    case OpId::JNZ:
        return kJnz;
    case OpId::JC:
        return kJc;
    case OpId::JNC:
        return kJnc;
    case OpId::JN:
        return kJn;
    case OpId::JNN:
        return kJnn;
    case OpId::JO:
        return kJo;
    case OpId::JNO:
        return kJno;
    case OpId::TBLR:
        return kTblr;
    case OpId::MVLP:
        return kMvlp;
    case OpId::LDPR:
        return kLdpr;
    case OpId::LBSR:
        return kLbsr;
    case OpId::MVFF:
        return kMvff;
    case OpId::NOPF:
        return kNopf;
    case OpId::IDLE:
        return kIdle;
    case OpId::SLP:
        return kSlp;
    case OpId::CWDT:
        return kCwdt;
    }
    return ReferenceEngine::kInvalid;
}

// The indirect access registers as pointer * 8 + mode, or -1 for a plain address. The CX4A has
// five per pointer at 0 to 14 (plain, post-increment, post-decrement, pre-increment, plus W); the
// CX4B only IND0 at 0 and IND1 at 5, both plain.
int indirectCode(CoreType core, uint32_t address) {
    if (core == CoreType::CX4B) return address == 0 ? 0 : address == 5 ? 8 : -1;
    if (address > 14) return -1;
    const int pointer = int(address) / 5;
    return pointer * 8 + int(address) - pointer * 5;
}

bool isBitOperation(OpId id) {
    switch (id) {
    case OpId::BCF:
    case OpId::BSF:
    case OpId::BTGF:
    case OpId::BTSZ:
    case OpId::BTSS:
        return true;
    default:
        return false;
    }
}

bool isShortBranch(OpId id) {
    switch (id) {
    case OpId::JZ:
    case OpId::JNZ:
    case OpId::JC:
    case OpId::JNC:
    case OpId::JN:
    case OpId::JNN:
    case OpId::JO:
    case OpId::JNO:
        return true;
    default:
        return false;
    }
}

ReferenceOp decodeWord(const InstructionSet& set, uint16_t word) {
    ReferenceOp op;
    const InstructionDef* def = set.definitionFor(word);
    if (!def) return op;
    const uint8_t kind = kindOf(def->id, set.core());
    if (kind == ReferenceEngine::kInvalid) return op;
    const bool cx4a = set.core() == CoreType::CX4A;
    auto operand = [&](int i) -> uint16_t {
        return i < def->operandCount ? def->operands[i].extract(word) : uint16_t{0};
    };
    const OpId id = def->id;
    op.kind = kind;
    op.a = operand(0);

    if (!def->noFileOperand) {
        const int bankOperand = def->bankSelectOperand();
        const bool banked = bankOperand >= 2 && operand(bankOperand - 1) != 0;
        if (def->operandCount == 3 && isBitOperation(id))
            op.bit = static_cast<uint8_t>(operand(1) & 7);
        if (def->operandCount == 3 && !isBitOperation(id)) op.dst = operand(1) != 0;
        const int code = indirectCode(set.core(), op.a);
        if (banked)
            op.mode = kBanked;
        else if (code >= 0)
            op.mode = kIndirect;
        else if (op.a == reg::kStackPointer || op.a == reg::kPcLatchLow || op.a == reg::kStatus)
            op.mode = kDirect;
        else
            op.mode = kPlain;
        if (op.mode == kIndirect) op.x = static_cast<int16_t>(code);
        return op;
    }

    if (id == OpId::MVFF) {
        // The source is an unbanked address; the indirect registers still apply.
        const int code = indirectCode(set.core(), op.a);
        op.mode = code >= 0 ? kIndirect : kDirect;
        if (code >= 0) op.x = static_cast<int16_t>(code);
    } else if (id == OpId::CALL || id == OpId::JMP) {
        // The CX4B's short forms reach 4K words; the CX4A's CALL carries the shadow-save bit.
        if (!cx4a)
            op.a &= 0xFFF;
        else if (id == OpId::CALL)
            op.bit = operand(1) != 0;
    } else if (id == OpId::RET || id == OpId::RETI) {
        op.bit = cx4a && operand(0) == 1;
    } else if (id == OpId::TBLR) {
        op.bit = operand(0) & 1;
    } else if (id == OpId::RJ || id == OpId::RCALL) {
        op.x = static_cast<int16_t>(signedOffset11(operand(0)));
    } else if (isShortBranch(id)) {
        op.x = static_cast<int16_t>(signedOffset8(operand(0)));
    }
    return op;
}

} // namespace

// The execution proper. A friend of CpuState (through ReferenceEngine) so that the hot path works
// on the arrays and keeps the PC and cycle count in registers.
struct ReferenceEngineCore {
    // What every word needs, fixed for the length of a call.
    struct Ctx {
        uint8_t* d;
        const ProgramCell* cells;
        uint32_t programSize;
        const ReferenceOp* table;
    };
    // The scalar state, held in registers during a call and stored back at its end.
    struct Hot {
        uint32_t pc, cycles, historyHead, pendingValue;
        uint16_t prescaler;
        uint8_t pendingOp;
        bool edge, sleep, idle;
    };
    static Ctx context(CpuState& s, const ReferenceOp* table);
    static Hot load(const CpuState& s);
    static void store(CpuState& s, const Hot& h);
    template <CoreType Core> static bool word(CpuState& s, const Ctx& c, Hot& h);
    template <CoreType Core> static void executeOne(CpuState& s, const Ctx& c, Hot& h);
    static bool checkInterrupt(CpuState& s, Hot& h);
    enum class RunKind { Plain, Range, Step };
    template <CoreType Core, RunKind Kind, bool StackStop>
    static BatchResult runBatch(CpuState& s, const ReferenceOp* table, const RunStops& stops,
                                uint64_t maxTicks);
    template <CoreType Core>
    static BatchResult runBatch(CpuState& s, const ReferenceOp* table, const RunStops& stops,
                                uint64_t maxTicks);
};

namespace {

constexpr uint8_t kArithFlags = flag::kZ | flag::kOV | flag::kN | flag::kDC | flag::kC;
constexpr uint8_t kLogicFlags = flag::kZ | flag::kN;
// The CX4B has no OV, N or DC.
constexpr uint8_t kCx4bFlags = flag::kZ | flag::kC;

ZK_ALWAYS_INLINE uint8_t zeroFlag(uint32_t r) {
    return (r & 0xFF) == 0 ? flag::kZ : 0;
}
ZK_ALWAYS_INLINE uint8_t negativeFlag(uint32_t r) {
    return (r & 0x80) ? flag::kN : 0;
}

// The five flags of r = x + y + carryIn (x, y bytes, carryIn 0 or 1), each by its definition:
// carry out of bit 7, carry out of bit 3, and a sign that differs from both addends.
ZK_ALWAYS_INLINE uint8_t addFlags(uint32_t x, uint32_t y, uint32_t r) {
    uint8_t f = zeroFlag(r) | negativeFlag(r);
    if (r & 0x100) f |= flag::kC;
    if ((x ^ y ^ r) & 0x10) f |= flag::kDC;
    if ((x ^ r) & (y ^ r) & 0x80) f |= flag::kOV;
    return f;
}

} // namespace

template <CoreType Core>
ZK_ALWAYS_INLINE bool ReferenceEngineCore::word(CpuState& s, const Ctx& c, Hot& h) {
    uint8_t* const d = c.d;
    const uint32_t at = h.pc;
    const uint16_t code = at < c.programSize ? c.cells[at].code : uint16_t{0};
    uint32_t pc = (at + 1) & kPcMask;
    d[reg::kPcLatchLow] = static_cast<uint8_t>(pc);
    const ReferenceOp op = c.table[code];
    if (op.kind == ReferenceEngine::kInvalid) {
        // Not an instruction: skipped without cycles or history.
        h.pc = pc;
        return false;
    }

    uint32_t cycles = 1;
    uint32_t addr = 0;
    // The pointer an indirect access moves once the word is done, and by how much (0: it stays).
    uint32_t movedPointer = 0;
    int32_t pointerStep = 0;

    // An indirect register (code: pointer number * 8 + mode) reads the address its pointer holds;
    // the modes are plain, post-increment, post-decrement, pre-increment and plus W.
    auto resolveIndirect = [&](int code) ZK_LAMBDA_INLINE {
        movedPointer = uint32_t(code) >> 3;
        const uint32_t high = reg::kFsr0High + 2 * movedPointer;
        const uint32_t pointer = uint32_t(d[high]) * 256 + d[high + 1];
        const int mode = code & 7;
        const int32_t w = int8_t(d[reg::kW]);
        const int32_t offset = mode == 3 ? 1 : mode >= 4 ? w : 0;
        pointerStep = (mode == 1 || mode == 3) ? 1 : mode == 2 ? -1 : mode >= 4 ? w : 0;
        addr = (pointer + uint32_t(offset)) & 0xFFFF;
    };
    auto resolveUnbanked = [&](uint32_t a) ZK_LAMBDA_INLINE {
        const int code = indirectCode(Core, a);
        if (code >= 0)
            resolveIndirect(code);
        else
            addr = a;
    };

    const bool plain = op.mode == kPlain;
    if (plain) [[likely]] {
        addr = op.a;
    } else {
        switch (op.mode) {
        case kDirect:
            addr = op.a;
            break;
        case kBanked:
            addr = uint32_t(d[reg::kBsr]) * 256 + op.a;
            break;
        case kIndirect:
            resolveIndirect(op.x);
            break;
        default:
            break;
        }
    }
    // STATUS as the operand keeps what the instruction wrote there.
    const bool flagsOn = plain || op.mode == kNoAddress || addr != reg::kStatus;

    auto readF = [&]() ZK_LAMBDA_INLINE -> uint32_t { return addr < kDataSize ? d[addr] : 0u; };
    auto writeTo = [&](uint32_t a, uint32_t v) ZK_LAMBDA_INLINE {
        if (a >= kDataSize) return;
        if (a == reg::kStackPointer) {
            // The pointer bits belong to the stack; instructions reach only the flag bits.
            d[a] = static_cast<uint8_t>((d[a] & sp::kPointerMask) | (v & 0xE0));
            return;
        }
        d[a] = static_cast<uint8_t>(v);
        if (a == reg::kPcLatchLow)
            pc = ((uint32_t(d[reg::kPcLatchUpper]) << 16) | (uint32_t(d[reg::kPcLatchHigh]) << 8) |
                  d[reg::kPcLatchLow]) &
                 kPcMask;
    };
    // Write-back to the resolved address.
    auto writeBack = [&](uint32_t v) ZK_LAMBDA_INLINE {
        if (plain)
            d[addr] = static_cast<uint8_t>(v);
        else
            writeTo(addr, v);
    };
    auto toDst = [&](uint32_t r) ZK_LAMBDA_INLINE {
        if (op.dst)
            writeBack(r);
        else
            d[reg::kW] = static_cast<uint8_t>(r);
    };
    auto setFlags = [&](uint8_t mask, uint8_t bits) ZK_LAMBDA_INLINE {
        const uint8_t m = Core == CoreType::CX4B ? uint8_t(mask & kCx4bFlags) : mask;
        if (flagsOn) d[reg::kStatus] = static_cast<uint8_t>((d[reg::kStatus] & ~m) | (bits & m));
    };
    auto skip = [&]() ZK_LAMBDA_INLINE {
        pc = (pc + 1) & kPcMask;
        d[reg::kPcLatchLow] = static_cast<uint8_t>(pc);
        ++cycles;
    };
    auto jumpTo = [&](uint32_t target) ZK_LAMBDA_INLINE {
        pc = target & kPcMask;
        d[reg::kPcLatchLow] = static_cast<uint8_t>(pc);
        d[reg::kPcLatchHigh] = static_cast<uint8_t>(pc >> 8);
    };
    auto arith = [&](uint32_t x, uint32_t y, uint32_t carryIn) ZK_LAMBDA_INLINE {
        const uint32_t r = x + y + carryIn;
        setFlags(kArithFlags, addFlags(x, y, r));
        toDst(r);
    };
    auto logic = [&](uint32_t r) ZK_LAMBDA_INLINE {
        setFlags(kLogicFlags, zeroFlag(r) | negativeFlag(r));
        toDst(r);
    };
    auto carry = [&]() ZK_LAMBDA_INLINE -> uint32_t { return (d[reg::kStatus] >> 4) & 1; };
    auto notW = [&]() ZK_LAMBDA_INLINE -> uint32_t { return ~uint32_t(d[reg::kW]) & 0xFF; };
    auto branchIf = [&](bool taken) ZK_LAMBDA_INLINE {
        if (taken) {
            jumpTo(pc + uint32_t(int32_t(op.x)));
            ++cycles;
        }
    };
    auto topOfStackFromEntry = [&]() ZK_LAMBDA_INLINE {
        s.setTopOfStackCopy(s.stack_[d[reg::kStackPointer] & sp::kPointerMask]);
    };
    auto restoreShadows = [&]() ZK_LAMBDA_INLINE {
        d[reg::kW] = d[reg::kShadowW];
        d[reg::kBsr] = d[reg::kShadowBsr];
        d[reg::kStatus] = d[reg::kShadowStatus];
    };

    switch (op.kind) {
    case kNop:
    case kCwdt:
        break;
    case kClrf:
        writeBack(0);
        break;
    case kSetf:
        writeBack(0xFF);
        break;
    case kAddf:
        arith(d[reg::kW], readF(), 0);
        break;
    case kAddc:
        arith(d[reg::kW], readF(), carry());
        break;
    case kSubf:
        arith(notW(), readF(), 1);
        break;
    case kSubc:
        arith(notW(), readF(), carry());
        break;
    case kInf:
        arith(readF(), 0x01, 0);
        break;
    case kDcf:
        arith(readF(), 0xFF, 0);
        break;
    case kInsz: {
        const uint32_t r = readF() + 1;
        if ((r & 0xFF) == 0) skip();
        toDst(r);
        break;
    }
    case kDcsz: {
        const uint32_t r = readF() + 0xFF;
        if ((r & 0xFF) == 0) skip();
        toDst(r);
        break;
    }
    case kInsuz: {
        const uint32_t r = readF() + 1;
        if ((r & 0xFF) != 0) skip();
        toDst(r);
        break;
    }
    case kDcsuz: {
        const uint32_t r = readF() + 0xFF;
        if ((r & 0xFF) != 0) skip();
        toDst(r);
        break;
    }
    case kComf:
        logic(~readF() & 0xFF);
        break;
    case kAndf:
        logic(d[reg::kW] & readF());
        break;
    case kIorf:
        logic(d[reg::kW] | readF());
        break;
    case kXorf:
        logic(d[reg::kW] ^ readF());
        break;
    case kMvf:
        if (op.dst)
            writeBack(d[reg::kW]);
        else
            d[reg::kW] = static_cast<uint8_t>(readF());
        break;
    case kSwpf: {
        const uint32_t f = readF();
        toDst(((f << 4) | (f >> 4)) & 0xFF);
        break;
    }
    case kRlf: {
        const uint32_t f = readF();
        logic(((f << 1) | (f >> 7)) & 0xFF);
        break;
    }
    case kRrf: {
        const uint32_t f = readF();
        logic(((f >> 1) | (f << 7)) & 0xFF);
        break;
    }
    case kRlfc: {
        const uint32_t f = readF();
        const uint32_t r = (f << 1) + carry();
        setFlags(kLogicFlags | flag::kC,
                 zeroFlag(r) | negativeFlag(r) | ((f & 0x80) ? flag::kC : 0));
        toDst(r);
        break;
    }
    case kRrfc: {
        const uint32_t f = readF();
        const uint32_t r = (f >> 1) + carry() * 0x80;
        setFlags(kLogicFlags | flag::kC, zeroFlag(r) | negativeFlag(r) | ((f & 1) ? flag::kC : 0));
        toDst(r);
        break;
    }
    case kArlc: {
        const uint32_t f = readF();
        const uint32_t r = (f << 1) + carry();
        setFlags(flag::kZ | flag::kOV | flag::kN | flag::kC,
                 zeroFlag(r) | negativeFlag(r) | ((f & 0x80) ? flag::kC : 0) |
                     (((f ^ r) & 0x80) ? flag::kOV : 0));
        toDst(r);
        break;
    }
    case kArrc: {
        const uint32_t f = readF();
        const uint32_t r = (f >> 1) | (f & 0x80);
        setFlags(kLogicFlags | flag::kC, zeroFlag(r) | negativeFlag(r) | ((f & 1) ? flag::kC : 0));
        toDst(r);
        break;
    }
    case kBcf: {
        uint32_t v = readF() & ~(1u << op.bit);
        // Clearing either overflow or full on the stack pointer register clears both.
        if (addr == reg::kStackPointer && (op.bit == 7 || op.bit == 5)) v &= 0x5F;
        writeBack(v);
        break;
    }
    case kBsf:
        writeBack(readF() | (1u << op.bit));
        break;
    case kBtgf:
        writeBack(readF() ^ (1u << op.bit));
        break;
    case kBtsz:
        if (!((readF() >> op.bit) & 1)) skip();
        break;
    case kBtss:
        if ((readF() >> op.bit) & 1) skip();
        break;
    case kCpsg:
        if (readF() > d[reg::kW]) skip();
        break;
    case kCpsl:
        if (readF() < d[reg::kW]) skip();
        break;
    case kCpse:
        if (readF() == d[reg::kW]) skip();
        break;
    case kTfsz:
        if (readF() == 0) skip();
        break;
    case kMulf: {
        const uint32_t p = readF() * d[reg::kW];
        d[reg::kProductHigh] = static_cast<uint8_t>(p >> 8);
        d[reg::kProductLow] = static_cast<uint8_t>(p);
        setFlags(flag::kZ, zeroFlag(p));
        cycles = 2;
        break;
    }
    case kMull: {
        const uint32_t p = uint32_t(op.a & 0xFF) * d[reg::kW];
        d[reg::kProductHigh] = static_cast<uint8_t>(p >> 8);
        d[reg::kProductLow] = static_cast<uint8_t>(p);
        cycles = 2;
        break;
    }
    case kAddl: {
        const uint32_t w = d[reg::kW], k = op.a & 0xFF;
        const uint32_t r = w + k;
        setFlags(kArithFlags, addFlags(w, k, r));
        d[reg::kW] = static_cast<uint8_t>(r);
        break;
    }
    case kSubl: {
        const uint32_t nw = notW(), k = op.a & 0xFF;
        const uint32_t r = nw + k + 1;
        setFlags(kArithFlags, addFlags(nw, k, r));
        d[reg::kW] = static_cast<uint8_t>(r);
        break;
    }
    case kAndl: {
        const uint32_t r = d[reg::kW] & op.a;
        setFlags(kLogicFlags, zeroFlag(r) | negativeFlag(r));
        d[reg::kW] = static_cast<uint8_t>(r);
        break;
    }
    case kIorl: {
        const uint32_t r = (d[reg::kW] | op.a) & 0xFF;
        setFlags(kLogicFlags, zeroFlag(r) | negativeFlag(r));
        d[reg::kW] = static_cast<uint8_t>(r);
        break;
    }
    case kXorl: {
        const uint32_t r = (d[reg::kW] ^ op.a) & 0xFF;
        setFlags(kLogicFlags, zeroFlag(r) | negativeFlag(r));
        d[reg::kW] = static_cast<uint8_t>(r);
        break;
    }
    case kMvl:
        d[reg::kW] = static_cast<uint8_t>(op.a);
        break;
    case kRetl:
        jumpTo(s.Pop(true));
        d[reg::kW] = static_cast<uint8_t>(op.a);
        cycles = 2;
        break;
    case kRet:
        jumpTo(s.Pop(true));
        topOfStackFromEntry();
        if (Core == CoreType::CX4A && op.bit) restoreShadows();
        cycles = 2;
        break;
    case kReti:
        jumpTo(s.Pop(true));
        if (Core == CoreType::CX4A && op.bit) restoreShadows();
        d[reg::kIntEnable0] |= 0x80;
        cycles = 2;
        break;
    case kPop:
        s.Pop(true);
        topOfStackFromEntry();
        break;
    case kCallLong:
        if (op.bit) {
            d[reg::kShadowW] = d[reg::kW];
            d[reg::kShadowBsr] = d[reg::kBsr];
            d[reg::kShadowStatus] = d[reg::kStatus];
        }
        // The return address is the NOPF word, which then runs as a no-operation.
        s.Push(pc);
        s.setTopOfStackCopy(pc);
        h.pendingOp = static_cast<uint8_t>(OpId::CALL);
        h.pendingValue = op.a & 0xFF;
        break;
    case kJmpLong:
        h.pendingOp = static_cast<uint8_t>(OpId::JMP);
        h.pendingValue = op.a & 0xFF;
        break;
    case kCallShort:
        s.Push(pc);
        s.setTopOfStackCopy(pc);
        jumpTo(op.a);
        break;
    case kJmpShort:
        jumpTo(op.a);
        break;
    case kRj:
        jumpTo(pc + uint32_t(int32_t(op.x)));
        cycles = 2;
        break;
    case kRcall:
        s.Push(pc);
        s.setTopOfStackCopy(pc);
        jumpTo(pc + uint32_t(int32_t(op.x)));
        cycles = 2;
        break;
    case kJz:
        branchIf(d[reg::kStatus] & flag::kZ);
        break;
    case kJnz:
        branchIf(!(d[reg::kStatus] & flag::kZ));
        break;
    case kJc:
        branchIf(d[reg::kStatus] & flag::kC);
        break;
    case kJnc:
        branchIf(!(d[reg::kStatus] & flag::kC));
        break;
    case kJn:
        branchIf(d[reg::kStatus] & flag::kN);
        break;
    case kJnn:
        branchIf(!(d[reg::kStatus] & flag::kN));
        break;
    case kJo:
        branchIf(d[reg::kStatus] & flag::kOV);
        break;
    case kJno:
        branchIf(!(d[reg::kStatus] & flag::kOV));
        break;
    case kTblr: {
        uint32_t tp = (uint32_t(d[reg::kTablePtrUpper]) << 16) |
                      (uint32_t(d[reg::kTablePtrHigh]) << 8) | d[reg::kTablePtrLow];
        const uint16_t w = tp < c.programSize ? c.cells[tp].code : uint16_t{0};
        d[reg::kTableDataHigh] = static_cast<uint8_t>(w >> 8);
        d[reg::kTableDataLow] = static_cast<uint8_t>(w);
        tp = (tp + op.bit) & 0xFFFFFF;
        d[reg::kTablePtrUpper] = static_cast<uint8_t>(tp >> 16);
        d[reg::kTablePtrHigh] = static_cast<uint8_t>(tp >> 8);
        d[reg::kTablePtrLow] = static_cast<uint8_t>(tp);
        cycles = 2;
        break;
    }
    case kMvlp:
        d[reg::kTablePtrUpper] = static_cast<uint8_t>((op.a & 0xFF) >> 4);
        h.pendingOp = static_cast<uint8_t>(OpId::MVLP);
        h.pendingValue = (op.a & 0x0F) << 4;
        break;
    case kLdpr:
        h.pendingOp = static_cast<uint8_t>(OpId::LDPR);
        h.pendingValue = op.a;
        break;
    case kLbsr:
        d[reg::kBsr] = static_cast<uint8_t>(op.a);
        break;
    case kMvff:
        h.pendingOp = static_cast<uint8_t>(OpId::MVFF);
        h.pendingValue = addr;
        break;
    case kNopf: {
        const uint32_t p = op.a & 0xFFF;
        switch (static_cast<OpId>(h.pendingOp)) {
        case OpId::CALL:
        case OpId::JMP:
            jumpTo((h.pendingValue << 12) + p);
            break;
        case OpId::MVLP:
            d[reg::kTablePtrHigh] = static_cast<uint8_t>(h.pendingValue + (p >> 8));
            d[reg::kTablePtrLow] = static_cast<uint8_t>(p);
            break;
        case OpId::LDPR:
            if (h.pendingValue < 3) {
                d[reg::kFsr0High + 2 * h.pendingValue] = static_cast<uint8_t>(p >> 8);
                d[reg::kFsr0High + 2 * h.pendingValue + 1] = static_cast<uint8_t>(p);
            }
            break;
        case OpId::MVFF: {
            const uint32_t source = h.pendingValue;
            const uint32_t v = source < kDataSize ? d[source] : 0u;
            resolveUnbanked(p);
            writeTo(addr, v);
            break;
        }
        default:
            break;
        }
        h.pendingOp = 0;
        h.pendingValue = 0;
        break;
    }
    case kIdle:
        h.idle = true;
        d[reg::kPowerControl] |= 0x40;
        break;
    case kSlp:
        h.sleep = true;
        d[reg::kPowerControl] |= 0x80;
        break;
    default:
        break;
    }

    // One pointer moves at most: a word resolves one indirect access.
    if (pointerStep != 0) {
        const uint32_t high = reg::kFsr0High + 2 * movedPointer;
        const uint32_t v = uint32_t(d[high]) * 256 + d[high + 1] + uint32_t(pointerStep);
        d[high] = static_cast<uint8_t>(v >> 8);
        d[high + 1] = static_cast<uint8_t>(v);
    }

    // Timer: the prescaler counts words; every 256th word advances the counter, and the
    // selected counter bit raises the timer flag on its rising edge only.
    if (d[reg::kTimerControl] & 0x80) {
        if (++h.prescaler >= 256) {
            h.prescaler = 0;
            const uint8_t t = ++d[reg::kTimerCounter];
            const uint32_t n = (d[reg::kTimerControl] >> 4) & 7;
            if (!((t >> n) & 1)) {
                h.edge = false;
            } else if (!h.edge) {
                d[reg::kIntFlag0] |= 0x08;
                h.edge = true;
            }
        }
    }

    h.historyHead = (h.historyHead + 1) & (CpuState::kHistorySize - 1);
    s.history_[h.historyHead] = static_cast<uint16_t>(at);
    h.cycles += cycles;
    h.pc = pc;
    return true;
}

template <CoreType Core>
ZK_ALWAYS_INLINE void ReferenceEngineCore::executeOne(CpuState& s, const Ctx& c, Hot& h) {
    if (!word<Core>(s, c, h)) return;
    if constexpr (Core == CoreType::CX4A) {
        for (uint32_t n = 1; h.pendingOp != 0 && n < ReferenceEngine::kMaxWordsPerExecute; ++n)
            if (!word<Core>(s, c, h)) return;
    }
}

ZK_ALWAYS_INLINE bool ReferenceEngineCore::checkInterrupt(CpuState& s, Hot& h) {
    uint8_t* const d = s.data_.data();
    if (!(d[reg::kIntEnable0] & 0x80)) [[likely]]
        return false;
    const bool pending = (d[reg::kIntEnable0] & 0x7F & d[reg::kIntFlag0]) ||
                         (d[reg::kIntFlag1] & d[reg::kIntEnable1]) ||
                         (d[reg::kIntFlag2] & d[reg::kIntEnable2]);
    if (!pending) return false;
    d[reg::kIntEnable0] &= 0x7F;
    d[reg::kShadowW] = d[reg::kW];
    d[reg::kShadowBsr] = d[reg::kBsr];
    d[reg::kShadowStatus] = d[reg::kStatus];
    s.Push(h.pc);
    h.pc = 4;
    d[reg::kPcLatchLow] = 4;
    d[reg::kPcLatchHigh] = 0;
    h.cycles += 4;
    h.sleep = false;
    h.idle = false;
    return true;
}

ReferenceEngineCore::Ctx ReferenceEngineCore::context(CpuState& s, const ReferenceOp* table) {
    return {s.data_.data(), s.cells_.data(), s.programSize_, table};
}

ReferenceEngineCore::Hot ReferenceEngineCore::load(const CpuState& s) {
    Hot h;
    h.pc = s.pc_;
    h.cycles = s.cycles_;
    h.historyHead = s.historyHead_;
    h.pendingValue = s.pendingValue_;
    h.prescaler = s.prescaler_;
    h.pendingOp = s.pendingOp_;
    h.edge = s.timerEdge_;
    h.sleep = s.sleep_;
    h.idle = s.idle_;
    return h;
}

void ReferenceEngineCore::store(CpuState& s, const Hot& h) {
    s.pc_ = h.pc;
    s.cycles_ = h.cycles;
    s.historyHead_ = h.historyHead;
    s.pendingValue_ = h.pendingValue;
    s.prescaler_ = h.prescaler;
    s.pendingOp_ = h.pendingOp;
    s.timerEdge_ = h.edge;
    s.sleep_ = h.sleep;
    s.idle_ = h.idle;
}

// One instantiation per kind of run keeps the stop test of the inner loop to what that run needs.
template <CoreType Core, ReferenceEngineCore::RunKind Kind, bool StackStop>
BatchResult ReferenceEngineCore::runBatch(CpuState& s, const ReferenceOp* table,
                                          const RunStops& stops, uint64_t maxTicks) {
    const RunStops st = stops;
    const Ctx c = context(s, table);
    Hot h = load(s);
    BatchResult result{StopReason::None, 0};
    uint64_t n = 0;
    while (n < maxTicks) {
        if (h.sleep | h.idle) [[unlikely]] {
            result.reason = StopReason::Asleep;
            break;
        }
        executeOne<Core>(s, c, h);
        checkInterrupt(s, h);
        ++n;
        if constexpr (StackStop) {
            if (c.d[reg::kStackPointer] & sp::kFull) {
                result.reason = StopReason::StackFull;
                break;
            }
        }
        const uint32_t pc = h.pc;
        if constexpr (Kind == RunKind::Range) {
            if (pc <= st.rangeLow || pc >= st.rangeHigh) {
                result.reason = StopReason::RangeLeft;
                break;
            }
        } else if constexpr (Kind == RunKind::Step) {
            if (pc == st.stepTarget || pc == st.temporaryBreak) {
                result.reason = StopReason::StepReached;
                break;
            }
        } else {
            if (pc == st.temporaryBreak ||
                (pc < c.programSize && (c.cells[pc].addressMark | c.cells[pc].lineMark))) {
                result.reason = StopReason::Breakpoint;
                break;
            }
        }
    }
    store(s, h);
    result.ticks = n;
    return result;
}

template <CoreType Core>
BatchResult ReferenceEngineCore::runBatch(CpuState& s, const ReferenceOp* table,
                                          const RunStops& stops, uint64_t maxTicks) {
    const bool stackStop = stops.stopOnStackFull;
    if (stops.rangeActive)
        return stackStop ? runBatch<Core, RunKind::Range, true>(s, table, stops, maxTicks)
                         : runBatch<Core, RunKind::Range, false>(s, table, stops, maxTicks);
    if (stops.stepActive)
        return stackStop ? runBatch<Core, RunKind::Step, true>(s, table, stops, maxTicks)
                         : runBatch<Core, RunKind::Step, false>(s, table, stops, maxTicks);
    return stackStop ? runBatch<Core, RunKind::Plain, true>(s, table, stops, maxTicks)
                     : runBatch<Core, RunKind::Plain, false>(s, table, stops, maxTicks);
}

// --- ReferenceEngine
// -------------------------------------------------------------------------------------

ReferenceEngine::ReferenceEngine(const InstructionSet& set) {
    rebuild(set);
}
ReferenceEngine::ReferenceEngine(CoreType core) {
    rebuild(InstructionSet(core));
}
ReferenceEngine::~ReferenceEngine() = default;
ReferenceEngine::ReferenceEngine(ReferenceEngine&&) noexcept = default;
ReferenceEngine& ReferenceEngine::operator=(ReferenceEngine&&) noexcept = default;

void ReferenceEngine::rebuild(const InstructionSet& set) {
    auto table = std::make_unique<ReferenceOp[]>(65536);
    for (uint32_t w = 0; w < 65536; ++w)
        table[w] = decodeWord(set, static_cast<uint16_t>(w));
    table_ = std::move(table);
    core_ = set.core();
}

void ReferenceEngine::ExecuteOne(CpuState& s) const {
    const ReferenceEngineCore::Ctx c = ReferenceEngineCore::context(s, table_.get());
    ReferenceEngineCore::Hot h = ReferenceEngineCore::load(s);
    if (core_ == CoreType::CX4A)
        ReferenceEngineCore::executeOne<CoreType::CX4A>(s, c, h);
    else
        ReferenceEngineCore::executeOne<CoreType::CX4B>(s, c, h);
    ReferenceEngineCore::store(s, h);
}

bool ReferenceEngine::CheckInterrupt(CpuState& s) const {
    ReferenceEngineCore::Hot h = ReferenceEngineCore::load(s);
    const bool taken = ReferenceEngineCore::checkInterrupt(s, h);
    ReferenceEngineCore::store(s, h);
    return taken;
}

BatchResult ReferenceEngine::RunBatch(CpuState& s, const RunStops& stops, uint64_t maxTicks) const {
    if (core_ == CoreType::CX4A)
        return ReferenceEngineCore::runBatch<CoreType::CX4A>(s, table_.get(), stops, maxTicks);
    return ReferenceEngineCore::runBatch<CoreType::CX4B>(s, table_.get(), stops, maxTicks);
}

} // namespace zerka
