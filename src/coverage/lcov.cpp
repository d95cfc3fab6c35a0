#include "coverage/lcov.h"

#include "core/split.h"

#include <charconv>
#include <limits>

namespace zerka::coverage {

namespace {

uint64_t addSaturated(uint64_t a, uint64_t b) {
    return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max()
                                                        : a + b;
}

template <typename T> bool parseNumber(std::string_view text, T& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end;
}

} // namespace

LcovFile lcovOf(const Report& report) {
    LcovFile out;
    std::vector<int> recordOf(report.files.size(), -1);
    for (const LineStats& l : report.lines) {
        if (l.file < 0 || size_t(l.file) >= report.files.size()) continue;
        int& index = recordOf[size_t(l.file)];
        if (index < 0) {
            index = int(out.records.size());
            out.records.push_back(LcovRecord{report.files[size_t(l.file)], {}, {}, {}});
        }
        LcovRecord& r = out.records[size_t(index)];
        r.lines[l.line] = l.count;
        int32_t block = 0;
        for (const auto& [taken, notTaken] : l.branches) {
            const bool ran = taken + notTaken > 0;
            r.branches[{l.line, block, 0}] = ran ? std::optional<uint64_t>(taken) : std::nullopt;
            r.branches[{l.line, block, 1}] = ran ? std::optional<uint64_t>(notTaken) : std::nullopt;
            ++block;
        }
    }
    return out;
}

std::string lcovText(const LcovFile& file) {
    std::string s;
    for (const LcovRecord& r : file.records) {
        s += "TN:" + file.testName + "\n";
        s += "SF:" + r.path + "\n";
        for (const std::string& o : r.other)
            s += o + "\n";
        size_t branchesHit = 0;
        for (const auto& [key, taken] : r.branches) {
            const auto& [line, block, branch] = key;
            s += "BRDA:" + std::to_string(line) + "," + std::to_string(block) + "," +
                 std::to_string(branch) + "," + (taken ? std::to_string(*taken) : "-") + "\n";
            if (taken && *taken > 0) ++branchesHit;
        }
        s += "BRF:" + std::to_string(r.branches.size()) + "\n";
        s += "BRH:" + std::to_string(branchesHit) + "\n";
        size_t linesHit = 0;
        for (const auto& [line, hits] : r.lines) {
            s += "DA:" + std::to_string(line) + "," + std::to_string(hits) + "\n";
            if (hits > 0) ++linesHit;
        }
        s += "LF:" + std::to_string(r.lines.size()) + "\n";
        s += "LH:" + std::to_string(linesHit) + "\n";
        s += "end_of_record\n";
    }
    return s;
}

LcovParse parseLcov(std::string_view text) {
    LcovFile file;
    LcovRecord* open = nullptr;
    size_t number = 0;
    auto fail = [&](std::string_view why) {
        return LcovParse{std::nullopt, "line " + std::to_string(number) + ": " + std::string(why)};
    };
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const size_t colon = line.find(':');
        const std::string_view tag = line.substr(0, colon);
        const std::string_view value =
            colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
        if (line == "end_of_record") {
            if (!open) return fail("end_of_record without SF");
            open = nullptr;
        } else if (tag == "TN") {
            if (file.testName.empty()) file.testName = std::string(value);
        } else if (tag == "SF") {
            if (open) return fail("SF inside a record (end_of_record missing)");
            if (value.empty()) return fail("SF without a path");
            file.records.push_back(LcovRecord{std::string(value), {}, {}, {}});
            open = &file.records.back();
        } else if (tag == "DA") {
            if (!open) return fail("DA outside a record");
            const auto parts = splitAt(value, ',');
            int32_t l = 0;
            uint64_t hits = 0;
            if (parts.size() < 2 || !parseNumber(parts[0], l) || l < 1 ||
                !parseNumber(parts[1], hits))
                return fail("DA is not LINE,HITS");
            uint64_t& d = open->lines[l];
            d = addSaturated(d, hits);
        } else if (tag == "BRDA") {
            if (!open) return fail("BRDA outside a record");
            const auto parts = splitAt(value, ',');
            int32_t l = 0, block = 0, branch = 0;
            uint64_t taken = 0;
            if (parts.size() != 4 || !parseNumber(parts[0], l) || !parseNumber(parts[1], block) ||
                !parseNumber(parts[2], branch) ||
                (parts[3] != "-" && !parseNumber(parts[3], taken)))
                return fail("BRDA is not LINE,BLOCK,BRANCH,TAKEN");
            std::optional<uint64_t>& b = open->branches[{l, block, branch}];
            if (parts[3] != "-") b = addSaturated(b.value_or(0), taken);
        } else if (tag == "LF" || tag == "LH" || tag == "BRF" || tag == "BRH") {
            if (!open) return fail(std::string(tag) + " outside a record");
            // Summaries are worked out again when written.
        } else if (colon != std::string_view::npos && !tag.empty()) {
            if (!open) return fail(std::string(tag) + " outside a record");
            open->other.emplace_back(line);
        } else {
            return fail("not a trace file line");
        }
    }
    if (open) return fail("the last record has no end_of_record");
    return LcovParse{std::move(file), {}};
}

void mergeLcov(LcovFile& base, const LcovFile& add) {
    if (base.testName.empty()) base.testName = add.testName;
    for (const LcovRecord& r : add.records) {
        LcovRecord* into = nullptr;
        for (LcovRecord& b : base.records)
            if (b.path == r.path) {
                into = &b;
                break;
            }
        if (!into) {
            base.records.push_back(r);
            continue;
        }
        for (const auto& [line, hits] : r.lines) {
            uint64_t& d = into->lines[line];
            d = addSaturated(d, hits);
        }
        for (const auto& [key, taken] : r.branches) {
            std::optional<uint64_t>& b = into->branches[key];
            if (taken) b = addSaturated(b.value_or(0), *taken);
        }
        for (const std::string& o : r.other) {
            bool known = false;
            for (const std::string& k : into->other)
                known = known || k == o;
            if (!known) into->other.push_back(o);
        }
    }
}

} // namespace zerka::coverage
