#pragma once
// Reading and writing one register field of an analog block through the uP centre. Reads take
// the byte from data memory; writes go through SetRegister, so the edit is recorded, reaches the
// emulator in emulator mode and makes every window refresh. Nothing else touches the register.
#include "chip/chip_model.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zerka {

class TZk_UP;

// The largest code the field can hold: 2^width - 1 (0 for a field without bits).
unsigned fieldMaxCode(const AnalogField& f);

// (byte AND (mask shl lowBit)) shr lowBit of the byte at the field's address.
uint8_t fieldCodeOf(const AnalogField& f, uint8_t byte);
// The register byte with the field replaced by `code` (the other bits kept).
uint8_t fieldByteWith(const AnalogField& f, uint8_t byte, unsigned code);

// The field's code in data memory; 0 without a uP centre.
uint8_t readAnalogField(const TZk_UP* up, const AnalogField& f);
// Writes `code` into the field through SetRegister. False, and nothing written, without a uP
// centre, for a field the chip lacks, or for a code the field cannot hold.
bool writeAnalogField(TZk_UP* up, const AnalogField& f, unsigned code);

// A drop-down text as a code: "101" is 5; a text that is no binary code gives 0.
unsigned binaryCodeOf(std::string_view text);
// `code` written in binary with `digits` digits.
std::string binaryText(unsigned code, unsigned digits);

} // namespace zerka
