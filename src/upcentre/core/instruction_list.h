#pragma once
// The instruction list of both cores: every instruction once, with everything the tools need to
// know about it. The rest is derived from it: the OpId enum and the id table, the text tables the
// instruction sets are built from (and so the decoders, the disassembly and the assembler's
// lookup and encoding), the operand groups, the two-word and relative kinds, which operand may
// be left out, the engine's handler kinds and its conversions, the cycle counts and which words
// may skip or branch. The reference engine is the one deliberate exception: it stays an
// independent implementation to test the engine against.
//
// The lines are in the CX4A table order, which is the decode order; the CX4B table is the same
// order without the lines it has no pattern for.
//
// ZK_INSTRUCTIONS(X, U) calls X(U, ...) for each line, with U passed through for the caller. The
// columns of a line:
//   mnemonic  the operation word, also the OpId enumerator
//   id        the operation id (10, 42 and 68 are not assigned)
//   cx4a      the CX4A bit pattern, 16 characters from bit 15 to bit 0: 0 and 1 fixed bits, a the
//   cx4b      main operand, b the second field, d the bank select; "" where the core lacks the
//             instruction. The CX4B MVF pattern carries a 17th character that the build ignores.
//   operands  what the operand fields mean (OperandKind)
//   last      whether the last operand may be left out in a source line (LastOperand)
//   twoWord   the CX4A two-word kind: One (a single word), Mvff, Jmp, Call, Mvlp, Ldpr
//   handler   the engine's handler: File(n) for the handlers of a file instruction, Own(n) for a
//             handler of its own, PerCore(cx4a, cx4b) for one handler per core, Shared(n) for the
//             handler another line owns
//   cycles    cycles of the word without a taken skip or branch
//   cond      what the word may do when its condition holds: Never (no condition), Skip (skip
//             the next word) or Branch (branch); either costs one cycle more
//   flags     the STATUS flags it may change, CX4A; the CX4B has Z and C only
#include <cstdint>

namespace zerka {

// What the operand fields of an instruction are.
enum class OperandKind : uint8_t {
    NoOperand,
    FileBank, // file address, bank select
    FileDest, // file address, destination, bank select: the byte operations
    FileBit,  // file address, bit number, bank select
    Literal,  // 8-bit literal
    Rel8,     // 8-bit signed offset from the word after the instruction
    Rel11,    // 11-bit signed offset from the word after the instruction
    Target,   // CX4A: target bits 19..12 (CALL: and the shadow save); CX4B: 11-bit target
    Shadow,   // CX4A: shadow restore flag; the CX4B form has no operand
    PostInc,  // table-pointer post-increment flag
    TablePtr, // table-pointer bits 19..12
    Pointer,  // pointer number 0..2; the value follows in the NOPF word
    Bank,     // bank number 0..15
    Payload,  // 12-bit payload that completes a two-word instruction
    Source,   // 12-bit source address; the destination follows in the NOPF word
};

// Whether a source line may leave out the last operand (it then encodes as 0).
enum class LastOperand : uint8_t { Required, Optional, OptionalCx4a };

// What a conditional instruction does when its condition holds.
enum class Conditional : uint8_t { Never, Skip, Branch };

} // namespace zerka

// clang-format off
#define ZK_INSTRUCTIONS(X, U) \
/*  mnemonic id  cx4a                cx4b                  operands  last      twoWord handler                    cycles cond   flags */ \
X(U, NOP,    0, "0000000000000000", "0000000000000000",  NoOperand, Required, One,  Own(Nop),                     1, Never,  "")            \
X(U, CLRF,   1, "0000110daaaaaaaa", "0000110daaaaaaaa",  FileBank,  Optional, One,  File(Clrf),                   1, Never,  "")            \
X(U, ADDF,   2, "000100bdaaaaaaaa", "000100bdaaaaaaaa",  FileDest,  Optional, One,  File(Addf),                   1, Never,  "Z OV N DC C") \
X(U, INF,    3, "001110bdaaaaaaaa", "001110bdaaaaaaaa",  FileDest,  Optional, One,  File(Inf),                    1, Never,  "Z OV N DC C") \
X(U, INSZ,   4, "001111bdaaaaaaaa", "001111bdaaaaaaaa",  FileDest,  Optional, One,  File(Insz),                   1, Skip,   "")            \
X(U, DCF,    5, "001100bdaaaaaaaa", "001100bdaaaaaaaa",  FileDest,  Optional, One,  File(Dcf),                    1, Never,  "Z OV N DC C") \
X(U, DCSZ,   6, "001101bdaaaaaaaa", "001101bdaaaaaaaa",  FileDest,  Optional, One,  File(Dcsz),                   1, Skip,   "")            \
X(U, SUBF,   7, "000110bdaaaaaaaa", "000110bdaaaaaaaa",  FileDest,  Optional, One,  File(Subf),                   1, Never,  "Z OV N DC C") \
X(U, COMF,   8, "001001bdaaaaaaaa", "001001bdaaaaaaaa",  FileDest,  Optional, One,  File(Comf),                   1, Never,  "Z N")         \
X(U, MVF,    9, "011001bdaaaaaaaa", "011001bdaaaaaaaaa", FileDest,  Optional, One,  File(Mvf),                    1, Never,  "")            \
X(U, ADDC,  11, "000101bdaaaaaaaa", "000101bdaaaaaaaa",  FileDest,  Optional, One,  File(Addc),                   1, Never,  "Z OV N DC C") \
X(U, ANDF,  12, "001010bdaaaaaaaa", "001010bdaaaaaaaa",  FileDest,  Optional, One,  File(Andf),                   1, Never,  "Z N")         \
X(U, IORF,  13, "001011bdaaaaaaaa", "001011bdaaaaaaaa",  FileDest,  Optional, One,  File(Iorf),                   1, Never,  "Z N")         \
X(U, XORF,  14, "001000bdaaaaaaaa", "001000bdaaaaaaaa",  FileDest,  Optional, One,  File(Xorf),                   1, Never,  "Z N")         \
X(U, RLF,   15, "010010bdaaaaaaaa", "010010bdaaaaaaaa",  FileDest,  Optional, One,  File(Rlf),                    1, Never,  "Z N")         \
X(U, SUBC,  16, "000111bdaaaaaaaa", "000111bdaaaaaaaa",  FileDest,  Optional, One,  File(Subc),                   1, Never,  "Z OV N DC C") \
X(U, RRF,   17, "010011bdaaaaaaaa", "010011bdaaaaaaaa",  FileDest,  Optional, One,  File(Rrf),                    1, Never,  "Z N")         \
X(U, ADDL,  18, "00000100aaaaaaaa", "00000100aaaaaaaa",  Literal,   Required, One,  Own(Addl),                    1, Never,  "Z OV N DC C") \
X(U, SUBL,  19, "00001000aaaaaaaa", "00001000aaaaaaaa",  Literal,   Required, One,  Own(Subl),                    1, Never,  "Z OV N DC C") \
X(U, ANDL,  20, "00000001aaaaaaaa", "00000001aaaaaaaa",  Literal,   Required, One,  Own(Andl),                    1, Never,  "Z N")         \
X(U, IORL,  21, "00000010aaaaaaaa", "00000010aaaaaaaa",  Literal,   Required, One,  Own(Iorl),                    1, Never,  "Z N")         \
X(U, XORL,  22, "00000011aaaaaaaa", "00000011aaaaaaaa",  Literal,   Required, One,  Own(Xorl),                    1, Never,  "Z N")         \
X(U, MVL,   23, "00000110aaaaaaaa", "00000110aaaaaaaa",  Literal,   Required, One,  Own(Mvl),                     1, Never,  "")            \
X(U, RETL,  24, "00000101aaaaaaaa", "00000101aaaaaaaa",  Literal,   Required, One,  Own(Retl),                    2, Never,  "")            \
X(U, CALL,  25, "1100000baaaaaaaa", "11001aaaaaaaaaaa",  Target,    OptionalCx4a, Call, PerCore(CallLong, CallShort), 1, Never, "")          \
X(U, JMP,   26, "11000010aaaaaaaa", "01111aaaaaaaaaaa",  Target,    Required, Jmp,  PerCore(JmpLong, JmpShort),   1, Never,  "")            \
X(U, RETI,  27, "000000000000100a", "0000000000001000",  Shadow,    Optional, One,  Own(Reti),                    2, Never,  "")            \
X(U, RET,   28, "000000000000101a", "0000000000001010",  Shadow,    Optional, One,  Own(Ret),                     2, Never,  "")            \
X(U, IDLE,  29, "0000000000000001", "0000000000000001",  NoOperand, Required, One,  Own(Idle),                    1, Never,  "")            \
X(U, SLP,   30, "0000000000000010", "0000000000000010",  NoOperand, Required, One,  Own(Slp),                     1, Never,  "")            \
X(U, CWDT,  31, "0000000000000011", "0000000000000011",  NoOperand, Required, One,  Shared(Nop),                  1, Never,  "")            \
X(U, SETF,  32, "0000101daaaaaaaa", "0000101daaaaaaaa",  FileBank,  Optional, One,  File(Setf),                   1, Never,  "")            \
X(U, BCF,   33, "1000bbbdaaaaaaaa", "1000bbbdaaaaaaaa",  FileBit,   Optional, One,  File(Bcf),                    1, Never,  "")            \
X(U, BSF,   34, "1001bbbdaaaaaaaa", "1001bbbdaaaaaaaa",  FileBit,   Optional, One,  File(Bsf),                    1, Never,  "")            \
X(U, BTSZ,  35, "1010bbbdaaaaaaaa", "1010bbbdaaaaaaaa",  FileBit,   Optional, One,  File(Btsz),                   1, Skip,   "")            \
X(U, BTSS,  36, "1011bbbdaaaaaaaa", "1011bbbdaaaaaaaa",  FileBit,   Optional, One,  File(Btss),                   1, Skip,   "")            \
X(U, MULF,  37, "0000111daaaaaaaa", "",                  FileBank,  Required, One,  File(Mulf),                   2, Never,  "Z")           \
X(U, JZ,    38, "01110001aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jz),                      1, Branch, "")            \
X(U, RRFC,  39, "010100bdaaaaaaaa", "010100bdaaaaaaaa",  FileDest,  Optional, One,  File(Rrfc),                   1, Never,  "Z N C")       \
X(U, RLFC,  40, "010101bdaaaaaaaa", "010101bdaaaaaaaa",  FileDest,  Optional, One,  File(Rlfc),                   1, Never,  "Z N C")       \
X(U, SWPF,  41, "011000bdaaaaaaaa", "011000bdaaaaaaaa",  FileDest,  Optional, One,  File(Swpf),                   1, Never,  "")            \
X(U, TBLR,  43, "000000000000011a", "",                  PostInc,   Required, One,  Own(Tblr),                    2, Never,  "")            \
X(U, MVLP,  44, "00001001aaaaaaaa", "",                  TablePtr,  Required, Mvlp, Own(Mvlp),                    1, Never,  "")            \
X(U, JC,    45, "01110000aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jc),                      1, Branch, "")            \
X(U, INSUZ, 46, "010000bdaaaaaaaa", "010000bdaaaaaaaa",  FileDest,  Optional, One,  File(Insuz),                  1, Skip,   "")            \
X(U, DCSUZ, 47, "010001bdaaaaaaaa", "010001bdaaaaaaaa",  FileDest,  Optional, One,  File(Dcsuz),                  1, Skip,   "")            \
X(U, MULL,  48, "00000111aaaaaaaa", "",                  Literal,   Required, One,  Own(Mull),                    2, Never,  "")            \
X(U, LDPR,  49, "00000000000011aa", "",                  Pointer,   Required, Ldpr, Own(Ldpr),                    1, Never,  "")            \
X(U, LBSR,  50, "000000000001aaaa", "",                  Bank,      Required, One,  Own(Lbsr),                    1, Never,  "")            \
X(U, NOPF,  51, "1111aaaaaaaaaaaa", "",                  Payload,   Required, One,  Own(Nopf),                    1, Never,  "")            \
X(U, ARLC,  52, "010110bdaaaaaaaa", "",                  FileDest,  Optional, One,  File(Arlc),                   1, Never,  "Z OV N C")    \
X(U, ARRC,  53, "010111bdaaaaaaaa", "",                  FileDest,  Optional, One,  File(Arrc),                   1, Never,  "Z N C")       \
X(U, CPSG,  54, "0110100daaaaaaaa", "0110100daaaaaaaa",  FileBank,  Required, One,  File(Cpsg),                   1, Skip,   "")            \
X(U, CPSL,  55, "0110101daaaaaaaa", "0110101daaaaaaaa",  FileBank,  Required, One,  File(Cpsl),                   1, Skip,   "")            \
X(U, CPSE,  56, "0110110daaaaaaaa", "0110110daaaaaaaa",  FileBank,  Required, One,  File(Cpse),                   1, Skip,   "")            \
X(U, TFSZ,  57, "0110111daaaaaaaa", "0110111daaaaaaaa",  FileBank,  Required, One,  File(Tfsz),                   1, Skip,   "")            \
X(U, JN,    58, "01110010aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jn),                      1, Branch, "")            \
X(U, JO,    59, "01110011aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jo),                      1, Branch, "")            \
X(U, JNC,   60, "01110100aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jnc),                     1, Branch, "")            \
X(U, JNZ,   61, "01110101aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jnz),                     1, Branch, "")            \
X(U, JNN,   62, "01110110aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jnn),                     1, Branch, "")            \
X(U, JNO,   63, "01110111aaaaaaaa", "",                  Rel8,      Required, One,  Own(Jno),                     1, Branch, "")            \
X(U, BTGF,  64, "1110bbbdaaaaaaaa", "1110bbbdaaaaaaaa",  FileBit,   Optional, One,  File(Btgf),                   1, Never,  "")            \
X(U, MVFF,  65, "1101aaaaaaaaaaaa", "",                  Source,    Required, Mvff, Own(Mvff),                    1, Never,  "")            \
X(U, RJ,    66, "01111aaaaaaaaaaa", "",                  Rel11,     Required, One,  Own(Rj),                      2, Never,  "")            \
X(U, RCALL, 67, "11001aaaaaaaaaaa", "",                  Rel11,     Required, One,  Own(Rcall),                   2, Never,  "")            \
X(U, POP,   69, "0000000000100001", "",                  NoOperand, Required, One,  Own(Pop),                     1, Never,  "")
// clang-format on
