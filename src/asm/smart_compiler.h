#pragma once
// The smart compiler (CX4A): replaces two-word CALL and JMP forms whose target is near by the
// one-word RCALL and RJ and encodes the program again, repeatedly with "Optimization".
// SmartCompile itself is declared with the encoding pass.
#include "asm/encode_pass.h"

namespace zerka {

// One shortening sweep over `forms` (the long forms of the last pass, in pass order): each
// form whose target lies within reach becomes RCALL or RJ in the line list, its NOPF line
// gives way to a marker line for the listing. Returns the forms that stay long, at the
// addresses they take once the sweep's shortenings are encoded.
TCheckSmartPtr shortenLongForms(EncodeEnv& env, const TCheckSmartPtr& forms);

} // namespace zerka
