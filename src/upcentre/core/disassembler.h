#pragma once
// Disassembly text of decoded words, as the program-memory window and the command line show it.
#include "upcentre/core/instruction_set.h"

#include <string>

namespace zerka {

// The mnemonic left-aligned in 8 characters, then the operands in upper-case hexadecimal
// without leading zeros, the first followed by "h": "ADDF    2Ah, 1, 0". A word that does not
// decode is a single blank.
std::string disassemblyText(const DisplayDecode& decoded);
std::string disassemblyText(const DecodedInstruction& decoded);

} // namespace zerka
