#pragma once
// The handler kinds of the threaded engine, shared by its decoder (engine.cpp) and its
// interpreter (engine_exec.cpp). One list drives the enum and the interpreter's jump table, so
// the two cannot drift apart; the instructions' part of it is the instruction list's.
#include "upcentre/core/engine.h"
#include "upcentre/core/exec_counts.h"
#include "upcentre/core/instruction_list.h"

#include <cstdint>

namespace zerka {

// The interpreter; a friend of CpuState so that it works on the arrays and keeps the scalar
// state in registers.
struct EngineCore {
    struct Program {
        const ExecOp* run;     // per address, with the run's stop records; two sentinels follow
        const ExecOp* plain;   // per address, without stop records; two sentinels follow
        uint32_t size;         // program words
        ExecOp outside;        // the record of word 0, executed at a PC outside program memory
        StopReason markReason; // what a stop record means for this kind of run
        ExecCounts* counts = nullptr; // the counted instantiation's counters
    };
    // maxTicks ticks of a run, or with `single` one ExecuteOne (no interrupt check, no stop
    // tests, sleep ignored). `Count` instantiates the run loop that also fills p.counts; the
    // plain one has no trace of it.
    template <CoreType Core, bool Count>
    static BatchResult execute(CpuState& s, const Program& p, const RunStops& stops,
                               uint64_t maxTicks, bool single);
    static bool checkInterrupt(CpuState& s, ExecCounts* counts = nullptr);
};

namespace exec {

// The handlers of the instructions come from the handler column of the instruction list
// (instruction_list.h): File(n) gives a file instruction its three handlers, Own(n) one handler,
// PerCore(a, b) one handler for each core, Shared(n) none (the line runs another line's handler).
// A file instruction has plain handlers (P: an unbanked address with no rule of its own; Q: the
// same with the result to the file register) and a general one (G: banked, indirect, or an
// address with a rule).
#define ZK_HANDLERS_NONE(X, ...)
#define ZK_HANDLERS_ONE(X, n) X(n)
#define ZK_HANDLERS_TWO(X, a, b) X(a) X(b)
#define ZK_HANDLERS_APPLY(X, ...) ZK_HANDLERS_APPLY_(X, __VA_ARGS__)
#define ZK_HANDLERS_APPLY_(X, emit, ...) emit(X, __VA_ARGS__)
#define ZK_FILE_HANDLERS_File(n) ZK_HANDLERS_ONE, n
#define ZK_FILE_HANDLERS_Own(n) ZK_HANDLERS_NONE, n
#define ZK_FILE_HANDLERS_PerCore(a, b) ZK_HANDLERS_NONE, a
#define ZK_FILE_HANDLERS_Shared(n) ZK_HANDLERS_NONE, n
#define ZK_OTHER_HANDLERS_File(n) ZK_HANDLERS_NONE, n
#define ZK_OTHER_HANDLERS_Own(n) ZK_HANDLERS_ONE, n
#define ZK_OTHER_HANDLERS_PerCore(a, b) ZK_HANDLERS_TWO, a, b
#define ZK_OTHER_HANDLERS_Shared(n) ZK_HANDLERS_NONE, n
#define ZK_FILE_HANDLERS_OF(X, m, id, a, b, ops, last, two, handler, ...)                          \
    ZK_HANDLERS_APPLY(X, ZK_FILE_HANDLERS_##handler)
#define ZK_OTHER_HANDLERS_OF(X, m, id, a, b, ops, last, two, handler, ...)                         \
    ZK_HANDLERS_APPLY(X, ZK_OTHER_HANDLERS_##handler)

// The file instructions.
#define ZK_FILE_OPS(X) ZK_INSTRUCTIONS(ZK_FILE_HANDLERS_OF, X)

// The other instructions; then the two-word instructions fused with the NOPF word after them
// (a layout puts them where a NOPF follows: both words in one tick, the NOPF's payload in `x`),
// and MVFF so fused between two addresses without rules;
// the jumps whose target a layout found inside the program (the target in `a`); MVF through a
// pointer with no post-operation or with one that does not use W, to W and to the file register
// (the record of the general handler, which the second one falls back to for a register with a
// rule), one handler per post-operation code 0 to 3; ADDF and MVF to PCLATL with the result
// there, the computed jumps (no address rule but the PC's, and nothing that can change the tick
// end);
// then the records that are not instructions: Stop (the run stops before this cell),
// OutsideCheck and OutsideExec (sentinels past the program: the PC is outside program memory,
// with and without the run's stop test), Invalid (not an instruction).
#define ZK_OTHER_OPS(X)                                                                            \
    ZK_INSTRUCTIONS(ZK_OTHER_HANDLERS_OF, X)                                                       \
    X(CallPair)                                                                                    \
    X(JmpPair)                                                                                     \
    X(MvlpPair)                                                                                    \
    X(LdprPair) X(MvffPair) X(MvffPlain) X(CallNear) X(JmpNear) X(RjNear) X(RcallNear) X(JzNear)   \
        X(JnzNear) X(JcNear) X(JncNear) X(JnNear) X(JnnNear) X(JoNear) X(JnoNear) X(MvfIndW0)      \
            X(MvfIndW1) X(MvfIndW2) X(MvfIndW3) X(MvfIndF0) X(MvfIndF1) X(MvfIndF2) X(MvfIndF3)    \
                X(AddfPcl) X(MvfPcl) X(Stop) X(OutsideCheck) X(OutsideExec) X(Invalid)

enum Kind : uint8_t {
#define ZK_KIND_PG(n) k##n##P, k##n##G, k##n##Q,
#define ZK_KIND(n) k##n,
    ZK_FILE_OPS(ZK_KIND_PG) ZK_OTHER_OPS(ZK_KIND)
#undef ZK_KIND_PG
#undef ZK_KIND
        kKindCount
};
static_assert(kKindCount <= 256, "kinds are bytes");

// The general handler of a file instruction is the plain one plus one, the plain one with the
// file register as destination the plain one plus two.
inline constexpr uint8_t kGeneralOffset = 1;
inline constexpr uint8_t kToFileOffset = 2;

// Data address of a general file handler (and of MVFF's source).
enum AddressMode : uint8_t { kNoAddress = 0, kDirect = 1, kBanked = 2, kIndirect = 3 };

} // namespace exec
} // namespace zerka
