#pragma once
// The one-time-programmable chip in the programmer's socket. A read that starts at 4000h..40FFh
// gives the SBM area (128 words, then the BIE banks), one that starts at 80FEh the identifier
// and the protection status word (80FFh), any other one the code words from its start on, so a
// read of a whole 32K-word chip from 0 stays in the code. Programming can only clear bits; an
// erased word reads FFFFh.
#include "link/programmer_protocol.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zerka {

class SocketChip {
  public:
    bool present = false;
    uint16_t id = 0xFFFF;
    uint16_t status = 0xFFFF;
    bool calibrated = false;

    void insertBlank(uint16_t chipId);
    void remove();

    // Word `i` of a read that starts at `start`. Without a chip every word reads FFFFh.
    uint16_t read(uint32_t start, uint32_t i) const;
    uint16_t code(uint32_t k) const { return k < kChipCodeWords ? code_[k] : 0xFFFF; }
    uint16_t sbm(uint32_t i) const { return i < kChipSbmWords ? sbm_[i] : 0xFFFF; }
    // One programming pulse: the word keeps only the bits both have. A weak cell takes none.
    void burnCode(uint32_t k, uint16_t value);
    void burnSbm(uint32_t i, uint16_t value);
    // Loads a word image (code words, then information words into the SBM area) as if the chip
    // had been burned with it.
    void loadImage(const std::vector<uint16_t>& code, const std::vector<uint16_t>& info);
    void setWeakCell(int64_t k) { weakCell_ = k; }

  private:
    std::vector<uint16_t> code_ = std::vector<uint16_t>(kChipCodeWords, 0xFFFF);
    std::array<uint16_t, kChipSbmWords> sbm_ = filled();
    int64_t weakCell_ = -1;

    static std::array<uint16_t, kChipSbmWords> filled() {
        std::array<uint16_t, kChipSbmWords> a;
        a.fill(0xFFFF);
        return a;
    }
};

} // namespace zerka
