#pragma once
// What the shell asks of the main window: child windows by slot, file dialogs, the title and
// the status-line panels. The desktop main window implements it; tests record the calls.
#include "editor/editor_files.h"
#include "shell/window_geometry.h"

#include <optional>
#include <string>

namespace zerka {

struct AssemblyResult;

struct FileDialogRequest {
    std::string filter;     // "*.cfg|*.cfg|*.*|*.*"
    std::string defaultExt; // ".cfg"
    std::string initialDir;
};

enum class ConnectionPanel {
    Simulator,    // "Simulator", disabled, lowered, button face
    Connected,    // "ICE Connect", lowered, button face
    NotConnected, // "ICE not Connect", raised, red
};

enum class SaveAnswer { Yes, No, Cancel, All };

class ShellWindows {
  public:
    virtual ~ShellWindows() = default;

    // The "Save changes to ...?" question (confirmation; Yes, No, Cancel and, when `withAll`,
    // All).
    virtual SaveAnswer askSaveChanges(const std::string& text, bool withAll) = 0;
    // An information question with the buttons Yes and Cancel; true for Yes.
    virtual bool askYesCancel(const std::string& text) = 0;

    // ShowAsChild: show = false hides the window (an ordinary hidden window again).
    virtual void showAsChild(Slot slot, bool show) = 0;
    virtual bool isShowing(Slot slot) const = 0;
    // The breakpoint list is an ordinary window.
    virtual void showBreakpointList(bool /*show*/) {}

    virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& request) = 0;

    virtual void setTitle(const std::string& title) = 0;
    virtual void setConnectionPanel(ConnectionPanel state) = 0;
    virtual void setChecksumPanel(const std::string& text) = 0;
    // The shell's command states changed.
    virtual void commandsChanged() = 0;
    // The 20-cell wait indicator: hidden, or showing `cells` cells.
    virtual void waitIndicator(bool /*visible*/, int /*cells*/) {}
    // Ends the program (closes the main window).
    virtual void closeMainWindow() = 0;
    virtual void bringToFront() {}
    // ApplyCaptions over the widgets (the shell sets the title itself).
    virtual void applyCaptions() {}
    virtual void applyFont(const EditorFont& /*font*/) {}
    // Debug mode: the source view takes the assembly result; `sizeText` goes to its panel 1.
    virtual void loadSourceView(const AssemblyResult& /*result*/, const std::string& /*sizeText*/) {
    }
    virtual void clearSourceView() {}
};

} // namespace zerka
