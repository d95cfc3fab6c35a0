#pragma once
// Lexical rules shared by the chip list and the chip description files.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

inline constexpr size_t kChipLineLength = 160; // lines are cut to this before they are split
inline constexpr size_t kChipLineWords = 29;   // words kept per line

struct ChipLineWords {
    std::vector<std::string> words; // upper-cased, at most 29
    int commentPos = -1;            // position of the ";" or '"' that starts the comment, or -1
    int commentLength = 0;          // including the marker

    bool hasComment() const { return commentPos >= 0; }
    size_t count() const { return words.size(); }
    // Word n counting from 1 (w1, w2, ...); empty when the line has fewer words.
    const std::string& w(size_t n) const;
};

// Splits one line: upper-cased, cut to 160 characters, comment from the first ";" or '"',
// words separated by runs of spaces and tabs.
ChipLineWords CutLIPara(std::string_view line);

// Section codes of the description file keywords (1..57); kNotKeyword for any other word.
enum SectionCode : uint8_t {
    kSecNone = 0,
    kSecProduct = 1,
    kSecCompiler,
    kSecId,
    kSecSubId,
    kSecRom,
    kSecReg0,
    kSecReg1,
    kSecRamBank0, // #RAMBANK0 .. #RAMBANK15 are kSecRamBank0 + k
    kSecRamBank15 = kSecRamBank0 + 15,
    kSecRegBit,
    kSecRegBit1,
    kSecRegBit2,
    kSecRegBit3,
    kSecRegBitA,
    kSecRegBitB,
    kSecRegByte,
    kSecRegWord,
    kSecReg3Byte,
    kSecRegBitStr,
    kSecRegBitStrCn,
    kSecRegByteStr,
    kSecRegByteStrCn,
    kSecRegWordStr,
    kSecRegWordStrCn,
    kSecStack,
    kSecSbmAddr,
    kSecSimic,
    kSecAdc0s,
    kSecOp0s,
    kSecCmp0s,
    kSecSbmBank,
    kSecSelfErom,
    kSecSbmRom,
    kSecSbmStart,
    kSecSbmSector,
    kSecHao,
    kSecLao,
    kSecTrisc,
    kSecMckcn,
    kSecAcm,
    kSecStackOver,
    kSecBieBank,
    kSecNumber, // 57
    // Our own keyword: the chip's fixed-bit rules (six 0/1 words, see ChipModel::fixedBitRules).
    kSecFixBits, // 58
    kNotKeyword = 255,
};

// The section code of an (upper-cased) word; the test is exact.
uint8_t IsPseudo(std::string_view word);

// The keyword text of a section code ("" for codes outside 1..57).
std::string_view sectionKeyword(uint8_t code);

} // namespace zerka
