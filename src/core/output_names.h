#pragma once
// The output-file name rule: the main file name without its extension, followed by a suffix.
// The extension starts at the first "." among the last four characters of the name.
#include <string>
#include <string_view>

namespace zerka {

// The name without its extension (the whole name when the last four characters hold no ".").
std::string fileStem(std::string_view name);

// fileStem(mainFile) + suffix, for suffixes such as ".lst", ".hex", "_inv.hex", ".EEH".
std::string outputFileName(std::string_view mainFile, std::string_view suffix);

} // namespace zerka
