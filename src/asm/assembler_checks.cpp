#include "asm/assembler_checks.h"

#include <algorithm>

#include "asm/expression.h"
#include "chip/chip_model.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {
namespace {

std::string operandText(const SourceLine& line, int k) {
    return std::string(line.operand(k));
}

} // namespace

OperandChecker::OperandChecker(const ChipModel& chip, const InstructionSet& instructions,
                               const SymbolTables& tables, EncodeReporter& reporter)
    : chip_(chip), instructions_(instructions), tables_(tables), reporter_(reporter) {}

bool OperandChecker::exists(int64_t address) const {
    return address >= 0 && address < int64_t(kDataAddressCount) &&
           chip_.implementedBits[size_t(address)] != 0;
}

int64_t OperandChecker::firstOperandAddress(const SourceLine& line) const {
    const TSymDefPack& debugger = tables_.debugger;
    const Evaluation e = evaluateExpression(
        line.operand(1), [&debugger](std::string_view name) -> std::optional<TermBinding> {
            const SymbolEntry* s = debugger.findEntry(name);
            if (!s) return TermBinding{0, name};
            return TermBinding{s->value, s->text};
        });
    return e.ok ? int64_t(e.value) : 0;
}

bool OperandChecker::namesExtern(const SourceLine& line, int operands) const {
    for (int k = 1; k <= operands; ++k) {
        const std::string_view op = line.operand(k);
        if (!op.empty() && tables_.externs.findName(op) > 0) return true;
    }
    return false;
}

void OperandChecker::check(int32_t address, uint16_t word, uint16_t previous,
                           const SourceLine& line) {
    const DecodedInstruction d = instructions_.decode(word);
    if (!d.found) return;

    if (d.id == OpId::NOPF) {
        if (address < 1 || namesExtern(line, 2)) return;
        const DecodedInstruction p = instructions_.decode(previous);
        if (!p.found) return;
        const uint16_t payload = d.operands[0];
        bool ok = true;
        if (p.id == OpId::LDPR)
            ok = exists(payload);
        else if (p.id == OpId::MVFF)
            ok = exists(p.operands[0]) && exists(payload);
        else
            return;
        if (!ok) reporter_.report(&line, 24, false, operandText(line, 1));
        return;
    }

    const FileOperationGroup group = fileOperationGroup(d.id);
    if (group == FileOperationGroup::None) return;
    const int bankOperand = group == FileOperationGroup::FileBankInOperand2 ? 2 : 3;
    if (namesExtern(line, bankOperand)) return;
    if (d.operandCount < bankOperand) return;

    const int64_t target = firstOperandAddress(line);
    const uint16_t bank = d.operands[size_t(bankOperand - 1)];
    const bool inBank = bank == 1 ? target >= 256 : target <= 255;
    if (!exists(target) || !inBank) {
        reporter_.report(&line, 24, false, operandText(line, 1));
        return;
    }
    if (group == FileOperationGroup::Bit) {
        const unsigned bit = d.operands[1] & 7u;
        if (!((chip_.implementedBits[size_t(target)] >> bit) & 1u)) {
            reporter_.report(&line, 25, false, operandText(line, 2));
            return;
        }
    }
    if (chip_.selfEromMode != 0 && target <= 255 && target == int64_t(chip_.selfEromPage) &&
        selfErom_.size() < kMaxSelfEromWrites)
        selfErom_.push_back(SelfEromWrite{address, line.fileIndex,
                                          uint16_t(std::max<int32_t>(line.lineNumber, 0))});
}

} // namespace zerka
