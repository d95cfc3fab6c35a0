#pragma once
// The handler kinds of the threaded engine, shared by its decoder (engine.cpp) and its
// interpreter (engine_exec.cpp). One list drives the enum and the interpreter's jump table, so
// the two cannot drift apart.
#include "upcentre/core/engine.h"
#include "upcentre/core/exec_counts.h"

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

// Instructions with a file operand: each has plain handlers (P: an unbanked address with no
// rule of its own; Q: the same with the result to the file register) and a general one (G:
// banked, indirect, or an address with a rule).
#define ZK_FILE_OPS(X)                                                                             \
    X(Clrf)                                                                                        \
    X(Setf) X(Addf) X(Addc) X(Subf) X(Subc) X(Inf) X(Dcf) X(Insz) X(Dcsz) X(Insuz) X(Dcsuz)        \
        X(Comf) X(Andf) X(Iorf) X(Xorf) X(Mvf) X(Swpf) X(Rlf) X(Rrf) X(Rlfc) X(Rrfc) X(Arlc)       \
            X(Arrc) X(Bcf) X(Bsf) X(Btgf) X(Btsz) X(Btss) X(Cpsg) X(Cpsl) X(Cpse) X(Tfsz) X(Mulf)

// The other instructions; then the two-word instructions fused with the NOPF word after them
// (a layout puts them where a NOPF follows: both words in one tick, the NOPF's payload in `x`);
// the jumps whose target a layout found inside the program (the target in `a`); MVF through a
// pointer with no post-operation or with one that does not use W, to W and to the file register
// (the record of the general handler, which the second one falls back to for a register with a
// rule);
// then the records that are not instructions: Stop (the run stops before this cell),
// OutsideCheck and OutsideExec (sentinels past the program: the PC is outside program memory,
// with and without the run's stop test), Invalid (not an instruction).
#define ZK_OTHER_OPS(X)                                                                            \
    X(Nop)                                                                                         \
    X(Mull) X(Addl) X(Subl) X(Andl) X(Iorl) X(Xorl) X(Mvl) X(Retl) X(Ret) X(Reti) X(Pop)           \
        X(CallLong) X(JmpLong) X(CallShort) X(JmpShort) X(Rj) X(Rcall) X(Jz) X(Jnz) X(Jc) X(Jnc)   \
            X(Jn) X(Jnn) X(Jo) X(Jno) X(Tblr) X(Mvlp) X(Ldpr) X(Lbsr) X(Mvff) X(Nopf) X(Idle)      \
                X(Slp) X(CallPair) X(JmpPair) X(MvlpPair) X(LdprPair) X(MvffPair) X(CallNear)      \
                    X(JmpNear) X(RjNear) X(RcallNear) X(JzNear) X(JnzNear) X(JcNear)         \
                    X(JncNear) X(JnNear) X(JnnNear) X(JoNear) X(JnoNear) X(MvfIndW)          \
                    X(MvfIndF) X(Stop)                                                       \
                    X(OutsideCheck) X(OutsideExec) X(Invalid)

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
