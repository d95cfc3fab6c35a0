#include "asm/symbol_tables.h"

namespace zerka {

void SymbolTables::startPass() {
    assembly.clear();
    debugger.clear();
    pending.clear();
}

void SymbolTables::clearAll() {
    assembly.clear();
    debugger.clear();
    defines.clear();
    globals.clear();
    externs.clear();
    objectSymbols.clear();
    pending.clear();
}

int addDefine(TSymDefPack& defines, std::string_view name, int32_t value) {
    return defines.add(name, name, 0, 'V', value);
}

} // namespace zerka
