#pragma once
// The debug commands of the main window without widgets: Run, Reset, Trace, Step Over, Step
// back, Stack out, Continue, Stop, Set Break Point, ReLoad-ROM, the memory check, ICE Test and
// the link watchdog. They drive the uP centre, keep the shell's command states in step with the
// run state and answer the uP centre's step and stop notifications by refreshing the view models
// and placing the source line. The window parts (timers, repaints, the status line, which child
// is active) go through DebugHost; the source view through SourceViewPort.
#include "shell/shell.h"
#include "upcentre/core/cpu_state.h"
#include "views/debug_views.h"
#include "views/source_view_port.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace zerka {

// The end of the memory check's error texts (the table's texts hold their start).
namespace debug_text {
inline constexpr const char* kAddressEnd = "h)!";
} // namespace debug_text

// The child window that Set Break Point acts on.
enum class BreakpointTarget { None, ProgramMemory, SourceView };
// Who reported a selected address (address synchronisation).
enum class AddressSender { SourceView, ProgramMemory, BreakpointList };

// What the debug commands ask of the main window.
class DebugHost {
  public:
    virtual ~DebugHost() = default;
    // The models were refreshed: every showing debug window repaints.
    virtual void refreshDebugWindows() = 0;
    // The 20 ms Continue timer and the 1-second link watchdog.
    virtual void setContinueTimer(bool on) = 0;
    virtual void setLinkWatchdog(bool on) = 0;
    // The uP centre's run timer may have been switched on or off.
    virtual void runTimerChanged() {}
    // The status line: `state.text` in its colour, or `mainFile` on the normal background
    // when the text is empty.
    virtual void showStackStatus(const StackStateText& state, const std::string& mainFile) = 0;
    // The SRAM record's "Add to Current Address".
    virtual void setSramAddEnabled(bool /*on*/) {}
    virtual BreakpointTarget breakpointTarget() const = 0;
};

class DebugCommands {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kTraceGap{10};
    static constexpr std::chrono::milliseconds kStepOverGap{50};
    static constexpr int kContinueInterval = 20;   // ms
    static constexpr int kWatchdogInterval = 1000; // ms

    // Every part must outlive the commands. Without a clock the steady clock is used.
    DebugCommands(Shell& shell, DebugViews& views, DebugHost& host, Clock clock = {});
    DebugCommands(const DebugCommands&) = delete;
    DebugCommands& operator=(const DebugCommands&) = delete;
    ~DebugCommands();

    // Without a source view the commands skip its steps.
    void setSourceView(SourceViewPort* view) { source_ = view; }
    SourceViewPort* sourceView() const { return source_; }

    // --- the commands -----------------------------------------------------------------------
    void run();
    void reset();
    void trace();
    void stepOver();
    void stepBack();
    void stackOut();
    void continueRun();
    // One tick of the 20 ms Continue timer.
    void continueTick();
    void stop();
    void setBreakPoint();
    void reloadRom();
    // Ctrl+F9 of the source view.
    void memoryCheck();
    void iceTest();
    // "Edit Mode" (Ctrl+F11).
    void editMode();
    // The edit/debug button: a build for debugging in edit mode, back to edit mode (watch list
    // saved) in debug mode; a command-line start ends the program instead.
    void toggleEditDebug();
    // One tick of the 1-second link watchdog.
    void watchdogTick();
    // The program-memory window or the breakpoint list selected an address.
    void addressSelected(uint32_t address, AddressSender sender);

    // --- state --------------------------------------------------------------------------------
    bool stepFlag() const { return stepFlag_; }
    bool continueActive() const { return continue_; }
    bool watchdogActive() const { return watchdog_; }
    int analogAdviceState() const { return adviceState_; }
    uint32_t lastStopAddress() const { return lastStop_; }

  private:
    bool debugging() const;
    bool emulator() const;
    void setRunningUi(bool running);
    void setContinue(bool on);
    void setWatchdog(bool on);
    void onStep();
    void onStop();
    void onRunStarted();
    void onHistory(uint32_t address);
    void refreshViews();
    void placeLine();
    void showStackStatus();
    void analogAdvice();
    void afterReset();
    Button message(MessageType type, const std::string& text, Buttons buttons);

    Shell& shell_;
    TZk_UP& up_;
    DebugViews& views_;
    DebugHost& host_;
    Clock clock_;
    SourceViewPort* source_ = nullptr;

    bool stepFlag_ = false;
    bool continue_ = false;
    bool watchdog_ = false;
    bool active_ = false; // between entering debug mode and leaving it
    int adviceState_ = 0;
    uint32_t lastStop_ = 0;
    std::chrono::steady_clock::time_point lastStepOver_;

    Signal<>::Connection stopped_ = 0, traced_ = 0, started_ = 0, ended_ = 0;
    Signal<uint32_t>::Connection history_ = 0;
    Signal<>::Connection entered_ = 0, leaving_ = 0, building_ = 0;
};

} // namespace zerka
