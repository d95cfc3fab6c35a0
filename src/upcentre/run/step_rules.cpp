#include "upcentre/run/step_rules.h"

namespace zerka {
namespace {

bool isByteWithDestination(OpId id) {
    return fileOperationGroup(id) == FileOperationGroup::ByteWithDestination;
}

uint16_t bankBit(const DecodedInstruction& d) {
    const int n = d.def ? d.def->bankSelectOperand() : 0;
    return n >= 1 && n <= 3 ? d.operands[size_t(n - 1)] : uint16_t{0};
}

} // namespace

bool writesPclatl(const InstructionSet& set, uint16_t word) {
    const DecodedInstruction d = set.decode(word);
    if (!d.found || d.noFileOperand || d.operands[0] != reg::kPcLatchLow || bankBit(d) != 0)
        return false;
    if (isByteWithDestination(d.id)) return d.operands[1] == 1;
    switch (d.id) {
    case OpId::CLRF:
    case OpId::SETF: // writes the file register like CLRF
    case OpId::BCF:
    case OpId::BSF:
    case OpId::BTGF: // a bit write all the same
        return true;
    default:
        return false;
    }
}

bool stepsAsPclatlWrite(const InstructionSet& set, uint16_t word) {
    if (!writesPclatl(set, word)) return false;
    const OpId id = set.decode(word).id;
    return id != OpId::SETF && id != OpId::BTGF;
}

uint32_t emulatorStepCount(const InstructionSet& set, const CpuState& cpu) {
    const uint16_t word = cpu.ProgramWord(cpu.GetPC());
    if (stepsAsPclatlWrite(set, word)) return 2;
    const DecodedInstruction d = set.decode(word);
    if (!d.found) return 1;
    const uint8_t status = cpu.ReadData(reg::kStatus);
    const bool z = status & flag::kZ, c = status & flag::kC, n = status & flag::kN,
               ov = status & flag::kOV;
    auto byte = [&]() {
        uint32_t a = d.operands[0];
        if (bankBit(d) == 1) a += uint32_t(cpu.ReadData(reg::kBsr)) * 256;
        return cpu.ReadData(a);
    };
    const uint8_t w = cpu.ReadData(reg::kW);
    bool two = false;
    switch (d.id) {
    case OpId::MVLP:
    case OpId::LDPR:
    case OpId::MVFF:
        two = true;
        break;
    case OpId::JZ:
        two = z;
        break;
    case OpId::JNZ:
        two = !z;
        break;
    case OpId::JC:
        two = c;
        break;
    case OpId::JNC:
        two = !c;
        break;
    case OpId::JN:
        two = n;
        break;
    case OpId::JNN:
        two = !n;
        break;
    case OpId::JO:
        two = ov;
        break;
    case OpId::JNO:
        two = !ov;
        break;
    case OpId::BTSZ:
        two = !(byte() & (1u << d.operands[1]));
        break;
    case OpId::BTSS:
        two = (byte() & (1u << d.operands[1])) != 0;
        break;
    case OpId::INSZ:
        two = byte() == 0xFF;
        break;
    case OpId::DCSZ:
        two = byte() == 1;
        break;
    case OpId::INSUZ:
        two = byte() != 0xFF;
        break;
    case OpId::DCSUZ:
        two = byte() != 1;
        break;
    case OpId::TFSZ:
        two = byte() == 0;
        break;
    case OpId::CPSG:
        two = byte() > w;
        break;
    case OpId::CPSL:
        two = byte() < w;
        break;
    case OpId::CPSE:
        two = byte() == w;
        break;
    default:
        break;
    }
    return two ? 2 : 1;
}

} // namespace zerka
