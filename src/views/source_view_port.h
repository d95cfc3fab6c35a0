#pragma once
// What the debug commands ask of the source view (TZk_Source). The source view model implements
// it; the command logic is tested against it without the real view.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zerka {

// A bookmark of the editor: the file's full path and its 1-based row.
struct SourceBookmark {
    int number = 0; // 0..9
    std::string path;
    int32_t row = 0;
};

class SourceViewPort {
  public:
    virtual ~SourceViewPort() = default;

    // Removes every tab and its data.
    virtual void Clear() = 0;
    // Highlights the source line of a program address (call level: the macro call site).
    virtual void ShowCurrentLine(uint32_t address, bool atCallLevel) = 0;
    // Brings the tab of the file holding the address to the front.
    virtual void SelectFileOfAddress(uint32_t address) = 0;
    // One visual step through the current macro body; false when there is none.
    virtual bool AdvanceInMacro() = 0;
    virtual bool InMacro() const = 0;
    // The current macro record's first and last code address (Step Over runs through them).
    virtual std::pair<uint32_t, uint32_t> MacroRange() const = 0;
    // File and row are 1-based.
    virtual void ToggleBreakpointAtRow(int file, int32_t row) = 0;
    // Grey text while the target runs, black when it stops.
    virtual void SetDimmed(bool on) = 0;
    // Blue highlight on the emulator, green on the simulator.
    virtual void SetEmulatorTarget(bool emulator) = 0;
    // The view's bookmarks rebuilt from the editor's (files compared case-insensitively).
    virtual void SyncBookmarksFromEditor(const std::vector<SourceBookmark>& bookmarks) = 0;
    // 1-based tab number and row of the view's cursor; 0 when there is none.
    virtual int CurrentFile() const = 0;
    virtual int32_t CurrentRow() const = 0;
};

} // namespace zerka
