// The source view's coverage columns and "Save Coverage...": the counts of the uP centre
// attributed to the rows of the loaded files.
#include "core/atomic_file.h"
#include "coverage/lcov.h"
#include "upcentre/run/up_centre.h"
#include "views/source_view.h"

namespace zerka {

void SourceViewModel::setShowCounts(bool on) {
    showCounts_ = on;
    countsChanged_.emit();
}

void SourceViewModel::setShowCycles(bool on) {
    showCycles_ = on;
    countsChanged_.emit();
}

const coverage::Report* SourceViewModel::report() const {
    const ExecCounts* counts = up_.counts();
    if (!lineMap_ || !counts) return nullptr;
    if (reportValid_ && reportCycles_ == counts->cycles() && reportClears_ == counts->clears())
        return &report_;
    coverage::Program program{up_.engine(), {}, labels_};
    program.words.resize(up_.cpu().programSize());
    for (uint32_t a = 0; a < up_.cpu().programSize(); ++a)
        program.words[a] = up_.cpu().ProgramWord(a);
    report_ = coverage::makeReport(*lineMap_, *counts, program);
    // Rows by tab: the line map's files are the tabs, in order.
    rowStats_.assign(lineMap_->files().size(), {});
    for (size_t i = 0; i < report_.lines.size(); ++i) {
        const coverage::LineStats& l = report_.lines[i];
        if (l.file >= 0 && size_t(l.file) < rowStats_.size()) rowStats_[size_t(l.file)][l.line] = i;
    }
    reportValid_ = true;
    reportCycles_ = counts->cycles();
    reportClears_ = counts->clears();
    return &report_;
}

const coverage::LineStats* SourceViewModel::statsOf(int f, int32_t row) const {
    const coverage::Report* r = report();
    if (!r || f < 1 || size_t(f) > rowStats_.size()) return nullptr;
    const auto& rows = rowStats_[size_t(f - 1)];
    auto it = rows.find(row);
    return it == rows.end() ? nullptr : &r->lines[it->second];
}

std::string SourceViewModel::countText(int f, int32_t row) const {
    const coverage::LineStats* s = statsOf(f, row);
    return s ? std::to_string(s->count) : std::string();
}

std::string SourceViewModel::cyclesText(int f, int32_t row) const {
    const coverage::LineStats* s = statsOf(f, row);
    return s ? std::to_string(s->cycles) : std::string();
}

bool SourceViewModel::neverRan(int f, int32_t row) const {
    if (!up_.simulatorMode()) return false;
    const coverage::LineStats* s = statsOf(f, row);
    return s && s->count == 0 && s->cycles == 0;
}

void SourceViewModel::ClearCounts() {
    up_.ClearCounts();
    countsChanged_.emit();
}

bool SourceViewModel::SaveCoverage(const std::string& path, std::string& error) const {
    const coverage::Report* r = report();
    if (!r) {
        error = "No program has been assembled for the simulator.";
        return false;
    }
    std::string why;
    if (!writeFileAtomic(path, coverage::lcovText(coverage::lcovOf(*r)), &why)) {
        error = "Cannot write " + path + (why.empty() ? "" : ": " + why);
        return false;
    }
    return true;
}

} // namespace zerka
