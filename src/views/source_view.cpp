#include "views/source_view.h"

#include "asm/source_reader.h"
#include "core/path_lookup.h"
#include "uitext/text_id.h"
#include "upcentre/run/up_centre.h"

#include <algorithm>

namespace zerka {

namespace {

// The source view's part of an assembly hand-over; everything for the uP centre is ignored.
class SourceViewReceiver : public AssemblyReceiver {
  public:
    SourceViewReceiver(SourceViewModel& view, const std::vector<int>& tabs)
        : view_(view), tabs_(tabs) {}
    void ClearSourceView() override { view_.Clear(); }
    void ClearProgramMemory() override {}
    bool LoadProgramCell(uint32_t, uint16_t, uint16_t, uint8_t) override { return true; }
    void SetInformationWord(int, uint16_t) override {}
    void ResetCpu() override {}
    void ClearSymbols() override {}
    void AddSymbol(const SymbolEntry&) override {}
    bool AddSourceFile(const std::string& path) override { return view_.AddSourceFile(path); }
    bool CreateMacroTable() override { return view_.CreateMacroTable(); }
    void SetRowValue(int file, int32_t row, uint32_t value, int which) override {
        // The line map counts object files, the tabs do not.
        const size_t index = size_t(file - 1);
        if (index < tabs_.size()) view_.SetRowValue(tabs_[index], row, value, which);
    }
    void SetAddressRecord(uint32_t address, uint16_t record) override {
        view_.SetAddressRecord(address, record);
    }
    void SetMacroRecord(uint16_t record, const MacroRecord& data) override {
        view_.SetMacroRecord(record, data);
    }

  private:
    SourceViewModel& view_;
    const std::vector<int>& tabs_;
};

constexpr int kRecordChainLimit = SourceViewModel::kMacroRecords + 1;

} // namespace

SourceViewModel::SourceViewModel(TZk_UP& up) : up_(up) {
    records_.assign(kMacroRecords, MacroRecord{});
    breakpointConnection_ = up_.breakpointChanged().connect(
        [this](const BreakpointChange& change) { MarkBreakpoint(change); });
}

SourceViewModel::~SourceViewModel() {
    up_.breakpointChanged().disconnect(breakpointConnection_);
}

// --- filling ---------------------------------------------------------------------------------

bool SourceViewModel::addFile(std::unique_ptr<SourceFile> file) {
    if (fileCount() >= kMaxFiles) {
        if (ui_) {
            const std::string text = TextOfLanguage(TextId::FilesOver, language_) +
                                     std::to_string(kMaxFiles) +
                                     TextOfLanguage(TextId::CantSimulate, language_);
            ui_->messageBox(MessageType::Error, text, Buttons::Cancel);
        }
        return false;
    }
    files_.push_back(std::move(file));
    cursor_.push_back(1);
    if (frontFile_ == 0) frontFile_ = 1;
    fileAdded_.emit(fileCount());
    return true;
}

bool SourceViewModel::AddSourceFile(const std::string& path) {
    if (fileCount() >= kMaxFiles) return addFile(nullptr);
    return addFile(std::make_unique<SourceFile>(path));
}

bool SourceViewModel::AddSourceText(const std::string& path, std::string_view text) {
    if (fileCount() >= kMaxFiles) return addFile(nullptr);
    return addFile(std::make_unique<SourceFile>(path, text));
}

bool SourceViewModel::CreateMacroTable() {
    records_.assign(kMacroRecords, MacroRecord{});
    currentRecord_ = 0;
    return true;
}

void SourceViewModel::SetRowValue(int f, int32_t row, uint32_t value, int which) {
    if (!validFile(f) || row < 1 || row > kMaxSourceRows) return;
    SourceFile& sf = *files_[size_t(f - 1)];
    if (!sf.validRow(row)) return; // the file changed on disk since it was assembled
    if (which == 0)
        sf.setAddress(row, value > kNoRowAddress ? kNoRowAddress : value);
    else
        sf.setRecord(row, value);
}

void SourceViewModel::SetAddressRecord(uint32_t address, uint16_t record) {
    const uint32_t size = up_.cpu().programSize();
    if (address >= size) return;
    if (addressRecords_.size() < size) addressRecords_.resize(size, 0);
    addressRecords_[address] = record;
}

void SourceViewModel::SetMacroRecord(uint16_t record, const MacroRecord& data) {
    if (validRecord(record)) records_[record - 1] = data;
}

bool SourceViewModel::load(const AssemblyResult& result, UiHost& ui) {
    UiHost* const previous = ui_;
    ui_ = &ui;
    tabOfFileIndex_.assign(result.files.size(), 0);
    int tab = 0;
    for (size_t i = 0; i < result.files.size(); ++i)
        if (!isObjectFileName(result.files[i])) tabOfFileIndex_[i] = ++tab;
    const std::vector<int> tabs = tabOfFileIndex_;
    SourceViewReceiver receiver(*this, tabs);
    const bool ok = HandOverAssembly(result, receiver);
    tabOfFileIndex_ = tabs; // Clear during the hand-over forgets it
    ui_ = previous;
    if (ok) {
        lineMap_ = std::make_unique<coverage::LineMap>(result);
        labels_ = coverage::labelsOf(result);
        reportValid_ = false;
        up_.setCounting(true);
    }
    return ok;
}

int SourceViewModel::tabOfFileIndex(int fileIndex) const {
    if (tabOfFileIndex_.empty()) return fileIndex + 1;
    return fileIndex >= 0 && size_t(fileIndex) < tabOfFileIndex_.size()
               ? tabOfFileIndex_[size_t(fileIndex)]
               : 0;
}

// --- the port ----------------------------------------------------------------------------------

void SourceViewModel::Clear() {
    files_.clear();
    cursor_.clear();
    addressRecords_.assign(up_.cpu().programSize(), 0);
    records_.assign(kMacroRecords, MacroRecord{});
    tabOfFileIndex_.clear();
    lineMap_.reset();
    reportValid_ = false;
    lineMarks_.clear();
    frontFile_ = currentFile_ = previousFile_ = 0;
    currentLine_ = previousLine_ = 0;
    currentRecord_ = 0;
    bookmarks_ = {};
    filesReset_.emit();
}

void SourceViewModel::highlight(int f, int32_t line) {
    previousFile_ = currentFile_;
    previousLine_ = currentLine_;
    currentFile_ = f;
    currentLine_ = line;
    if (validFile(f)) {
        frontFile_ = f;
        cursor_[size_t(f - 1)] = line;
        highlightMoved_.emit();
        rowShown_.emit(f, line);
    } else {
        highlightMoved_.emit();
    }
}

void SourceViewModel::removeHighlight() {
    previousFile_ = currentFile_;
    previousLine_ = currentLine_;
    currentFile_ = 0;
    currentLine_ = 0;
    highlightMoved_.emit();
    if (validFile(previousFile_) && previousLine_ > 0)
        rowCentred_.emit(previousFile_, previousLine_);
}

void SourceViewModel::ShowCurrentLine(uint32_t address, bool atCallLevel) {
    currentRecord_ = 0;
    const CpuState& cpu = up_.cpu();
    const uint16_t line = cpu.SourceLineOf(address);
    if (address >= cpu.programSize() || line == 0) {
        removeHighlight();
        return;
    }
    const int f = tabOfFileIndex(cpu.SourceFileOf(address));
    if (!atCallLevel) {
        highlight(f, line);
        return;
    }
    if (validFile(f) && f != frontFile_) {
        frontFile_ = f;
        tabToFront_.emit(f);
    }
    uint16_t r = addressRecord(address);
    if (!validRecord(r)) {
        highlight(f, line);
        return;
    }
    // Out to the outermost expansion: the record that names itself.
    for (int guard = 0; guard < kRecordChainLimit; ++guard) {
        const uint16_t outer = macroRecord(r).outer;
        if (outer == r || !validRecord(outer)) break;
        r = outer;
    }
    const MacroFields top = macroRecord(r);
    if (!top.bodyLine) return; // the call line itself has code: the view stays as it is
    currentRecord_ = r;
    highlight(tabOfFileIndex(top.callFile), top.callLine);
}

void SourceViewModel::SelectFileOfAddress(uint32_t address) {
    const CpuState& cpu = up_.cpu();
    if (address >= cpu.programSize() || cpu.SourceLineOf(address) == 0) return;
    const int f = tabOfFileIndex(cpu.SourceFileOf(address));
    if (!validFile(f)) return;
    frontFile_ = f;
    tabToFront_.emit(f);
}

bool SourceViewModel::AdvanceInMacro() {
    if (!validRecord(currentRecord_)) {
        currentRecord_ = 0;
        return false;
    }
    const MacroFields r = macroRecord(currentRecord_);
    currentRecord_ = r.next;
    if (r.bodyLine) highlight(tabOfFileIndex(r.stepFile), r.stepLine);
    if (!validRecord(currentRecord_) || !macroRecord(currentRecord_).bodyLine) currentRecord_ = 0;
    return true;
}

std::pair<uint32_t, uint32_t> SourceViewModel::MacroRange() const {
    if (!validRecord(currentRecord_)) return {kNoRowAddress, kNoRowAddress};
    const MacroFields r = macroRecord(currentRecord_);
    return {r.first, r.last};
}

uint32_t SourceViewModel::firstWordOf(uint32_t address) const {
    if (address == 0 || address >= up_.cpu().programSize()) return address;
    const DecodedInstruction d = up_.instructions().decode(up_.cpu().ProgramWord(address));
    return d.found && d.id == OpId::NOPF ? address - 1 : address;
}

std::optional<BreakpointEntry> SourceViewModel::breakpointOfRow(int f, int32_t row) const {
    if (!validFile(f) || !file(f).validRow(row) || file(f).noCode(row)) return std::nullopt;
    const SourceFile& sf = file(f);
    const uint32_t a = sf.address(row);
    if (a < kNoRowAddress) return BreakpointEntry{firstWordOf(a), BreakpointKind::Address, 0, 0};
    // A macro-body line: the breakpoint goes to the next code line of the expansion and is
    // marked on this row.
    uint32_t r = sf.record(row);
    uint32_t c = kNoRowAddress;
    for (int guard = 0; guard < kRecordChainLimit && validRecord(r); ++guard) {
        const MacroFields m = macroRecord(uint16_t(r));
        if (!m.bodyLine && m.address < kNoRowAddress) {
            c = m.address;
            break;
        }
        r = m.next;
    }
    if (c == kNoRowAddress) return std::nullopt;
    int fileIndex = f - 1;
    for (size_t i = 0; i < tabOfFileIndex_.size(); ++i)
        if (tabOfFileIndex_[i] == f) fileIndex = int(i);
    return BreakpointEntry{firstWordOf(c), BreakpointKind::SourceLine, uint8_t(fileIndex),
                           uint16_t(row)};
}

void SourceViewModel::ToggleBreakpointAtRow(int f, int32_t row) {
    const std::optional<BreakpointEntry> e = breakpointOfRow(f, row);
    if (!e) return;
    const bool set = e->kind == BreakpointKind::Address
                         ? !up_.cpu().BreakpointMarkAt(e->address, BreakpointKind::Address)
                         : !file(f).breakpoint(row);
    up_.ToggleBreakpoint(e->address, e->kind, set, e->file, e->line);
}

void SourceViewModel::setMark(int f, int32_t row, bool on) {
    if (!validFile(f) || !file(f).validRow(row) || file(f).noCode(row)) return;
    files_[size_t(f - 1)]->setBreakpoint(row, on);
    markChanged_.emit(f, row);
}

void SourceViewModel::MarkBreakpoint(const BreakpointChange& change) {
    const BreakpointEntry& e = change.entry;
    int f = 0;
    int32_t row = 0;
    if (e.kind == BreakpointKind::SourceLine) {
        f = tabOfFileIndex(e.file);
        row = e.line;
        const uint32_t address = e.address;
        // A new entry at the same address replaced an older one silently: unmark its row.
        for (auto it = lineMarks_.begin(); it != lineMarks_.end();) {
            if (it->address == address && (change.set || (it->file == f && it->row == row))) {
                const LineMark old = *it;
                it = lineMarks_.erase(it);
                if (old.file != f || old.row != row) setMark(old.file, old.row, false);
            } else {
                ++it;
            }
        }
        if (change.set) lineMarks_.push_back({address, f, row});
    } else {
        const CpuState& cpu = up_.cpu();
        if (e.address >= cpu.programSize() || cpu.SourceLineOf(e.address) == 0) return;
        f = tabOfFileIndex(cpu.SourceFileOf(e.address));
        row = cpu.SourceLineOf(e.address);
    }
    if (!validFile(f) || !file(f).validRow(row) || file(f).noCode(row)) return;
    setMark(f, row, change.set);
    frontFile_ = f;
    tabToFront_.emit(f);
    rowCentred_.emit(f, row);
}

void SourceViewModel::SetDimmed(bool on) {
    if (dimmed_ == on) return;
    dimmed_ = on;
    dimmedChanged_.emit(on);
}

void SourceViewModel::SetEmulatorTarget(bool emulator) {
    if (emulator_ == emulator) return;
    emulator_ = emulator;
    highlightMoved_.emit();
}

int32_t SourceViewModel::CurrentRow() const {
    return validFile(frontFile_) ? cursor_[size_t(frontFile_ - 1)] : 0;
}

// --- bookmarks -----------------------------------------------------------------------------------

void SourceViewModel::SyncBookmarksFromEditor(const std::vector<SourceBookmark>& bookmarks) {
    std::vector<std::pair<int, int32_t>> touched;
    for (const ViewBookmark& b : bookmarks_)
        if (b.set) touched.emplace_back(b.file, b.row);
    bookmarks_ = {};
    for (const SourceBookmark& b : bookmarks) {
        if (b.number < 0 || b.number >= kBookmarks) continue;
        for (int f = 1; f <= fileCount(); ++f) {
            if (!equalsIgnoreCase(file(f).path(), b.path) || !file(f).validRow(b.row)) continue;
            bookmarks_[size_t(b.number)] = {true, f, b.row};
            touched.emplace_back(f, b.row);
            break;
        }
    }
    for (const auto& [f, row] : touched)
        markChanged_.emit(f, row);
}

void SourceViewModel::SetBookmark(int n, int f, int32_t row) {
    if (n < 0 || n >= kBookmarks || !validFile(f) || !file(f).validRow(row)) return;
    ViewBookmark& b = bookmarks_[size_t(n)];
    const bool same = b.set && b.file == f && b.row == row;
    if (b.set) {
        b.set = false;
        markChanged_.emit(b.file, b.row);
    }
    if (same) return;
    b = {true, f, row};
    markChanged_.emit(f, row);
}

void SourceViewModel::GoToBookmark(int n) {
    if (!HasBookmark(n)) return;
    const ViewBookmark& b = bookmarks_[size_t(n)];
    if (!validFile(b.file)) return;
    frontFile_ = b.file;
    cursor_[size_t(b.file - 1)] = b.row;
    rowShown_.emit(b.file, b.row);
}

void SourceViewModel::ShowRow(int f, int32_t row) {
    if (!validFile(f) || !file(f).validRow(row)) return;
    frontFile_ = f;
    cursor_[size_t(f - 1)] = row;
    tabToFront_.emit(f);
    rowShown_.emit(f, row);
}

bool SourceViewModel::HasBookmark(int n) const {
    return n >= 0 && n < kBookmarks && bookmarks_[size_t(n)].set;
}

int SourceViewModel::bookmarkAt(int f, int32_t row) const {
    for (int n = 0; n < kBookmarks; ++n) {
        const ViewBookmark& b = bookmarks_[size_t(n)];
        if (b.set && b.file == f && b.row == row) return n;
    }
    return -1;
}

// --- painting ------------------------------------------------------------------------------------

std::string_view SourceViewModel::rowText(int f, int32_t row) const {
    if (!validFile(f) || !file(f).validRow(row)) return {};
    return file(f).text(row);
}

std::string SourceViewModel::markText(int f, int32_t row) const {
    if (!validFile(f) || !file(f).validRow(row)) return std::string(4, ' ');
    const SourceFile& sf = file(f);
    std::string mark;
    if (sf.noCode(row))
        mark = "- ";
    else if (sf.breakpoint(row))
        mark = std::string(kSourceBreakpointMark);
    else
        mark = "  ";
    mark += ' ';
    const int digit = bookmarkAt(f, row);
    mark += digit < 0 ? ' ' : char('0' + digit);
    return mark;
}

SourceRowColour SourceViewModel::rowColour(int f, int32_t row) const {
    if (f == currentFile_ && row == currentLine_ && row > 0)
        return emulator_ ? SourceRowColour::HighlightEmulator : SourceRowColour::HighlightSimulator;
    if (validFile(f) && file(f).validRow(row) && file(f).breakpoint(row))
        return SourceRowColour::Breakpoint;
    return dimmed_ ? SourceRowColour::Dimmed : SourceRowColour::Normal;
}

MacroFields SourceViewModel::macroRecord(uint16_t record) const {
    return validRecord(record) ? MacroFields::of(records_[record - 1]) : MacroFields{};
}

uint16_t SourceViewModel::addressRecord(uint32_t address) const {
    return address < addressRecords_.size() ? addressRecords_[address] : 0;
}

// --- cursor
// ----------------------------------------------------------------------------------------

void SourceViewModel::setFrontFile(int f) {
    if (validFile(f)) frontFile_ = f;
}

void SourceViewModel::setCursorRow(int f, int32_t row) {
    if (validFile(f) && file(f).validRow(row)) cursor_[size_t(f - 1)] = row;
}

int32_t SourceViewModel::cursorRow(int f) const {
    return validFile(f) ? cursor_[size_t(f - 1)] : 0;
}

// --- pop-up menu
// -------------------------------------------------------------------------------------

SourceMenu SourceViewModel::popupMenu() const {
    SourceMenu menu;
    for (int f = 1; f <= fileCount(); ++f)
        menu.files.push_back({TextOf(TextId::OpenPrefix) + caption(f), f});
    std::stable_sort(menu.files.begin(), menu.files.end(),
                     [](const auto& a, const auto& b) { return a.text < b.text; });
    menu.setCaption = "Set Bookmark";
    menu.gotoCaption = "\u79FB\u81F3\u66F8\u7C64"; // 移至書籤
    // Keys 1..9 first, 0 last, as on the keyboard.
    for (int i = 1; i <= kBookmarks; ++i) {
        const int n = i % kBookmarks;
        const std::string digit = std::to_string(n);
        menu.set.push_back(
            {"\u8A2D\u5B9A\u66F8\u7C64-" + digit + "    Ctrl+Shift+" + digit, n, HasBookmark(n)});
        menu.go.push_back(
            {"\u79FB\u81F3\u66F8\u7C64-" + digit + "    Ctrl+" + digit, n, HasBookmark(n)});
    }
    return menu;
}

} // namespace zerka
