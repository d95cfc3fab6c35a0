#pragma once
// What the shell needs of the source editor: its file slots (1-based, at most 20), opening,
// saving and closing files, and the events the editor raises back to the main window. The
// desktop editor window implements EditorFiles; shell tests use an in-memory editor.
#include <string>
#include <vector>

namespace zerka {

inline constexpr int kMaxEditorSlots = 20;

// The shared editor font (configuration records 11 and 12).
struct EditorFont {
    std::string name = "Courier New";
    int size = 10;
    int style = 0; // 1 bold, 2 italic, 4 underline, 8 strike-out
    bool operator==(const EditorFont&) const = default;
};

class EditorFiles {
  public:
    virtual ~EditorFiles() = default;

    virtual int slotCount() const = 0;
    // 0 when no file is open.
    virtual int currentSlot() const = 0;
    virtual std::string pathOf(int slot) const = 0;
    virtual bool isModified(int slot) const = 0;
    // The slot of a path, compared ignoring letter case; 0 when it is not open.
    virtual int findSlot(const std::string& path) const = 0;
    virtual void select(int slot) = 0;

    // A new "~New%d" slot; false when 20 slots are open.
    virtual bool newFile() = 0;
    // Opens an existing file into a new slot that becomes current; false when 20 slots are
    // open or the file cannot be read (no message from the editor).
    virtual bool openFile(const std::string& path) = 0;
    // Reads the slot's file again; not modified afterwards.
    virtual bool reload(int slot) = 0;
    // Writes the slot's text to `path` (temp file + rename), renames the slot when the path
    // differs and clears its modified state. False when the file could not be written.
    virtual bool saveAs(int slot, const std::string& path) = 0;
    virtual void closeCurrent() = 0;
    virtual void closeAll() = 0;

    // Caret to the start of a 0-based line, scrolled to the middle of the view.
    virtual void gotoLine(int slot, int line) = 0;
    // Selects the whole line of the current slot.
    virtual void selectLine(int line) = 0;
    virtual void applyFont(const EditorFont& font) = 0;
};

// Events the editor raises to the main window.
class EditorListener {
  public:
    virtual ~EditorListener() = default;
    virtual void editorCloseFile(const std::string& path) = 0;
    virtual void editorSetMainFile(const std::string& path) = 0;
    virtual void editorFilesDropped(const std::vector<std::string>& paths) = 0;
    virtual void editorLastSlotClosed() = 0;
};

} // namespace zerka
