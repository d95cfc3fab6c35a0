#include "editor/asm_tokens.h"

#include "core/number.h"
#include "core/text.h"

namespace zerka {

namespace {

// The expression term alphabet: letters, digits, ".", "@" and "_" (and bytes above 127, so
// a name in another script stays one word).
bool isWordChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '@' || c == '_' || c >= 0x80;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

AsmWords::AsmWords(const std::vector<std::string>& mnemonicList,
                   const std::vector<std::string>& directiveList) {
    for (const auto& m : mnemonicList)
        mnemonics.insert(toUpperAscii(m));
    for (const auto& d : directiveList)
        directives.insert(toUpperAscii(d));
}

const std::vector<std::string>& standardDirectives() {
    static const std::vector<std::string> words = {
        "DB",    "DW",   "END",   "ENDM",   "EQU",   "INCLUDE", "LOCAL",
        "MACRO", "ORG",  "SET",   "GLOBAL", "MEMAR", "DS",      "EXTERN",
        "IF",    "ELSE", "ENDIF", "DEFINE", "LOW",   "HIGH",    "UP"};
    return words;
}

void scanAsmLine(std::string_view line, const AsmWords& words,
                 const std::function<void(size_t, AsmToken)>& run) {
    size_t i = 0;
    bool firstWord = true;
    while (i < line.size()) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == ';') {
            run(line.size() - i, AsmToken::Comment);
            return;
        }
        size_t j = i + 1;
        if (isBlank(static_cast<char>(c)) || c == '\r') {
            while (j < line.size() && (isBlank(line[j]) || line[j] == '\r'))
                ++j;
            run(j - i, AsmToken::Default);
        } else if (c == '\'' || c == '"') {
            while (j < line.size() && line[j] != static_cast<char>(c))
                ++j;
            if (j < line.size()) ++j;
            run(j - i, AsmToken::String);
            firstWord = false;
        } else if (isWordChar(c)) {
            while (j < line.size() && isWordChar(static_cast<unsigned char>(line[j])))
                ++j;
            const std::string word = toUpperAscii(line.substr(i, j - i));
            AsmToken kind = AsmToken::Default;
            if (testNumber(word).isNumber)
                kind = AsmToken::Number;
            else if (words.mnemonics.count(word))
                kind = AsmToken::Mnemonic;
            else if (words.directives.count(word))
                kind = AsmToken::Directive;
            else if (firstWord && (i == 0 || (j < line.size() && line[j] == ':')))
                kind = AsmToken::Label; // a name in the first column, or followed by ":"
            if (kind == AsmToken::Label && j < line.size() && line[j] == ':') ++j;
            run(j - i, kind);
            firstWord = false;
        } else {
            run(1, AsmToken::Operator);
            firstWord = false;
        }
        i = j;
    }
}

} // namespace zerka
