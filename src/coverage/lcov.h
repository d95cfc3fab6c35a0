#pragma once
// lcov trace files (the format geninfo writes and genhtml reads): records per source file with
// line counts (DA), branch counts (BRDA) and their summaries, written from a report and merged
// exactly with an existing file.
#include "coverage/coverage.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace zerka::coverage {

struct LcovRecord {
    std::string path;
    std::map<int32_t, uint64_t> lines; // DA: line -> hits
    // BRDA: (line, block, branch) -> taken; nothing for "-" (the block never ran).
    std::map<std::tuple<int32_t, int32_t, int32_t>, std::optional<uint64_t>> branches;
    // Lines of another tool's making (FN, FNDA, ...), kept as they were.
    std::vector<std::string> other;
};

struct LcovFile {
    std::string testName;
    std::vector<LcovRecord> records;
};

// One record per source file of the report that has lines with code. Each conditional skip or
// branch word gives a block of two branches: 0 taken, 1 not taken.
LcovFile lcovOf(const Report& report);
std::string lcovText(const LcovFile& file);

struct LcovParse {
    std::optional<LcovFile> file;
    std::string error; // when file is empty: what is wrong, with its line number
};
LcovParse parseLcov(std::string_view text);

// Adds the counts of `add` to `base`: records of the same path add line by line and branch by
// branch; records of other paths are appended. Summaries are recomputed when written.
void mergeLcov(LcovFile& base, const LcovFile& add);

} // namespace zerka::coverage
