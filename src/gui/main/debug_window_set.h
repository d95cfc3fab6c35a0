#pragma once
// The debug windows of the main window: the source view with its model, the register, RAM,
// stack, program-memory and watch windows and the breakpoint list, each in its slot, wired to the
// debug commands (address synchronisation, F2, Ctrl+F9) and to the builds (source view, watch list,
// syntax words of the selected core).
#include "gui/debug/breakpoint_list_window.h"
#include "gui/debug/program_memory_window.h"
#include "gui/debug/ram_window.h"
#include "gui/debug/register_window.h"
#include "gui/debug/source_view_widget.h"
#include "gui/debug/stack_window.h"
#include "gui/debug/watch_window.h"
#include "shell/command_routing.h"
#include "views/source_view.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace zerka::gui {

class MainWindow;

class DebugWindowSet : public QObject {
    Q_OBJECT
  public:
    explicit DebugWindowSet(MainWindow& main);
    ~DebugWindowSet() override;

    SourceViewModel& sourceModel() { return *model_; }
    SourceViewWidget* sourceView() const { return source_; }
    RegisterWindow* registers() const { return registers_; }
    RamWindow* ram() const { return ram_; }
    StackWindow* stack() const { return stack_; }
    ProgramMemoryWindow* programMemory() const { return programMemory_; }
    WatchWindow* watch() const { return watch_; }
    BreakpointListWindow* breakpointList() const { return breakpoints_; }

    // The mnemonics of the selected core for the editor's and the source view's colours.
    void refreshWords();

  private:
    void debugModeEntered();
    // The source view's part of the commands that act on the active window.
    void routeSourceCommands(CommandRouter& router);

    MainWindow& main_;
    std::unique_ptr<SourceViewModel> model_;
    std::unique_ptr<BreakpointListModel> breakpointModel_;
    // A window the main window replaced (tests install their own) is gone: guarded.
    QPointer<SourceViewWidget> source_;
    QPointer<RegisterWindow> registers_;
    QPointer<RamWindow> ram_;
    QPointer<StackWindow> stack_;
    QPointer<ProgramMemoryWindow> programMemory_;
    QPointer<WatchWindow> watch_;
    QPointer<BreakpointListWindow> breakpoints_;
    size_t entered_ = 0;
    size_t leaving_ = 0;
};

} // namespace zerka::gui
