#pragma once
// `zerka sim --target emulator [--connect unix:PATH|tcp:127.0.0.1:PORT]`: the same command line
// on the emulator. With an address the unit served on that socket is used; without one the
// unit named by ZERKA_TARGET, and the virtual target unit runs in-process when that is not set.
// A named unit that does not answer is an error, never replaced by the built-in one. The uP centre
// stays the one the command already drives: entering emulator mode attaches the emulator branch to
// it, downloads and verifies the program it holds, and makes its runs return only once the target
// has stopped.
#include "asm/assembler.h"
#include "chip/chip_model.h"
#include "cli/cli_context.h"
#include "core/ui_host.h"
#include "upcentre/run/up_centre.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>

namespace zerka::cli {

struct SimTargetOptions {
    std::string target = "simulator"; // "simulator" or "emulator"
    std::string connect;              // empty: the in-process virtual unit
    bool emulator() const { return target == "emulator"; }
};

// Adds --target and --connect to `sub`.
void addSimTargetOptions(CLI::App* sub, SimTargetOptions& o);

// What the emulator session holds while the command runs (the link, the unit when it is
// in-process, the command layer and the emulator branch of the uP centre).
class SimEmulatorSession;

struct SimEmulatorSessionDeleter {
    void operator()(SimEmulatorSession* s) const;
};
using SimEmulatorHandle = std::unique_ptr<SimEmulatorSession, SimEmulatorSessionDeleter>;

// The one call of the sim command, made after the assembler's hand-over into `up` and before
// the pokes and breakpoints: connects, checks the emulator body, writes the information block,
// downloads and verifies the program and puts `up` into emulator mode. `selfEromAccesses` are
// the program addresses the assembler recorded as built-in EEPROM accesses. `maxCycles` (0: no
// limit) bounds every run. On failure it prints the reason after `me` and returns nothing; the
// handle must outlive every use of `up` in emulator mode.
SimEmulatorHandle enterEmulatorMode(TZk_UP& up, const ChipModel& chip, bool stopOnStackFull,
                                    std::span<const uint32_t> selfEromAccesses,
                                    const SimTargetOptions& o, uint64_t maxCycles, UiHost& ui,
                                    std::ostream& err, const std::string& me);

// The same with the accesses taken from the assembly result.
SimEmulatorHandle enterEmulatorMode(TZk_UP& up, const ChipModel& chip, bool stopOnStackFull,
                                    const AssemblyResult& result, const SimTargetOptions& o,
                                    uint64_t maxCycles, UiHost& ui, std::ostream& err,
                                    const std::string& me);

// True when the last run of the session ended at its cycle bound.
bool emulatorCycleLimitReached(const SimEmulatorHandle& session);
// True when the last run of the session ended because the target slept.
bool emulatorStoppedAsleep(const SimEmulatorHandle& session);
// True once a transfer to the unit has failed: nothing read since is the target's state.
bool emulatorLinkLost(const SimEmulatorHandle& session);
// The unit in words: its socket address or the built-in virtual unit.
std::string emulatorLinkName(const SimEmulatorHandle& session);

} // namespace zerka::cli
