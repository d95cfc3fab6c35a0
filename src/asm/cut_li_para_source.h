#pragma once
// Splitting a source line into its fields (comment, label, operation, operands) and classifying
// the operation word as an instruction, a directive or a macro call.
#include <functional>
#include <string_view>

#include "asm/source_line.h"

namespace zerka {

class InstructionSet;
class TLinePackLink;

// The words the splitter recognises as operations.
struct LineClassifier {
    const InstructionSet* instructions = nullptr; // mnemonics and aliases of the current core
    // True for the name of a macro body known at this point; empty: no macros.
    std::function<bool(std::string_view)> isMacroName;
};

// A classifier that asks the macro list itself (exact comparison of the body names).
LineClassifier makeLineClassifier(const InstructionSet* instructions, TLinePackLink* macros);

// True for the directive words (exact, upper case).
bool isDirectiveWord(std::string_view word);

// Fills the field starts and lengths, the label, directive and macro call flags and the
// operation id of `line` from its working text. Returns false when the text holds more
// operands than the line has fields for; the fields that fit are filled.
bool CutLIParasource(SourceLine& line, const LineClassifier& words);

} // namespace zerka
