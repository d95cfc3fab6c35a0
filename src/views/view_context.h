#pragma once
// What every debug-window model reads and shares: the uP centre (CPU state, symbols,
// breakpoints, the register-edit path), the selected chip, the change tracking that the register
// and RAM windows share, and the few emulator reads and writes that bypass the mirror.
#include "chip/chip_model.h"
#include "upcentre/run/up_centre.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>

namespace zerka {

// Per data address: the value shown at the previous refresh and whether it changed then.
class ChangeTracker {
  public:
    // Compares with the previous value, remembers the new one; with `highlight` off nothing is
    // marked as changed.
    bool update(uint32_t address, uint8_t value, bool highlight) {
        const bool changed = highlight && value != lastSeen_[address];
        changed_[address] = changed;
        lastSeen_[address] = value;
        return changed;
    }
    // Marks without remembering (the RAM window in the register window's ranges).
    bool compare(uint32_t address, uint8_t value, bool highlight) {
        const bool changed = highlight && value != lastSeen_[address];
        changed_[address] = changed;
        return changed;
    }
    bool changed(uint32_t address) const {
        return address < kDataAddressCount && changed_[address];
    }
    uint8_t lastSeen(uint32_t address) const { return lastSeen_[address]; }
    void clear() {
        lastSeen_.fill(0);
        changed_.reset();
    }

  private:
    std::array<uint8_t, kDataAddressCount> lastSeen_{};
    std::bitset<kDataAddressCount> changed_;
};

// Reads and writes of the emulator that the views make themselves. Unset hooks fall back to the
// mirror (the simulator needs none of them).
struct EmulatorViewHooks {
    // The PC read directly from the emulator (3 bytes at 106Bh); nothing on a failed transfer.
    std::function<std::optional<uint32_t>()> readPc;
    // Writes stack entry `level` through the emulator's top-of-stack registers and returns the
    // value read back; nothing on a failed transfer.
    std::function<std::optional<uint32_t>(uint32_t level, uint32_t value)> writeStackEntry;
};

struct ViewContext {
    ViewContext(TZk_UP& upCentre, const ChipModel& chipModel) : up(upCentre), chip(chipModel) {}
    TZk_UP& up;
    const ChipModel& chip;
    ChangeTracker tracker;
    EmulatorViewHooks emulator;
    // The word transfer table of the emulator and programmer transfers, shown by word registers
    // that have no data-memory cells. Unset: 0.
    std::function<uint16_t(uint16_t index)> wordTransfer;

    CpuState& cpu() { return up.cpu(); }
    bool simulator() const { return up.simulatorMode(); }
    uint8_t mask(uint32_t address) const {
        return address < kDataAddressCount ? chip.implementedBits[address] : 0;
    }
};

} // namespace zerka
