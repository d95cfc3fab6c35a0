#pragma once
// A symbol of the last build as the watch list and the RAM window's automatic hints use it:
// the assembler's debugger table entry (for data names, length = the DS size).
#include <cstdint>
#include <string>

namespace zerka {

struct ViewSymbol {
    std::string name;
    int32_t value = 0;
    int32_t length = 0;
    char kind = 0; // the type letter
};

} // namespace zerka
