#include "upcentre/run/eeprom_emulation.h"

#include "chip/chip_model.h"
#include "link/ice_commands.h"

namespace zerka {

namespace {

constexpr uint16_t kBankBit = 0x0100;
constexpr uint32_t kAccessBank4 = 4;
constexpr uint8_t kGlobalInterrupts = 0x80;
constexpr uint32_t kMode12Limit = 0x3F;

// BTGF counts among the accesses (it is a bit operation): the assembler records it, so the
// emulator stops at it; stepping it unpatched would toggle a bank-0 byte and the request would
// never be served.
bool isByteOrBitAccess(OpId id) {
    return fileOperationGroup(id) != FileOperationGroup::None;
}

uint16_t paramAddress(int32_t v) {
    return v >= 0 && v < int32_t(CpuState::kDataSize) ? static_cast<uint16_t>(v) : uint16_t{0};
}

} // namespace

EepromConfig EepromConfig::fromChip(const ChipModel& chip) {
    EepromConfig c;
    c.mode = chip.selfEromMode;
    c.page = chip.selfEromPage;
    c.base = static_cast<uint16_t>(0x400 + (chip.selfEromPage & 0xFF));
    for (size_t i = 0; i < c.param.size(); ++i)
        c.param[i] = paramAddress(chip.selfEromParam[i]);
    c.core = coreTypeFromVariant(chip.coreVariant);
    return c;
}

bool EepromEmulation::isAccess(const InstructionSet& set, uint16_t word) const {
    if (config_.mode == 0) return false;
    const DecodedInstruction d = set.decode(word);
    if (!d.found || !d.def) return false;
    const uint16_t target = config_.controlAddress();
    if (d.id == OpId::MVFF) return d.operands[0] == target; // by its source address
    if (d.noFileOperand) return false;
    if (!isByteOrBitAccess(d.id)) return false;
    const int bank = d.def->bankSelectOperand();
    if (bank < 2 || bank > 3) return false;
    return d.operands[0] == target && d.operands[size_t(bank - 1)] == 0;
}

uint32_t EepromEmulation::eepromAddress() const {
    const uint32_t low = mirror(config_.param[1]);
    if (config_.mode == 1 || config_.mode == 2) return low;
    return uint32_t(mirror(config_.param[0])) * 256 + low;
}

bool EepromEmulation::patchWord(uint32_t wordAddress, uint16_t value) {
    const bool ok = target_.beginPatch() && target_.writeWord(wordAddress, value);
    target_.endPatch();
    return ok;
}

bool EepromEmulation::patchWords(uint32_t wordAddress, std::span<const uint16_t> words) {
    const bool ok = target_.beginPatch() && target_.writeWords(wordAddress, words);
    target_.endPatch();
    return ok;
}

EepromEmulation::Request EepromEmulation::emulatedStep(const InstructionSet& set) {
    const uint32_t pc = cpu_.GetPC();
    const uint16_t word = cpu_.ProgramWord(pc);
    const DecodedInstruction d = set.decode(word);
    const bool mvff = d.found && d.id == OpId::MVFF;

    const uint8_t savedBsr = mirror(reg::kBsr);
    const uint8_t savedIe0 = mirror(reg::kIntEnable0);
    cpu_.WriteRegister(reg::kIntEnable0, savedIe0 & ~kGlobalInterrupts);
    cpu_.WriteRegister(reg::kBsr, kAccessBank4);

    // The bank bit of an MVFF word belongs to its 12-bit source address, so setting it would
    // read 100h further on; the source field itself is pointed at the bank-4 copy instead.
    const uint16_t patched =
        mvff ? static_cast<uint16_t>((word & 0xF000) | (config_.base & 0x0FFF)) : word | kBankBit;
    bool ok = patchWord(pc, patched);
    // MVFF is two words: both go in the patched step so the move completes there.
    if (ok) ok = target_.stepAndHalt(mvff ? 2 : 1);
    // The original word goes back even after a failed step.
    const bool restored = patchWord(pc, word);

    cpu_.WriteRegister(reg::kBsr, savedBsr);
    cpu_.WriteRegister(reg::kIntEnable0, savedIe0);
    if (!ok || !restored) return Request::None;

    uint8_t c = 0;
    if (!target_.readByte(config_.base, c)) return Request::None;
    cpu_.WriteData(config_.base, c); // mirror only
    Request served = Request::None;
    const bool write = c & kEepromWriteRequest, read = c & kEepromReadRequest;
    if (write && !read) {
        cpu_.WriteData(config_.base, c & ~kEepromWriteRequest);
        if (mirror(reg::kTablePtrLow) > kMode12Limit) {
            served = Request::Refused;
        } else {
            writeRequest();
            served = Request::Write;
        }
    } else if (read && !write) {
        cpu_.WriteData(config_.base, c & ~kEepromReadRequest);
        readRequest();
        served = Request::Read;
    }
    // The cleared request bit reaches the emulator; both bits or none go back unchanged.
    cpu_.WriteRegister(config_.base, mirror(config_.base));
    return served;
}

void EepromEmulation::writeRequest() {
    uint16_t data = static_cast<uint16_t>(mirror(config_.param[2]) << 8 | mirror(config_.param[3]));
    const uint32_t address = eepromAddress();
    const uint32_t wordAddress = kEepromWordBase + address;
    uint16_t old = 0;
    bool ok = target_.beginPatch() && target_.readWord(wordAddress, old);
    if (ok) {
        if (config_.mode == 1 || config_.mode == 2) data &= old; // cells only clear bits
        ok = target_.writeWord(wordAddress, data);
    }
    target_.endPatch();
    if (!ok) return;
    advance(address, true);
}

void EepromEmulation::readRequest() {
    const uint32_t address = eepromAddress();
    uint16_t value = 0;
    if (!target_.readWord(kEepromWordBase + address, value)) return;
    uint32_t p = 0;
    uint8_t w = 0, status = 0;
    if (!target_.readPC(p) || !target_.readByte(reg::kW, w) ||
        !target_.readByte(reg::kStatus, status))
        return;
    const uint16_t back = config_.core == CoreType::CX4B
                              ? static_cast<uint16_t>(0x7800 + (p & 0x7FF))
                              : uint16_t{0x7FFB};
    // MVL high, MVF to 1Fh, MVL low, MVF to 20h, and back to p.
    const std::array<uint16_t, 5> readRoutine = {
        static_cast<uint16_t>(0x0600 + (value >> 8)), 0x661F,
        static_cast<uint16_t>(0x0600 + (value & 0xFF)), 0x6620, back};
    if (!patchWords(p, readRoutine)) return;
    const uint8_t ie0 = mirror(reg::kIntEnable0);
    cpu_.WriteRegister(reg::kIntEnable0, ie0 & ~kGlobalInterrupts);
    const bool stepped = target_.stepAndHalt(5);
    cpu_.WriteRegister(reg::kW, w);
    // The read routine's moves set Z and N; the program must not see flags it did not make.
    cpu_.WriteRegister(reg::kStatus, status);
    cpu_.WriteRegister(reg::kIntEnable0, ie0);
    std::array<uint16_t, 5> original{};
    for (uint32_t i = 0; i < original.size(); ++i)
        original[i] = cpu_.ProgramWord(p + i);
    const bool restored = patchWords(p, original);
    if (!stepped || !restored) return;
    advance(address, false);
}

void EepromEmulation::advance(uint32_t address, bool afterWrite) {
    const uint32_t a = address + 1;
    if (config_.mode == 1 || config_.mode == 2) {
        if (afterWrite && (a & 0xFF) > kMode12Limit && ui_)
            ui_->messageBox(MessageType::Warning, std::string(kEepromOverflowMessage), Buttons::Ok);
        cpu_.WriteRegister(config_.param[1], static_cast<uint8_t>(a & kMode12Limit));
    } else {
        cpu_.WriteRegister(config_.param[0], static_cast<uint8_t>((a >> 8) & 0xFF));
        cpu_.WriteRegister(config_.param[1], static_cast<uint8_t>(a & 0xFF));
    }
}

// --- over the emulator command layer ----------------------------------------------------------

bool IceEepromTarget::beginPatch() {
    return ice_.iceEepromMode(true) && ice_.iceAccessMode(2);
}

void IceEepromTarget::endPatch() {
    ice_.iceAccessMode(3);
    ice_.iceEepromMode(false);
}

bool IceEepromTarget::readWord(uint32_t wordAddress, uint16_t& value) {
    std::array<uint8_t, 2> b{};
    if (!ice_.iceReadWords(wordAddress, std::span<uint8_t>(b))) return false;
    value = static_cast<uint16_t>(b[0] << 8 | b[1]);
    return true;
}

bool IceEepromTarget::writeWord(uint32_t wordAddress, uint16_t value) {
    return ice_.iceWriteWord(wordAddress, value);
}

bool IceEepromTarget::writeWords(uint32_t wordAddress, std::span<const uint16_t> words) {
    std::vector<uint8_t> b;
    b.reserve(words.size() * 2);
    for (uint16_t w : words) {
        b.push_back(static_cast<uint8_t>(w >> 8));
        b.push_back(static_cast<uint8_t>(w));
    }
    return ice_.iceWriteWords(wordAddress, std::span<const uint8_t>(b));
}

bool IceEepromTarget::readByte(uint32_t address, uint8_t& value) {
    std::array<uint8_t, 1> b{};
    if (!ice_.iceReadBytes(address, std::span<uint8_t>(b))) return false;
    value = b[0];
    return true;
}

bool IceEepromTarget::stepAndHalt(uint8_t n) {
    const bool stepped = ice_.iceStep(n);
    return ice_.iceHalt() && stepped;
}

bool IceEepromTarget::readPC(uint32_t& pc) {
    std::array<uint8_t, 3> b{};
    if (!ice_.iceReadBytes(kIcePc, std::span<uint8_t>(b))) return false;
    pc = (uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2]) & CpuState::kPcMask;
    return true;
}

} // namespace zerka
