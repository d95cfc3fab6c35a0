#include "shell/self_erom_breakpoints.h"

#include <algorithm>

namespace zerka {

namespace {
constexpr size_t kMaxReservedAccesses = 10;
constexpr uint8_t kControlStart = 0x08;
} // namespace

std::vector<uint32_t> selfEromAccesses(const AssemblyResult& result) {
    std::vector<uint32_t> accesses;
    for (const SelfEromWrite& w : result.selfEromWrites)
        if (w.address >= 0) accesses.push_back(uint32_t(w.address));
    return accesses;
}

bool placeSelfEromBreakpoints(TZk_UP& up, EmulatorRun& run, std::span<const uint32_t> accesses) {
    if (!run.eepromActive()) return false;
    std::vector<uint32_t> reserved;
    for (uint32_t a : accesses.first(std::min(accesses.size(), kMaxReservedAccesses))) {
        const DecodedInstruction d = up.instructions().decode(up.cpu().ProgramWord(a));
        reserved.push_back(a > 0 && d.found && d.id == OpId::NOPF ? a - 1 : a);
    }
    up.PlaceReservedBreakpoints(reserved);
    up.WriteRegister(run.settings().eeprom.base, kControlStart);
    return accesses.size() > kMaxReservedAccesses;
}

} // namespace zerka
