#pragma once
// Splits one line of assembly source into coloured runs for the editor and the source view:
// comments, mnemonics of the selected core, directives, numbers in the assembler's notation,
// labels, quoted strings and the rest.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zerka {

enum class AsmToken { Default = 0, Comment, Mnemonic, Directive, Number, Label, String, Operator };
inline constexpr int kAsmTokenKinds = 8;

// Upper-case words of the language: the core's mnemonics and aliases, and the directives.
struct AsmWords {
    std::unordered_set<std::string> mnemonics;
    std::unordered_set<std::string> directives;

    AsmWords() = default;
    AsmWords(const std::vector<std::string>& mnemonicList,
             const std::vector<std::string>& directiveList);
};

// The assembler's own directive words, for when no list is given.
const std::vector<std::string>& standardDirectives();

// Calls `run(length, kind)` for consecutive runs covering the whole line (bytes). The line
// excludes its line end; a trailing "\r" is reported as Default.
void scanAsmLine(std::string_view line, const AsmWords& words,
                 const std::function<void(size_t, AsmToken)>& run);

} // namespace zerka
