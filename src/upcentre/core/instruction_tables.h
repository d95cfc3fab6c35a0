#pragma once
// The built-in instruction tables as text lines (mnemonic, blanks, 16-character bit pattern,
// first character = bit 15) and the operation-id table they are resolved against, both made from
// the instruction list (instruction_list.h).
#include "upcentre/core/instruction_set.h"

#include <span>
#include <string_view>

namespace zerka {

// The table lines of `core` in table order (which is the decode order).
std::span<const std::string_view> builtInTableLines(CoreType core);

// The no-file-operand flag of an assigned id (false for an unassigned one).
bool opIdHasNoFileOperand(int id);

} // namespace zerka
