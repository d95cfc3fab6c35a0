#include "editor/asm_tokens.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

// Renders the runs as "kind:text|..." so a test reads like the line it colours.
std::string runsOf(std::string_view line, const AsmWords& words) {
    static const char* names[] = {"", "C", "M", "D", "N", "L", "S", "O"};
    std::string out;
    size_t at = 0;
    scanAsmLine(line, words, [&](size_t n, AsmToken kind) {
        if (kind != AsmToken::Default) {
            out += names[static_cast<int>(kind)];
            out += ':';
            out += line.substr(at, n);
            out += '|';
        }
        at += n;
    });
    EXPECT_EQ(at, line.size());
    return out;
}

TEST(AsmTokens, ColoursEachPartOfALine) {
    const AsmWords words({"mvl", "JMP", "DCSZ"}, standardDirectives());
    EXPECT_EQ(runsOf("START:  MVL 0FFH ; set", words), "L:START:|M:MVL|N:0FFH|C:; set|");
    EXPECT_EQ(runsOf("DLYOUT  EQU     80H", words), "L:DLYOUT|D:EQU|N:80H|");
    EXPECT_EQ(runsOf("        jmp loop+1", words), "M:jmp|O:+|N:1|");
    EXPECT_EQ(runsOf("  SPIN DLYIN, INNER", words), "O:,|"); // a macro call is not a label
    EXPECT_EQ(runsOf("\tDB 'A;B', 101B, 12D, 1BH, 0AB\r", words),
              "D:DB|S:'A;B'|O:,|N:101B|O:,|N:12D|O:,|N:1BH|O:,|");
    EXPECT_EQ(runsOf("X SET HIGH K", words), "L:X|D:SET|D:HIGH|");
    EXPECT_EQ(runsOf("", words), "");
    EXPECT_EQ(runsOf("\"open", words), "S:\"open|");
}

} // namespace
} // namespace zerka
