#include "chip/chip_lines.h"

#include "core/text.h"

#include <array>

namespace zerka {
namespace {

constexpr std::array<std::string_view, 58> kKeywords = {
    "#PRODUCT",    "#COMPILER",     "#ID",        "#SUBID",       "#ROM",        "#REG0",
    "#REG1",       "#RAMBANK0",     "#RAMBANK1",  "#RAMBANK2",    "#RAMBANK3",   "#RAMBANK4",
    "#RAMBANK5",   "#RAMBANK6",     "#RAMBANK7",  "#RAMBANK8",    "#RAMBANK9",   "#RAMBANK10",
    "#RAMBANK11",  "#RAMBANK12",    "#RAMBANK13", "#RAMBANK14",   "#RAMBANK15",  "#REGBIT",
    "#REGBIT1",    "#REGBIT2",      "#REGBIT3",   "#REGBITA",     "#REGBITB",    "#REGBYTE",
    "#REGWORD",    "#REG3BYTE",     "#REGBITSTR", "#REGBITSTRCN", "#REGBYTESTR", "#REGBYTESTRCN",
    "#REGWORDSTR", "#REGWORDSTRCN", "#STACK",     "#SBMADDR",     "#SIMIC",      "#ADC0S",
    "#OP0S",       "#CMP0S",        "#SBMBANK",   "#SELFEROM",    "#SBMROM",     "#SBMSTART",
    "#SBMSECTOR",  "#HAO",          "#LAO",       "#TRISC",       "#MCKCN",      "#ACM",
    "#STACKOVER",  "#BIEBANK",      "#NUMBER",      "#FIXBITS",
};

static_assert(kSecFixBits == kKeywords.size(), "one code per keyword");

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

const std::string& ChipLineWords::w(size_t n) const {
    static const std::string empty;
    if (n == 0 || n > words.size()) return empty;
    return words[n - 1];
}

ChipLineWords CutLIPara(std::string_view line) {
    ChipLineWords result;
    line = stripCarriageReturn(line);
    if (line.size() > kChipLineLength) line = line.substr(0, kChipLineLength);
    const std::string upper = toUpperAscii(line);
    std::string_view body = upper;
    const size_t comment = body.find_first_of(";\"");
    if (comment != std::string_view::npos) {
        result.commentPos = int(comment);
        result.commentLength = int(body.size() - comment);
        body = body.substr(0, comment);
    }
    size_t i = 0;
    while (i < body.size() && result.words.size() < kChipLineWords) {
        while (i < body.size() && isBlank(body[i]))
            ++i;
        if (i >= body.size()) break;
        const size_t start = i;
        while (i < body.size() && !isBlank(body[i]))
            ++i;
        result.words.emplace_back(body.substr(start, i - start));
    }
    return result;
}

uint8_t IsPseudo(std::string_view word) {
    if (word.size() < 3 || word.front() != '#') return kNotKeyword;
    for (size_t i = 0; i < kKeywords.size(); ++i)
        if (kKeywords[i] == word) return uint8_t(i + 1);
    return kNotKeyword;
}

std::string_view sectionKeyword(uint8_t code) {
    if (code < 1 || code > kKeywords.size()) return {};
    return kKeywords[code - 1];
}

} // namespace zerka
