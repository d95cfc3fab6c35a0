#include "target/socket_chip.h"

#include <algorithm>

namespace zerka {

void SocketChip::insertBlank(uint16_t chipId) {
    present = true;
    id = chipId;
    status = 0xFFFF;
    calibrated = false;
    std::fill(code_.begin(), code_.end(), 0xFFFF);
    sbm_.fill(0xFFFF);
}

void SocketChip::remove() {
    insertBlank(0xFFFF);
    present = false;
}

uint16_t SocketChip::read(uint32_t start, uint32_t i) const {
    if (!present) return 0xFFFF;
    if (start >= kChipIdAddress && start <= kChipStatusAddress) {
        const uint32_t a = start + i;
        if (a == kChipIdAddress) return id;
        if (a == kChipStatusAddress) return status;
        return 0xFFFF;
    }
    if (start >= kChipSbmAddress && start < kChipSbmAddress + kChipSbmWords)
        return sbm(start - kChipSbmAddress + i);
    return code(start + i);
}

void SocketChip::burnCode(uint32_t k, uint16_t value) {
    if (!present || k >= kChipCodeWords || int64_t(k) == weakCell_) return;
    code_[k] &= value;
}

void SocketChip::burnSbm(uint32_t i, uint16_t value) {
    if (present && i < kChipSbmWords) sbm_[i] &= value;
}

void SocketChip::loadImage(const std::vector<uint16_t>& code, const std::vector<uint16_t>& info) {
    for (size_t k = 0; k < code.size() && k < kChipCodeWords; ++k)
        code_[k] = code[k];
    for (size_t i = 0; i < info.size() && i < 128; ++i)
        sbm_[i] = info[i];
    // A burned chip: programmed, with the checksum in SBM word 123.
    status = static_cast<uint16_t>(status & 0xFFFE);
}

} // namespace zerka
