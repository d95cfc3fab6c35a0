#pragma once
// The programmer's own settings (the editor window's programmer page): the key that starts a
// blank check, the buzzer, the checksum check and the chip code number written into each chip
// it burns. Each lives in the programmer: a set writes it and reads it back.
#include "programmer/prog_link.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zerka {

struct ChipCodeNumber {
    bool on = false;
    uint32_t number = 0;
};

// What the page shows, as the programmer reported it.
struct ProgrammerSettingsPage {
    std::string firmware;
    bool blankOn = false;  // "Blank ON" (the get answer was not AAh)
    bool buzzerOn = false; // "Buzzer ON"
    bool checkOn = false;  // "Check ON"
    ChipCodeNumber chipCode;
};

class ProgrammerSettingsCommands {
  public:
    explicit ProgrammerSettingsCommands(ProgLink& link) : link_(link) {}

    // Each set sends the value of the selected radio button, then reads the setting back;
    // nullopt when a transfer failed.
    std::optional<bool> setKey(bool blankOn);
    std::optional<bool> readKey();
    std::optional<bool> setBuzzer(bool on);
    std::optional<bool> readBuzzer();
    std::optional<bool> setChecksum(bool on);
    std::optional<bool> readChecksum();
    // `param` is the low byte of the chip's serial-number parameter.
    std::optional<ChipCodeNumber> setChipCode(bool on, uint32_t number, uint8_t param);
    std::optional<ChipCodeNumber> readChipCode();
    std::optional<std::string> readFirmware();

    // "Read Burner Setting": stops at the first failed transfer.
    bool readAll(ProgrammerSettingsPage& page);
    // After a download: every function off, then read back.
    bool ResetProgrammerSettings(ProgrammerSettingsPage& page);

  private:
    std::optional<uint8_t> set(uint8_t sub, uint8_t value);
    std::optional<uint8_t> get(uint8_t sub);

    ProgLink& link_;
};

} // namespace zerka
