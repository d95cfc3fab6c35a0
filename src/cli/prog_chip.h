#pragma once
// Choosing a chip of the library by index or name, for every command that takes --chip.
#include "chip/chip_library.h"
#include "chip/chip_model.h"

#include <optional>
#include <ostream>
#include <string>

namespace zerka::cli {

// The index of `chip`: a decimal index of the list, else a chip name (case-insensitive).
std::optional<int> findChip(const ChipLibrary& library, const std::string& chip);
// The same; nothing (after a message) when none.
std::optional<int> chooseChip(const ChipLibrary& library, const std::string& chip,
                              std::ostream& err, const std::string& me);

// Opens the library (`lib` or the program's INCLUDE) and loads the chosen chip into `model`.
std::optional<int> loadChosenChip(ChipLibrary& library, const std::string& chip, ChipModel& model,
                                  std::ostream& err, const std::string& me);

} // namespace zerka::cli
