#include "editor/auto_indent.h"

namespace zerka {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

size_t leadingBlankCount(std::string_view line) {
    size_t n = 0;
    while (n < line.size() && isBlank(line[n]))
        ++n;
    return n;
}

std::string_view leadingIndent(std::string_view line) {
    const size_t n = leadingBlankCount(line);
    // Line ends are not text: a line of blanks only has nothing to copy.
    if (n == line.size() || line[n] == '\r' || line[n] == '\n') return {};
    return line.substr(0, n);
}

std::optional<IndentChange> indentChange(std::string_view previousLine,
                                         std::string_view caretLine) {
    const std::string_view indent = leadingIndent(previousLine);
    // Enter at the start (or inside the indentation) of an indented line leaves a line above
    // with nothing to give: the moved line keeps its own blanks rather than losing them.
    if (indent.empty()) return std::nullopt;
    const size_t own = leadingBlankCount(caretLine);
    if (caretLine.substr(0, own) == indent) return std::nullopt;
    return IndentChange{own, indent};
}

std::string indentedLine(std::string_view previousLine, std::string_view caretLine) {
    const std::optional<IndentChange> change = indentChange(previousLine, caretLine);
    if (!change) return std::string(caretLine);
    std::string out(change->indent);
    out += caretLine.substr(change->ownBlanks);
    return out;
}

} // namespace zerka
