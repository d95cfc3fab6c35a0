#pragma once
// Expanding macro calls: every body in definition order, then the line list. Each call gets a
// fresh local table (formal parameters, generated "Lab@%d" labels, LOCAL names), and the copies
// of the body are inserted after the call line.
#include "asm/preproc_env.h"
#include "asm/sym_def_pack.h"

namespace zerka {

class MacroExpander {
  public:
    explicit MacroExpander(PreprocEnv& env) : env_(env) {}

    bool ExpandMacros();

  private:
    // Expands the calls in `list`; `ownName` is the list's macro name (empty for the line list).
    bool expandList(TLinePack& list, const std::string* ownName);
    bool expandCall(TLinePack& list, const SourceLine& call, const std::string* ownName);

    PreprocEnv& env_;
    // The local table, emptied for each call rather than built anew (thousands of calls).
    TSymDefPack local_;
};

} // namespace zerka
