#pragma once
// The chip library: the chip list "ZkSel.INC" and one description file per chip, in the folder
// INCLUDE/ of the program directory. ChipLibrary owns the chip list and loads a chip into a
// ChipModel that its caller owns (GetSELUP).
//
// Windows learn about loads through two notifications:
//  - chipReset: published at the start of every GetSELUP, whatever its result. Receivers hide
//    the options dialog's calibration panel and disable the analog calculators' controls.
//  - chipLoaded: published once a description file has been read to its end, after the RAM
//    and register-page selections have been adjusted and before GetSELUP returns true.
//    Receivers, in this order of concern: the register view rebuilds its display, the ADC
//    calculator resets its stored setting when `resetAdcSetting`, the options model applies the
//    option enable states, and - when the programmer reports firmware 2.0 or later and the chip
//    has #HAO - restores "Enable H/W Calibration" and recomputes the calibration mode.
#include "chip/chip_model.h"
#include "core/program_dir.h"
#include "core/signal.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

inline constexpr const char* kChipListFileName = "ZkSel.INC";

// One line of "ZkSel.INC" after the version line.
struct ChipEntry {
    std::string fileName; // word 1: description file, relative to the library folder
    std::string name;     // word 2: chip name
    std::string sizeNote; // word 3: e.g. "(8K)"
    std::string listText; // word 2 + two spaces + word 3, as the chip selectors show it
};

// View state that a load adjusts: the RAM view's bank and the register view's bit page.
// Windows bind to it; a load shows or hides pages here.
struct ChipViewSelection {
    int selectedRamBank = 0;
    int selectedBitPage = 0;
    std::array<bool, 16> ramBankPageVisible{};
    std::array<bool, 4> bitPageVisible{};
};

// The RAM view's per-address last-seen values, shared with the register view. A load sets the
// entries of the registers it reads to 0.
struct LastSeenValues {
    std::array<uint8_t, kDataAddressCount> lastSeen{};
};

// What a load needs that other components own.
struct ChipLoadContext {
    int languageIndex = 0;              // 0 English, 1 Chinese: which description sections are read
    uint16_t iceBodyId = 0;             // the connected emulator body; 0 until an emulator answers
    bool programmerFirmware2 = false;   // the connected programmer reports firmware 2.0 or later
    ChipViewSelection* view = nullptr;  // nullptr while no view exists
    LastSeenValues* lastSeen = nullptr; // nullptr while no view exists
};

// Published at the start of every load (see top of file).
struct ChipReset {
    const ChipModel& model;
    bool calibrationPanelHidden = true;
    bool analogControlsDisabled = true;
};

// Published when a load succeeded (see top of file).
struct ChipLoaded {
    const ChipModel& model;
    int chipIndex = 0;
    const ChipViewSelection* view = nullptr; // after steps a and b; nullptr when none was given
    std::array<bool, 16> ramBankPageVisible{};
    std::array<uint32_t, 4> bitPageCount{};
    bool hasAdc = false;
    bool resetAdcSetting = false; // no "#ADC0S": the ADC calculator's stored setting goes to 0
    bool stackOverResetAvailable = false;
    bool acmSelectable = false;
    bool acmDefaultHigh = false;
    uint8_t coreVariant = 0;
    uint16_t chipId = 0;
    bool hasHao = false;
    bool programmerFirmware2 = false;
};

struct FindChipResult {
    bool found = false;
    int index = 0;
};

class ChipLibrary {
  public:
    explicit ChipLibrary(std::filesystem::path libraryDir = chipLibraryDir());

    const std::filesystem::path& libraryDir() const { return dir_; }

    // Reads "ZkSel.INC" into the chip list. False when the file is missing or unreadable;
    // the list is then empty and chipSelectorTexts() gives the four fallback entries.
    bool buildChipList(std::string* error = nullptr);

    bool chipListFound() const { return listFound_; }
    const std::vector<ChipEntry>& entries() const { return entries_; }
    // The texts of the options dialog's chip selector (the four fallback texts when
    // "ZkSel.INC" is missing).
    std::vector<std::string> chipSelectorTexts() const;
    // The editor's and programmer dialog's selectors: empty when "ZkSel.INC" is missing.
    std::vector<std::string> otherSelectorTexts() const;

    const std::string& chipListVersion() const { return chipListVersion_; }
    // The 2nd and 4th characters of the version line followed by "0", read as hexadecimal
    // (0 when they are not hexadecimal digits).
    uint32_t chipListVersionNumber() const { return chipListVersionNumber_; }

    // Index of the chip whose name (word 2) equals `name` ignoring case.
    std::optional<int> findChipByName(std::string_view name) const;

    // Loads the entry at `chipIndex` into `model`. True when the description file was found
    // and read; false when "ZkSel.INC" or the description file is missing or unreadable (the
    // model then keeps what it had apart from the resets already done; `error` says why).
    bool GetSELUP(int chipIndex, ChipModel& model, const ChipLoadContext& context = {},
                  std::string* error = nullptr);

    // The first chip entry whose description declares `chipId` under "#ID".
    FindChipResult FindChipById(uint16_t chipId) const;

    // The file that an entry's word 1 names, or nothing when no plain file has that name.
    std::optional<std::filesystem::path> resolveFile(std::string_view name) const;

    Signal<const ChipReset&> chipReset;
    Signal<const ChipLoaded&> chipLoaded;

  private:
    std::filesystem::path dir_;
    bool listFound_ = false;
    std::vector<ChipEntry> entries_;
    std::string chipListVersion_;
    uint32_t chipListVersionNumber_ = 0;
};

// The number derived from a chip-list version line.
uint32_t chipListVersionNumberOf(std::string_view versionLine);

// Loads a description file's text into `model` (steps 3 to 5b of a load, without the
// notifications). Exposed for the benchmark and tests; GetSELUP is the normal entry.
void loadChipDescription(std::string_view text, ChipModel& model, const ChipLoadContext& context);

} // namespace zerka
