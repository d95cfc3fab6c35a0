#pragma once
// The fields of the assembler's 28-byte macro record (little-endian), as the source view reads
// them while stepping through macro bodies.
#include "asm/assembler.h"

#include <cstdint>

namespace zerka {

struct MacroFields {
    bool bodyLine = false; // a macro-body line without its own code address
    bool noCode = false;
    uint32_t address = 0xFFFFF;
    uint8_t stepFile = 0; // 0-based
    uint8_t callFile = 0; // 0-based
    uint16_t stepLine = 0;
    uint16_t callLine = 0;
    uint16_t outer = 0; // the outermost record names itself
    uint16_t next = 0;  // 0 = end of the expansion
    uint32_t first = 0; // the expansion's code range (Step Over runs through it)
    uint32_t last = 0;

    static MacroFields of(const MacroRecord& r) {
        auto u16 = [&](size_t at) { return uint16_t(r[at] | (r[at + 1] << 8)); };
        auto u32 = [&](size_t at) { return uint32_t(u16(at)) | (uint32_t(u16(at + 2)) << 16); };
        MacroFields f;
        f.bodyLine = r[0] == 1;
        f.noCode = r[1] != 0;
        f.address = u32(4);
        f.stepFile = r[8];
        f.callFile = r[9];
        f.stepLine = u16(10);
        f.callLine = u16(12);
        f.outer = u16(14);
        f.next = u16(16);
        f.first = u32(20);
        f.last = u32(24);
        return f;
    }
};

} // namespace zerka
