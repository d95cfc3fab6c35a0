#pragma once
// The older programmer on the printer port: blank check, programming, verification and
// protection on the printer-port primitives (reset, clear lines, 16-bit exchanges). The
// programmer answers each command word during the exchange that follows it; the commands are
// those of the unit's port model (target/lpt_programmer_port.h):
//   1000h identifier, 2000h status word, 3000h + address set the address, 4000h read and move
//   on, 5000h + data program and move on, 6000h/6001h code or SBM space, 7000h protect.
// It works from the host's code buffer: the download only reads the word image.
#include "chip/chip_model.h"
#include "core/message_log.h"
#include "link/lpt_link.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zerka {

struct ProgrammerState;

class LptProgrammer {
  public:
    explicit LptProgrammer(LptLink& lpt) : lpt_(lpt) {}

    // Blank check of main memory and the SBM area, with the log lines of the USB path.
    bool blankCheck(const ChipModel& chip, MessageLog& log);
    // Program, program SBM, verify, verify SBM, protect (when the image asks for it).
    bool program(const ChipModel& chip, ProgrammerState& state, MessageLog& log);
    bool verify(const ChipModel& chip, ProgrammerState& state, MessageLog& log);

  private:
    bool powerUp(const ChipModel& chip, MessageLog& log, const char* caption, uint16_t& status);
    void powerDown() { lpt_.lptClearLines(); }
    uint16_t exchange(uint16_t word) { return lpt_.lptExchangeWord(word); }
    void select(bool sbm, uint32_t address);
    std::vector<uint16_t> readWords(bool sbm, uint32_t count);
    // Programs the words; the index of the first that did not take its value, if any.
    std::optional<uint32_t> burn(bool sbm, std::span<const uint16_t> words);
    bool verifyPowered(const ChipModel& chip, ProgrammerState& state, MessageLog& log);
    bool loadImage(const ChipModel& chip, ProgrammerState& state, MessageLog& log);

    LptLink& lpt_;
};

} // namespace zerka
