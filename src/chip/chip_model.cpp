#include "chip/chip_model.h"

#include <algorithm>
#include <initializer_list>

namespace zerka {
namespace {

struct FieldEntry {
    const char* name;
    AnalogFieldKind kind;
    uint8_t digits;
};

using K = AnalogFieldKind;

// Field tables of the three analog blocks.
const std::initializer_list<FieldEntry> kAdcFields = {
    {"IN0IS", K::Plain, 0},        {"PGA0GN", K::Plain, 0},         {"ENADC0", K::Plain, 0},
    {"ENHIGN0", K::Plain, 0},      {"ENCHP0", K::Plain, 0},         {"AD0GN", K::Plain, 0},
    {"INBUF0", K::Plain, 0},       {"VRBUF0", K::Plain, 0},         {"VRE0GN", K::Plain, 0},
    {"ADCCK0", K::Plain, 0},       {"DCSET0", K::Plain, 0},         {"OSR0", K::Plain, 0},
    {"ENVDDA", K::Plain, 0},       {"ADCIF", K::Plain, 0},          {"INX0", K::Selector, 0},
    {"ADCS0", K::AddressOnly, 0},  {"ADC0OH", K::AddressOnly, 0},   {"ADC0OM", K::AddressOnly, 0},
    {"ADC0OL", K::AddressOnly, 0}, {"TEMPERATURE", K::Presence, 0}, {"VDDAX", K::Vdda, 0},
};

const std::initializer_list<FieldEntry> kOpFields = {
    {"ENOP", K::Plain, 0},   {"OP0M", K::Plain, 0},    {"OP0IS", K::Plain, 0},
    {"ENVDDA", K::Plain, 0}, {"OP0P", K::Selector, 2}, {"OP0N", K::Selector, 3},
    {"VDDAX", K::Vdda, 0},
};

const std::initializer_list<FieldEntry> kCmpFields = {
    {"ENCPA", K::Plain, 0},       {"CPIST", K::Plain, 0},      {"CPIX", K::Plain, 0},
    {"CPOIES", K::Plain, 0},      {"CPOX", K::Plain, 0},       {"CPOFR", K::Plain, 0},
    {"CS1", K::Plain, 0},         {"CS2", K::Plain, 0},        {"CAPAT", K::Plain, 0},
    {"CPVCS", K::Plain, 0},       {"CPVRS", K::Plain, 0},      {"CPOIF", K::Plain, 0},
    {"ENVDDA", K::Plain, 0},      {"VDDAX", K::Vdda, 0},       {"ENACM", K::Plain, 0},
    {"CPIH", K::Selector, 2},     {"CPIL", K::Selector, 3},    {"PTMX", K::Captioned, 0},
    {"TRISCX", K::Captioned, 0},  {"PTDAX", K::Captioned, 0},  {"PTMX1", K::Captioned, 0},
    {"TRISCX1", K::Captioned, 0}, {"PTDAX1", K::Captioned, 0},
};

std::string binaryCode(unsigned code, unsigned digits) {
    std::string s(digits, '0');
    for (unsigned i = 0; i < digits; ++i)
        if (code & (1u << i)) s[digits - 1 - i] = '1';
    return s;
}

} // namespace

std::vector<std::string> AnalogField::choiceCodes() const {
    std::vector<std::string> codes;
    unsigned digits = selectorDigits;
    if (digits == 0) digits = std::clamp<unsigned>(width, 1, 3);
    for (size_t c = 0; c < codeExists.size(); ++c)
        if (codeExists[c]) codes.push_back(binaryCode(unsigned(c), digits));
    return codes;
}

const AnalogField* AnalogBlock::field(std::string_view name) const {
    for (const AnalogField& f : fields)
        if (f.name == name) return &f;
    return nullptr;
}

AnalogField* AnalogBlock::field(std::string_view name) {
    for (AnalogField& f : fields)
        if (f.name == name) return &f;
    return nullptr;
}

void AnalogBlock::resetFields() {
    for (AnalogField& f : fields) {
        const uint8_t cached = f.value; // the calculator's cache is not the loader's to clear
        const std::string name = std::move(f.name);
        const AnalogFieldKind kind = f.kind;
        const uint8_t digits = f.selectorDigits;
        f = AnalogField{};
        f.name = name;
        f.kind = kind;
        f.selectorDigits = digits;
        f.value = cached;
    }
}

AnalogBlock makeAnalogBlock(AnalogBlockKind kind) {
    AnalogBlock block;
    block.kind = kind;
    const auto& fieldTable = kind == AnalogBlockKind::Adc     ? kAdcFields
                        : kind == AnalogBlockKind::OpAmp ? kOpFields
                                                         : kCmpFields;
    block.fields.reserve(fieldTable.size());
    for (const FieldEntry& s : fieldTable) {
        AnalogField f;
        f.name = s.name;
        f.kind = s.kind;
        f.selectorDigits = s.digits;
        block.fields.push_back(std::move(f));
    }
    return block;
}

const BitRegister* ChipModel::findBitRegister(uint16_t address) const {
    for (const BitRegister& r : bitRegisters)
        if (r.address == address) return &r;
    return nullptr;
}

const ByteRegister* ChipModel::findByteRegister(uint16_t address) const {
    for (const ByteRegister& r : byteRegisters)
        if (r.address == address) return &r;
    return nullptr;
}

const WordRegister* ChipModel::findWordRegister(uint16_t highAddress, uint16_t lowAddress) const {
    for (const WordRegister& r : wordRegisters)
        if (r.highAddress == highAddress && r.lowAddress == lowAddress) return &r;
    return nullptr;
}

} // namespace zerka
