#include "cli/prog_chip.h"

#include <charconv>

namespace zerka::cli {

std::optional<int> findChip(const ChipLibrary& library, const std::string& chip) {
    int n = 0;
    const auto [end, ec] = std::from_chars(chip.data(), chip.data() + chip.size(), n);
    if (!chip.empty() && ec == std::errc{} && end == chip.data() + chip.size() && n >= 0 &&
        size_t(n) < library.entries().size())
        return n;
    return library.findChipByName(chip);
}

std::optional<int> chooseChip(const ChipLibrary& library, const std::string& chip,
                              std::ostream& err, const std::string& me) {
    if (const auto index = findChip(library, chip)) return index;
    err << me << "no chip \"" << chip << "\" in the chip library\n";
    return std::nullopt;
}

std::optional<int> loadChosenChip(ChipLibrary& library, const std::string& chip, ChipModel& model,
                                  std::ostream& err, const std::string& me) {
    std::string error;
    if (!library.chipListFound() && !library.buildChipList(&error)) {
        err << me << error << '\n';
        return std::nullopt;
    }
    const auto index = chooseChip(library, chip, err, me);
    if (!index) return std::nullopt;
    if (!library.GetSELUP(*index, model, {}, &error)) {
        err << me << "chip \"" << chip << "\": " << error << '\n';
        return std::nullopt;
    }
    return index;
}

} // namespace zerka::cli
