#pragma once
// The in-memory model of the selected chip, rebuilt in place by every load of a chip
// description file (ChipLibrary::GetSELUP). Every other component reads it; nothing else parses
// the description files again.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

inline constexpr size_t kDataAddressCount = 4096; // data memory: 16 banks of 256 bytes
inline constexpr size_t kMaxRegisters = 512;      // per register list; further records are dropped
inline constexpr size_t kRegisterNameLength = 15;
inline constexpr size_t kRegisterDescriptionLength = 160;
inline constexpr size_t kBitDescriptionLength = 250;

struct AddressRange {
    uint16_t start = 0;
    uint16_t end = 0;
};

struct BitEntry {
    std::string name;        // at most 15 characters; "-" marks a bit that does not exist
    std::string description; // at most 250 characters
};

struct BitRegister {
    std::string name;             // at most 15 characters
    std::string description;      // at most 160 characters
    uint16_t address = 0;         // lookup key
    std::array<BitEntry, 8> bits; // bit 7 first
    uint16_t value = 0;
    uint8_t page = 0; // register page 0..3 (#REGBIT, #REGBIT1, #REGBIT2, #REGBIT3)
};

struct ByteRegister {
    std::string description; // at most 160 characters
    uint16_t address = 0;    // lookup key
    uint8_t value = 0;
    bool unnamed = false; // the name word was "="
    std::string name;     // the name word ("=" when unnamed)
    uint8_t mask = 0;     // bits that exist
};

struct WordRegister {
    std::string description; // at most 160 characters
    uint16_t highAddress = 0;
    uint16_t lowAddress = 0;
    uint16_t value = 0;
    bool noMemory = false; // flag word was "1": the register has no data-memory cells
    std::string name;
    uint8_t highMask = 0;
    uint8_t lowMask = 0;
};

// One register list: at most 512 records in file order. A record offered when the list is full
// is dropped without notice.
template <typename Record> class RegisterList {
  public:
    void clear() { records_.clear(); }
    // Returns false (and drops the record) when the list is full.
    bool append(Record record) {
        if (records_.size() >= kMaxRegisters) return false;
        if (records_.size() == records_.capacity()) records_.reserve(records_.size() + 256);
        records_.push_back(std::move(record));
        return true;
    }
    size_t count() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    const Record& at(size_t index) const { return records_.at(index); }
    Record& at(size_t index) { return records_.at(index); }
    const std::vector<Record>& records() const { return records_; }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

  private:
    std::vector<Record> records_;
};

class TCRREGBitPtr : public RegisterList<BitRegister> {
  public:
    uint32_t key(size_t index) const { return at(index).address; }
};

class TCRREGBytePtr : public RegisterList<ByteRegister> {
  public:
    uint32_t key(size_t index) const { return at(index).address; }
};

class TCRREGWordPtr : public RegisterList<WordRegister> {
  public:
    // High-byte address × 256 + low-byte address.
    uint32_t key(size_t index) const {
        const WordRegister& r = at(index);
        return uint32_t(r.highAddress) * 256u + r.lowAddress;
    }
};

// How an analog field's data line is read.
enum class AnalogFieldKind : uint8_t {
    Plain,       // w3 width, w4 lowest bit
    Selector,    // w3 width, w4 lowest bit, then one label per code
    AddressOnly, // w1 and w2 only
    Captioned,   // w3 caption, w4 width, w5 lowest bit
    Presence,    // "TEMPERATURE": no further words
    Vdda,        // "VDDAX": plain, then four labels w5..w8 (and in "#ADC0S" the flag w9)
};

// One register field of an analog block (#ADC0S, #OP0S, #CMP0S).
struct AnalogField {
    std::string name; // field name as in the description file, e.g. "PGA0GN"
    AnalogFieldKind kind = AnalogFieldKind::Plain;
    uint8_t selectorDigits = 0; // selectors: 2 (4 codes) or 3 (8 codes); "INX0": 0 (no labels)
    uint16_t address = 0;       // data address of the register that holds the field
    uint8_t width = 0;          // bits; above 0 makes the field available in the calculator
    uint8_t lowBit = 0;         // position of the lowest bit in the register byte
    bool present = false;       // the chip description names the field
    uint8_t value = 0;          // the calculator's cache; the loader never sets it
    // Selector fields: one label per code from 0 upward (4 or 8 slots); VDDAX: four labels of
    // at most 8 characters. Empty for other kinds.
    std::vector<std::string> labels;
    // Selector fields: which codes exist ("-" or a missing label marks one that does not).
    std::vector<bool> codeExists;
    // Captioned fields: the caption from the file. "INBUF0", "VRBUF0", "ENCHP0", "ENHIGN0": the
    // caption the option word set ("" when it cleared it or the word was absent).
    std::string caption;
    bool optionFlag = false; // the field's option flag (ADC option words, VDDAX w9)

    bool available() const { return present && width > 0; }
    // The calculator's choice list: each existing code in ascending order, written in binary
    // with as many digits as the selector has ("00".."11" or "000".."111").
    std::vector<std::string> choiceCodes() const;
};

enum class AnalogBlockKind : uint8_t { Adc, OpAmp, Comparator };

// The fields of one analog block, in the order of the block's field table.
struct AnalogBlock {
    AnalogBlockKind kind = AnalogBlockKind::Adc;
    std::vector<AnalogField> fields;

    const AnalogField* field(std::string_view name) const;
    AnalogField* field(std::string_view name);
    // Marks every field absent and clears what the loader set (step 1 of a load).
    void resetFields();
};

AnalogBlock makeAnalogBlock(AnalogBlockKind kind);

// #HAO: oscillator-calibration constants (the words w1..w7 of the line).
struct HaoConstants {
    uint16_t w1 = 0;
    uint8_t w2 = 0;
    uint8_t w3 = 0; // 0 is used as 8 by the programmer
    uint32_t w4 = 0;
    uint32_t w5 = 0; // lowest accepted target frequency in Hz
    uint32_t w6 = 0; // highest accepted target frequency in Hz
    uint16_t w7 = 0;
};

struct ValueRange {
    int32_t low = 0;
    int32_t high = 0;
};

// A register bit named by #TRISC / #MCKCN: bitCode = (w2 × 2) AND 0x0F.
struct RegisterBitCode {
    uint8_t address = 0;
    uint8_t bitCode = 0;
};

// #ACM (besides acmSelectable and acmDefaultHigh, which are model fields of their own).
struct AcmSetting {
    uint16_t address = 0;
    uint8_t bit = 0;
    bool flag = false;
    int32_t count = 7; // 0 in the file becomes 7
};

// #STACKOVER (besides stackOverResetAvailable).
struct StackOverSetting {
    uint16_t address = 0;
    uint8_t bit = 0;
    bool flag = false;
};

struct ChipModel {
    std::string productName;
    std::string compilerName;
    uint8_t coreVariant = 0; // 0 CX4A, 1 CX4B
    uint16_t chipId = 0;
    uint32_t romWords = 4096;
    AddressRange specialRange0; // data addresses whose changes the RAM view does not track
    AddressRange specialRange1;
    std::array<AddressRange, 16> ramBank{};
    uint8_t lastBankIndex = 0;
    uint8_t stackDepth = 4;
    uint8_t sbmAddr = 0;
    std::vector<uint16_t> emulatorIds;
    uint32_t reg3ByteCount = 0;
    std::array<uint32_t, 4> bitPageCount{}; // bit registers read per page in this load
    uint32_t byteCount = 0;                 // byte registers read in this load
    uint32_t wordCount = 0;                 // word registers read in this load
    uint32_t sbmBankWords = 0;
    uint8_t selfEromMode = 0;
    uint16_t selfEromPage = 0;
    uint16_t selfEromBase = 0;
    std::array<int32_t, 4> selfEromParam{};
    std::array<uint8_t, 5> sbmRom{};
    uint32_t sbmStart = 0;
    uint32_t sbmSector = 0;
    bool hasHao = false;
    HaoConstants hao;
    ValueRange laoRange;
    RegisterBitCode triscBit;
    RegisterBitCode mckcnBit;
    AcmSetting acm;
    bool acmSelectable = false;
    bool acmDefaultHigh = false;
    StackOverSetting stackOver;
    bool stackOverResetAvailable = false;
    uint32_t bieBank = 0;
    uint32_t serialNumberParam = 0;
    // The silicon's fixed-bit rules, from our own keyword "#FIXBITS" whose data line holds six
    // words 0 or 1: [0] 30h sets bits 6,5; [1] 3Ch bits 4/3 set each other; [2] 3Ch clears bit 6;
    // [3] 3Ch clears bit 5; [4] 3Dh clears bit 4; [5] 3Dh clears bit 5. No section: no rule.
    std::array<bool, 6> fixedBitRules{};
    bool hasAdc = false;
    bool hasOp = false;
    bool hasCmp = false;

    // Analog fields; the ADC block also lists "TEMPERATURE", present when the chip names it.
    AnalogBlock adc = makeAnalogBlock(AnalogBlockKind::Adc);
    AnalogBlock op = makeAnalogBlock(AnalogBlockKind::OpAmp);
    AnalogBlock cmp = makeAnalogBlock(AnalogBlockKind::Comparator);

    TCRREGBitPtr bitRegisters;
    TCRREGBytePtr byteRegisters;
    TCRREGWordPtr wordRegisters;

    // Per data address: a mask of the bits that exist (1 = bit exists).
    std::array<uint8_t, kDataAddressCount> implementedBits{};

    // Lookups by key; nullptr when no register has it. The first record in file order wins.
    const BitRegister* findBitRegister(uint16_t address) const;
    const ByteRegister* findByteRegister(uint16_t address) const;
    const WordRegister* findWordRegister(uint16_t highAddress, uint16_t lowAddress) const;
};

} // namespace zerka
