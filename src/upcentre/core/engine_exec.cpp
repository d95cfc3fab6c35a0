// The threaded interpreter of the engine (see engine.h for the design). Every handler ends with
// its own dispatch of the next record; the careful work of a tick end (interrupts, stack-full
// stop, sleep, a two-word operation in progress, a PC outside program memory) runs only while
// it is needed (`limit` 0, see recompute).
#include "upcentre/core/engine_ops.h"

#include <algorithm>
#include <array>

// Computed goto where the compiler has it; a switch in a loop otherwise.
#if defined(__GNUC__) && !defined(ZERKA_ENGINE_SWITCH)
#define ZK_THREADED 1
#else
#define ZK_THREADED 0
#endif

#define ZK_ALWAYS_INLINE [[gnu::always_inline]] inline
// Lambdas of the hot path must fold into it: a closure left on the stack would pin the PC and
// the cycle count in memory.
#define ZK_LAMBDA_INLINE __attribute__((always_inline))

// With GCC on x86-64 the word's address, the word count and `stop` live in fixed registers
// for the whole translation unit (as in other threaded interpreters): left to the register
// allocator, the one large function keeps them in memory. execute() saves the caller's values
// of these callee-saved registers and gives them back on its way out, return or exception.
#if ZK_THREADED && defined(__x86_64__) && !defined(__clang__) && !defined(ZERKA_ENGINE_NO_PIN)
#define ZK_PINNED 1
register uint64_t zkAt asm("r12");
register uint64_t zkHead asm("r13");
register uint64_t zkStop asm("r14");
register uint64_t zkPc asm("r15");
register const zerka::ExecOp* zkRun asm("rbx");
#else
#define ZK_PINNED 0
#endif

namespace zerka {

namespace {

using namespace exec;

constexpr uint32_t kPcMask = CpuState::kPcMask;
constexpr uint32_t kDataSize = CpuState::kDataSize;

enum PostOp : uint8_t { kPostNone = 0, kPostInc = 1, kPostDec = 2, kPostPlusW = 3 };

// Only Z and C exist on the CX4B.
template <CoreType Core> constexpr uint8_t flagMask(uint8_t m) {
    return Core == CoreType::CX4B ? uint8_t(m & (flag::kZ | flag::kC)) : m;
}

constexpr uint8_t kArithFlags = flag::kZ | flag::kOV | flag::kN | flag::kDC | flag::kC;
constexpr uint8_t kLogicFlags = flag::kZ | flag::kN;

// Z, N and C of every 9-bit result in one load.
constexpr std::array<uint8_t, 512> kZncTable = [] {
    std::array<uint8_t, 512> t{};
    for (uint32_t r = 0; r < 512; ++r)
        t[r] = static_cast<uint8_t>(((r & 0xFF) == 0 ? flag::kZ : 0) | ((r & 0x80) ? flag::kN : 0) |
                                    ((r & 0x100) ? flag::kC : 0));
    return t;
}();

constexpr uint8_t zeroFlag(uint32_t r) {
    return (r & 0xFF) == 0 ? flag::kZ : 0;
}
constexpr uint8_t negativeFlag(uint32_t r) {
    return (r >> 5) & flag::kN;
}
// DC, OV and C from bits 4 to 8 of the carries into each bit of a sum (x ^ y ^ r): the carry
// into bit 4, into bit 7 against out of bit 7, and out of bit 7.
constexpr std::array<uint8_t, 32> kCarryFlags = [] {
    std::array<uint8_t, 32> t{};
    for (uint32_t c = 0; c < 32; ++c)
        t[c] = static_cast<uint8_t>(((c & 1) ? flag::kDC : 0) |
                                    (((c >> 3) ^ (c >> 4)) & 1 ? flag::kOV : 0) |
                                    ((c & 16) ? flag::kC : 0));
    return t;
}();
// x + y + carryIn (x, y below 256) with all five flags.
constexpr uint8_t addFlags(uint32_t x, uint32_t y, uint32_t r) {
    return static_cast<uint8_t>(kZncTable[r & 0xFF] | kCarryFlags[((x ^ y ^ r) >> 4) & 31]);
}

// The five flags of every sum x + y without a carry in (ADDF, ADDL), indexed x * 256 + y: one
// load instead of two and the carry bits. Not constexpr: clang's evaluation limit stops short of
// 65,536 entries, so there it is filled at start-up (GCC still builds it at compile time).
const std::array<uint8_t, 65536> kSumFlags = [] {
    std::array<uint8_t, 65536> t{};
    for (uint32_t i = 0; i < 65536; ++i)
        t[i] = addFlags(i >> 8, i & 0xFF, (i >> 8) + (i & 0xFF));
    return t;
}();

// The five flags of f + 1 and of f + FFh (INF, DCF), one load each.
constexpr std::array<uint8_t, 256> kIncFlags = [] {
    std::array<uint8_t, 256> t{};
    for (uint32_t f = 0; f < 256; ++f)
        t[f] = addFlags(f, 0x01, f + 0x01);
    return t;
}();
constexpr std::array<uint8_t, 256> kDecFlags = [] {
    std::array<uint8_t, 256> t{};
    for (uint32_t f = 0; f < 256; ++f)
        t[f] = addFlags(f, 0xFF, f + 0xFF);
    return t;
}();

// Data addresses from here on have no write rule (see writeTo).
constexpr uint32_t kFirstPlainData =
    std::max({reg::kStackPointer, reg::kIntFlag2, reg::kTimerControl, reg::kPcLatchLow}) + 1;
static_assert(kFirstPlainData > reg::kFsr0High + 5, "the pointers have no rule but stay apart");

// Writes to these may change whether an interrupt can be taken, whether the stack-full stop
// applies or whether the timer counts.
ZK_ALWAYS_INLINE bool watched(uint32_t a) {
    return (a >= reg::kStackPointer && a <= reg::kIntFlag2) || a == reg::kTimerControl;
}

// What a long call with its shadow bit and every interrupt keep for the return.
ZK_ALWAYS_INLINE void saveShadowRegisters(uint8_t* d) {
    d[reg::kShadowW] = d[reg::kW];
    d[reg::kShadowBsr] = d[reg::kBsr];
    d[reg::kShadowStatus] = d[reg::kStatus];
}

ZK_ALWAYS_INLINE bool interruptPending(const uint8_t* d) {
    return (d[reg::kIntEnable0] & 0x80) &&
           ((d[reg::kIntEnable0] & 0x7F & d[reg::kIntFlag0]) |
            (d[reg::kIntFlag1] & d[reg::kIntEnable1]) | (d[reg::kIntFlag2] & d[reg::kIntEnable2]));
}

} // namespace

bool EngineCore::checkInterrupt(CpuState& s, ExecCounts* counts) {
    uint8_t* const d = s.data_.data();
    if (!interruptPending(d)) return false;
    if (counts) {
        counts->begin(s.cycles_);
        counts->interrupt(s.pc_, s.cycles_);
    }
    d[reg::kIntEnable0] &= 0x7F;
    saveShadowRegisters(d);
    s.Push(s.pc_);
    s.pc_ = 4;
    d[reg::kPcLatchLow] = 4;
    d[reg::kPcLatchHigh] = 0;
    s.cycles_ += 4;
    s.sleep_ = false;
    s.idle_ = false;
    if (counts) counts->end(s.cycles_);
    return true;
}

template <CoreType Core, bool Count>
BatchResult EngineCore::execute(CpuState& s, const Program& p, const RunStops& stops,
                                uint64_t maxTicks, bool single) {
    if (!single) {
        if (maxTicks == 0) return {StopReason::None, 0};
        if (s.sleep_ || s.idle_) return {StopReason::Asleep, 0};
    }

    // --- the state of the batch -------------------------------------------------------------
    // Registers go to what every word uses: the state, PC, the word's address and record, the
    // history head and `stop`. The rest stays in memory: in the CpuState itself (pending
    // operation, sleep, idle, timer edge, and the cycle count, which receives the cycles beyond
    // one per word as they happen) and in `cold`.
    // Nothing else reaches the data memory and the stack during a batch: stores there do not
    // make the compiler read the records, the history or the batch state again.
    uint8_t* __restrict const d = s.data_.data();
    // The stack is reached through `s` at a fixed offset: a pointer of its own would take a
    // register or a stack slot.
    auto& stack = s.stack_;
    const ExecOp* const plainOps = p.plain;
    const uint64_t programSize = p.size; // one load where a PC is clamped

    // 64 bits wide, so that indexing the layouts needs no widening.
#if ZK_PINNED
    // The caller's values of the pinned registers come back on every way out, an exception
    // passing through included (the unwinder knows nothing of them).
    struct PinnedRegisters {
        uint64_t savedAt = zkAt, savedHead = zkHead, savedStop = zkStop, savedPc = zkPc;
        const ExecOp* savedRun = zkRun;
        ~PinnedRegisters() {
            zkAt = savedAt, zkHead = savedHead, zkStop = savedStop, zkPc = savedPc;
            zkRun = savedRun;
        }
    } const callerRegisters;
#define at zkAt
#define head zkHead
#define stop zkStop
#define pc zkPc
#define runOps zkRun
    runOps = p.run;
#else
    uint64_t at, head, stop, pc;
    const ExecOp* const runOps = p.run;
#endif
    pc = s.pc_;
    at = pc;
    // `head` counts every executed word: it places the history entries, and the cycle count and
    // the timer prescaler follow from it. It starts high enough that the prescaler's base below
    // never goes negative, and a multiple of the history size away from the stored head.
    head = s.historyHead_ + (uint64_t(1) << 32);
    // A word's end leaves the fast path (for `careful`) when head reaches `stop`: the lower of
    // cold.limit and the head at which the budget runs out. The fast path counts no ticks: every
    // word there is one tick, except the NOPF words of fused two-word instructions (`extra`).
    stop = 0;
    struct Cold {
        uint64_t headAtStart;
        // While the timer is on, the prescaler is head - cold.timerBase; while it is off the
        // prescaler keeps its value in `frozen`.
        uint64_t timerBase;
        // The prescaler's 256, never while the timer is off, and at once (0) while the tick end
        // needs the careful path.
        uint64_t limit;
        // Ticks left as of head `syncHead`; since then `extra` words were not ticks of their own.
        uint64_t budget;
        uint64_t syncHead;
        uint64_t extra;
        uint32_t frozen;
        uint32_t wordsInTick; // words of a two-word operation in this tick
        bool timerOn;
        bool outside; // the word of this tick came from outside program memory
        bool stackStop;
        bool single;
    } cold{head,
           head - s.prescaler_,
           0,
           single ? 1 : maxTicks,
           head,
           0,
           s.prescaler_,
           0,
           bool(d[reg::kTimerControl] & 0x80),
           false,
           stops.stopOnStackFull,
           single};
    // Kept in memory: the registers are for the hot state.
    asm volatile("" : : "r"(&cold) : "memory");
    // The counters of a counted run (nothing in the plain one). Index p.size collects the words
    // run outside program memory.
    uint64_t* const executedCount = Count ? p.counts->executedData() : nullptr;
    uint64_t* const takenCount = Count ? p.counts->takenData() : nullptr;
    if constexpr (Count) p.counts->begin(s.cycles_);
    StopReason reason = StopReason::None;
    // The record being executed and the advanced PC are worked out at the entry of each handler
    // from `at` (plainOps[at], which is what the run layout holds wherever a handler runs), so
    // that only `at` is carried from one word to the next. A word outside program memory runs
    // the record of word 0: `opBase` is moved so that the same sum lands on it.
    const ExecOp* cur = plainOps;
    uintptr_t opBase = reinterpret_cast<uintptr_t>(plainOps);
    // Per word: the resolved address and the pointer post-operation of a general handler.
    uint32_t addr = 0;
    uint32_t post = kPostNone;
    uint32_t postPointer = 0;
    uint32_t postW = 0;

    auto setStop = [&]() ZK_LAMBDA_INLINE {
        const uint64_t end = cold.syncHead + cold.budget + cold.extra;
        stop = cold.limit < end ? cold.limit : end;
    };
    // Works out the limit again: whether the tick end needs the careful path, and the timer.
    auto recompute = [&]() ZK_LAMBDA_INLINE {
        const bool on = d[reg::kTimerControl] & 0x80;
        if (on != cold.timerOn) {
            if (on)
                cold.timerBase = head - cold.frozen;
            else
                cold.frozen = static_cast<uint32_t>(head - cold.timerBase);
            cold.timerOn = on;
        }
        const bool full = cold.stackStop && (d[reg::kStackPointer] & sp::kFull);
        const bool attention = interruptPending(d) | full | (s.pendingOp_ != 0) | s.sleep_ |
                               s.idle_ | cold.outside | cold.single;
        cold.limit = attention ? 0 : cold.timerOn ? cold.timerBase + 256 : ~uint64_t(0);
        setStop();
    };
    auto attend = [&]() ZK_LAMBDA_INLINE {
        cold.limit = 0;
        stop = 0;
    };
    // Counts the fast path's words since the last sync as ticks, less `open` words whose tick
    // is still in progress.
    auto sync = [&](uint64_t open) ZK_LAMBDA_INLINE {
        cold.budget -= head - cold.syncHead - cold.extra - open;
        cold.syncHead = head;
        cold.extra = 0;
    };
    recompute();

    // The stop test of a run at `where`, for the exits that do not pass through a dispatch.
    auto stopReasonAt = [&](uint32_t where) -> StopReason {
        if (where < p.size) return runOps[where].kind == kStop ? p.markReason : StopReason::None;
        if (stops.rangeActive)
            return where <= stops.rangeLow || where >= stops.rangeHigh ? StopReason::RangeLeft
                                                                       : StopReason::None;
        if (stops.stepActive)
            return where == stops.stepTarget || where == stops.temporaryBreak
                       ? StopReason::StepReached
                       : StopReason::None;
        return where == stops.temporaryBreak ? StopReason::Breakpoint : StopReason::None;
    };

    // --- helpers of the handlers -------------------------------------------------------------
    // A push that fills the stack may have to stop the run: the tick end then takes the careful
    // path. (A full flag set before keeps the tick end careful already, see recompute.)
    auto push = [&](uint32_t value) ZK_LAMBDA_INLINE {
        uint32_t c = d[reg::kStackPointer] + 1u;
        if ((c & sp::kPointerMask) >= s.stackDepth_) [[unlikely]] {
            if ((c & sp::kPointerMask) > s.stackDepth_)
                c = (c & 0xC0u) | sp::kOverflow | s.stackDepth_;
            else
                c |= sp::kFull;
            if (cold.stackStop && (c & sp::kFull)) attend();
        }
        stack[c & sp::kPointerMask] = value;
        d[reg::kStackPointer] = static_cast<uint8_t>(c);
    };
    auto pop = [&]() ZK_LAMBDA_INLINE -> uint32_t {
        const uint8_t a = d[reg::kStackPointer];
        const uint32_t v = stack[a & sp::kPointerMask];
        if (a & sp::kPointerMask) {
            d[reg::kStackPointer] = static_cast<uint8_t>(a - 1);
            return v;
        }
        d[reg::kStackPointer] = a | sp::kUnderflow;
        return 0;
    };
    auto topOfStackCopy = [&](uint32_t v) ZK_LAMBDA_INLINE {
        d[reg::kTosUpper] = static_cast<uint8_t>(v >> 16);
        d[reg::kTosHigh] = static_cast<uint8_t>(v >> 8);
        d[reg::kTosLow] = static_cast<uint8_t>(v);
    };
    auto topOfStackFromEntry = [&]() ZK_LAMBDA_INLINE {
        topOfStackCopy(stack[d[reg::kStackPointer] & sp::kPointerMask]);
    };
    auto restoreShadows = [&]() ZK_LAMBDA_INLINE {
        d[reg::kW] = d[reg::kShadowW];
        d[reg::kBsr] = d[reg::kShadowBsr];
        d[reg::kStatus] = d[reg::kShadowStatus];
    };
    // PCLATL holds the low byte of the PC after every word (each fetch writes it, and so does
    // every change of the PC), so it is written only where it can be read: before a general
    // handler or MVFF reads data memory, and when the batch ends.
    auto jumpTo = [&](uint32_t target) ZK_LAMBDA_INLINE {
        pc = target & kPcMask;
        d[reg::kPcLatchHigh] = static_cast<uint8_t>(pc >> 8);
    };
    // A jump to the target a layout resolved inside the program.
    auto jumpNear = [&]() ZK_LAMBDA_INLINE {
        pc = cur->a;
        d[reg::kPcLatchHigh] = static_cast<uint8_t>(pc >> 8);
    };
    auto countTaken = [&]() ZK_LAMBDA_INLINE {
        if constexpr (Count) ++takenCount[at < p.size ? at : p.size];
    };
    auto skip = [&]() ZK_LAMBDA_INLINE {
        pc = (pc + 1) & kPcMask;
        ++s.cycles_;
        countTaken();
    };
    // The cycle count at the end of the current word of `n` cycles (its extra cycles so far
    // are in s.cycles_ already): what the routine profile's events are stamped with.
    auto cyclesAfter = [&](uint32_t n) ZK_LAMBDA_INLINE -> uint32_t {
        return s.cycles_ + static_cast<uint32_t>(head - cold.headAtStart) + n;
    };
    // The routine profile follows calls and returns (counted runs only).
    auto countCall = [&](uint32_t target, uint32_t returnAddress, uint32_t n) ZK_LAMBDA_INLINE {
        if constexpr (Count) p.counts->call(target, returnAddress, cyclesAfter(n));
    };
    auto countReturn = [&](uint32_t n) ZK_LAMBDA_INLINE {
        if constexpr (Count) p.counts->ret(pc, cyclesAfter(n));
    };
    auto carry = [&]() ZK_LAMBDA_INLINE -> uint32_t { return (d[reg::kStatus] >> 4) & 1; };
    auto notW = [&]() ZK_LAMBDA_INLINE -> uint32_t { return ~uint32_t(d[reg::kW]) & 0xFF; };
    auto resolveIndirect = [&](uint32_t code) ZK_LAMBDA_INLINE {
        const uint32_t n = code >> 3;
        const uint32_t base = reg::kFsr0High + 2 * n;
        const uint32_t ptr = (uint32_t(d[base]) << 8) | d[base + 1];
        postPointer = n;
        switch (code & 7) {
        case 0:
            addr = ptr;
            break;
        case 1:
            addr = ptr;
            post = kPostInc;
            break;
        case 2:
            addr = ptr;
            post = kPostDec;
            break;
        case 3:
            addr = (ptr + 1) & 0xFFFF;
            post = kPostInc;
            break;
        default:
            postW = d[reg::kW];
            addr = (ptr + uint32_t(int32_t(int8_t(postW)))) & 0xFFFF;
            post = kPostPlusW;
            break;
        }
    };
    auto resolveUnbanked = [&](uint32_t a) ZK_LAMBDA_INLINE {
        if (Core == CoreType::CX4A ? a <= 14 : (a == 0 || a == 5))
            resolveIndirect((a / 5) * 8 + a % 5);
        else
            addr = a;
    };
    // MVFF's source: an unbanked address, or an indirect access with its code in `bit`.
    auto resolveSource = [&]() ZK_LAMBDA_INLINE {
        post = kPostNone;
        if (cur->mode == kIndirect)
            resolveIndirect(cur->bit);
        else
            addr = cur->a;
    };
    auto resolveGeneral = [&]() ZK_LAMBDA_INLINE {
        post = kPostNone;
        if (cur->mode == kBanked)
            addr = uint32_t(d[reg::kBsr]) * 256 + cur->a;
        else if (cur->mode == kIndirect)
            resolveIndirect(uint32_t(cur->x));
        else
            addr = cur->a;
    };
    // A write with every address rule, and a fresh look at the tick end when it may matter.
    auto writeTo = [&](uint32_t a, uint32_t v) ZK_LAMBDA_INLINE {
        if (a >= kDataSize) return;
        if (a == reg::kStackPointer) {
            // The pointer bits belong to the stack; instructions reach only the flag bits.
            d[a] = static_cast<uint8_t>((d[a] & sp::kPointerMask) | (v & 0xE0));
        } else {
            d[a] = static_cast<uint8_t>(v);
            if (a == reg::kPcLatchLow)
                pc = ((uint32_t(d[reg::kPcLatchUpper]) << 16) |
                      (uint32_t(d[reg::kPcLatchHigh]) << 8) | d[reg::kPcLatchLow]) &
                     kPcMask;
        }
        if (watched(a)) recompute();
    };
    // One pointer post-operation at most: a word resolves one indirect access.
    auto applyPost = [&]() ZK_LAMBDA_INLINE {
        if (post == kPostNone) return;
        const uint32_t base = reg::kFsr0High + 2 * postPointer;
        uint32_t v = (uint32_t(d[base]) << 8) | d[base + 1];
        if (post == kPostInc)
            v += 1;
        else if (post == kPostDec)
            v -= 1;
        else
            v += uint32_t(int32_t(int8_t(postW)));
        d[base] = static_cast<uint8_t>(v >> 8);
        d[base + 1] = static_cast<uint8_t>(v);
    };

#if ZK_THREADED
    static const void* const kLabels[kKindCount] = {
#define ZK_LABEL_PG(n) &&L_##n##P, &&L_##n##G, &&L_##n##Q,
#define ZK_LABEL(n) &&L_##n,
        ZK_FILE_OPS(ZK_LABEL_PG) ZK_OTHER_OPS(ZK_LABEL)
#undef ZK_LABEL_PG
#undef ZK_LABEL
    };
#define ZK_JUMP(kind) goto* kLabels[kind]
#define ZK_CASE(name) L_##name : ZK_ENTRY()
#else
    uint32_t nextKind = 0;
#define ZK_JUMP(kind)                                                                              \
    do {                                                                                           \
        nextKind = (kind);                                                                         \
        goto dispatchSwitch;                                                                       \
    } while (0)
#define ZK_CASE(name)                                                                              \
    case k##name:                                                                                  \
        ZK_ENTRY()
#endif
#define ZK_ENTRY()                                                                                 \
    pc = at + 1;                                                                                   \
    cur = reinterpret_cast<const ExecOp*>(opBase + at * sizeof(ExecOp));

// Fetch from `ops` at the PC; sequential PCs stay within the two sentinels past the end,
// others are clamped onto the first.
#define ZK_DISPATCH(ops)                                                                           \
    do {                                                                                           \
        at = pc;                                                                                   \
        ZK_JUMP((ops)[at].kind);                                                                   \
    } while (0)
#define ZK_DISPATCH_CLAMPED(ops)                                                                   \
    do {                                                                                           \
        at = pc;                                                                                   \
        ZK_JUMP((ops)[at < programSize ? uint64_t(at) : programSize].kind);                        \
    } while (0)
// The end of an executed word: history, cycles, timer, then the next tick (or the careful path).
#define ZK_WORD_END(n, DISPATCH)                                                                   \
    do {                                                                                           \
        s.cycles_ += (n)-1;                                                                        \
        if constexpr (Count) ++executedCount[at < p.size ? at : p.size];                           \
        s.history_[++head & (CpuState::kHistorySize - 1)] = static_cast<uint16_t>(at);             \
        if (head >= stop) [[unlikely]]                                                             \
            goto careful;                                                                          \
        DISPATCH(runOps);                                                                          \
    } while (0)
#define ZK_NEXT(n) ZK_WORD_END(n, ZK_DISPATCH)
#define ZK_NEXT_JUMP(n) ZK_WORD_END(n, ZK_DISPATCH_CLAMPED)
// The fetch's write of the low byte of the advanced PC to PCLATL, where it can be read.
#define ZK_LATCH() d[reg::kPcLatchLow] = static_cast<uint8_t>(pc)

// A file instruction's three handlers from one body. In the body: F (the operand's byte),
// WB(v) (write back), DST(r) (to the destination), FLAGS(mask, bits), END(cycles).
#define ZK_F (G ? (addr < kDataSize ? uint32_t(d[addr]) : 0u) : uint32_t(d[addr]))
#define ZK_WB(v)                                                                                   \
    do {                                                                                           \
        if (G)                                                                                     \
            writeTo(addr, (v));                                                                    \
        else                                                                                       \
            d[addr] = static_cast<uint8_t>(v);                                                     \
    } while (0)
#define ZK_DST(r)                                                                                  \
    do {                                                                                           \
        if (DST == 1 || (DST < 0 && cur->dst))                                                     \
            ZK_WB(r);                                                                              \
        else                                                                                       \
            d[reg::kW] = static_cast<uint8_t>(r);                                                  \
    } while (0)
// STATUS as the operand keeps what the instruction wrote there.
#define ZK_FLAGS(mask, bits)                                                                       \
    do {                                                                                           \
        /* the bits never stray outside the mask: only the CX4B needs it cut */                    \
        const uint8_t m_ = flagMask<Core>(mask);                                                   \
        const uint8_t b_ = m_ == (mask) ? uint8_t(bits) : uint8_t((bits)&m_);                      \
        if (!G || addr != reg::kStatus)                                                            \
            d[reg::kStatus] = static_cast<uint8_t>((d[reg::kStatus] & ~m_) | b_);                  \
    } while (0)
#define ZK_END(n)                                                                                  \
    do {                                                                                           \
        if (G) {                                                                                   \
            applyPost();                                                                           \
            ZK_NEXT_JUMP(n);                                                                       \
        } else {                                                                                   \
            ZK_NEXT(n);                                                                            \
        }                                                                                          \
    } while (0)
#define ZK_FILE(name, ...)                                                                         \
    ZK_CASE(name##P) {                                                                             \
        constexpr bool G = false;                                                                  \
        [[maybe_unused]] constexpr int DST = 0;                                                    \
        const uint32_t addr = cur->a; /* plain: the operand itself */                              \
        __VA_ARGS__                                                                                \
    }                                                                                              \
    ZK_CASE(name##Q) {                                                                             \
        constexpr bool G = false;                                                                  \
        [[maybe_unused]] constexpr int DST = 1;                                                    \
        const uint32_t addr = cur->a;                                                              \
        __VA_ARGS__                                                                                \
    }                                                                                              \
    ZK_CASE(name##G) {                                                                             \
        constexpr bool G = true;                                                                   \
        [[maybe_unused]] constexpr int DST = -1; /* from the record */                             \
        ZK_LATCH();                                                                                \
        resolveGeneral();                                                                          \
        __VA_ARGS__                                                                                \
    }
#define ZK_ARITH(x, y, c)                                                                          \
    {                                                                                              \
        const uint32_t x_ = (x), y_ = (y);                                                         \
        const uint32_t r_ = x_ + y_ + (c);                                                         \
        ZK_FLAGS(kArithFlags, addFlags(x_, y_, r_));                                               \
        ZK_DST(r_);                                                                                \
        ZK_END(1);                                                                                 \
    }
#define ZK_LOGIC(expr)                                                                             \
    {                                                                                              \
        const uint32_t r_ = (expr);                                                                \
        ZK_FLAGS(kLogicFlags, zeroFlag(r_) | negativeFlag(r_));                                    \
        ZK_DST(r_);                                                                                \
        ZK_END(1);                                                                                 \
    }
#define ZK_SKIP_IF(cond)                                                                           \
    {                                                                                              \
        if (cond) skip();                                                                          \
        ZK_END(1);                                                                                 \
    }
#define ZK_BRANCH(cond)                                                                            \
    if (cond) {                                                                                    \
        jumpTo(pc + uint32_t(int32_t(cur->x)));                                                    \
        ++s.cycles_;                                                                               \
        countTaken();                                                                              \
    }                                                                                              \
    ZK_NEXT_JUMP(1);

    // --- the first tick of the batch: no stop test at its PC --------------------------------
    ZK_DISPATCH_CLAMPED(plainOps);

#if !ZK_THREADED
dispatchSwitch:
    switch (nextKind) {
#endif

        // --- file instructions
        // ---------------------------------------------------------------------
        ZK_FILE(Clrf, ZK_WB(0); ZK_END(1);)
        ZK_FILE(Setf, ZK_WB(0xFF); ZK_END(1);)
        ZK_FILE(Addf, {
            const uint32_t w = d[reg::kW], f = ZK_F;
            ZK_FLAGS(kArithFlags, kSumFlags[w * 256 + f]);
            ZK_DST(w + f);
            ZK_END(1);
        })
        ZK_FILE(Addc, ZK_ARITH(d[reg::kW], ZK_F, carry()))
        ZK_FILE(Subf, ZK_ARITH(notW(), ZK_F, 1))
        ZK_FILE(Subc, ZK_ARITH(notW(), ZK_F, carry()))
        ZK_FILE(Inf, {
            const uint32_t f = ZK_F;
            ZK_FLAGS(kArithFlags, kIncFlags[f]);
            ZK_DST(f + 0x01);
            ZK_END(1);
        })
        ZK_FILE(Dcf, {
            const uint32_t f = ZK_F;
            ZK_FLAGS(kArithFlags, kDecFlags[f]);
            ZK_DST(f + 0xFF);
            ZK_END(1);
        })
        ZK_FILE(Insz, {
            const uint32_t r = ZK_F + 1;
            if ((r & 0xFF) == 0) skip();
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Dcsz, {
            const uint32_t r = ZK_F + 0xFF;
            if ((r & 0xFF) == 0) skip();
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Insuz, {
            const uint32_t r = ZK_F + 1;
            if ((r & 0xFF) != 0) skip();
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Dcsuz, {
            const uint32_t r = ZK_F + 0xFF;
            if ((r & 0xFF) != 0) skip();
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Comf, ZK_LOGIC(~ZK_F & 0xFF))
        ZK_FILE(Andf, ZK_LOGIC(d[reg::kW] & ZK_F))
        ZK_FILE(Iorf, ZK_LOGIC(d[reg::kW] | ZK_F))
        ZK_FILE(Xorf, ZK_LOGIC(d[reg::kW] ^ ZK_F))
        ZK_FILE(Mvf, {
            if (DST == 1 || (DST < 0 && cur->dst))
                ZK_WB(d[reg::kW]);
            else
                d[reg::kW] = static_cast<uint8_t>(ZK_F);
            ZK_END(1);
        })
        ZK_FILE(Swpf, {
            const uint32_t f = ZK_F;
            ZK_DST(((f << 4) | (f >> 4)) & 0xFF);
            ZK_END(1);
        })
        ZK_FILE(Rlf, {
            const uint32_t f = ZK_F;
            ZK_LOGIC(((f << 1) | (f >> 7)) & 0xFF)
        })
        ZK_FILE(Rrf, {
            const uint32_t f = ZK_F;
            ZK_LOGIC(((f >> 1) | (f << 7)) & 0xFF)
        })
        ZK_FILE(Rlfc, {
            const uint32_t f = ZK_F;
            const uint32_t r = (f << 1) + carry();
            ZK_FLAGS(kLogicFlags | flag::kC,
                     zeroFlag(r) | negativeFlag(r) | ((f & 0x80) ? flag::kC : 0));
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Rrfc, {
            const uint32_t f = ZK_F;
            const uint32_t r = (f >> 1) + carry() * 0x80;
            ZK_FLAGS(kLogicFlags | flag::kC,
                     zeroFlag(r) | negativeFlag(r) | ((f & 1) ? flag::kC : 0));
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Arlc, {
            const uint32_t f = ZK_F;
            const uint32_t r = (f << 1) + carry();
            ZK_FLAGS(flag::kZ | flag::kOV | flag::kN | flag::kC,
                     zeroFlag(r) | negativeFlag(r) | ((f & 0x80) ? flag::kC : 0) |
                         (((f ^ r) & 0x80) ? flag::kOV : 0));
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Arrc, {
            const uint32_t f = ZK_F;
            const uint32_t r = (f >> 1) | (f & 0x80);
            ZK_FLAGS(kLogicFlags | flag::kC,
                     zeroFlag(r) | negativeFlag(r) | ((f & 1) ? flag::kC : 0));
            ZK_DST(r);
            ZK_END(1);
        })
        ZK_FILE(Bcf, {
            uint32_t v = ZK_F & ~(1u << cur->bit);
            // Clearing either overflow or full on the stack pointer register clears both.
            if (G && addr == reg::kStackPointer && (cur->bit == 7 || cur->bit == 5)) v &= 0x5F;
            ZK_WB(v);
            ZK_END(1);
        })
        ZK_FILE(Bsf, ZK_WB(ZK_F | (1u << cur->bit)); ZK_END(1);)
        ZK_FILE(Btgf, ZK_WB(ZK_F ^ (1u << cur->bit)); ZK_END(1);)
        ZK_FILE(Btsz, ZK_SKIP_IF(!((ZK_F >> cur->bit) & 1)))
        ZK_FILE(Btss, ZK_SKIP_IF((ZK_F >> cur->bit) & 1))
        ZK_FILE(Cpsg, ZK_SKIP_IF(ZK_F > d[reg::kW]))
        ZK_FILE(Cpsl, ZK_SKIP_IF(ZK_F < d[reg::kW]))
        ZK_FILE(Cpse, ZK_SKIP_IF(ZK_F == d[reg::kW]))
        ZK_FILE(Tfsz, ZK_SKIP_IF(ZK_F == 0))
        ZK_FILE(Mulf, {
            const uint32_t prod = ZK_F * d[reg::kW];
            d[reg::kProductHigh] = static_cast<uint8_t>(prod >> 8);
            d[reg::kProductLow] = static_cast<uint8_t>(prod);
            ZK_FLAGS(flag::kZ, zeroFlag(prod));
            ZK_END(2);
        })

        // --- literal, flow and the rest
        // --------------------------------------------------------------
        ZK_CASE(Nop) {
            ZK_NEXT(1);
        }
        ZK_CASE(Mull) {
            const uint32_t prod = uint32_t(cur->a & 0xFF) * d[reg::kW];
            d[reg::kProductHigh] = static_cast<uint8_t>(prod >> 8);
            d[reg::kProductLow] = static_cast<uint8_t>(prod);
            ZK_NEXT(2);
        }
        ZK_CASE(Addl) {
            const uint32_t w = d[reg::kW], k = cur->a & 0xFF;
            const uint32_t r = w + k;
            d[reg::kStatus] =
                static_cast<uint8_t>((d[reg::kStatus] & ~flagMask<Core>(kArithFlags)) |
                                     (kSumFlags[w * 256 + k] & flagMask<Core>(kArithFlags)));
            d[reg::kW] = static_cast<uint8_t>(r);
            ZK_NEXT(1);
        }
        ZK_CASE(Subl) {
            const uint32_t nw = notW(), k = cur->a & 0xFF;
            const uint32_t r = nw + k + 1;
            d[reg::kStatus] =
                static_cast<uint8_t>((d[reg::kStatus] & ~flagMask<Core>(kArithFlags)) |
                                     (addFlags(nw, k, r) & flagMask<Core>(kArithFlags)));
            d[reg::kW] = static_cast<uint8_t>(r);
            ZK_NEXT(1);
        }
#define ZK_LOGIC_LITERAL(name, expr)                                                               \
    ZK_CASE(name) {                                                                                \
        const uint32_t r = (expr)&0xFF;                                                            \
        d[reg::kStatus] =                                                                          \
            static_cast<uint8_t>((d[reg::kStatus] & ~flagMask<Core>(kLogicFlags)) |                \
                                 ((zeroFlag(r) | negativeFlag(r)) & flagMask<Core>(kLogicFlags))); \
        d[reg::kW] = static_cast<uint8_t>(r);                                                      \
        ZK_NEXT(1);                                                                                \
    }
        ZK_LOGIC_LITERAL(Andl, d[reg::kW] & cur->a)
        ZK_LOGIC_LITERAL(Iorl, d[reg::kW] | cur->a)
        ZK_LOGIC_LITERAL(Xorl, d[reg::kW] ^ cur->a)
        ZK_CASE(Mvl) {
            d[reg::kW] = static_cast<uint8_t>(cur->a);
            ZK_NEXT(1);
        }
        ZK_CASE(Retl) {
            jumpTo(pop());
            d[reg::kW] = static_cast<uint8_t>(cur->a);
            countReturn(2);
            ZK_NEXT_JUMP(2);
        }
        ZK_CASE(Ret) {
            jumpTo(pop());
            topOfStackFromEntry();
            if (Core == CoreType::CX4A && cur->bit) restoreShadows();
            countReturn(2);
            ZK_NEXT_JUMP(2);
        }
        ZK_CASE(Reti) {
            jumpTo(pop());
            if (Core == CoreType::CX4A && cur->bit) restoreShadows();
            d[reg::kIntEnable0] |= 0x80;
            recompute();
            countReturn(2);
            ZK_NEXT_JUMP(2);
        }
        ZK_CASE(Pop) {
            pop();
            topOfStackFromEntry();
            ZK_NEXT(1);
        }
        ZK_CASE(CallLong) {
            if (cur->bit) saveShadowRegisters(d);
            // The return address is the NOPF word, which then runs as a no-operation.
            push(pc);
            topOfStackCopy(pc);
            s.pendingOp_ = static_cast<uint8_t>(OpId::CALL);
            s.pendingValue_ = cur->a & 0xFF;
            attend();
            ZK_NEXT(1);
        }
        ZK_CASE(JmpLong) {
            s.pendingOp_ = static_cast<uint8_t>(OpId::JMP);
            s.pendingValue_ = cur->a & 0xFF;
            attend();
            ZK_NEXT(1);
        }
        ZK_CASE(CallShort) {
            const uint32_t back = pc;
            push(pc);
            topOfStackCopy(pc);
            jumpTo(cur->a);
            countCall(pc, back, 1);
            ZK_NEXT_JUMP(1);
        }
        ZK_CASE(JmpShort) {
            jumpTo(cur->a);
            ZK_NEXT_JUMP(1);
        }
        ZK_CASE(Rj) {
            jumpTo(pc + uint32_t(int32_t(cur->x)));
            ZK_NEXT_JUMP(2);
        }
        ZK_CASE(Rcall) {
            const uint32_t back = pc;
            push(pc);
            topOfStackCopy(pc);
            jumpTo(pc + uint32_t(int32_t(cur->x)));
            countCall(pc, back, 2);
            ZK_NEXT_JUMP(2);
        }
        ZK_CASE(CallNear) {
            const uint32_t back = pc;
            push(pc);
            topOfStackCopy(pc);
            jumpNear();
            countCall(pc, back, 1);
            ZK_NEXT(1);
        }
        ZK_CASE(JmpNear) {
            jumpNear();
            ZK_NEXT(1);
        }
        ZK_CASE(RjNear) {
            jumpNear();
            ZK_NEXT(2);
        }
        ZK_CASE(RcallNear) {
            const uint32_t back = pc;
            push(pc);
            topOfStackCopy(pc);
            jumpNear();
            countCall(pc, back, 2);
            ZK_NEXT(2);
        }
#define ZK_BRANCH_NEAR(cond)                                                                       \
    if (cond) {                                                                                    \
        jumpNear();                                                                                \
        ++s.cycles_;                                                                               \
        countTaken();                                                                              \
    }                                                                                              \
    ZK_NEXT(1);
        ZK_CASE(JzNear){ZK_BRANCH_NEAR(d[reg::kStatus] & flag::kZ)} ZK_CASE(JnzNear){
            ZK_BRANCH_NEAR(!(d[reg::kStatus] & flag::kZ))} ZK_CASE(JcNear){
            ZK_BRANCH_NEAR(d[reg::kStatus] & flag::kC)} ZK_CASE(JncNear){
            ZK_BRANCH_NEAR(!(d[reg::kStatus] & flag::kC))} ZK_CASE(JnNear){
            ZK_BRANCH_NEAR(d[reg::kStatus] & flag::kN)} ZK_CASE(JnnNear){
            ZK_BRANCH_NEAR(!(d[reg::kStatus] & flag::kN))} ZK_CASE(JoNear){
            ZK_BRANCH_NEAR(d[reg::kStatus] & flag::kOV)} ZK_CASE(JnoNear){
            ZK_BRANCH_NEAR(!(d[reg::kStatus] & flag::kOV))}
#undef ZK_BRANCH_NEAR
        ZK_CASE(Jz){ZK_BRANCH(d[reg::kStatus] & flag::kZ)} ZK_CASE(Jnz){
            ZK_BRANCH(!(d[reg::kStatus] & flag::kZ))} ZK_CASE(Jc){
            ZK_BRANCH(d[reg::kStatus] & flag::kC)} ZK_CASE(Jnc){
            ZK_BRANCH(!(d[reg::kStatus] & flag::kC))} ZK_CASE(Jn){
            ZK_BRANCH(d[reg::kStatus] & flag::kN)} ZK_CASE(Jnn){
            ZK_BRANCH(!(d[reg::kStatus] & flag::kN))} ZK_CASE(Jo){
            ZK_BRANCH(d[reg::kStatus] & flag::kOV)} ZK_CASE(Jno){
            ZK_BRANCH(!(d[reg::kStatus] & flag::kOV))} ZK_CASE(Tblr) {
            uint32_t tp = (uint32_t(d[reg::kTablePtrUpper]) << 16) |
                          (uint32_t(d[reg::kTablePtrHigh]) << 8) | d[reg::kTablePtrLow];
            const uint16_t w = s.ProgramWord(tp);
            d[reg::kTableDataHigh] = static_cast<uint8_t>(w >> 8);
            d[reg::kTableDataLow] = static_cast<uint8_t>(w);
            tp = (tp + cur->bit) & 0xFFFFFF;
            d[reg::kTablePtrUpper] = static_cast<uint8_t>(tp >> 16);
            d[reg::kTablePtrHigh] = static_cast<uint8_t>(tp >> 8);
            d[reg::kTablePtrLow] = static_cast<uint8_t>(tp);
            ZK_NEXT(2);
        }
        ZK_CASE(Mvlp) {
            d[reg::kTablePtrUpper] = static_cast<uint8_t>((cur->a & 0xFF) >> 4);
            s.pendingOp_ = static_cast<uint8_t>(OpId::MVLP);
            s.pendingValue_ = (cur->a & 0x0F) << 4;
            attend();
            ZK_NEXT(1);
        }
        ZK_CASE(Ldpr) {
            s.pendingOp_ = static_cast<uint8_t>(OpId::LDPR);
            s.pendingValue_ = cur->a;
            attend();
            ZK_NEXT(1);
        }
        ZK_CASE(Lbsr) {
            d[reg::kBsr] = static_cast<uint8_t>(cur->a);
            ZK_NEXT(1);
        }
        ZK_CASE(Mvff) {
            ZK_LATCH();
            resolveSource();
            s.pendingOp_ = static_cast<uint8_t>(OpId::MVFF);
            s.pendingValue_ = addr;
            applyPost();
            attend();
            ZK_NEXT(1);
        }
        ZK_CASE(Nopf) {
            // With nothing pending (the word a CX4A CALL returns to) it is a no-operation that
            // changes nothing the tick end depends on.
            if (s.pendingOp_ == 0) ZK_NEXT(1);
            ZK_LATCH();
            const uint32_t payload = cur->a & 0xFFF;
            post = kPostNone;
            switch (static_cast<OpId>(s.pendingOp_)) {
            case OpId::CALL:
                // The call takes effect with its second word; it returns to this word.
                jumpTo((s.pendingValue_ << 12) + payload);
                countCall(pc, stack[d[reg::kStackPointer] & sp::kPointerMask], 1);
                break;
            case OpId::JMP:
                jumpTo((s.pendingValue_ << 12) + payload);
                break;
            case OpId::MVLP:
                d[reg::kTablePtrHigh] = static_cast<uint8_t>(s.pendingValue_ + (payload >> 8));
                d[reg::kTablePtrLow] = static_cast<uint8_t>(payload);
                break;
            case OpId::LDPR:
                if (s.pendingValue_ < 3) {
                    d[reg::kFsr0High + 2 * s.pendingValue_] = static_cast<uint8_t>(payload >> 8);
                    d[reg::kFsr0High + 2 * s.pendingValue_ + 1] = static_cast<uint8_t>(payload);
                }
                break;
            case OpId::MVFF: {
                const uint32_t source = s.pendingValue_;
                const uint32_t v = source < kDataSize ? d[source] : 0u;
                resolveUnbanked(payload);
                writeTo(addr, v);
                applyPost();
                break;
            }
            default:
                break;
            }
            s.pendingOp_ = 0;
            s.pendingValue_ = 0;
            // The tick ends with this word.
            cold.wordsInTick = 0;
            recompute();
            ZK_NEXT_JUMP(1);
        }
        ZK_CASE(Idle) {
            s.idle_ = true;
            d[reg::kPowerControl] |= 0x40;
            attend();
            ZK_NEXT(1);
        }
        ZK_CASE(Slp) {
            s.sleep_ = true;
            d[reg::kPowerControl] |= 0x80;
            attend();
            ZK_NEXT(1);
        }

        // --- two-word instructions with their NOPF, in one tick ----------------------------------
        // Both words as the unfused handlers and Nopf run them, when neither the end of the
        // first word nor anything between the two needs the careful path: the head is then two
        // or more words below `stop` (no attention, no timer step, budget left). Otherwise the
        // first word runs alone, as everywhere else.
#define ZK_PAIR(unfused)                                                                           \
    if (head + 2 > stop) [[unlikely]]                                                              \
        ZK_JUMP(unfused);                                                                          \
    const uint32_t payload = uint16_t(cur->x) & 0xFFF
// The end of the first word, and the fetch of the NOPF.
#define ZK_PAIR_SECOND()                                                                           \
    do {                                                                                           \
        if constexpr (Count) ++executedCount[at < p.size ? at : p.size];                           \
        s.history_[++head & (CpuState::kHistorySize - 1)] = static_cast<uint16_t>(at);             \
        ++cold.extra;                                                                              \
        at = pc;                                                                                   \
        pc = at + 1;                                                                               \
    } while (0)
        ZK_CASE(CallPair) {
            ZK_PAIR(kCallLong);
            if (cur->bit) saveShadowRegisters(d);
            push(pc);
            topOfStackCopy(pc);
            ZK_PAIR_SECOND();
            jumpTo(((cur->a & 0xFFu) << 12) + payload);
            countCall(pc, stack[d[reg::kStackPointer] & sp::kPointerMask], 1);
            ZK_NEXT_JUMP(1);
        }
        ZK_CASE(JmpPair) {
            ZK_PAIR(kJmpLong);
            ZK_PAIR_SECOND();
            jumpTo(((cur->a & 0xFFu) << 12) + payload);
            ZK_NEXT_JUMP(1);
        }
        ZK_CASE(MvlpPair) {
            ZK_PAIR(kMvlp);
            d[reg::kTablePtrUpper] = static_cast<uint8_t>((cur->a & 0xFF) >> 4);
            ZK_PAIR_SECOND();
            d[reg::kTablePtrHigh] = static_cast<uint8_t>(((cur->a & 0x0F) << 4) + (payload >> 8));
            d[reg::kTablePtrLow] = static_cast<uint8_t>(payload);
            ZK_NEXT(1);
        }
        ZK_CASE(LdprPair) {
            ZK_PAIR(kLdpr);
            ZK_PAIR_SECOND();
            if (cur->a < 3) {
                d[reg::kFsr0High + 2 * cur->a] = static_cast<uint8_t>(payload >> 8);
                d[reg::kFsr0High + 2 * cur->a + 1] = static_cast<uint8_t>(payload);
            }
            ZK_NEXT(1);
        }
        ZK_CASE(MvffPair) {
            ZK_PAIR(kMvff);
            ZK_LATCH();
            resolveSource();
            const uint32_t source = addr;
            applyPost();
            ZK_PAIR_SECOND();
            ZK_LATCH();
            const uint32_t v = source < kDataSize ? d[source] : 0u;
            post = kPostNone;
            resolveUnbanked(payload);
            writeTo(addr, v);
            applyPost();
            ZK_NEXT_JUMP(1);
        }
        // MVFF between two addresses without rules (and not PCLATL), the source in `a` and the
        // destination in `x`: a copy.
        ZK_CASE(MvffPlain) {
            ZK_PAIR(kMvff);
            d[payload] = d[cur->a];
            ZK_PAIR_SECOND();
            ZK_NEXT(1);
        }
#undef ZK_PAIR
#undef ZK_PAIR_SECOND

        // --- MVF through a pointer ---------------------------------------------------------------
        // As the general handler with the post-operation of the record's code (0 to 3): none,
        // post-increment, post-decrement, pre-increment; one handler each, the pointer's high
        // byte address in `a` (the code stays in `x` for the general handler).
#define ZK_INDIRECT(pre, step)                                                                     \
    const uint32_t base_ = cur->a;                                                                 \
    const uint32_t ptr_ = (uint32_t(d[base_]) << 8) | d[base_ + 1];                                \
    const uint32_t at_ = (ptr_ + (pre)) & 0xFFFF;                                                  \
    const uint32_t next_ = ptr_ + uint32_t(step)
#define ZK_INDIRECT_MOVE(step)                                                                     \
    if constexpr ((step) != 0) {                                                                   \
        d[base_] = static_cast<uint8_t>(next_ >> 8);                                               \
        d[base_ + 1] = static_cast<uint8_t>(next_);                                                \
    }
#define ZK_MVF_INDIRECT(code, pre, step)                                                           \
    ZK_CASE(MvfIndW##code) {                                                                       \
        ZK_LATCH();                                                                                \
        ZK_INDIRECT(pre, step);                                                                    \
        d[reg::kW] = at_ < kDataSize ? d[at_] : 0;                                                 \
        ZK_INDIRECT_MOVE(step)                                                                     \
        ZK_NEXT(1);                                                                                \
    }                                                                                              \
    ZK_CASE(MvfIndF##code) {                                                                       \
        ZK_INDIRECT(pre, step);                                                                    \
        /* A register with a rule (or none) takes the general handler; an ordinary one cannot */   \
        /* be the pointer itself. */                                                               \
        if (at_ - kFirstPlainData >= kDataSize - kFirstPlainData) [[unlikely]]                     \
            ZK_JUMP(kMvfG);                                                                        \
        d[at_] = d[reg::kW];                                                                       \
        ZK_INDIRECT_MOVE(step)                                                                     \
        ZK_NEXT(1);                                                                                \
    }
        ZK_MVF_INDIRECT(0, 0, 0)
        ZK_MVF_INDIRECT(1, 0, 1)
        ZK_MVF_INDIRECT(2, 0, -1)
        ZK_MVF_INDIRECT(3, 1, 1)
#undef ZK_MVF_INDIRECT
#undef ZK_INDIRECT
#undef ZK_INDIRECT_MOVE

        // --- computed jumps: ADDF and MVF to PCLATL ----------------------------------------------
        // As the general handler: the operand is the low byte of the advanced PC, the flags are
        // those of the sum, the PC comes from the latch. PCLATL itself is written lazily (it
        // holds the low byte of the PC), and no register the tick end depends on changes.
#define ZK_PCL_JUMP(r)                                                                             \
    pc = ((uint32_t(d[reg::kPcLatchUpper]) << 16) | (uint32_t(d[reg::kPcLatchHigh]) << 8) |        \
          ((r)&0xFF)) &                                                                            \
         kPcMask;                                                                                  \
    ZK_NEXT_JUMP(1)
        ZK_CASE(AddfPcl) {
            const uint32_t w = d[reg::kW], f = pc & 0xFF;
            const uint32_t r = w + f;
            d[reg::kStatus] =
                static_cast<uint8_t>((d[reg::kStatus] & ~flagMask<Core>(kArithFlags)) |
                                     (kSumFlags[w * 256 + f] & flagMask<Core>(kArithFlags)));
            ZK_PCL_JUMP(r);
        }
        ZK_CASE(MvfPcl) {
            ZK_PCL_JUMP(uint32_t(d[reg::kW]));
        }
#undef ZK_PCL_JUMP

        // --- records that are not instructions
        // -------------------------------------------------------
        ZK_CASE(Stop) {
            pc = at;
            reason = p.markReason;
            goto exit;
        }
        ZK_CASE(OutsideCheck) {
            pc = at;
            reason = stopReasonAt(pc);
            if (reason != StopReason::None) goto exit;
            goto outsideExec;
        }
        ZK_CASE(OutsideExec) {
            pc = at;
            goto outsideExec;
        }
        ZK_CASE(Invalid) {
            // Not an instruction: skipped without cycles, history or timer, and the tick ends.
            sync(0);
            if (cold.limit == 0) goto slowTickEnd;
            if (--cold.budget == 0) goto exitBudget;
            setStop();
            ZK_DISPATCH_CLAMPED(runOps);
        }

#if !ZK_THREADED
    }
#endif

outsideExec:
    // Program memory reads 0 outside its size: the word is word 0.
    // The handler's advanced PC (at + 1) wraps at the top of the PC range: there `at` is -1,
    // which keeps its low 16 bits for the history and counts as outside for the counters.
    at = pc == kPcMask ? ~uint64_t(0) : pc;
    cold.outside = true;
    attend();
    opBase = reinterpret_cast<uintptr_t>(&p.outside) - at * sizeof(ExecOp);
    ZK_JUMP(p.outside.kind);

careful:
    // A word ended at `stop`. The words before it were whole ticks; its own tick may go on.
    opBase = reinterpret_cast<uintptr_t>(plainOps);
    sync(1);
    // The prescaler reached 256: the counter advances, and the selected counter bit raises the
    // timer flag on its rising s.timerEdge_ only.
    if (cold.timerOn && head - cold.timerBase >= 256) {
        const uint32_t p16 = static_cast<uint32_t>(head - cold.timerBase) & 0xFFFF; // 16 bits wide
        if (p16 < 256) {
            cold.timerBase = head - p16;
        } else {
            cold.timerBase = head;
            const uint8_t t = ++d[reg::kTimerCounter];
            const uint32_t n = (d[reg::kTimerControl] >> 4) & 7;
            if (!((t >> n) & 1)) {
                s.timerEdge_ = false;
            } else if (!s.timerEdge_) {
                d[reg::kIntFlag0] |= 0x08;
                s.timerEdge_ = true;
            }
        }
    }
    recompute();
    if (cold.limit == 0) goto slowTail;
    if (--cold.budget == 0) goto exitBudget;
    setStop();
    ZK_DISPATCH_CLAMPED(runOps);

slowTail:
    // A two-word operation in progress takes the next word in the same tick.
    if (s.pendingOp_ != 0 && ++cold.wordsInTick < Engine::kMaxWordsPerExecute)
        ZK_DISPATCH_CLAMPED(plainOps);
slowTickEnd:
    cold.wordsInTick = 0;
    cold.outside = false;
    if (cold.single) goto exit;
    if (interruptPending(d)) {
        if constexpr (Count) p.counts->interrupt(pc, cyclesAfter(0));
        d[reg::kIntEnable0] &= 0x7F;
        saveShadowRegisters(d);
        push(pc);
        pc = 4;
        d[reg::kPcLatchLow] = 4;
        d[reg::kPcLatchHigh] = 0;
        s.cycles_ += 4;
        s.sleep_ = false;
        s.idle_ = false;
    }
    --cold.budget;
    if (cold.stackStop && (d[reg::kStackPointer] & sp::kFull)) {
        reason = StopReason::StackFull;
        goto exit;
    }
    recompute();
    if (cold.budget == 0 || s.sleep_ || s.idle_) {
        reason = stopReasonAt(pc);
        if (reason == StopReason::None && cold.budget != 0) reason = StopReason::Asleep;
        goto exit;
    }
    ZK_DISPATCH_CLAMPED(runOps);

exitBudget:
    reason = stopReasonAt(pc);

exit:
    sync(0);
    s.pc_ = pc;
    d[reg::kPcLatchLow] = static_cast<uint8_t>(pc);
    s.cycles_ += static_cast<uint32_t>(head - cold.headAtStart);
    s.historyHead_ = static_cast<uint32_t>(head & (CpuState::kHistorySize - 1));
    s.prescaler_ = static_cast<uint16_t>(cold.timerOn ? head - cold.timerBase : cold.frozen);
    if constexpr (Count) p.counts->end(s.cycles_);
    const BatchResult result{reason, (single ? 1 : maxTicks) - cold.budget};
#if ZK_PINNED
#undef at
#undef head
#undef stop
#undef pc
#undef runOps
#endif
    return result;
}

#define ZK_INSTANTIATE(core, count)                                                                \
    template BatchResult EngineCore::execute<core, count>(CpuState&, const Program&,               \
                                                          const RunStops&, uint64_t, bool);
ZK_INSTANTIATE(CoreType::CX4A, false)
ZK_INSTANTIATE(CoreType::CX4B, false)
ZK_INSTANTIATE(CoreType::CX4A, true)
ZK_INSTANTIATE(CoreType::CX4B, true)
#undef ZK_INSTANTIATE

} // namespace zerka
