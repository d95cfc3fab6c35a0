#pragma once
// The symbol tables of one assembly run.
#include "asm/sym_def_pack.h"

namespace zerka {

struct SymbolTables {
    TSymDefPack assembly;      // labels, EQU, SET and DS names; emptied at every encoding pass
    TSymDefPack debugger;      // EQU and DS names for the debugger and the map file
    TSymDefPack defines;       // DEFINE names; the whole run
    TSymDefPack globals;       // GLOBAL names, written to the object file
    TSymDefPack externs;       // EXTERN names, and an object file's externals while it is read
    TSymDefPack objectSymbols; // global symbols of included object files
    TSymDefPack pending;       // operands that did not evaluate during a pass

    // What the start of an encoding pass empties.
    void startPass();
    void clearAll();
};

// A DEFINE: enters `name` with kind 'V', text = the name and that value, replacing an earlier
// DEFINE of the same name. Returns the add result.
int addDefine(TSymDefPack& defines, std::string_view name, int32_t value);

} // namespace zerka
