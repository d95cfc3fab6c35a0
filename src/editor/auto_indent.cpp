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

std::string indentedLine(std::string_view previousLine, std::string_view caretLine) {
    std::string out(leadingIndent(previousLine));
    out += caretLine.substr(leadingBlankCount(caretLine));
    return out;
}

} // namespace zerka
