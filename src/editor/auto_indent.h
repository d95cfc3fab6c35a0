#pragma once
// Automatic indentation after Enter: the new line takes the leading blanks and tabs of the
// line above it in place of its own. A line above without indentation to give (empty, or
// blanks only: Enter was pressed inside the indentation) leaves the new line's own blanks.
#include <optional>
#include <string>
#include <string_view>

namespace zerka {

// The blanks and tabs before the first other character; empty when the line has no other
// character (a blank line gives no indentation).
std::string_view leadingIndent(std::string_view line);

// Number of blanks and tabs at the start of `line` (all of them for a blank line).
size_t leadingBlankCount(std::string_view line);

// What Enter changes in the new caret line: its first `ownBlanks` characters become `indent`.
struct IndentChange {
    size_t ownBlanks = 0;
    std::string_view indent;
};
// Nothing when the line keeps its text as it is.
std::optional<IndentChange> indentChange(std::string_view previousLine, std::string_view caretLine);

// The caret line after indentation.
std::string indentedLine(std::string_view previousLine, std::string_view caretLine);

} // namespace zerka
