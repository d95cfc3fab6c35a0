#pragma once
// Automatic indentation after Enter: the new line takes the leading blanks and tabs of the
// line above it in place of its own.
#include <string>
#include <string_view>

namespace zerka {

// The blanks and tabs before the first other character; empty when the line has no other
// character (a blank line gives no indentation).
std::string_view leadingIndent(std::string_view line);

// Number of blanks and tabs at the start of `line` (all of them for a blank line).
size_t leadingBlankCount(std::string_view line);

// The caret line after indentation: the previous line's indent replacing its own.
std::string indentedLine(std::string_view previousLine, std::string_view caretLine);

} // namespace zerka
