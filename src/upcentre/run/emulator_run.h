#pragma once
// The emulator branch of run control. Attached to the uP centre, it turns the same run, step,
// stop and reset operations into emulator commands, keeps the CpuState as a mirror of the
// emulator (refreshed after every stop and step), writes register edits through to the
// emulator, and runs the built-in EEPROM emulation on bodies that have no EEPROM.
//
// It does not own the uP centre, the command layer or the program-memory operations: the
// application object does, and it attaches one EmulatorRun while the uP centre is in emulator
// mode.
#include "core/signal.h"
#include "core/ui_host.h"
#include "link/ice_commands.h"
#include "upcentre/run/eeprom_emulation.h"
#include "upcentre/run/emulator_memory.h"
#include "upcentre/run/emulator_run_port.h"
#include "upcentre/run/up_centre.h"

#include <array>
#include <cstdint>
#include <optional>

namespace zerka {

struct ChipModel;

// The program counter of a target that ran away is at or above this.
inline constexpr uint32_t kRunAwayPc = 0x4000;

// What the emulator branch takes from the chip description and the options.
struct EmulatorRunSettings {
    // Bytes of data memory read into the mirror from address 0.
    uint32_t dataBytes = 256;
    // The chip lists a byte register at 3Bh: the mirror keeps only its implemented bits.
    bool maskRegister3B = false;
    uint8_t mask3B = 0xFF;
    EepromConfig eeprom;
    // The options' data watch, sent before every run and step.
    uint8_t watchMask = 0;
    uint8_t watchData = 0;
    uint16_t watchAddress = 0;

    static EmulatorRunSettings fromChip(const ChipModel& chip);
};

class EmulatorRun : public EmulatorRunPort, public EmulatorRegisterPort {
  public:
    static constexpr std::chrono::milliseconds kGuardTimeout{500};
    static constexpr std::chrono::milliseconds kStepWait{10};
    static constexpr size_t kInfoReadBackWords = 128;
    // Polls without a cycle counted before a blocking run counts the target as asleep.
    static constexpr int kAsleepPolls = 5;

    EmulatorRun(TZk_UP& up, IceCommands& ice, EmulatorMemory& memory,
                const IceSettings& iceSettings, UiHost* ui = nullptr, WaitHook wait = {});
    ~EmulatorRun() override;
    EmulatorRun(const EmulatorRun&) = delete;
    EmulatorRun& operator=(const EmulatorRun&) = delete;

    // Puts the uP centre into emulator mode with this branch (and its CpuState's edits through
    // to the emulator); detach returns it to the simulator. The memory operations' mirror
    // refresh and ClearBreakpoints hooks are wired here too.
    void attach();
    void detach();
    bool attached() const { return attached_; }

    void setSettings(const EmulatorRunSettings& settings);
    const EmulatorRunSettings& settings() const { return settings_; }
    void setWatch(uint8_t mask, uint8_t data, uint16_t address);
    // A freshly loaded program starts counting at 0, on the emulator as in the mirror; the
    // emulator keeps its counter from the last session otherwise.
    bool resetCycleCounter();

    // The mirror refresh after every stop and step. False when a transfer failed; the mirror
    // then keeps what it had for that part.
    bool refreshMirror();
    // EmulatorRangeGuard: when the emulator's PC is at `limit` or above, bring the program back
    // to address 0. False on a failed transfer or when the target did not stop within 0.5 s.
    bool EmulatorRangeGuard(uint32_t limit);
    // Self-EROM emulation applies: the chip has the mode and the body is 8024h.
    bool eepromActive() const;
    EepromEmulation& eeprom() { return eeprom_; }
    // The first 128 words of the information block as the last refresh read them back.
    const std::array<uint16_t, kInfoReadBackWords>& infoReadBack() const { return infoReadBack_; }
    // For a host without an event loop (the command line): Run returns only once the target has
    // stopped, polling as the run timer would. The run is stopped when the emulator's cycle
    // counter passes `cycleLimit` (0: no limit) or the link is lost.
    void setBlockingRuns(bool on, uint64_t cycleLimit = 0) {
        blockingRuns_ = on;
        cycleLimit_ = cycleLimit;
    }
    // The last blocking run ended because of the cycle limit.
    bool cycleLimitReached() const { return cycleLimitReached_; }
    // The last blocking run ended because the target slept (its cycle counter stood still).
    bool stoppedAsleep() const { return stoppedAsleep_; }

    // The run stopped at address 0 during EEPROM emulation: the shell performs its program reset.
    Signal<>& programResetRequested() { return programResetRequested_; }

    // --- EmulatorRunPort ---------------------------------------------------------------------
    bool rangeGuard(uint32_t limit) override { return EmulatorRangeGuard(limit); }
    void startRun(bool withComparators) override;
    Poll pollStopped() override;
    void halt() override;
    void step(uint32_t count) override;
    void writeBreakTable(const std::array<uint32_t, 16>& comparators) override;
    Body checkBody() override;
    std::optional<uint32_t> readStackEntry(uint32_t level) override;
    uint32_t readTraceEntry(uint32_t index) override;
    void writePC(uint32_t address) override;
    void resetTarget() override;
    bool emulatedStep() override;
    void afterStop() override;

    // --- EmulatorRegisterPort ---------------------------------------------------------------
    std::optional<uint8_t> writeRegister(uint32_t address, uint8_t value) override;

  private:
    void prepare();
    bool readBytes(uint32_t address, std::span<uint8_t> out);
    bool writeBytes(uint32_t address, std::span<const uint8_t> data);
    std::optional<uint32_t> readPc();
    bool readStack();
    void wait(std::chrono::milliseconds ms);
    void pollUntilStopped();

    TZk_UP& up_;
    IceCommands& ice_;
    EmulatorMemory& memory_;
    const IceSettings& iceSettings_;
    UiHost* ui_ = nullptr;
    WaitHook wait_;
    IceEepromTarget eepromTarget_;
    EepromEmulation eeprom_;
    EmulatorRunSettings settings_;
    bool attached_ = false;
    // The guard leaves its own comparator 0 in the emulator; the next run puts the uP centre's
    // image back.
    bool tableDirty_ = false;
    // The temporary breakpoint of the run that just stopped: an EEPROM access on the way must not
    // turn a step-over or step-out run into a plain one.
    std::optional<uint32_t> stoppedRunTemporary_;
    bool blockingRuns_ = false;
    bool polling_ = false;
    bool runWithComparators_ = false;
    bool cycleLimitReached_ = false;
    bool stoppedAsleep_ = false;
    uint64_t cycleLimit_ = 0;
    std::array<uint16_t, kInfoReadBackWords> infoReadBack_{};
    Signal<> programResetRequested_;
};

} // namespace zerka
