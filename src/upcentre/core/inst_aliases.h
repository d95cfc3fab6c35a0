#pragma once
// "Inst.txt": alternative names (aliases) for the CX4A mnemonics, one per line:
//   ADDF  ADDWF   ; ADDWF now assembles as ADDF
// The first word is the mnemonic when it equals one exactly (case-sensitive); otherwise it is
// a label and the next word must be the mnemonic. The first operand becomes the alias (upper
// case) unless it is empty or itself a mnemonic. Later lines for the same mnemonic win.
#include "upcentre/core/instruction_set.h"

#include <filesystem>
#include <string_view>

namespace zerka {

// Applies the lines of an Inst.txt text to `set`. Returns the number of lines that set an alias.
int applyInstAliasesText(InstructionSet& set, std::string_view text);

// Reads and applies the file; a missing or unreadable file is skipped (returns 0).
int applyInstAliases(InstructionSet& set, const std::filesystem::path& instTxt);

// "Inst.txt" in the program directory.
std::filesystem::path defaultInstTxtPath();

} // namespace zerka
