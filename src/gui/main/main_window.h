#pragma once
// The main window TZKMAIN: menus, the edit, debug and programmer toolbars, the status line with
// the connection and checksum panels and the busy indicator, and the MDI area whose sub-windows
// are the window slots. It is a view of its Workbench (menus, windows and routing): it builds one
// and implements what the shell and the debug commands ask of a window.
// First: the core headers must come before Qt defines its keywords.
#include "shell/workbench.h"

#include "editor/editor_files.h"
#include "gui/debug/debug_window.h"
#include "gui/main/caption_list.h"
#include "gui/main/command_table.h"
#include "gui/main/qt_ui_host.h"
#include "shell/command_routing.h"
#include "shell/window_layout.h"
#include "views/source_view_port.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zerka::gui {

class AnalogViews;
class DebugWindowSet;
class EditorWindow;
class MessageLogWindow;
class OptionsDialog;
class SramRecordMenu;
class ProgrammerMode;

class MainWindow : public QMainWindow,
                   public ShellWindows,
                   public EditorListener,
                   public DebugHost {
    Q_OBJECT
  public:
    // `programDir` holds the chip library, Zkmain.cfg and the layout file; `args` are the
    // program's arguments without its name.
    MainWindow(const std::string& programDir, std::vector<std::string> args,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The session the window shows.
    Workbench& workbench() { return *bench_; }
    EditorWindow& editor() { return *editor_; }
    QAction* action(Command c) const { return actions_.at(c); }
    QMdiArea* mdi() const { return mdi_; }
    QMdiSubWindow* subWindow(Slot slot) const { return slots_[size_t(slot)].sub; }

    // The labelled elements that ApplyCaptions writes.
    const CaptionList& captions() const { return captions_; }
    CaptionList& captions() { return captions_; }

    // The child that commands act on: the current one, else the one before it.
    QMdiSubWindow* activeChild() const;
    // Find, find next, replace, next and previous file, the bookmark digits and the page menu
    // go to the active window that handles them (the editor or the source view).
    CommandRouter& commandRouter() { return router_; }

    // --- debug mode ---
    // A debug window in its slot: a hidden sub-window holding `widget`; `window` (may be null)
    // is refreshed after every step and stop while it shows. The main window takes `widget`.
    void installDebugWindow(Slot slot, QWidget* widget, DebugWindow* window);
    DebugWindow* debugWindow(Slot slot) const;
    // The source view's model; null: the commands skip the source view.
    void setSourceViewPort(SourceViewPort* port);
    // Fills the source view from a build (the result and the text of its size panel).
    using SourceLoader = std::function<void(const AssemblyResult&, const std::string&)>;
    void setSourceViewLoader(SourceLoader loader) { sourceLoader_ = std::move(loader); }
    // The SRAM record's "Add to Current Address" follows the run state through it.
    void setSramAddHook(std::function<void(bool)> hook) { sramAddHook_ = std::move(hook); }

    // --- ShellWindows ---
    SaveAnswer askSaveChanges(const std::string& text, bool withAll) override;
    bool askYesCancel(const std::string& text) override;
    void showAsChild(Slot slot, bool show) override;
    bool isShowing(Slot slot) const override;
    void showBreakpointList(bool show) override;
    std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;
    void setTitle(const std::string& title) override;
    void setConnectionPanel(ConnectionPanel state) override;
    void setChecksumPanel(const std::string& text) override;
    void commandsChanged() override;
    void waitIndicator(bool visible, int cells) override;
    void closeMainWindow() override;
    void bringToFront() override;
    void applyCaptions() override;
    void applyFont(const EditorFont& font) override;
    void loadSourceView(const AssemblyResult& result, const std::string& sizeText) override;
    void clearSourceView() override;

    // --- DebugHost ---
    void refreshDebugWindows() override;
    void setContinueTimer(bool on) override;
    void setLinkWatchdog(bool on) override;
    void runTimerChanged() override;
    void showStackStatus(const StackStateText& state, const std::string& mainFile) override;
    void setSramAddEnabled(bool on) override {
        if (sramAddHook_) sramAddHook_(on);
    }
    BreakpointTarget breakpointTarget() const override;

    // --- EditorListener ---
    void editorCloseFile(const std::string& path) override;
    void editorSetMainFile(const std::string& path) override;
    void editorFilesDropped(const std::vector<std::string>& paths) override;
    void editorLastSlotClosed() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A click on the connection panel runs its connect action.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Always on top: window numbers 0 (main window) to 10 (ADC panel).
    static constexpr int kOnTopWindows = 11;
    QWidget* onTopWindow(int window) const;
    void setOnTop(int window, bool on);
    void clearOnTop();
    // The window-management commands.
    void tile(bool twoColumns);
    // Ctrl+Tab and Ctrl+Shift+Tab: the next (step 1) or previous (-1) showing window.
    void installWindowCycling();
    void cycleWindows(int step);
    void showRevisionHistory();
    std::string layoutPath() const;
    // The actions of the command table, each with its caption, key and shortcut context.
    void makeActions();
    // What command `c` does when triggered.
    void on(Command c, std::function<void()> run);
    // A menu holding `items` in order (Command::Count: a separator).
    QMenu* addMenu(QMenu* parent, TextId caption, std::initializer_list<Command> items);
    // A routed command: to the active window among those the table allows it.
    void runCommand(Command c, const CommandArgument& argument = {});
    QAction* addButton(QToolBar* bar, TextId caption, TextId hint,
                       const std::function<void()>& slot);
    void buildOnTopMenu(QMenu* parent);
    void syncOnTop();
    void bookmarkButtonToggled();
    void refreshBookmarkButtons();
    void digitPressed(int n);
    void releaseBookmarkButtons();
    void showPageMenu();
    void childActivated(QMdiSubWindow* sub);
    void refreshViewButtons();
    void dockEditBar();
    void updateModeButton();
    void buildMenus();
    void buildToolbars();
    void buildStatusLine();
    void buildDebugMenu(QMenu* build);
    void buildRunButtons();
    void buildDebugTimers();
    void updateAssembleRunCaption();
    void readLayout();
    void writeLayout();
    void runOptions();
    // Where a window shows the first time without a layout record.
    QRect defaultPlace(Slot slot) const;
    void openSourceFile();
    // The editor's part of the routed commands (window_commands.cpp).
    void routeEditorCommands();
    void runRouted(WindowCommand command, const CommandArgument& argument = {});

    std::string programDir_;
    std::vector<std::string> args_;
    QtUiHost ui_;
    std::unique_ptr<Workbench> bench_;
    std::unique_ptr<OptionsHost> optionsHost_;
    AnalogViews* analogViews_ = nullptr;
    std::unique_ptr<DebugWindowSet> debugSet_;
    SourceViewPort* sourcePort_ = nullptr;
    SourceLoader sourceLoader_;
    std::function<void(bool)> sramAddHook_;
    std::map<Slot, DebugWindow*> debugWindows_;
    std::map<Command, QAction*> runButtons_;
    QTimer* runTimer_ = nullptr;
    QTimer* continueTimer_ = nullptr;
    QTimer* watchdogTimer_ = nullptr;
    std::unique_ptr<ProgrammerMode> programmerMode_;

    QMdiArea* mdi_ = nullptr;
    EditorWindow* editor_ = nullptr;
    MessageLogWindow* logWindow_ = nullptr;
    OptionsDialog* optionsDialog_ = nullptr;
    // The window of each slot (kSlotTable says what the slot is). Every slot has its
    // sub-window once the constructor is done.
    struct SlotWindow {
        QMdiSubWindow* sub = nullptr;
        bool placed = false; // has its place (from the layout file or its first showing)
        bool shown = false;  // shown in this session: only these go to the layout file
        WindowState layoutState = WindowState::Normal; // applied at its first showing
    };
    std::array<SlotWindow, kSlotCount> slots_{};
    std::map<Command, QAction*> actions_;
    CommandRouter router_{[this](Slot slot) { return isShowing(slot); }};
    CaptionList captions_;
    QMenu* onTopMenu_ = nullptr;
    std::array<QAction*, kOnTopWindows> onTop_{};
    QWidget* editorPane_ = nullptr;
    QVBoxLayout* editorPaneLayout_ = nullptr;
    QAction* openButton_ = nullptr;
    QAction* pageButton_ = nullptr;
    QAction* markButton_ = nullptr;
    QAction* gotoButton_ = nullptr;
    QWidget* digitBar_ = nullptr;
    QAction* digitBarAction_ = nullptr;
    std::array<QToolButton*, 10> digits_{};
    std::map<Slot, QAction*> viewButtons_;
    std::map<Slot, Command> viewCommands_;
    QMdiSubWindow* currentChild_ = nullptr;
    QMdiSubWindow* previousChild_ = nullptr;
    QToolBar* editBar_ = nullptr;
    QToolBar* runBar_ = nullptr;
    QToolBar* programmerBar_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* connection_ = nullptr;
    QLabel* checksum_ = nullptr;
    QWidget* busy_ = nullptr;
    std::array<QLabel*, 20> waitCells_{};
    QWidget* wait_ = nullptr;
    QPlainTextEdit* revisionText_ = nullptr;
    WindowLayout layout_;
    Signal<>::Connection engineerConnection_ = 0;
    bool firstActivation_ = true;
    bool closing_ = false;
    std::unique_ptr<SramRecordMenu> sramMenu_;
};

} // namespace zerka::gui
