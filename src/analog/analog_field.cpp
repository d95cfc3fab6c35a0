#include "analog/analog_field.h"

#include "upcentre/run/up_centre.h"

namespace zerka {

unsigned fieldMaxCode(const AnalogField& f) {
    const unsigned width = f.width > 8 ? 8 : f.width;
    return (1u << width) - 1u;
}

uint8_t fieldCodeOf(const AnalogField& f, uint8_t byte) {
    const unsigned mask = fieldMaxCode(f) << f.lowBit;
    return uint8_t((byte & mask) >> f.lowBit);
}

uint8_t fieldByteWith(const AnalogField& f, uint8_t byte, unsigned code) {
    const unsigned mask = fieldMaxCode(f) << f.lowBit;
    return uint8_t((byte & ~mask) | ((code << f.lowBit) & mask));
}

uint8_t readAnalogField(const TZk_UP* up, const AnalogField& f) {
    if (!up || !f.present) return 0;
    return fieldCodeOf(f, up->cpu().ReadData(f.address));
}

bool writeAnalogField(TZk_UP* up, const AnalogField& f, unsigned code) {
    if (!up || !f.available() || code > fieldMaxCode(f)) return false;
    up->SetRegister(f.address, fieldByteWith(f, up->cpu().ReadData(f.address), code));
    return true;
}

unsigned binaryCodeOf(std::string_view text) {
    if (text.empty() || text.size() > 8) return 0;
    unsigned code = 0;
    for (char c : text) {
        if (c != '0' && c != '1') return 0;
        code = code * 2 + unsigned(c - '0');
    }
    return code;
}

std::string binaryText(unsigned code, unsigned digits) {
    std::string s(digits, '0');
    for (unsigned i = 0; i < digits; ++i)
        if (code & (1u << i)) s[digits - 1 - i] = '1';
    return s;
}

} // namespace zerka
