// The shipped chip library (chips/) and the example programs that use it: every chip loads,
// the library holds the chips the other parts test against, register names sit at the
// addresses the simulator uses, and the register include files agree with the descriptions.
#include "chip/chip_library.h"
#include "core/number.h"
#include "core/path_lookup.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace zerka {
namespace {

namespace fs = std::filesystem;

fs::path libraryDir() {
    return test::sourceDir() / "chips";
}
fs::path examplesDir() {
    return test::sourceDir() / "examples";
}

ChipLibrary openLibrary() {
    ChipLibrary library(libraryDir());
    std::string error;
    EXPECT_TRUE(library.buildChipList(&error)) << error;
    return library;
}

ChipModel loadChip(ChipLibrary& library, int index, int language = 0, uint16_t iceBodyId = 0) {
    ChipModel model;
    ChipLoadContext context;
    context.languageIndex = language;
    context.iceBodyId = iceBodyId;
    std::string error;
    EXPECT_TRUE(library.GetSELUP(index, model, context, &error))
        << library.entries().at(size_t(index)).name << ": " << error;
    return model;
}

std::vector<std::string> readLines(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    EXPECT_TRUE(in) << file;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> splitWords(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string bitName(const BitRegister& r, int bit) {
    return r.bits[size_t(7 - bit)].name;
}

// Where a register name lives in a loaded model.
struct NamedRegister {
    uint16_t address = 0;
    const BitRegister* bits = nullptr; // for bit registers
};

std::optional<NamedRegister> findByName(const ChipModel& m, const std::string& name) {
    for (const BitRegister& r : m.bitRegisters)
        if (r.name == name) return NamedRegister{r.address, &r};
    for (const ByteRegister& r : m.byteRegisters)
        if (!r.unnamed && r.name == name) return NamedRegister{r.address, nullptr};
    return std::nullopt;
}

bool namesAnyRegister(const ChipModel& m, uint16_t address) {
    return m.findBitRegister(address) || m.findByteRegister(address) ||
           std::any_of(m.wordRegisters.begin(), m.wordRegisters.end(), [&](const WordRegister& w) {
               return w.highAddress == address || w.lowAddress == address;
           });
}

// The register-definition include file of a chip: name -> value.
std::map<std::string, int32_t> readEquFile(const fs::path& file) {
    std::map<std::string, int32_t> names;
    for (const std::string& raw : readLines(file)) {
        const std::string line = raw.substr(0, raw.find(';'));
        const std::vector<std::string> w = splitWords(line);
        if (w.empty()) continue;
        EXPECT_EQ(w.size(), 3u) << file.filename() << ": " << raw;
        if (w.size() != 3) continue;
        EXPECT_EQ(w[1], "EQU") << raw;
        const NumberTest value = testNumber(w[2]);
        EXPECT_TRUE(value.isNumber) << raw;
        EXPECT_TRUE(names.emplace(w[0], value.value).second) << "defined twice: " << w[0];
    }
    return names;
}

// Words that an EQU name must not be: instruction mnemonics of either core, directive words,
// and the expression modifiers.
const std::set<std::string>& reservedWords() {
    static const std::set<std::string> words = {
        "NOP",    "CLRF", "ADDF",    "INF",   "INSZ",   "DCF",   "DCSZ", "SUBF",   "COMF",  "MVF",
        "ADDC",   "ANDF", "IORF",    "XORF",  "RLF",    "SUBC",  "RRF",  "ADDL",   "SUBL",  "ANDL",
        "IORL",   "XORL", "MVL",     "RETL",  "CALL",   "JMP",   "RETI", "RET",    "IDLE",  "SLP",
        "CWDT",   "SETF", "BCF",     "BSF",   "BTSZ",   "BTSS",  "MULF", "JZ",     "RRFC",  "RLFC",
        "SWPF",   "TBLR", "MVLP",    "JC",    "INSUZ",  "DCSUZ", "MULL", "LDPR",   "LBSR",  "NOPF",
        "ARLC",   "ARRC", "CPSG",    "CPSL",  "CPSE",   "TFSZ",  "JN",   "JO",     "JNC",   "JNZ",
        "JNN",    "JNO",  "BTGF",    "MVFF",  "RJ",     "RCALL", "POP",  "DB",     "DW",    "END",
        "ENDM",   "EQU",  "INCLUDE", "LOCAL", "MACRO",  "ORG",   "SET",  "GLOBAL", "MEMAR", "DS",
        "EXTERN", "IF",   "ELSE",    "ENDIF", "DEFINE", "HIGH",  "LOW",  "UP",     "FALSE"};
    return words;
}

bool validUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t extra = c < 0x80             ? 0
                             : (c & 0xE0) == 0xC0 ? 1
                             : (c & 0xF0) == 0xE0 ? 2
                             : (c & 0xF8) == 0xF0 ? 3
                                                  : 4;
        if (extra == 4 || i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

TEST(ShippedChipList, ListsEveryChipAndExercisesTheFileLookup) {
    ChipLibrary library = openLibrary();
    EXPECT_EQ(library.chipListVersionNumber(), 0x130u) << library.chipListVersion();
    const auto& entries = library.entries();
    ASSERT_GE(entries.size(), 8u);

    std::set<std::string> names;
    bool caseLookupNeeded = false, backslashUsed = false;
    for (const ChipEntry& e : entries) {
        EXPECT_TRUE(names.insert(e.name).second) << "chip listed twice: " << e.name;
        EXPECT_TRUE(library.resolveFile(e.fileName).has_value()) << e.fileName;
        EXPECT_EQ(e.listText, e.name + "  " + e.sizeNote);
        // A program include file of the same name would make the lookup ambiguous.
        EXPECT_FALSE(equalsIgnoreCase(fs::path(normalizeSeparators(e.fileName)).filename().string(),
                                      e.name + ".INC"))
            << e.fileName;
        backslashUsed |= e.fileName.find('\\') != std::string::npos;
        caseLookupNeeded |= !fs::exists(libraryDir() / normalizeSeparators(e.fileName));
    }
    EXPECT_TRUE(backslashUsed);
    EXPECT_TRUE(caseLookupNeeded);
}

TEST(ShippedChips, EveryChipLoadsWithDescriptionsInBothLanguages) {
    ChipLibrary library = openLibrary();
    for (int i = 0; i < int(library.entries().size()); ++i) {
        const ChipEntry& entry = library.entries()[size_t(i)];
        SCOPED_TRACE(entry.name);
        const ChipModel en = loadChip(library, i, 0);
        const ChipModel cn = loadChip(library, i, 1);
        EXPECT_EQ(en.productName, entry.name);
        EXPECT_TRUE(en.compilerName == "CX4A" || en.compilerName == "CX4B") << en.compilerName;
        EXPECT_EQ(en.coreVariant, en.compilerName == "CX4B" ? 1 : 0);
        EXPECT_EQ(en.romWords / 1024, uint32_t(std::stoi(entry.sizeNote.substr(1))));
        EXPECT_GT(en.bitRegisters.count(), 0u);
        EXPECT_GT(en.byteRegisters.count(), 0u);
        EXPECT_GT(en.wordRegisters.count(), 0u);
        ASSERT_EQ(en.bitRegisters.count(), cn.bitRegisters.count());

        // Every register and bit gets its own text: a header that named no register would
        // have put its texts on the register before it.
        for (size_t r = 0; r < en.bitRegisters.count(); ++r) {
            const BitRegister& e = en.bitRegisters.at(r);
            const BitRegister& c = cn.bitRegisters.at(r);
            EXPECT_FALSE(e.description.empty()) << e.name;
            EXPECT_NE(e.description, c.description) << e.name;
            for (int b = 0; b < 8; ++b) {
                EXPECT_FALSE(e.bits[size_t(b)].description.empty()) << e.name << " bit " << 7 - b;
                EXPECT_FALSE(c.bits[size_t(b)].description.empty()) << e.name << " bit " << 7 - b;
            }
        }
        for (size_t r = 0; r < en.byteRegisters.count(); ++r) {
            const ByteRegister& e = en.byteRegisters.at(r);
            if (e.unnamed) continue;
            EXPECT_FALSE(e.description.empty()) << e.name;
            EXPECT_NE(e.description, cn.byteRegisters.at(r).description) << e.name;
        }
        for (size_t r = 0; r < en.wordRegisters.count(); ++r) {
            EXPECT_FALSE(en.wordRegisters.at(r).description.empty()) << en.wordRegisters.at(r).name;
            EXPECT_NE(en.wordRegisters.at(r).description, cn.wordRegisters.at(r).description);
        }
    }
}

// What a chip could inherit from the chip loaded before it when its file left it out.
std::string inheritableState(const ChipModel& m) {
    std::ostringstream s;
    s << m.stackOverResetAvailable << m.acmSelectable << m.acmDefaultHigh << ' ' << m.sbmStart
      << ' ' << m.sbmSector << ' ' << m.sbmBankWords << ' ' << int(m.sbmAddr) << ' ' << m.bieBank
      << ' ' << m.serialNumberParam << ' ' << m.bitRegisters.count() << ' '
      << m.byteRegisters.count() << ' ' << m.wordRegisters.count() << ' ' << int(m.stackDepth)
      << ' ' << int(m.lastBankIndex);
    for (uint8_t b : m.sbmRom)
        s << ' ' << int(b);
    if (m.stackOverResetAvailable) s << " so" << m.stackOver.address << '.' << int(m.stackOver.bit);
    if (m.selfEromMode)
        for (int32_t p : m.selfEromParam)
            s << ' ' << p;
    if (m.hasHao)
        s << " hao" << m.hao.w1 << '.' << m.laoRange.low << '.' << int(m.triscBit.address) << '.'
          << int(m.mckcnBit.address);
    for (const AddressRange& r : m.ramBank)
        s << ' ' << r.start << '-' << r.end;
    for (size_t a = 0; a < kDataAddressCount; ++a)
        s << char('A' + (m.implementedBits[a] & 0x0F));
    return s.str();
}

TEST(ShippedChips, LoadingAfterAnyOtherChipGivesTheSameModel) {
    ChipLibrary library = openLibrary();
    const int count = int(library.entries().size());
    std::vector<std::string> fresh;
    for (int i = 0; i < count; ++i)
        fresh.push_back(inheritableState(loadChip(library, i)));
    // One model reused the way the IDE reuses it, each chip loaded after every other chip.
    ChipModel shared;
    for (int before = 0; before < count; ++before) {
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(library.GetSELUP(before, shared));
            ASSERT_TRUE(library.GetSELUP(i, shared));
            EXPECT_EQ(inheritableState(shared), fresh[size_t(i)])
                << library.entries()[size_t(i)].name << " after "
                << library.entries()[size_t(before)].name;
        }
    }
}

TEST(ShippedChips, CoverTheFeaturesTheOtherPartsTestAgainst) {
    ChipLibrary library = openLibrary();
    std::set<uint32_t> sizes;
    std::set<int> cores, stackDepths, selfEromModesWith8024;
    std::set<std::string> adcFields, opFields, cmpFields;
    bool id71OnCx4b = false, id21or62 = false, calibrationChip = false, acmChoice = false;
    bool stackOverReset = false, sbmValues = false, allBanks = false, allPagesWithGaps = false;
    bool unnamedByte = false, noMemoryWord = false, adc16 = false, adc24 = false;
    for (int i = 0; i < int(library.entries().size()); ++i) {
        const ChipModel m = loadChip(library, i);
        sizes.insert(m.romWords);
        cores.insert(m.coreVariant);
        stackDepths.insert(m.stackDepth);
        id71OnCx4b |= m.chipId == 0x71 && m.coreVariant == 1;
        id21or62 |= m.chipId == 0x21 || m.chipId == 0x62;
        calibrationChip |= m.hasHao && m.laoRange.high > m.laoRange.low &&
                           m.triscBit.address != 0 && m.mckcnBit.address != 0;
        const bool body8024 = std::count(m.emulatorIds.begin(), m.emulatorIds.end(), 0x8024) > 0;
        if (m.selfEromMode && body8024) selfEromModesWith8024.insert(m.selfEromMode);
        acmChoice |= m.acmSelectable && m.acm.address != 0;
        stackOverReset |= m.stackOverResetAvailable;
        sbmValues |= m.sbmAddr && m.sbmStart && m.sbmBankWords && m.sbmRom[4] && m.sbmSector;
        bool banks = m.lastBankIndex == 15;
        for (const AddressRange& r : m.ramBank)
            banks &= r.start < r.end;
        allBanks |= banks;
        bool pages = true;
        for (uint8_t page = 0; page < 4; ++page) {
            bool gap = false;
            for (const BitRegister& r : m.bitRegisters)
                if (r.page == page)
                    for (const BitEntry& b : r.bits)
                        gap |= b.name == "-";
            pages &= gap;
        }
        allPagesWithGaps |= pages;
        for (const ByteRegister& r : m.byteRegisters)
            unnamedByte |= r.unnamed;
        for (const WordRegister& r : m.wordRegisters)
            noMemoryWord |= r.noMemory;
        for (const AnalogField& f : m.adc.fields)
            if (f.present) adcFields.insert(f.name);
        for (const AnalogField& f : m.op.fields)
            if (f.present) opFields.insert(f.name);
        for (const AnalogField& f : m.cmp.fields)
            if (f.present) cmpFields.insert(f.name);
        if (m.hasAdc) (m.adc.field("ADC0OH")->present ? adc24 : adc16) = true;
    }
    EXPECT_EQ(cores, (std::set<int>{0, 1}));
    for (uint32_t words : {2048u, 4096u, 8192u, 16384u, 32768u})
        EXPECT_TRUE(sizes.count(words)) << words;
    EXPECT_TRUE(stackDepths.count(8) && stackDepths.count(16));
    EXPECT_EQ(selfEromModesWith8024, (std::set<int>{1, 3}));
    EXPECT_TRUE(id71OnCx4b);
    EXPECT_TRUE(id21or62);
    EXPECT_TRUE(calibrationChip);
    EXPECT_TRUE(acmChoice);
    EXPECT_TRUE(stackOverReset);
    EXPECT_TRUE(sbmValues);
    EXPECT_TRUE(allBanks);
    EXPECT_TRUE(allPagesWithGaps);
    EXPECT_TRUE(unnamedByte);
    EXPECT_TRUE(noMemoryWord);
    EXPECT_TRUE(adc16 && adc24);
    // Between them the chips name every field of the three analog blocks.
    for (const AnalogField& f : makeAnalogBlock(AnalogBlockKind::Adc).fields)
        EXPECT_TRUE(adcFields.count(f.name)) << f.name;
    for (const AnalogField& f : makeAnalogBlock(AnalogBlockKind::OpAmp).fields)
        EXPECT_TRUE(opFields.count(f.name)) << f.name;
    for (const AnalogField& f : makeAnalogBlock(AnalogBlockKind::Comparator).fields)
        EXPECT_TRUE(cmpFields.count(f.name)) << f.name;
}

TEST(ShippedChips, CoreRegistersSitAtTheSimulatorsFixedAddresses) {
    // Names of both cores, then the CX4A-only ones (three pointers with five access modes,
    // 20-bit PC copies, table read, multiplier).
    const std::map<std::string, uint16_t> both = {
        {"IND0", 0x00},   {"IND1", 0x05},  {"FSR0H", 0x0F}, {"FSR0L", 0x10},  {"FSR1H", 0x11},
        {"FSR1L", 0x12},  {"TOSH", 0x16},  {"TOSL", 0x17},  {"STKPTR", 0x18}, {"PCLATH", 0x1A},
        {"PCLATL", 0x1B}, {"INTE0", 0x23}, {"INTF0", 0x26}, {"W", 0x29},      {"BSR", 0x2A},
        {"STATUS", 0x2B}, {"PWRCN", 0x2C}, {"TMRCN", 0x41}, {"TMR", 0xF39}};
    const std::map<std::string, uint16_t> cx4a = {
        {"POINC0", 0x01}, {"PODEC0", 0x02}, {"PRINC0", 0x03},  {"PLUSW0", 0x04},  {"POINC1", 0x06},
        {"PODEC1", 0x07}, {"PRINC1", 0x08}, {"PLUSW1", 0x09},  {"IND2", 0x0A},    {"POINC2", 0x0B},
        {"PODEC2", 0x0C}, {"PRINC2", 0x0D}, {"PLUSW2", 0x0E},  {"FSR2H", 0x13},   {"FSR2L", 0x14},
        {"TOSU", 0x15},   {"PCLATU", 0x19}, {"TBLPTRU", 0x1C}, {"TBLPTRH", 0x1D}, {"TBLPTRL", 0x1E},
        {"TBLDH", 0x1F},  {"TBLDL", 0x20},  {"PRODH", 0x21},   {"PRODL", 0x22}};
    const std::map<std::string, uint16_t> optional = {
        {"INTE1", 0x24}, {"INTE2", 0x25}, {"INTF1", 0x27}, {"INTF2", 0x28}};
    const std::map<std::string, std::pair<uint16_t, uint16_t>> words = {{"FSR0", {0x0F, 0x10}},
                                                                        {"FSR1", {0x11, 0x12}},
                                                                        {"FSR2", {0x13, 0x14}},
                                                                        {"TBLD", {0x1F, 0x20}},
                                                                        {"PROD", {0x21, 0x22}}};

    ChipLibrary library = openLibrary();
    for (int i = 0; i < int(library.entries().size()); ++i) {
        const ChipModel m = loadChip(library, i);
        SCOPED_TRACE(m.productName);
        const bool isA = m.coreVariant == 0;
        auto expectAt = [&](const std::map<std::string, uint16_t>& table, bool required) {
            for (const auto& [name, address] : table) {
                const auto r = findByName(m, name);
                if (!r) {
                    EXPECT_FALSE(required) << name << " missing";
                    continue;
                }
                EXPECT_EQ(r->address, address) << name;
            }
        };
        expectAt(both, true);
        expectAt(cx4a, isA);
        expectAt(optional, false);
        if (!isA) {
            for (const auto& [name, address] : cx4a)
                EXPECT_FALSE(findByName(m, name)) << name;
            // Under CX4B only IND0 and IND1 are indirect; 1-4 and 6-14 are plain memory.
            for (uint16_t a : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14})
                EXPECT_FALSE(namesAnyRegister(m, a)) << a;
        }
        for (const auto& [name, pair] : words) {
            const auto it = std::find_if(m.wordRegisters.begin(), m.wordRegisters.end(),
                                         [&](const WordRegister& w) { return w.name == name; });
            if (it == m.wordRegisters.end()) {
                EXPECT_TRUE(!isA && name != "FSR0" && name != "FSR1") << name << " missing";
                continue;
            }
            EXPECT_EQ(it->highAddress, pair.first) << name;
            EXPECT_EQ(it->lowAddress, pair.second) << name;
        }

        // Bits the simulator sets or tests by number.
        const BitRegister* status = findByName(m, "STATUS")->bits;
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(bitName(*status, 4), "C");
        EXPECT_EQ(bitName(*status, 0), "Z");
        EXPECT_EQ(bitName(*status, 3), isA ? "DC" : "-");
        EXPECT_EQ(bitName(*status, 2), isA ? "N" : "-");
        EXPECT_EQ(bitName(*status, 1), isA ? "OV" : "-");
        EXPECT_EQ(m.implementedBits[0x2B], isA ? 0x1F : 0x11);
        const BitRegister* stkptr = findByName(m, "STKPTR")->bits;
        ASSERT_NE(stkptr, nullptr);
        EXPECT_EQ(bitName(*stkptr, 7), "STKFUL");
        EXPECT_EQ(bitName(*stkptr, 6), "STKUNF");
        EXPECT_EQ(bitName(*stkptr, 5), "STKOVF");
        // The pointer field holds 0 .. stack depth.
        for (int b = 0; b < 5; ++b)
            EXPECT_EQ(bitName(*stkptr, b) != "-", (m.stackDepth >> b) != 0) << "SP" << b;
        EXPECT_EQ(bitName(*findByName(m, "INTE0")->bits, 7), "GIE");
        EXPECT_EQ(bitName(*findByName(m, "INTF0")->bits, 3), "TMRIF");
        EXPECT_EQ(bitName(*findByName(m, "INTE0")->bits, 3), "TMRIE");
        EXPECT_EQ(bitName(*findByName(m, "PWRCN")->bits, 7), "PDF");
        EXPECT_EQ(bitName(*findByName(m, "PWRCN")->bits, 6), "IDF");
        const BitRegister* tmrcn = findByName(m, "TMRCN")->bits;
        EXPECT_EQ(bitName(*tmrcn, 7), "TMREN");
        EXPECT_EQ(bitName(*tmrcn, 6) + bitName(*tmrcn, 5) + bitName(*tmrcn, 4), "TMS2TMS1TMS0");
        // RAM never overlaps the special function registers below 80h.
        for (const AddressRange& r : m.ramBank)
            if (r.start < r.end) {
                EXPECT_GE(r.start, 0x80);
            }
    }
}

// A register bit named by the chip file must be a named bit of a register at that address.
void expectNamedBits(const ChipModel& m, uint16_t address, int lowBit, int width,
                     const std::string& what) {
    const BitRegister* r = m.findBitRegister(address);
    ASSERT_NE(r, nullptr) << what << " at " << address;
    for (int b = lowBit; b < lowBit + width; ++b)
        EXPECT_NE(bitName(*r, b), "-") << what << " bit " << b;
}

TEST(ShippedChips, PeripheralSettingsPointAtRealRegisterBits) {
    ChipLibrary library = openLibrary();
    for (int i = 0; i < int(library.entries().size()); ++i) {
        const ChipModel m = loadChip(library, i);
        SCOPED_TRACE(m.productName);
        for (const AnalogBlock* block : {&m.adc, &m.op, &m.cmp}) {
            for (const AnalogField& f : block->fields) {
                if (!f.present || f.kind == AnalogFieldKind::Presence) continue;
                if (f.kind == AnalogFieldKind::AddressOnly) {
                    EXPECT_TRUE(namesAnyRegister(m, f.address)) << f.name;
                    continue;
                }
                EXPECT_GT(f.width, 0) << f.name;
                EXPECT_LE(f.lowBit + f.width, 8) << f.name;
                expectNamedBits(m, f.address, f.lowBit, f.width, f.name);
            }
        }
        if (m.acmSelectable) expectNamedBits(m, m.acm.address, m.acm.bit, 1, "ACM");
        if (m.stackOverResetAvailable)
            expectNamedBits(m, m.stackOver.address, m.stackOver.bit, 1, "stack over");
        if (m.hasHao) {
            // Calibration code sets the TRISC bit and toggles the data bit one address lower.
            expectNamedBits(m, m.triscBit.address, m.triscBit.bitCode / 2, 1, "TRISC");
            expectNamedBits(m, uint16_t(m.triscBit.address - 1), m.triscBit.bitCode / 2, 1,
                            "TRISC data");
            expectNamedBits(m, m.mckcnBit.address, m.mckcnBit.bitCode / 2, 1, "MCKCN");
            EXPECT_TRUE(namesAnyRegister(m, m.hao.w1 & 0xFF)) << "HAO trim register";
            EXPECT_LE(m.hao.w5, 2000000u); // the default target frequency lies in range
            EXPECT_GE(m.hao.w6, 2000000u);
        }
        if (m.selfEromMode) {
            const BitRegister* control = m.findBitRegister(m.selfEromPage & 0xFF);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(bitName(*control, 0), "EERD");
            EXPECT_EQ(bitName(*control, 1), "EEWR");
            EXPECT_EQ(m.selfEromBase, 0x400 + (m.selfEromPage & 0xFF));
            const bool twoAddressBytes = m.selfEromMode >= 3;
            for (size_t p = twoAddressBytes ? 0 : 1; p < 4; ++p)
                EXPECT_NE(m.findByteRegister(uint16_t(m.selfEromParam[p])), nullptr)
                    << "parameter " << p;
            EXPECT_GT(m.bieBank, 0u);
        }
    }
}

TEST(ShippedChips, An8024BodySeesTheEepromControlInBank4) {
    ChipLibrary library = openLibrary();
    const auto index = library.findChipByName("KXB0602");
    ASSERT_TRUE(index.has_value());
    const ChipModel plain = loadChip(library, *index, 0, 0);
    const ChipModel body8024 = loadChip(library, *index, 0, 0x8024);
    ASSERT_EQ(plain.selfEromMode, 1);
    EXPECT_EQ(findByName(plain, "EECN")->address, 0x60);
    EXPECT_EQ(findByName(body8024, "EECN")->address, plain.selfEromBase);
    EXPECT_EQ(plain.bitRegisters.count(), body8024.bitRegisters.count());
}

TEST(ShippedChips, FindChipByIdFindsEachChipUnderItsOwnIdentifier) {
    ChipLibrary library = openLibrary();
    std::set<uint16_t> ids;
    for (int i = 0; i < int(library.entries().size()); ++i) {
        const ChipModel m = loadChip(library, i);
        EXPECT_TRUE(m.chipId != 0 && m.chipId != 0xFFFF) << m.productName;
        EXPECT_TRUE(ids.insert(m.chipId).second) << "identifier used twice: " << m.chipId;
        const FindChipResult found = library.FindChipById(m.chipId);
        EXPECT_TRUE(found.found) << m.productName;
        EXPECT_EQ(found.index, i) << m.productName;
    }
}

TEST(ShippedChipFiles, EveryLineFitsTheLoaderAndIsUtf8) {
    int files = 0;
    for (const auto& item : fs::directory_iterator(libraryDir())) {
        const std::string ext = item.path().extension().string();
        if (ext != ".INC" && ext != ".inc") continue;
        ++files;
        int number = 0;
        for (const std::string& line : readLines(item.path())) {
            ++number;
            // The loader keeps 160 characters of a line; a longer text would be cut, a Chinese
            // one possibly inside a character.
            EXPECT_LE(line.size(), 160u) << item.path().filename() << ":" << number;
            EXPECT_TRUE(validUtf8(line)) << item.path().filename() << ":" << number;
            EXPECT_LE(splitWords(line.substr(0, line.find(';'))).size(), 29u)
                << item.path().filename() << ":" << number;
        }
    }
    EXPECT_GE(files, 17); // the list, eight descriptions, eight register files
}

TEST(RegisterIncludeFiles, DefineEveryRegisterAndBitOfTheirChip) {
    ChipLibrary library = openLibrary();
    for (int i = 0; i < int(library.entries().size()); ++i) {
        const ChipModel m = loadChip(library, i);
        SCOPED_TRACE(m.productName);
        const auto file = findFileCaseInsensitive(libraryDir(), m.productName + ".INC");
        ASSERT_TRUE(file.has_value());
        const std::map<std::string, int32_t> names = readEquFile(*file);

        std::map<std::string, int32_t> expected;
        for (const BitRegister& r : m.bitRegisters) {
            expected[r.name] = r.address;
            for (int b = 0; b < 8; ++b)
                if (bitName(r, b) != "-") expected[bitName(r, b)] = b;
        }
        for (const ByteRegister& r : m.byteRegisters)
            if (!r.unnamed) expected[r.name] = r.address;
        for (const WordRegister& r : m.wordRegisters)
            expected[r.name] = r.highAddress;
        EXPECT_EQ(names, expected);
        for (const auto& [name, value] : names) {
            EXPECT_FALSE(reservedWords().count(name)) << name << " would not assemble";
            EXPECT_LE(name.size(), 15u) << name;
        }
    }
}

TEST(Examples, UseAnExistingRegisterFileAndExpectBytesInRam) {
    ChipLibrary library = openLibrary();
    std::set<int> cores;
    int selfChecking = 0;
    for (const auto& item : fs::directory_iterator(examplesDir())) {
        if (item.path().extension() != ".asm") continue;
        SCOPED_TRACE(item.path().filename().string());
        std::optional<ChipModel> chip;
        std::vector<std::string> expectations;
        for (const std::string& line : readLines(item.path())) {
            const std::vector<std::string> w = splitWords(line.substr(0, line.find(';')));
            if (w.size() >= 2 && w[0] == "INCLUDE") {
                // The assembler looks the upper-cased name up beside the source, then in the
                // chip library.
                std::string name = w[1];
                std::transform(name.begin(), name.end(), name.begin(), ::toupper);
                auto file = findFileCaseInsensitive(examplesDir(), name);
                if (!file) file = findFileCaseInsensitive(test::sourceDir() / "chips", name);
                ASSERT_TRUE(file.has_value()) << name;
                const auto index = library.findChipByName(file->stem().string());
                ASSERT_TRUE(index.has_value()) << name;
                chip = loadChip(library, *index);
            }
            if (line.rfind("; expect:", 0) == 0) {
                const std::vector<std::string> items = splitWords(line.substr(9));
                expectations.insert(expectations.end(), items.begin(), items.end());
            }
        }
        ASSERT_TRUE(chip.has_value()) << "no register file included";
        cores.insert(chip->coreVariant);
        if (!expectations.empty()) ++selfChecking;
        for (const std::string& e : expectations) {
            const size_t eq = e.find('=');
            ASSERT_NE(eq, std::string::npos) << e;
            const NumberTest address = testNumber(e.substr(0, eq));
            const NumberTest value = testNumber(e.substr(eq + 1));
            ASSERT_TRUE(address.isNumber && value.isNumber) << e;
            EXPECT_TRUE(value.value >= 0 && value.value <= 255) << e;
            ASSERT_TRUE(address.value >= 0 && address.value < int32_t(kDataAddressCount)) << e;
            // Checked bytes are general RAM of the chip, not registers.
            EXPECT_EQ(chip->implementedBits[size_t(address.value)], 0xFF) << e;
            EXPECT_FALSE(namesAnyRegister(*chip, uint16_t(address.value))) << e;
        }
    }
    EXPECT_EQ(cores, (std::set<int>{0, 1}));
    EXPECT_GE(selfChecking, 1);
}

} // namespace
} // namespace zerka
