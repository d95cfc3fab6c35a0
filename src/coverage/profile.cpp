#include "coverage/profile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace zerka::coverage {

std::string profileJson(const Report& report) {
    nlohmann::ordered_json j;
    j["total_cycles"] = report.totalCycles;
    j["top_level_cycles"] = report.topLevelCycles;
    j["interrupts"] = report.interrupts;
    j["unattributed"] = {{"count", report.unattributedCount},
                         {"cycles", report.unattributedCycles}};
    nlohmann::ordered_json routines = nlohmann::ordered_json::array();
    for (const RoutineStats& r : report.routines)
        routines.push_back({{"name", r.name},
                            {"address", r.address},
                            {"interrupt", r.interrupt},
                            {"calls", r.calls},
                            {"inclusive_cycles", r.inclusive},
                            {"exclusive_cycles", r.exclusive}});
    j["routines"] = std::move(routines);
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    for (const LineStats& l : report.lines)
        lines.push_back({{"file", report.files[size_t(l.file)]},
                         {"line", l.line},
                         {"count", l.count},
                         {"cycles", l.cycles}});
    j["lines"] = std::move(lines);
    // Paths are bytes; a file name that is not UTF-8 must not end the run.
    return j.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

namespace {

std::string share(uint64_t part, uint64_t total) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%5.1f%%", total ? 100.0 * double(part) / double(total) : 0.0);
    return buf;
}

std::string column(std::string text, size_t width, bool right) {
    if (text.size() >= width) return text;
    return right ? std::string(width - text.size(), ' ') + text
                 : text + std::string(width - text.size(), ' ');
}

} // namespace

std::string profileTable(const Report& report, size_t top) {
    std::string s;
    s += "TOTAL CYCLES " + std::to_string(report.totalCycles) + "\n\n";
    s += column("ROUTINE", 24, false) + column("CALLS", 12, true) + column("INCLUSIVE", 14, true) +
         column("", 8, true) + column("EXCLUSIVE", 14, true) + column("", 8, true) + "\n";
    for (size_t i = 0; i < report.routines.size() && i < top; ++i) {
        const RoutineStats& r = report.routines[i];
        s += column(r.name + (r.interrupt ? " (interrupt)" : ""), 24, false) +
             column(std::to_string(r.calls), 12, true) +
             column(std::to_string(r.inclusive), 14, true) +
             column(share(r.inclusive, report.totalCycles), 8, true) +
             column(std::to_string(r.exclusive), 14, true) +
             column(share(r.exclusive, report.totalCycles), 8, true) + "\n";
    }
    std::vector<const LineStats*> lines;
    for (const LineStats& l : report.lines)
        if (l.cycles) lines.push_back(&l);
    std::stable_sort(lines.begin(), lines.end(),
                     [](const LineStats* a, const LineStats* b) { return a->cycles > b->cycles; });
    s += "\n" + column("LINE", 38, false) + column("COUNT", 12, true) + column("CYCLES", 14, true) +
         column("", 8, true) + "\n";
    for (size_t i = 0; i < lines.size() && i < top; ++i) {
        const LineStats& l = *lines[i];
        const std::string name =
            std::filesystem::path(report.files[size_t(l.file)]).filename().string() + ":" +
            std::to_string(l.line);
        s += column(name, 38, false) + column(std::to_string(l.count), 12, true) +
             column(std::to_string(l.cycles), 14, true) +
             column(share(l.cycles, report.totalCycles), 8, true) + "\n";
    }
    if (report.unattributedCycles)
        s += column("(no source line)", 38, false) +
             column(std::to_string(report.unattributedCount), 12, true) +
             column(std::to_string(report.unattributedCycles), 14, true) +
             column(share(report.unattributedCycles, report.totalCycles), 8, true) + "\n";
    return s;
}

} // namespace zerka::coverage
