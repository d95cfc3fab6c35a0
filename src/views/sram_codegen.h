#pragma once
// The instructions that reproduce the register record's edits: a byte load and store per entry,
// or a single bit set/clear when the entry changes one bit of an address written before. The
// CX4A core reaches banks other than 0 through the bank select register, so a bank change
// emits an LBSR first.
#include "upcentre/core/instruction_set.h"
#include "upcentre/core/register_record.h"

#include <span>
#include <string>
#include <vector>

namespace zerka {

// One instruction per line, with a trailing comment when the entry has a name. The current
// bank starts at 0 for every call.
std::vector<std::string> generateSramLines(std::span<const RegRecordEntry> entries, CoreType core);

} // namespace zerka
