#include "views/sram_codegen.h"

#include "core/text.h"

#include <bit>

namespace zerka {

namespace {

constexpr const char* kLbsr = "       LBSR    ";
constexpr const char* kBsf = "       BSF     ";
constexpr const char* kBcf = "       BCF     ";
constexpr const char* kMvl = "       MVL     ";
constexpr const char* kMvf = "       MVF     ";

bool writtenBefore(std::span<const RegRecordEntry> entries, size_t i) {
    for (size_t k = 0; k < i; ++k)
        if (entries[k].address == entries[i].address) return true;
    return false;
}

} // namespace

std::vector<std::string> generateSramLines(std::span<const RegRecordEntry> entries, CoreType core) {
    std::vector<std::string> lines;
    uint32_t currentBank = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const RegRecordEntry& e = entries[i];
        const uint32_t bank = e.address / 256;
        // Only CX4A addresses through the bank select register; CX4B and bank 0 use the
        // access bank.
        const bool banked = core == CoreType::CX4A && bank != 0;
        const std::string access = banked ? "1" : "0";
        const std::string mode = banked ? "BANK" : "ACCE";
        const std::string address = hexText(e.address, 4) + "h";
        const bool named = !e.name.empty();

        if (banked && bank != currentBank) {
            std::string line = kLbsr + std::to_string(bank);
            if (named) line += "   ; LBSR   " + e.name;
            lines.push_back(std::move(line));
            currentBank = bank;
        }

        const uint8_t changed = e.newValue ^ e.oldValue;
        if (i > 0 && std::has_single_bit(changed) && writtenBefore(entries, i)) {
            const int bit = std::countr_zero(changed);
            const bool set = (e.newValue & changed) != 0;
            std::string line = std::string(set ? kBsf : kBcf) + address + ", " +
                               std::to_string(bit) + ", " + access;
            if (named)
                line += std::string(set ? "   ; BSF   " : "   ; BCF   ") + e.name + ", " +
                        std::to_string(bit) + ", " + mode;
            lines.push_back(std::move(line));
            continue;
        }

        lines.push_back(kMvl + hexText(e.newValue, 3) + "h");
        std::string line = kMvf + address + ", 1, " + access;
        if (named) line += "   ; MVF   " + e.name + ", F, " + mode;
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace zerka
