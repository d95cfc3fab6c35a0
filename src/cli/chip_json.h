#pragma once
// The ChipModel as JSON (keys are the model's own field names, numbers plain integers) and as
// readable text, for `zerka chips --show` and later commands that report on a chip.
#include "chip/chip_model.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace zerka::cli {

nlohmann::json chipModelToJson(const ChipModel& model);
nlohmann::json analogFieldToJson(const AnalogField& field);

// Dumps JSON that may hold texts which are not UTF-8 (chip files are byte strings).
std::string dumpJson(const nlohmann::json& j, int indent = 2);

// Every field of the model, one per line; register lists as tables; implementedBits as rows of
// 16 addresses (rows that are all 0 are left out).
void printChipModel(std::ostream& out, const ChipModel& model);

} // namespace zerka::cli
