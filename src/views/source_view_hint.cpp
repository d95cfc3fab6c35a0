// The value hint of the source view: the data-memory operand under the pointer and its value.
#include "views/source_view.h"

#include "core/number.h"
#include "core/text.h"
#include "upcentre/run/up_centre.h"

#include <array>
#include <string_view>

namespace zerka {

namespace {

struct Word {
    std::string_view text;
    int column = 0;
};

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '=';
}

std::vector<Word> splitWords(std::string_view row) {
    const size_t comment = row.find(';');
    if (comment != std::string_view::npos) row = row.substr(0, comment);
    std::vector<Word> words;
    size_t i = 0;
    while (i < row.size()) {
        while (i < row.size() && isSeparator(row[i]))
            ++i;
        const size_t start = i;
        while (i < row.size() && !isSeparator(row[i]))
            ++i;
        if (i > start) words.push_back({row.substr(start, i - start), int(start)});
    }
    return words;
}

constexpr std::array<std::string_view, 18> kDirectiveWords = {
    "DB",  "DW",    "DS",   "END", "ORG",  "SET",   "GLOBAL",  "EXTERN", "LOCAL",
    "EQU", "MACRO", "ENDM", "IF",  "ELSE", "ENDIF", "INCLUDE", "MEMAR",  "DEFINE"};

bool isDirectiveWord(const std::string& upper) {
    for (std::string_view d : kDirectiveWords)
        if (upper == d) return true;
    return false;
}

bool over(const Word& w, int column) {
    return column >= w.column && column < w.column + int(w.text.size());
}

// Registers of the indirect addressing (data addresses).
constexpr uint32_t kFsr0High = 15, kFsr0Low = 16, kFsr1High = 17, kFsr1Low = 18;
constexpr uint32_t kWorkingOffset = 41;
constexpr uint32_t kBankSelect = 42;

uint32_t resolveAddress(const CpuState& cpu, uint32_t address, bool banked) {
    if (banked) return ((cpu.ReadData(kBankSelect) & 0x0F) << 8) + (address & 0xFF);
    const uint32_t pointer0 = cpu.ReadData(kFsr0High) * 256u + cpu.ReadData(kFsr0Low);
    const uint32_t pointer1 = cpu.ReadData(kFsr1High) * 256u + cpu.ReadData(kFsr1Low);
    if (address <= 3) return pointer0;
    if (address == 4) return pointer0 + cpu.ReadData(kWorkingOffset);
    if (address <= 8) return pointer1;
    if (address == 9) return pointer1 + cpu.ReadData(kWorkingOffset);
    return address;
}

} // namespace

std::optional<std::string> SourceViewModel::valueHint(int f, int32_t row, int column) const {
    if (!validFile(f) || !file(f).validRow(row) || file(f).noCode(row)) return std::nullopt;
    const uint32_t address = file(f).address(row);
    if (address >= kNoRowAddress || addressRecord(address) != 0) return std::nullopt;

    const std::vector<Word> words = splitWords(file(f).text(row));
    if (words.size() < 2) return std::nullopt;
    const InstructionSet& set = up_.instructions();
    size_t mnemonic = words.size();
    for (size_t i = 0; i < 2; ++i) {
        const std::string upper = toUpperAscii(words[i].text);
        if (isDirectiveWord(upper)) return std::nullopt;
        if (mnemonic == words.size() && set.isMnemonicOrAlias(upper)) mnemonic = i;
    }
    if (mnemonic == words.size() || mnemonic + 1 >= words.size()) return std::nullopt;

    const CpuState& cpu = up_.cpu();
    const DecodedInstruction d = set.decode(cpu.ProgramWord(address));
    if (!d.found || d.noFileOperand || d.operandCount == 0 || !d.def) return std::nullopt;
    const Word& operand = words[mnemonic + 1];
    const bool isBit = fileOperationGroup(d.id) == FileOperationGroup::Bit;
    const bool overBit = isBit && mnemonic + 2 < words.size() && over(words[mnemonic + 2], column);
    if (!over(operand, column) && !overBit) return std::nullopt;

    const std::optional<int32_t> written = parseNumber(toUpperAscii(operand.text));
    uint32_t data = written ? uint32_t(*written) : d.operands[0];
    const int bankOperand = d.def->bankSelectOperand();
    const bool banked = bankOperand > 0 && d.operands[size_t(bankOperand - 1)] != 0;
    data = resolveAddress(cpu, data, banked) & (CpuState::kDataSize - 1);

    std::string text = std::string(operand.text) + "[" + hexText(data, 3) + "h]";
    if (overBit) {
        const unsigned bit = d.operands[1] & 7;
        return text + "." + std::to_string(bit) + " = " +
               std::to_string((cpu.ReadData(data) >> bit) & 1);
    }
    return text + " = " + hexText(cpu.ReadData(data), 2) + "h";
}

} // namespace zerka
