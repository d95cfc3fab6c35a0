#include "views/breakpoint_list.h"

#include "views/source_view.h"

#include "core/text.h"

namespace zerka {

namespace {

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

const char* BreakpointListModel::heading(int column) {
    static const char* headings[kColumns] = {"Address", "File", "Line", "Source"};
    return column >= 0 && column < kColumns ? headings[column] : "";
}

BreakpointListModel::BreakpointListModel(TZk_UP& up, const SourceViewModel* source)
    : up_(up), source_(source) {
    connection_ = up_.breakpointChanged().connect([this](const BreakpointChange&) { Refresh(); });
    Refresh();
}

BreakpointListModel::~BreakpointListModel() {
    up_.breakpointChanged().disconnect(connection_);
}

void BreakpointListModel::setSourceView(const SourceViewModel* source) {
    source_ = source;
    Refresh();
}

void BreakpointListModel::Refresh() {
    rows_.clear();
    const std::vector<BreakpointEntry>& list = up_.breakpoints();
    const CpuState& cpu = up_.cpu();
    // The entries placed for the built-in EEPROM emulation come first; they are not the user's.
    for (size_t i = up_.reservedBreakpoints(); i < list.size(); ++i) {
        BreakpointRow r;
        r.entry = list[i];
        int fileIndex = -1;
        if (r.entry.kind == BreakpointKind::SourceLine) {
            fileIndex = r.entry.file;
            r.line = r.entry.line;
        } else if (r.entry.address < cpu.programSize() && cpu.SourceLineOf(r.entry.address) != 0) {
            fileIndex = cpu.SourceFileOf(r.entry.address);
            r.line = cpu.SourceLineOf(r.entry.address);
        }
        if (source_ && fileIndex >= 0) {
            r.file = source_->tabOfFileIndex(fileIndex);
            if (!source_->validFile(r.file)) r.file = 0;
        }
        r.texts[0] = hexText(r.entry.address, 4) + "h";
        if (r.file != 0) {
            r.texts[1] = source_->caption(r.file);
            r.texts[3] = trimmed(source_->rowText(r.file, r.line));
        }
        if (r.line != 0) r.texts[2] = std::to_string(r.line);
        rows_.push_back(std::move(r));
    }
    changed_.emit();
}

const BreakpointRow* BreakpointListModel::row(int row) const {
    return row >= 0 && row < rows() ? &rows_[size_t(row)] : nullptr;
}

std::string BreakpointListModel::cell(int row, int column) const {
    const BreakpointRow* r = this->row(row);
    return r && column >= 0 && column < kColumns ? r->texts[column] : std::string();
}

bool BreakpointListModel::remove(int row) {
    const BreakpointRow* r = this->row(row);
    // Breakpoints change only while the target is stopped, as in the other windows.
    if (!r || up_.running()) return false;
    const BreakpointEntry e = r->entry;
    up_.RemoveBreakpoint(e.address, e.kind);
    return true;
}

} // namespace zerka
