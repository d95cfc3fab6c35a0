#pragma once
// The 16-bit checksum of program images and the programmer's information block: each byte is
// XORed into the low byte, then eight shifts left with 8005h XORed in when a 1 is shifted out.
#include <cstdint>
#include <span>

namespace zerka {

class Checksum16 {
public:
    void add(uint8_t byte) {
        uint32_t v = value_ ^ byte;
        for (int i = 0; i < 8; ++i) {
            v <<= 1;
            if (v & 0x10000u) v ^= 0x8005u;
            v &= 0xFFFFu;
        }
        value_ = static_cast<uint16_t>(v);
    }
    // A program word, high byte first.
    void addWord(uint16_t word) {
        add(static_cast<uint8_t>(word >> 8));
        add(static_cast<uint8_t>(word & 0xFF));
    }
    void add(std::span<const uint8_t> bytes) {
        for (uint8_t b : bytes) add(b);
    }
    uint16_t value() const { return value_; }

private:
    uint16_t value_ = 0;
};

} // namespace zerka
