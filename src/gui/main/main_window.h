#pragma once
// The main window TZKMAIN: menus, the edit, debug and programmer toolbars, the status line with
// the connection and checksum panels and the busy indicator, and the MDI area whose sub-windows
// are the window slots. It owns the shell and implements what the shell asks of a window.
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "editor/editor_files.h"
#include "gui/debug/debug_window.h"
#include "gui/main/caption_list.h"
#include "gui/main/qt_ui_host.h"
#include "shell/command_routing.h"
#include "shell/debug_commands.h"
#include "shell/ice_session.h"
#include "shell/message_log_model.h"
#include "shell/shell.h"
#include "shell/window_layout.h"
#include "upcentre/run/up_centre.h"
#include "views/debug_views.h"
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

    Shell& shell() { return *shell_; }
    EditorWindow& editor() { return *editor_; }
    MessageLogWindow& logWindow() { return *logWindow_; }
    MessageLogModel& log() { return log_; }
    QAction* action(Command c) const { return actions_.at(c); }
    SramRecordMenu* sramRecordMenu() const { return sramMenu_.get(); }
    // A menu item or button added from outside that follows the shell's command states and
    // takes its caption from the text table.
    void addCommandAction(Command c, QAction* a, int captionEntry) {
        actions_[c] = a;
        captions_.item(a, captionEntry);
    }
    ProgrammerMode& programmerMode() { return *programmerMode_; }
    QLabel* connectionPanel() const { return connection_; }
    QLabel* checksumPanel() const { return checksum_; }
    QWidget* busyIndicator() const { return busy_; }
    QMdiArea* mdi() const { return mdi_; }
    IceSession& ice() { return *ice_; }
    AnalogViews& analogViews() { return *analogViews_; }
    QMdiSubWindow* subWindow(Slot slot) const { return subs_[size_t(slot)]; }
    std::string layoutPath() const;

    // The labelled elements that ApplyCaptions writes.
    const CaptionList& captions() const { return captions_; }
    CaptionList& captions() { return captions_; }

    // Always on top: window numbers 0 (main window) to 10 (ADC panel).
    static constexpr int kOnTopWindows = 11;
    QAction* onTopItem(int window) const { return onTop_[size_t(window)]; }
    QWidget* onTopWindow(int window) const;
    void setOnTop(int window, bool on);
    void clearOnTop();

    // The edit toolbar with its bookmark and page buttons and the number bar.
    QToolBar* editBar() const { return editBar_; }
    QAction* markButton() const { return markButton_; }
    QAction* gotoButton() const { return gotoButton_; }
    QAction* openButton() const { return openButton_; }
    QAction* numberBar() const { return digitBarAction_; }
    QToolButton* digitButton(int n) const { return digits_[size_t(n)]; }
    QAction* viewButton(Slot slot) const { return viewButtons_.at(slot); }
    // The child that commands act on: the current one, else the one before it.
    QMdiSubWindow* activeChild() const;
    // Find, find next, replace, next and previous file, the bookmark digits and the page menu
    // go to the active window that handles them (the editor or the source view).
    CommandRouter& commandRouter() { return router_; }

    // --- debug mode ---
    DebugCommands& debugCommands() { return *debug_; }
    DebugViews& debugViews() { return views_; }
    TZk_UP& upCentre() { return up_; }
    QtUiHost& uiHost() { return ui_; }
    DebugWindowSet& debugWindowSet() { return *debugSet_; }
    // A debug window in its slot: a hidden sub-window holding `widget`; `window` (may be null)
    // is refreshed after every step and stop while it shows. The main window takes `widget`.
    void installDebugWindow(Slot slot, QWidget* widget, DebugWindow* window);
    DebugWindow* debugWindow(Slot slot) const;
    // The source view's model; null: the commands skip the source view.
    void setSourceViewPort(SourceViewPort* port);
    SourceViewPort* sourceViewPort() const { return sourcePort_; }
    // Fills the source view from a build (the result and the text of its size panel).
    using SourceLoader = std::function<void(const AssemblyResult&, const std::string&)>;
    void setSourceViewLoader(SourceLoader loader) { sourceLoader_ = std::move(loader); }
    // The emulator over other transports (the virtual unit in-process, for instance).
    void useEmulatorBackends(UsbBackends backends, std::unique_ptr<PortProvider> port = {});
    IceSession& iceSession() { return *ice_; }
    // The run toolbar's button of a run command.
    QAction* runButton(Command c) const { return runButtons_.at(c); }
    QTimer* runTimer() const { return runTimer_; }
    QTimer* continueTimer() const { return continueTimer_; }
    QTimer* watchdogTimer() const { return watchdogTimer_; }
    QLabel* statusPanel() const { return status_; }
    // The SRAM record's "Add to Current Address" follows the run state through it.
    void setSramAddHook(std::function<void(bool)> hook) { sramAddHook_ = std::move(hook); }

    // The window-management commands.
    void tile(bool twoColumns);
    void showRevisionHistory();
    QPlainTextEdit* revisionText() const { return revisionText_; }

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
    QAction* makeAction(Command c, int entry, const QKeySequence& key = {});
    QMenu* addMenu(QMenu* parent, int entry);
    template <typename Slot_>
    QAction* addItem(QMenu* menu, int entry, const QKeySequence& key, Slot_ slot);
    QAction* addButton(QToolBar* bar, int captionEntry, int hintEntry,
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
    ChipLibrary library_;
    ChipModel chip_;
    OptionsModel options_;
    QtUiHost ui_;
    TZk_UP up_;
    MessageLogModel log_;
    std::unique_ptr<IceSession> ice_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<OptionsHost> optionsHost_;
    AnalogViews* analogViews_ = nullptr;
    DebugViews views_;
    std::unique_ptr<DebugCommands> debug_;
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
    std::array<QMdiSubWindow*, kSlotCount> subs_{};
    // A slot has its place (from the layout file or its first showing).
    std::array<bool, kSlotCount> placed_{};
    // A slot has been shown in this session: only these go to the layout file.
    std::array<bool, kSlotCount> shown_{};
    // The state the layout file gave each slot, applied at its first showing.
    std::array<WindowState, kSlotCount> layoutState_{};
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
