#pragma once
// The models of all debug windows over one uP centre and chip, refreshed together after a stop
// or a step in the order their shared change tracking needs (RAM before registers: the register
// window owns the tracking of the special register ranges the RAM window also shows).
#include "views/program_memory_view.h"
#include "views/ram_view.h"
#include "views/register_view.h"
#include "views/stack_view.h"
#include "views/view_context.h"
#include "views/watch_list.h"

#include <span>

namespace zerka {

class DebugViews {
  public:
    DebugViews(TZk_UP& up, const ChipModel& chip)
        : context(up, chip), ram(context), registers(context), stack(context),
          programMemory(context), watch(context) {}

    // After every stop and step: every model from the CPU state; the program-memory window
    // follows the PC.
    void refreshAll(bool noHighlight = false) {
        ram.Refresh(noHighlight);
        registers.Refresh(noHighlight);
        stack.Refresh();
        programMemory.ShowAddress(context.cpu().GetPC());
        watch.Refresh();
    }
    // A chip was loaded: grids, banks and the stack depth.
    void chipChanged() {
        context.tracker.clear();
        ram.chipChanged();
        registers.chipChanged();
        stack.Build(context.cpu().stackDepth());
        programMemory.setTopAddress(programMemory.topAddress());
    }
    // After a build: the watch list's symbol copy and the automatic hints of data symbols.
    void symbolsChanged(std::span<const ViewSymbol> symbols) {
        watch.setSymbols(symbols);
        ram.applySymbolHints(symbols);
    }

    ViewContext context;
    RamViewModel ram;
    RegisterViewModel registers;
    StackViewModel stack;
    ProgramMemoryViewModel programMemory;
    WatchListModel watch;
};

} // namespace zerka
