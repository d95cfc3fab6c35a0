#include "upcentre/core/fixed_bits.h"

#include "core/number.h"

namespace zerka {

bool FixedBitRules::any() const {
    for (bool b : on)
        if (b) return true;
    return false;
}

bool FixedBitRules::concerns(uint32_t address) const {
    switch (address) {
    case 0x30:
        return on[0];
    case 0x3C:
        return on[1] || on[2] || on[3];
    case 0x3D:
        return on[4] || on[5];
    default:
        return false;
    }
}

uint8_t FixedBitRules::apply(uint32_t address, uint8_t value) const {
    uint32_t v = value;
    switch (address) {
    case 0x30:
        if (on[0]) v |= 0x60;
        break;
    case 0x3C:
        if (on[1] && (v & 0x18)) v |= 0x18;
        if (on[2]) v &= ~0x40u;
        if (on[3]) v &= ~0x20u;
        break;
    case 0x3D:
        if (on[4]) v &= ~0x10u;
        if (on[5]) v &= ~0x20u;
        break;
    default:
        break;
    }
    return static_cast<uint8_t>(v);
}

namespace {

template <typename Word> FixedBitsParse parseWords(const std::vector<Word>& words) {
    FixedBitsParse result;
    if (words.size() != FixedBitRules::kRuleCount) {
        result.error = "#FIXBITS needs six values (0 or 1), found " + std::to_string(words.size());
        return result;
    }
    FixedBitRules rules;
    for (size_t i = 0; i < words.size(); ++i) {
        NumberTest t = testNumber(words[i]);
        if (!t.isNumber || (t.value != 0 && t.value != 1)) {
            result.error = "#FIXBITS value " + std::to_string(i + 1) + " \"" +
                           std::string(words[i]) + "\" is not 0 or 1";
            return result;
        }
        rules.on[i] = t.value == 1;
    }
    result.rules = rules;
    result.ok = true;
    return result;
}

} // namespace

FixedBitsParse parseFixedBitsLine(const std::vector<std::string>& words) {
    return parseWords(words);
}

FixedBitsParse parseFixedBitsLine(const std::vector<std::string_view>& words) {
    return parseWords(words);
}

} // namespace zerka
