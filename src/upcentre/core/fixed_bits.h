#pragma once
// The chip's fixed-bit rules: bits of a few registers that the silicon holds at a fixed value,
// applied after every register edit and after every emulator refresh so the mirror never shows
// a value the chip cannot hold.
//
// Which rules a chip uses is part of its description file. The keyword "#FIXBITS" opens the
// section; its data line holds six words, each 0 (off) or 1 (on), in this order:
//   w1  address 30h: set bits 6 and 5
//   w2  address 3Ch: when bit 4 or bit 3 is set, set both
//   w3  address 3Ch: clear bit 6
//   w4  address 3Ch: clear bit 5
//   w5  address 3Dh: clear bit 4
//   w6  address 3Dh: clear bit 5
// for example "#FIXBITS" followed by the line "1 1 0 0 1 1". A chip without the section uses no
// rule. The words follow the description file's number notation, so "1", "01" and "1H" all
// count as 1.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

struct FixedBitRules {
    static constexpr size_t kRuleCount = 6;
    std::array<bool, kRuleCount> on{};

    bool any() const;
    // The byte as the chip holds it after writing `value` at `address`.
    uint8_t apply(uint32_t address, uint8_t value) const;
    // True when some switched-on rule concerns `address` (30h, 3Ch or 3Dh).
    bool concerns(uint32_t address) const;
    bool operator==(const FixedBitRules&) const = default;
};

struct FixedBitsParse {
    bool ok = false;
    FixedBitRules rules;
    std::string error; // why the line was refused, in the loader's words
};

// Reads the "#FIXBITS" data line (its words, already split and upper-cased by the loader).
// Exactly six words, each a number of value 0 or 1; anything else refuses the line so that a
// faulty file never switches on rules it did not ask for.
FixedBitsParse parseFixedBitsLine(const std::vector<std::string>& words);
FixedBitsParse parseFixedBitsLine(const std::vector<std::string_view>& words);

// The section keyword the loader recognises for these lines.
inline constexpr std::string_view kFixedBitsKeyword = "#FIXBITS";

} // namespace zerka
