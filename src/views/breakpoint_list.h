#pragma once
// The breakpoint list window without widgets: one row per breakpoint the user set, with its
// address, source file, line and source text. It follows every change of the uP centre's list
// (whoever made it), tells where a row's line is and removes a row's breakpoint.
#include "core/signal.h"
#include "upcentre/run/up_centre.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zerka {

class SourceViewModel;

struct BreakpointRow {
    BreakpointEntry entry;
    int file = 0;         // source-view tab of the line, 0 when the address has no source line
    int32_t line = 0;     // 1-based row in that tab
    std::string texts[4]; // address, file, line, source
};

class BreakpointListModel {
  public:
    static constexpr int kColumns = 4;
    static const char* heading(int column);

    // `source` (may be null) names the files and gives the line texts.
    explicit BreakpointListModel(TZk_UP& up, const SourceViewModel* source = nullptr);
    ~BreakpointListModel();
    BreakpointListModel(const BreakpointListModel&) = delete;
    BreakpointListModel& operator=(const BreakpointListModel&) = delete;

    void setSourceView(const SourceViewModel* source);
    // Rebuilds the rows from the uP centre's list (a build clears it without telling).
    void Refresh();

    int rows() const { return int(rows_.size()); }
    // Row 0-based; an empty text outside the list.
    std::string cell(int row, int column) const;
    const BreakpointRow* row(int row) const;
    // Removes that row's breakpoint; false while the target runs or for no such row.
    bool remove(int row);

    Signal<>& changed() { return changed_; }

  private:
    TZk_UP& up_;
    const SourceViewModel* source_ = nullptr;
    std::vector<BreakpointRow> rows_;
    Signal<>::Connection connection_ = 0;
    Signal<> changed_;
};

} // namespace zerka
