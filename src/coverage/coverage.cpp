#include "coverage/coverage.h"

#include "asm/source_reader.h"
#include "core/text.h"

#include <algorithm>
#include <filesystem>

namespace zerka::coverage {

namespace fs = std::filesystem;

LineMap::LineMap(const AssemblyResult& result) {
    for (const std::string& f : result.files) {
        if (isObjectFileName(f)) {
            fileSlot_.push_back(-1);
            continue;
        }
        fileSlot_.push_back(int(files_.size()));
        std::error_code ec;
        fs::path p = fs::absolute(fs::path(f), ec);
        files_.push_back((ec ? fs::path(f) : p).lexically_normal().string());
    }
    auto slotOf = [&](uint8_t fileIndex) {
        return fileIndex < fileSlot_.size() ? fileSlot_[fileIndex] : -1;
    };

    lineOfAddress_.assign(result.cells.size(), Line{-1, 0});
    for (size_t a = 0; a < result.cells.size(); ++a) {
        const AssembledCell& c = result.cells[a];
        const int slot = slotOf(c.fileIndex);
        if (c.line != 0 && slot >= 0) lineOfAddress_[a] = Line{slot, c.line};
    }

    // Instances in the order the assembler stored the lines: a macro call line is followed by
    // the lines of its expansion, so its expansion is entered at the first word after it.
    std::vector<Line> pendingCalls;
    Line previous{-1, 0};
    uint32_t previousEnd = 0;
    for (const LineMapEntry& e : result.lineMap) {
        const int slot = slotOf(e.fileIndex);
        if (!e.expanded) pendingCalls.clear(); // a line outside every expansion
        // Lines of an expansion carry its record too; the call line is the one without code.
        if (e.record != 0 && e.address >= 0xFFFFF) {
            if (slot >= 0 && e.lineNumber > 0) pendingCalls.push_back(Line{slot, e.lineNumber});
            previous = Line{-1, 0};
            continue;
        }
        if (e.address >= 0xFFFFF || slot < 0 || e.lineNumber <= 0) continue;
        for (const Line& call : pendingCalls)
            entries_[call].push_back(e.address);
        pendingCalls.clear();
        const Line l{slot, e.lineNumber};
        // One line stored twice for one instruction (a generated second word) is one instance.
        if (l == previous && e.address == previousEnd + 1) {
            previousEnd = e.address;
            continue;
        }
        entries_[l].push_back(e.address);
        previous = l;
        previousEnd = e.address;
    }
    // Words whose line the line list left out still make that line a line with code.
    for (const Line& l : lineOfAddress_)
        if (l.file >= 0) entries_.try_emplace(l);
}

LineMap::Line LineMap::lineOf(uint32_t address) const {
    return address < lineOfAddress_.size() ? lineOfAddress_[address] : Line{-1, 0};
}

std::map<uint32_t, std::string> labelsOf(const AssemblyResult& result) {
    std::map<uint32_t, std::string> labels;
    for (const SymbolEntry& e : result.labels)
        if (e.value >= 0) labels.try_emplace(uint32_t(e.value), e.name);
    return labels;
}

Report makeReport(const LineMap& map, const ExecCounts& counts, const Program& program) {
    Report r;
    r.files = map.files();
    r.totalCycles = counts.cycles();
    r.topLevelCycles = counts.topLevelCycles();
    r.interrupts = counts.interrupts();

    const std::vector<uint64_t>& executed = counts.executed();
    const std::vector<uint64_t>& taken = counts.taken();
    const uint32_t size = counts.programSize();
    auto word = [&](uint32_t a) -> uint16_t {
        return a < program.words.size() ? program.words[a] : uint16_t{0};
    };
    auto executedAt = [&](uint32_t a) -> uint64_t { return a < size ? executed[a] : 0; };

    std::map<LineMap::Line, LineStats> lines;
    for (const auto& [l, starts] : map.entries()) {
        LineStats& s = lines[l];
        s.file = l.file;
        s.line = l.line;
        for (uint32_t a : starts)
            s.count += executedAt(a);
    }
    for (uint32_t a = 0; a <= size; ++a) {
        const uint64_t n = executed[a];
        const bool vector = a == ExecCounts::kInterruptVector;
        if (n == 0 && !(vector && r.interrupts) && a < size && !program.engine.conditional(word(a)))
            continue;
        // Outside program memory every word reads as 0.
        const uint16_t w = a < size ? word(a) : uint16_t{0};
        uint64_t cycles = n * program.engine.wordCycles(w) + taken[a];
        if (vector) cycles += r.interrupts * ExecCounts::kInterruptCycles;
        const LineMap::Line l = a < size ? map.lineOf(a) : LineMap::Line{-1, 0};
        auto it = l.file >= 0 ? lines.find(l) : lines.end();
        if (it == lines.end()) {
            r.unattributedCount += n;
            r.unattributedCycles += cycles;
            continue;
        }
        it->second.cycles += cycles;
        if (a < size && program.engine.conditional(w)) {
            it->second.branches.emplace_back(taken[a], n - taken[a]);
            if (n) it->second.branchLineRan = true;
        }
    }
    r.lines.reserve(lines.size());
    for (auto& [l, s] : lines)
        r.lines.push_back(std::move(s));

    for (const auto& [key, totals] : counts.routines()) {
        RoutineStats s;
        s.interrupt = (key & ExecCounts::kInterruptRoutine) != 0;
        s.address = key & ~ExecCounts::kInterruptRoutine;
        auto label = program.labels.find(s.address);
        if (label != program.labels.end())
            s.name = label->second;
        else
            s.name = s.interrupt ? "(interrupt)" : hexText(s.address, 4) + "h";
        s.calls = totals.calls;
        s.inclusive = totals.inclusive;
        s.exclusive = totals.exclusive;
        r.routines.push_back(std::move(s));
    }
    std::stable_sort(
        r.routines.begin(), r.routines.end(), [](const RoutineStats& a, const RoutineStats& b) {
            return a.inclusive != b.inclusive ? a.inclusive > b.inclusive : a.address < b.address;
        });
    return r;
}

} // namespace zerka::coverage
