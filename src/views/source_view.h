#pragma once
// TZk_Source, the source view, without widgets: the assembled source files with their rows,
// row addresses and macro records, the highlighted line, breakpoint marks, bookmarks, macro
// stepping, the value hint and the pop-up menu. The assembler fills it (directly or through
// load), the debug commands drive it through SourceViewPort, and the widget paints from it.
#include "asm/assembler.h"
#include "core/signal.h"
#include "core/ui_host.h"
#include "coverage/coverage.h"
#include "views/source_file.h"
#include "views/source_macro_record.h"
#include "views/source_view_port.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zerka {

class TZk_UP;
struct BreakpointChange;

enum class SourceRowColour : uint8_t {
    Normal,
    Dimmed,     // the target runs
    Breakpoint, // red on white
    HighlightSimulator,
    HighlightEmulator,
};

// The breakpoint mark of the mark field (the description's Big5 black diamond).
inline constexpr std::string_view kSourceBreakpointMark = "\u25C6";

// The source view's pop-up menu: the shown files to switch to, and the two bookmark lists.
struct SourceMenu {
    struct FileItem {
        std::string text; // "Open " + file name
        int file = 0;     // 1-based tab
    };
    struct BookmarkItem {
        std::string text;
        int number = 0; // 0..9
        bool checked = false;
    };
    std::vector<FileItem> files;
    std::string setCaption;
    std::string gotoCaption;
    std::vector<BookmarkItem> set;
    std::vector<BookmarkItem> go;
};

class SourceViewModel : public SourceViewPort {
  public:
    static constexpr int kMaxFiles = 100;
    static constexpr int kMacroRecords = 4096;
    static constexpr int kBookmarks = 10;

    explicit SourceViewModel(TZk_UP& up);
    ~SourceViewModel() override;
    SourceViewModel(const SourceViewModel&) = delete;
    SourceViewModel& operator=(const SourceViewModel&) = delete;

    // The message about too many files appears through this host, in this language
    // (languageIndex: 0 English, 1 Chinese).
    void setUiHost(UiHost* ui) { ui_ = ui; }
    void setLanguage(int languageIndex) { language_ = languageIndex; }

    // --- what the assembler fills ---------------------------------------------------------------
    bool AddSourceFile(const std::string& path);
    // The same from text already in memory (benchmarks, tests).
    bool AddSourceText(const std::string& path, std::string_view text);
    bool CreateMacroTable();
    // File and row are 1-based; which = 0 row address, 1 macro record.
    void SetRowValue(int file, int32_t row, uint32_t value, int which);
    void SetAddressRecord(uint32_t address, uint16_t record);
    void SetMacroRecord(uint16_t record, const MacroRecord& data);
    // Replays a successful assembly into the view (Clear first). False when the run failed or
    // a file was refused (the message has then been shown).
    bool load(const AssemblyResult& result, UiHost& ui);
    // Which tab shows the assembler's file index (object files have none); identity unless
    // load set it.
    int tabOfFileIndex(int fileIndex) const;

    // --- SourceViewPort
    // ----------------------------------------------------------------------------
    void Clear() override;
    void ShowCurrentLine(uint32_t address, bool atCallLevel) override;
    void SelectFileOfAddress(uint32_t address) override;
    bool AdvanceInMacro() override;
    bool InMacro() const override { return currentRecord_ != 0; }
    std::pair<uint32_t, uint32_t> MacroRange() const override;
    void ToggleBreakpointAtRow(int file, int32_t row) override;
    void SetDimmed(bool on) override;
    void SetEmulatorTarget(bool emulator) override;
    void SyncBookmarksFromEditor(const std::vector<SourceBookmark>& bookmarks) override;
    int CurrentFile() const override { return frontFile_; }
    int32_t CurrentRow() const override;

    // The uP centre's breakpoint change: writes or clears the mark and shows the row.
    void MarkBreakpoint(const BreakpointChange& change);
    // Brings a file's tab to the front and selects its row, scrolled into the middle (the
    // breakpoint list's "go to the line").
    void ShowRow(int file, int32_t row);

    // --- bookmarks -------------------------------------------------------------------------------
    // Setting n where it already is clears it; elsewhere it moves there.
    void SetBookmark(int n, int file, int32_t row);
    void GoToBookmark(int n);
    bool HasBookmark(int n) const;
    // The digit shown on a row, or -1.
    int bookmarkAt(int file, int32_t row) const;

    // --- what the widget paints ------------------------------------------------------------------
    int fileCount() const { return int(files_.size()); }
    bool validFile(int file) const { return file >= 1 && file <= fileCount(); }
    const SourceFile& file(int file) const { return *files_[size_t(file - 1)]; }
    const std::string& caption(int f) const { return file(f).caption(); }
    int32_t rowCount(int f) const { return validFile(f) ? file(f).rows() : 0; }
    std::string_view rowText(int f, int32_t row) const;
    // The 4-character mark field: "- " or two blanks or the breakpoint mark, a blank, and the
    // bookmark digit or a blank.
    std::string markText(int f, int32_t row) const;
    SourceRowColour rowColour(int f, int32_t row) const;
    bool dimmed() const { return dimmed_; }
    bool emulatorTarget() const { return emulator_; }
    int highlightFile() const { return currentFile_; }
    int32_t highlightRow() const { return currentLine_; }
    uint16_t currentMacroRecord() const { return currentRecord_; }
    MacroFields macroRecord(uint16_t record) const;
    uint16_t addressRecord(uint32_t address) const;

    // The value of the data operand under character column `column` (0-based) of a row, e.g.
    // "COUNT[084h] = 05h"; nothing where no hint applies.
    std::optional<std::string> valueHint(int f, int32_t row, int column) const;
    SourceMenu popupMenu() const;

    // --- coverage of the simulator session ---------------------------------------------------
    // A load switches the uP centre's counting on: every run, step and continue counts until
    // the next reset or "Clear Counts". The pop-up menu's optional columns show per row how
    // often it ran ("Show Counts") and the cycles spent there ("Show Cycles"); rows with code
    // that never ran are tinted.
    void setShowCounts(bool on);
    void setShowCycles(bool on);
    bool showCounts() const { return showCounts_; }
    bool showCycles() const { return showCycles_; }
    // The cell texts: empty for rows without code and while nothing counts.
    std::string countText(int f, int32_t row) const;
    std::string cyclesText(int f, int32_t row) const;
    // A row with code that has not run since the counts were cleared (simulator only).
    bool neverRan(int f, int32_t row) const;
    void ClearCounts();
    // "Save Coverage...": the session's lcov trace file. False with `error` when not written.
    bool SaveCoverage(const std::string& path, std::string& error) const;
    // The counts changed (a stop, a step, a clear) or a column was switched.
    Signal<>& countsChanged() { return countsChanged_; }

    // --- the widget's cursor
    // -----------------------------------------------------------------------
    void setFrontFile(int file);
    void setCursorRow(int file, int32_t row);
    int32_t cursorRow(int file) const;

    // --- change notifications
    // ----------------------------------------------------------------------
    Signal<>& filesReset() { return filesReset_; }
    Signal<int>& fileAdded() { return fileAdded_; }
    Signal<int>& tabToFront() { return tabToFront_; }
    // Select the row and scroll it into the middle.
    Signal<int, int32_t>& rowShown() { return rowShown_; }
    // Scroll the row into the middle without selecting it.
    Signal<int, int32_t>& rowCentred() { return rowCentred_; }
    Signal<>& highlightMoved() { return highlightMoved_; }
    Signal<int, int32_t>& markChanged() { return markChanged_; }
    Signal<bool>& dimmedChanged() { return dimmedChanged_; }

  private:
    bool addFile(std::unique_ptr<SourceFile> file);
    void highlight(int file, int32_t line);
    void removeHighlight();
    bool validRecord(uint32_t record) const { return record >= 1 && record <= kMacroRecords; }
    uint32_t firstWordOf(uint32_t address) const;
    void setMark(int file, int32_t row, bool on);
    const coverage::LineStats* statsOf(int f, int32_t row) const;
    const coverage::Report* report() const;

    TZk_UP& up_;
    UiHost* ui_ = nullptr;
    int language_ = 0;
    size_t breakpointConnection_ = 0;

    // Coverage: the line map of the load, and the report worked out when first asked for after
    // the counts moved (every counted instruction takes cycles, so the counted cycles and the
    // number of clears tell).
    std::unique_ptr<coverage::LineMap> lineMap_;
    std::map<uint32_t, std::string> labels_;
    bool showCounts_ = false;
    bool showCycles_ = false;
    mutable bool reportValid_ = false;
    mutable uint64_t reportCycles_ = 0;
    mutable uint64_t reportClears_ = 0;
    mutable coverage::Report report_;
    mutable std::vector<std::map<int32_t, size_t>> rowStats_; // per tab: row -> report line
    Signal<> countsChanged_;

    std::vector<std::unique_ptr<SourceFile>> files_;
    std::vector<int32_t> cursor_; // per file
    std::vector<uint16_t> addressRecords_;
    std::vector<MacroRecord> records_; // index = record number - 1
    std::vector<int> tabOfFileIndex_;  // empty: identity
    // Rows marked for source-line breakpoints: the uP centre replaces an entry at the same
    // address without telling, so the old row is found here.
    struct LineMark {
        uint32_t address = 0;
        int file = 0;
        int32_t row = 0;
    };
    std::vector<LineMark> lineMarks_;

    int frontFile_ = 0;
    int currentFile_ = 0;
    int32_t currentLine_ = 0;
    int previousFile_ = 0;
    int32_t previousLine_ = 0;
    uint16_t currentRecord_ = 0;
    bool dimmed_ = false;
    bool emulator_ = false;

    struct ViewBookmark {
        bool set = false;
        int file = 0;
        int32_t row = 0;
    };
    std::array<ViewBookmark, kBookmarks> bookmarks_{};

    Signal<> filesReset_;
    Signal<int> fileAdded_;
    Signal<int> tabToFront_;
    Signal<int, int32_t> rowShown_;
    Signal<int, int32_t> rowCentred_;
    Signal<> highlightMoved_;
    Signal<int, int32_t> markChanged_;
    Signal<bool> dimmedChanged_;
};

} // namespace zerka
