#pragma once
// The one bring-up of the emulator, in the order the unit needs it: connect, chip ID, then
// (with the program built) debug mode, core, information block, monitor start, the run-away
// guard, the memory test and the download. Each step's failure is a status that the caller
// words: the IDE in its message boxes, the command line on stderr.
#include "shell/emulator_target.h"

#include <array>
#include <cstdint>
#include <functional>

namespace zerka {

enum class BringUp {
    Ok,
    ConnectFailed,  // the USB link did not answer
    ChipIdMismatch, // the emulator body is another chip's
    ChipIdMissing,  // no body answered
    Busy,           // the unit refused debug mode
    CoreSelect,     // the core did not read back
    InfoBlock,      // the information block did not read back
    ProgramMemory,  // memory test or download: program memory
    Ram,            // memory test: data memory
    LinkFailed,     // the memory test ended without words (the link went)
    Refused,        // the caller's own check refused to go on (a question answered Cancel)
};

// Connect (USB only; the printer port has no handshake).
BringUp connectUnit(EmulatorTarget& e, bool usb);
// The chip-ID check.
BringUp identifyChip(EmulatorTarget& e);

// What the load asks of its caller between the unit's steps.
struct LoadQuestions {
    // After the monitor start: false stops the load (Refused), e.g. a printer port without its
    // service. Empty: go on.
    std::function<bool()> afterMonitorStart;
    // The run-away guard failed: true goes on anyway. Empty: stop (Refused).
    std::function<bool()> continueAfterRunAway;
};

struct LoadOutcome {
    BringUp status = BringUp::Ok;
    // The download failed but the 8K mirror test passed: the program is larger than the
    // emulator's memory. The IDE says so and debugs anyway.
    bool sizeError = false;
};

// Debug mode, core, information block, monitor, run-away guard, memory test, download.
LoadOutcome loadProgram(EmulatorTarget& e, uint8_t coreVariant,
                        const std::array<uint16_t, 256>& informationBlock,
                        const LoadQuestions& questions);

// The status in the IDE's words (empty for Ok and Refused).
const char* bringUpText(BringUp status);

} // namespace zerka
