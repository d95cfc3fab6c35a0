#include "views/ice_view_hooks.h"

#include "link/ice_commands.h"
#include "upcentre/run/emulator_run.h"

#include <array>

namespace zerka {

namespace {

uint32_t bigEndian(const std::array<uint8_t, 3>& b) {
    return uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
}

std::array<uint8_t, 3> bytesOf(uint32_t v) {
    return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

std::optional<uint32_t> readPc(IceCommands& ice) {
    std::array<uint8_t, 3> b{};
    if (!ice.iceReadBytes(kIcePc, std::span<uint8_t>(b))) return std::nullopt;
    return bigEndian(b);
}

bool writeByte(IceCommands& ice, uint32_t address, uint8_t value) {
    const std::array<uint8_t, 1> b{value};
    return ice.iceWriteBytes(address, std::span<const uint8_t>(b));
}

// The emulator takes its PC into the selected stack level when address 23 is written; the PC
// and the stack pointer register are put back afterwards, then the entry is read back.
std::optional<uint32_t> writeStackEntry(IceCommands& ice, uint32_t level, uint32_t value) {
    std::array<uint8_t, 1> sp{};
    if (!ice.iceReadBytes(reg::kStackPointer, std::span<uint8_t>(sp))) return std::nullopt;
    const uint8_t select = uint8_t((sp[0] & 0xE0) | (level & 0x1F));
    const auto savedPc = readPc(ice);
    if (!savedPc) return std::nullopt;
    const auto newPc = bytesOf(value);
    const auto oldPc = bytesOf(*savedPc);
    bool ok = writeByte(ice, reg::kStackPointer, select) &&
              ice.iceWriteBytes(kIcePc, std::span<const uint8_t>(newPc)) &&
              writeByte(ice, reg::kTosLow, 0) &&
              ice.iceWriteBytes(kIcePc, std::span<const uint8_t>(oldPc));
    ok = writeByte(ice, reg::kStackPointer, sp[0]) && ok;
    if (!ok) return std::nullopt;
    std::array<uint8_t, 3> tos{};
    ok = writeByte(ice, reg::kStackPointer, select) &&
         ice.iceReadBytes(reg::kTosUpper, std::span<uint8_t>(tos));
    ok = writeByte(ice, reg::kStackPointer, sp[0]) && ok;
    if (!ok) return std::nullopt;
    return bigEndian(tos);
}

} // namespace

EmulatorViewHooks makeIceViewHooks(IceCommands& ice) {
    EmulatorViewHooks hooks;
    hooks.readPc = [&ice] { return readPc(ice); };
    hooks.writeStackEntry = [&ice](uint32_t level, uint32_t value) {
        return writeStackEntry(ice, level, value);
    };
    return hooks;
}

} // namespace zerka
