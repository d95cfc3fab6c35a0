#include "cli/chip_json.h"

#include "core/text.h"

#include <string>
#include <utility>
#include <vector>

namespace zerka::cli {
namespace {

using nlohmann::json;

json range(const AddressRange& r) {
    return {{"start", r.start}, {"end", r.end}};
}

const char* kindName(AnalogFieldKind k) {
    switch (k) {
    case AnalogFieldKind::Plain:
        return "plain";
    case AnalogFieldKind::Selector:
        return "selector";
    case AnalogFieldKind::AddressOnly:
        return "addressOnly";
    case AnalogFieldKind::Captioned:
        return "captioned";
    case AnalogFieldKind::Presence:
        return "presence";
    case AnalogFieldKind::Vdda:
        return "vdda";
    }
    return "";
}

json analogBlock(const AnalogBlock& b) {
    json fields = json::array();
    for (const AnalogField& f : b.fields)
        fields.push_back(analogFieldToJson(f));
    return fields;
}

json bitRegister(const BitRegister& r) {
    json bits = json::array();
    for (const BitEntry& b : r.bits)
        bits.push_back({{"name", b.name}, {"description", b.description}});
    return {{"name", r.name},       {"description", r.description},
            {"address", r.address}, {"page", r.page},
            {"value", r.value},     {"bits", bits}};
}

json byteRegister(const ByteRegister& r) {
    return {{"name", r.name},       {"description", r.description},
            {"address", r.address}, {"mask", r.mask},
            {"value", r.value},     {"unnamed", r.unnamed}};
}

json wordRegister(const WordRegister& r) {
    return {{"name", r.name},
            {"description", r.description},
            {"highAddress", r.highAddress},
            {"lowAddress", r.lowAddress},
            {"highMask", r.highMask},
            {"lowMask", r.lowMask},
            {"value", r.value},
            {"noMemory", r.noMemory}};
}

std::string hex(uint32_t v, int digits) {
    return hexText(v, digits) + "h";
}

} // namespace

json analogFieldToJson(const AnalogField& f) {
    json codes = json::array();
    for (bool e : f.codeExists)
        codes.push_back(e);
    return {{"name", f.name},
            {"kind", kindName(f.kind)},
            {"selectorDigits", f.selectorDigits},
            {"address", f.address},
            {"width", f.width},
            {"lowBit", f.lowBit},
            {"present", f.present},
            {"value", f.value},
            {"labels", f.labels},
            {"codeExists", codes},
            {"choiceCodes", f.choiceCodes()},
            {"caption", f.caption},
            {"optionFlag", f.optionFlag}};
}

namespace {

// The model's scalars and small records in model order: the JSON object and the text listing
// both take them from here.
std::vector<std::pair<const char*, json>> scalarFields(const ChipModel& m) {
    json banks = json::array();
    for (const AddressRange& r : m.ramBank)
        banks.push_back(range(r));
    return {
        {"productName", m.productName},
        {"compilerName", m.compilerName},
        {"coreVariant", m.coreVariant},
        {"chipId", m.chipId},
        {"romWords", m.romWords},
        {"specialRange0", range(m.specialRange0)},
        {"specialRange1", range(m.specialRange1)},
        {"ramBank", banks},
        {"lastBankIndex", m.lastBankIndex},
        {"stackDepth", m.stackDepth},
        {"sbmAddr", m.sbmAddr},
        {"emulatorIds", m.emulatorIds},
        {"reg3ByteCount", m.reg3ByteCount},
        {"bitPageCount", m.bitPageCount},
        {"byteCount", m.byteCount},
        {"wordCount", m.wordCount},
        {"sbmBankWords", m.sbmBankWords},
        {"selfEromMode", m.selfEromMode},
        {"selfEromPage", m.selfEromPage},
        {"selfEromBase", m.selfEromBase},
        {"selfEromParam", m.selfEromParam},
        {"sbmRom", m.sbmRom},
        {"sbmStart", m.sbmStart},
        {"sbmSector", m.sbmSector},
        {"hasHao", m.hasHao},
        {"hao",
         {{"w1", m.hao.w1},
          {"w2", m.hao.w2},
          {"w3", m.hao.w3},
          {"w4", m.hao.w4},
          {"w5", m.hao.w5},
          {"w6", m.hao.w6},
          {"w7", m.hao.w7}}},
        {"laoRange", {{"low", m.laoRange.low}, {"high", m.laoRange.high}}},
        {"triscBit", {{"address", m.triscBit.address}, {"bitCode", m.triscBit.bitCode}}},
        {"mckcnBit", {{"address", m.mckcnBit.address}, {"bitCode", m.mckcnBit.bitCode}}},
        {"acm",
         {{"address", m.acm.address},
          {"bit", m.acm.bit},
          {"flag", m.acm.flag},
          {"count", m.acm.count}}},
        {"acmSelectable", m.acmSelectable},
        {"acmDefaultHigh", m.acmDefaultHigh},
        {"stackOver",
         {{"address", m.stackOver.address}, {"bit", m.stackOver.bit}, {"flag", m.stackOver.flag}}},
        {"stackOverResetAvailable", m.stackOverResetAvailable},
        {"bieBank", m.bieBank},
        {"serialNumberParam", m.serialNumberParam},
        {"hasAdc", m.hasAdc},
        {"hasOp", m.hasOp},
        {"hasCmp", m.hasCmp},
    };
}

} // namespace

json chipModelToJson(const ChipModel& m) {
    json j;
    for (auto& [key, value] : scalarFields(m))
        j[key] = std::move(value);
    j["adc"] = analogBlock(m.adc);
    j["op"] = analogBlock(m.op);
    j["cmp"] = analogBlock(m.cmp);
    json bits = json::array(), bytes = json::array(), words = json::array();
    for (const BitRegister& r : m.bitRegisters)
        bits.push_back(bitRegister(r));
    for (const ByteRegister& r : m.byteRegisters)
        bytes.push_back(byteRegister(r));
    for (const WordRegister& r : m.wordRegisters)
        words.push_back(wordRegister(r));
    j["bitRegisters"] = bits;
    j["byteRegisters"] = bytes;
    j["wordRegisters"] = words;
    j["implementedBits"] = m.implementedBits;
    return j;
}

std::string dumpJson(const json& j, int indent) {
    return j.dump(indent, ' ', false, json::error_handler_t::replace);
}

void printChipModel(std::ostream& out, const ChipModel& m) {
    for (const auto& [key, value] : scalarFields(m))
        out << padRight(key, 24) << ' ' << dumpJson(value, -1) << '\n';
    out << "chipId (hex)             " << hex(m.chipId, 4) << '\n';
    if (!m.emulatorIds.empty()) {
        out << "emulatorIds (hex)       ";
        for (uint16_t id : m.emulatorIds)
            out << ' ' << hex(id, 4);
        out << '\n';
    }

    out << "\nbitRegisters (" << m.bitRegisters.count() << ")\n";
    for (const BitRegister& r : m.bitRegisters) {
        out << "  " << hex(r.address, 3) << " page " << int(r.page) << ' ' << padRight(r.name, 15)
            << ' ';
        for (const BitEntry& b : r.bits)
            out << ' ' << padRight(b.name, 8);
        out << '\n';
        if (!r.description.empty()) out << "      " << r.description << '\n';
        for (size_t i = 0; i < 8; ++i)
            if (!r.bits[i].description.empty())
                out << "      bit " << (7 - i) << ": " << r.bits[i].description << '\n';
    }
    out << "\nbyteRegisters (" << m.byteRegisters.count() << ")\n";
    for (const ByteRegister& r : m.byteRegisters) {
        out << "  " << hex(r.address, 3) << ' ' << padRight(r.unnamed ? "=" : r.name, 15)
            << " mask " << hex(r.mask, 2) << '\n';
        if (!r.description.empty()) out << "      " << r.description << '\n';
    }
    out << "\nwordRegisters (" << m.wordRegisters.count() << ")\n";
    for (const WordRegister& r : m.wordRegisters) {
        out << "  " << hex(r.highAddress, 3) << ' ' << hex(r.lowAddress, 3) << ' '
            << padRight(r.name, 15) << " masks " << hex(r.highMask, 2) << ' ' << hex(r.lowMask, 2)
            << (r.noMemory ? " noMemory" : "") << '\n';
        if (!r.description.empty()) out << "      " << r.description << '\n';
    }

    for (const AnalogBlock* b : {&m.adc, &m.op, &m.cmp}) {
        out << '\n' << (b == &m.adc ? "adc" : b == &m.op ? "op" : "cmp") << " fields\n";
        for (const AnalogField& f : b->fields) {
            if (!f.present) continue;
            out << "  " << padRight(f.name, 12) << ' ' << hex(f.address, 3) << " width "
                << int(f.width) << " lowBit " << int(f.lowBit);
            if (!f.labels.empty()) {
                out << " labels";
                for (const std::string& l : f.labels)
                    out << ' ' << (l.empty() ? "-" : l);
            }
            if (f.kind == AnalogFieldKind::Selector) {
                out << " choices";
                for (const std::string& c : f.choiceCodes())
                    out << ' ' << c;
            }
            if (!f.caption.empty()) out << " caption " << f.caption;
            if (f.optionFlag) out << " optionFlag";
            out << '\n';
        }
    }

    out << "\nimplementedBits (rows of 16 from the address shown; all-zero rows left out)\n";
    for (size_t row = 0; row < kDataAddressCount; row += 16) {
        bool any = false;
        for (size_t i = 0; i < 16; ++i)
            any = any || m.implementedBits[row + i] != 0;
        if (!any) continue;
        out << "  " << hexText(uint32_t(row), 3) << ':';
        for (size_t i = 0; i < 16; ++i)
            out << ' ' << hexText(m.implementedBits[row + i], 2);
        out << '\n';
    }
}

} // namespace zerka::cli
