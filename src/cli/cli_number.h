#pragma once
// Numbers on the command line: the assembler's notation ("50H", "0C8H", "1010B", "200"), but
// with their full value. The assembler's machine integers wrap at 32 bits; a command-line value
// that does so would pass a range check it should fail.
#include <cstdint>
#include <string_view>

namespace zerka::cli {

struct CommandNumber {
    bool isNumber = false;
    bool tooLarge = false; // a number whose value does not fit 64 bits
    int64_t value = 0;
};

CommandNumber parseCommandNumber(std::string_view text);

} // namespace zerka::cli
