#pragma once
// "ZkSRAM.CSV": the register record as a text table, one header line and one line per entry in
// fixed-width comma-separated columns (item, name, address, new value, old value).
#include "upcentre/core/register_record.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

inline constexpr const char* kSramCsvHeader =
    "Item, Name                            , Address, Last Data, Before Data";

// The whole file, lines ended by "\r\n".
std::string formatSramCsv(std::span<const RegRecordEntry> entries);

// The entries of a file (the header line is skipped, blank lines too), at most `limit` of them;
// `more` tells whether further lines followed. Nothing, and a reason naming the line, when a
// line is not a record: a missing field, a number that is not hexadecimal, an address beyond
// the data memory or a value beyond a byte.
std::optional<std::vector<RegRecordEntry>> parseSramCsv(std::string_view text, size_t limit,
                                                        bool* more, std::string* error);

} // namespace zerka
