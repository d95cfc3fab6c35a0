#pragma once
// The debug windows of the main window: the source view with its model, the register, RAM,
// stack, program-memory and watch windows, each in its slot, wired to the debug commands
// (address synchronisation, F2, Ctrl+F9) and to the builds (source view, watch list, syntax
// words of the selected core).
#include "views/source_view.h"

#include <QObject>

#include <memory>

namespace zerka::gui {

class MainWindow;
class SourceViewWidget;
class RegisterWindow;
class RamWindow;
class StackWindow;
class ProgramMemoryWindow;
class WatchWindow;

class DebugWindowSet : public QObject {
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

    // The mnemonics of the selected core for the editor's and the source view's colours.
    void refreshWords();

  private:
    void debugModeEntered();

    MainWindow& main_;
    std::unique_ptr<SourceViewModel> model_;
    SourceViewWidget* source_ = nullptr;
    RegisterWindow* registers_ = nullptr;
    RamWindow* ram_ = nullptr;
    StackWindow* stack_ = nullptr;
    ProgramMemoryWindow* programMemory_ = nullptr;
    WatchWindow* watch_ = nullptr;
    size_t entered_ = 0;
    size_t leaving_ = 0;
};

} // namespace zerka::gui
