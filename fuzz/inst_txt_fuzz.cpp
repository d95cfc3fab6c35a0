// Inst.txt is read from the program directory on every CX4A table load; whatever it holds, the
// table must stay intact: every mnemonic still finds its own definition and decoding is unchanged.
#include "core/text.h"
#include "upcentre/core/inst_aliases.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zerka::InstructionSet set(zerka::CoreType::CX4A);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zerka::applyInstAliasesText(set, text);
    if (set.size() != 67) std::abort();
    for (const zerka::InstructionDef& def : set.definitions()) {
        if (set.findByMnemonicOrAlias(def.mnemonic) != &def) std::abort();
        if (def.alias.empty() || def.alias.size() > 160) std::abort();
        if (zerka::toUpperAscii(def.alias) != def.alias) std::abort();
        if (def.alias != def.mnemonic && set.isMnemonic(def.alias)) std::abort();
    }
    if (set.decode(0x122A).id != zerka::OpId::ADDF) std::abort();
    return 0;
}
