#include "upcentre/core/disassembler.h"

#include <fmt/format.h>

namespace zerka {
namespace {

std::string format(bool found, std::string_view mnemonic, uint8_t count,
                   const std::array<uint16_t, 3>& ops) {
    if (!found) return " ";
    // Padded to 8 like "%-8s": a longer mnemonic is not cut.
    std::string text(mnemonic);
    if (text.size() < 8) text.resize(8, ' ');
    if (count >= 1) text += fmt::format("{:X}h", ops[0]);
    for (int k = 1; k < count; ++k)
        text += fmt::format(", {:X}", ops[k]);
    return text;
}

} // namespace

std::string disassemblyText(const DisplayDecode& decoded) {
    return format(decoded.found, decoded.mnemonic, decoded.operandCount, decoded.operands);
}

std::string disassemblyText(const DecodedInstruction& decoded) {
    if (!decoded.found || !decoded.def) return " ";
    return format(true, decoded.def->mnemonic, decoded.operandCount, decoded.operands);
}

} // namespace zerka
