#include "upcentre/core/instruction_tables.h"

#include <array>

namespace zerka {
namespace {

// Pattern letters: 0/1 fixed bits, a = main operand, b = second field (destination, bit number
// or shadow select), d = bank select.
constexpr std::array<std::string_view, 67> kCx4aLines = {
    "NOP     0000000000000000", "CLRF    0000110daaaaaaaa", "ADDF    000100bdaaaaaaaa",
    "INF     001110bdaaaaaaaa", "INSZ    001111bdaaaaaaaa", "DCF     001100bdaaaaaaaa",
    "DCSZ    001101bdaaaaaaaa", "SUBF    000110bdaaaaaaaa", "COMF    001001bdaaaaaaaa",
    "MVF     011001bdaaaaaaaa", "ADDC    000101bdaaaaaaaa", "ANDF    001010bdaaaaaaaa",
    "IORF    001011bdaaaaaaaa", "XORF    001000bdaaaaaaaa", "RLF     010010bdaaaaaaaa",
    "SUBC    000111bdaaaaaaaa", "RRF     010011bdaaaaaaaa", "ADDL    00000100aaaaaaaa",
    "SUBL    00001000aaaaaaaa", "ANDL    00000001aaaaaaaa", "IORL    00000010aaaaaaaa",
    "XORL    00000011aaaaaaaa", "MVL     00000110aaaaaaaa", "RETL    00000101aaaaaaaa",
    "CALL    1100000baaaaaaaa", "JMP     11000010aaaaaaaa", "RETI    000000000000100a",
    "RET     000000000000101a", "IDLE    0000000000000001", "SLP     0000000000000010",
    "CWDT    0000000000000011", "SETF    0000101daaaaaaaa", "BCF     1000bbbdaaaaaaaa",
    "BSF     1001bbbdaaaaaaaa", "BTSZ    1010bbbdaaaaaaaa", "BTSS    1011bbbdaaaaaaaa",
    "MULF    0000111daaaaaaaa", "JZ      01110001aaaaaaaa", "RRFC    010100bdaaaaaaaa",
    "RLFC    010101bdaaaaaaaa", "SWPF    011000bdaaaaaaaa", "TBLR    000000000000011a",
    "MVLP    00001001aaaaaaaa", "JC      01110000aaaaaaaa", "INSUZ   010000bdaaaaaaaa",
    "DCSUZ   010001bdaaaaaaaa", "MULL    00000111aaaaaaaa", "LDPR    00000000000011aa",
    "LBSR    000000000001aaaa", "NOPF    1111aaaaaaaaaaaa", "ARLC    010110bdaaaaaaaa",
    "ARRC    010111bdaaaaaaaa", "CPSG    0110100daaaaaaaa", "CPSL    0110101daaaaaaaa",
    "CPSE    0110110daaaaaaaa", "TFSZ    0110111daaaaaaaa", "JN      01110010aaaaaaaa",
    "JO      01110011aaaaaaaa", "JNC     01110100aaaaaaaa", "JNZ     01110101aaaaaaaa",
    "JNN     01110110aaaaaaaa", "JNO     01110111aaaaaaaa", "BTGF    1110bbbdaaaaaaaa",
    "MVFF    1101aaaaaaaaaaaa", "RJ      01111aaaaaaaaaaa", "RCALL   11001aaaaaaaaaaa",
    "POP     0000000000100001",
};

// The MVF line carries a 17th pattern character; the build ignores everything after 16.
constexpr std::array<std::string_view, 46> kCx4bLines = {
    "NOP     0000000000000000",  "CLRF    0000110daaaaaaaa", "ADDF    000100bdaaaaaaaa",
    "INF     001110bdaaaaaaaa",  "INSZ    001111bdaaaaaaaa", "DCF     001100bdaaaaaaaa",
    "DCSZ    001101bdaaaaaaaa",  "SUBF    000110bdaaaaaaaa", "COMF    001001bdaaaaaaaa",
    "MVF     011001bdaaaaaaaaa", "ADDC    000101bdaaaaaaaa", "ANDF    001010bdaaaaaaaa",
    "IORF    001011bdaaaaaaaa",  "XORF    001000bdaaaaaaaa", "RLF     010010bdaaaaaaaa",
    "SUBC    000111bdaaaaaaaa",  "RRF     010011bdaaaaaaaa", "ADDL    00000100aaaaaaaa",
    "SUBL    00001000aaaaaaaa",  "ANDL    00000001aaaaaaaa", "IORL    00000010aaaaaaaa",
    "XORL    00000011aaaaaaaa",  "MVL     00000110aaaaaaaa", "RETL    00000101aaaaaaaa",
    "CALL    11001aaaaaaaaaaa",  "JMP     01111aaaaaaaaaaa", "RETI    0000000000001000",
    "RET     0000000000001010",  "IDLE    0000000000000001", "SLP     0000000000000010",
    "CWDT    0000000000000011",  "SETF    0000101daaaaaaaa", "BCF     1000bbbdaaaaaaaa",
    "BSF     1001bbbdaaaaaaaa",  "BTSZ    1010bbbdaaaaaaaa", "BTSS    1011bbbdaaaaaaaa",
    "RRFC    010100bdaaaaaaaa",  "RLFC    010101bdaaaaaaaa", "SWPF    011000bdaaaaaaaa",
    "INSUZ   010000bdaaaaaaaa",  "DCSUZ   010001bdaaaaaaaa", "CPSG    0110100daaaaaaaa",
    "CPSL    0110101daaaaaaaa",  "CPSE    0110110daaaaaaaa", "TFSZ    0110111daaaaaaaa",
    "BTGF    1110bbbdaaaaaaaa",
};

struct OpIdInfo {
    std::string_view mnemonic; // empty: id not assigned
    bool noFileOperand = false;
};

constexpr std::array<OpIdInfo, kOpIdCount> makeOpIdTable() {
    std::array<OpIdInfo, kOpIdCount> t{};
    auto set = [&t](OpId id, std::string_view m, bool noFile) {
        t[static_cast<size_t>(id)] = OpIdInfo{m, noFile};
    };
    set(OpId::NOP, "NOP", true);
    set(OpId::CLRF, "CLRF", false);
    set(OpId::ADDF, "ADDF", false);
    set(OpId::INF, "INF", false);
    set(OpId::INSZ, "INSZ", false);
    set(OpId::DCF, "DCF", false);
    set(OpId::DCSZ, "DCSZ", false);
    set(OpId::SUBF, "SUBF", false);
    set(OpId::COMF, "COMF", false);
    set(OpId::MVF, "MVF", false);
    set(OpId::ADDC, "ADDC", false);
    set(OpId::ANDF, "ANDF", false);
    set(OpId::IORF, "IORF", false);
    set(OpId::XORF, "XORF", false);
    set(OpId::RLF, "RLF", false);
    set(OpId::SUBC, "SUBC", false);
    set(OpId::RRF, "RRF", false);
    set(OpId::ADDL, "ADDL", true);
    set(OpId::SUBL, "SUBL", true);
    set(OpId::ANDL, "ANDL", true);
    set(OpId::IORL, "IORL", true);
    set(OpId::XORL, "XORL", true);
    set(OpId::MVL, "MVL", true);
    set(OpId::RETL, "RETL", true);
    set(OpId::CALL, "CALL", true);
    set(OpId::JMP, "JMP", true);
    set(OpId::RETI, "RETI", true);
    set(OpId::RET, "RET", true);
    set(OpId::IDLE, "IDLE", true);
    set(OpId::SLP, "SLP", true);
    set(OpId::CWDT, "CWDT", true);
    set(OpId::SETF, "SETF", false);
    set(OpId::BCF, "BCF", false);
    set(OpId::BSF, "BSF", false);
    set(OpId::BTSZ, "BTSZ", false);
    set(OpId::BTSS, "BTSS", false);
    set(OpId::MULF, "MULF", false);
    set(OpId::JZ, "JZ", true);
    set(OpId::RRFC, "RRFC", false);
    set(OpId::RLFC, "RLFC", false);
    set(OpId::SWPF, "SWPF", false);
    set(OpId::TBLR, "TBLR", true);
    set(OpId::MVLP, "MVLP", true);
    set(OpId::JC, "JC", true);
    set(OpId::INSUZ, "INSUZ", false);
    set(OpId::DCSUZ, "DCSUZ", false);
    set(OpId::MULL, "MULL", true);
    set(OpId::LDPR, "LDPR", true);
    set(OpId::LBSR, "LBSR", true);
    set(OpId::NOPF, "NOPF", true);
    set(OpId::ARLC, "ARLC", false);
    set(OpId::ARRC, "ARRC", false);
    set(OpId::CPSG, "CPSG", false);
    set(OpId::CPSL, "CPSL", false);
    set(OpId::CPSE, "CPSE", false);
    set(OpId::TFSZ, "TFSZ", false);
    set(OpId::JN, "JN", true);
    set(OpId::JO, "JO", true);
    set(OpId::JNC, "JNC", true);
    set(OpId::JNZ, "JNZ", true);
    set(OpId::JNN, "JNN", true);
    set(OpId::JNO, "JNO", true);
    set(OpId::BTGF, "BTGF", false);
    set(OpId::MVFF, "MVFF", true);
    set(OpId::RJ, "RJ", true);
    set(OpId::RCALL, "RCALL", true);
    set(OpId::POP, "POP", true);
    return t;
}

constexpr std::array<OpIdInfo, kOpIdCount> kOpIds = makeOpIdTable();

} // namespace

std::span<const std::string_view> builtInTableLines(CoreType core) {
    if (core == CoreType::CX4B) return kCx4bLines;
    return kCx4aLines;
}

std::string_view opIdMnemonic(int id) {
    if (id < 0 || id >= kOpIdCount) return {};
    return kOpIds[static_cast<size_t>(id)].mnemonic;
}

int opIdFromMnemonic(std::string_view mnemonic) {
    if (mnemonic.empty()) return -1;
    for (size_t i = 0; i < kOpIds.size(); ++i)
        if (kOpIds[i].mnemonic == mnemonic) return static_cast<int>(i);
    return -1;
}

bool opIdHasNoFileOperand(int id) {
    if (id < 0 || id >= kOpIdCount) return false;
    return kOpIds[static_cast<size_t>(id)].noFileOperand;
}

std::string_view coreTypeName(CoreType core) {
    return core == CoreType::CX4B ? "CX4B" : "CX4A";
}

} // namespace zerka
