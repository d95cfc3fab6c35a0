#pragma once
// TZk_UP: the uP centre. It owns the CPU state, the instruction list and engine of the selected
// core, the symbol table and information block filled by the assembler, the breakpoint list
// with the emulator's comparator image, and run control: run, steps, stop, step back, reset.
//
// The mode is a property of this one object: in simulator mode the operations drive the
// instruction engine; in emulator mode (an EmulatorRunPort attached) the same operations call
// the port and the CPU state is a mirror.
//
// A simulator run does not return to the event loop after every instruction: it runs in time
// slices of about 10 ms, testing every instruction for breakpoints and stop conditions, and
// calls the yield hook between slices. Stop (or a reset) from inside the hook ends the run at
// once. Without a hook only a stop condition or the tick limit can end a run.
#include "core/signal.h"
#include "core/ui_host.h"
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/engine.h"
#include "upcentre/core/instruction_set.h"
#include "upcentre/core/run_engine.h"
#include "upcentre/run/emulator_run_port.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zerka {

struct ChipModel;

struct BreakpointEntry {
    uint32_t address = 0xFFFFF;
    BreakpointKind kind = BreakpointKind::Address;
    uint8_t file = 0;  // source file index (source-line breakpoints)
    uint16_t line = 0; // source line (source-line breakpoints)
    bool operator==(const BreakpointEntry&) const = default;
};

// What the source view and the program-memory window are told when a breakpoint changes.
struct BreakpointChange {
    BreakpointEntry entry;
    bool set = false;
};

// A symbol of the uP centre's symbol table (the assembler's debugger table).
struct UpSymbol {
    std::string name;
    int32_t value = 0;
    char kind = 0;
};

// Why the last run or step ended.
enum class StopCause : uint8_t {
    None,        // nothing has run yet, or the last operation was a single step
    Breakpoint,  // a breakpoint mark or the temporary breakpoint
    RangeLeft,   // a range run left its range
    StepReached, // a step-over or step-out run reached its target
    StackFull,   // "STOP When OV Stack"
    Stopped,     // Stop
    Limit,       // the run's tick limit ran out
    Reset,       // a reset ended the run
};
std::string_view stopCauseName(StopCause cause);

enum class ToggleResult : uint8_t {
    Done,
    Ignored,     // no such address, or the target is running
    AfterPclatl, // refused: the instruction before writes PCLATL
};

class TZk_UP {
  public:
    static constexpr uint32_t kNoAddress = 0xFFFFF;
    static constexpr size_t kMaxBreakpoints = 14;
    static constexpr size_t kMaxReserved = 10;
    static constexpr size_t kComparatorCount = 16;
    static constexpr uint32_t kRangeGuardLimit = 0x4000;
    static constexpr int kSimulatorInterval = 10; // ms
    static constexpr int kEmulatorInterval = 100; // ms
    static constexpr std::string_view kPclatlMessage =
        "Can not be setup breakpoint after operation PCLATL!!";
    static constexpr std::string_view kAsleepMessage =
        "Sleep mode has already been activated, please push button to awake, or reset IC";
    static constexpr std::string_view kChipOffMessage = "ICE chip comes off, please check!!";

    // With `engine` the simulator runs on it instead of the threaded Engine (the tests and the
    // benchmarks pass the reference engine); counted runs and steps use the threaded one.
    explicit TZk_UP(UiHost* ui = nullptr, std::unique_ptr<RunEngine> engine = nullptr);
    TZk_UP(const TZk_UP&) = delete;
    TZk_UP& operator=(const TZk_UP&) = delete;

    // --- chip, core and host --------------------------------------------------------------
    // A chip change: stack depth and program size, and the built-in list of its core.
    void applyChip(const ChipModel& chip);
    // Replaces the instruction list (for instance with the Inst.txt aliases applied).
    void setInstructionSet(const InstructionSet& set);
    const InstructionSet& instructions() const { return set_; }
    CoreType core() const { return set_.core(); }
    CpuState& cpu() { return cpu_; }
    const CpuState& cpu() const { return cpu_; }
    void setUiHost(UiHost* ui) { ui_ = ui; }
    void setYieldHook(YieldHook hook) { yield_ = std::move(hook); }
    // "STOP When OV Stack".
    void setStopOnStackFull(bool on) { stopOnStackFull_ = on; }
    bool stopOnStackFull() const { return stopOnStackFull_; }

    // --- mode ---------------------------------------------------------------------------------
    bool simulatorMode() const { return emulator_ == nullptr; }
    // nullptr selects the simulator. The port must outlive its use here.
    void setEmulator(EmulatorRunPort* port);

    // --- run timer and time slices -------------------------------------------------------------
    int runTimerInterval() const { return runTimerInterval_; }
    void setRunTimerInterval(int ms) { runTimerInterval_ = ms; }
    bool runTimerEnabled() const { return runTimerEnabled_; }
    // One run-timer tick: a time slice of the simulator run, or one poll of the emulator.
    void RunTimerTick();
    std::chrono::microseconds sliceDuration() const { return slice_; }
    void setSliceDuration(std::chrono::microseconds slice) { slice_ = slice; }
    // At most this many instructions per run (0: no limit); the run then stops with Limit.
    void setTickLimit(uint64_t ticks) { tickLimit_ = ticks; }
    // Called after every instruction the simulator executes, with its address. While set, runs
    // go one instruction per batch (tracing is for looking, not for speed).
    void setInstructionHook(std::function<void(uint32_t)> hook) {
        instructionHook_ = std::move(hook);
    }

    // --- coverage and profile counting ------------------------------------------------------
    // While on, every simulator run and step counts executions, taken skips and branches and
    // routine cycles (exec_counts.h); a reset clears the counts. Counted runs always use the
    // threaded engine. Off, the run loop is the plain one.
    void setCounting(bool on);
    bool counting() const { return counts_ != nullptr; }
    // nullptr while counting is off.
    const ExecCounts* counts() const { return counts_.get(); }
    void ClearCounts();
    // The engine of the selected core (cycle table of the counts).
    const Engine& engine() const { return engine_; }

    // --- state ------------------------------------------------------------------------------
    bool running() const { return running_; }
    bool busy() const { return busy_; }
    void setBusy(bool on);
    // Set at the end of every single step; the shell's Continue mode clears it before a tick
    // and sets it after a reset.
    bool stepDone() const { return stepDone_; }
    void setStepDone(bool on) { stepDone_ = on; }
    bool rangeRunActive() const { return rangeRun_; }
    bool stepRunActive() const { return stepRun_; }
    uint32_t temporaryBreakpoint() const { return tempAddress_; }
    bool temporaryBreakpointArmed() const { return tempArmed_; }
    StopCause lastStopCause() const { return lastStop_; }
    // Instructions executed since the last reset.
    uint64_t executedInstructions() const { return executed_; }
    // False once the emulator has run freely since the last reset: it counts cycles only, so
    // the instructions of such a run are not known.
    bool executedInstructionsKnown() const { return executedKnown_; }

    // --- run control ------------------------------------------------------------------------
    void Run();
    void StepInto();
    void StepOver();
    void RunRange(uint32_t low, uint32_t high);
    void StepOut();
    void ContinueStep();
    void Stop();
    // The next older executed address; the program-memory window and the source view are told.
    uint32_t StepBack();
    void ResetTarget();
    // Runs until the PC reaches `address` (or a breakpoint): the temporary breakpoint there.
    void RunTo(uint32_t address);
    void SetPCFromView(uint32_t address);

    // --- breakpoints --------------------------------------------------------------------------
    ToggleResult ToggleBreakpoint(uint32_t address, BreakpointKind kind, bool set, uint8_t file = 0,
                                  uint16_t line = 0);
    // False when nothing was added (no room left beside the reserved entries).
    bool AddBreakpoint(uint32_t address, BreakpointKind kind, uint8_t file = 0, uint16_t line = 0);
    void RemoveBreakpoint(uint32_t address, BreakpointKind kind);
    void ClearBreakpoints();
    // The self-EROM access addresses placed at the start of the list after a load (at most 10);
    // Add and Remove leave them alone.
    void PlaceReservedBreakpoints(std::span<const uint32_t> addresses);
    const std::vector<BreakpointEntry>& breakpoints() const { return breakpoints_; }
    size_t reservedBreakpoints() const { return reserved_; }
    const std::array<uint32_t, kComparatorCount>& comparatorImage() const { return comparators_; }
    uint32_t breakpointCountMirror() const { return countMirror_; }

    // --- register edits -----------------------------------------------------------------------
    void SetRegister(uint32_t address, uint8_t value) { cpu_.SetRegister(address, value); }
    void WriteRegister(uint32_t address, uint8_t value) { cpu_.WriteRegister(address, value); }

    // --- what the assembler hands over ---------------------------------------------------------
    void ClearProgramMemory() { cpu_.ClearProgramMemory(); }
    bool LoadProgramCell(uint32_t address, uint16_t code, uint16_t line, uint8_t fileIndex) {
        return cpu_.LoadProgramCell(address, code, line, fileIndex);
    }
    void SetInformationWord(int index, uint16_t word);
    const std::array<uint16_t, 256>& informationBlock() const { return information_; }
    // The Reset command's CPU reset; it also ends a run.
    void ResetCpu();
    void ClearSymbols();
    void AddSymbol(std::string_view name, int32_t value, char kind);
    const std::vector<UpSymbol>& symbols() const { return symbols_; }
    // The first symbol of that name (exact, upper case as the assembler stores it).
    const UpSymbol* findSymbol(std::string_view name) const;
    // The first symbol whose value is `value`, or empty.
    std::string symbolNameFor(int32_t value) const;

    // --- notifications ---------------------------------------------------------------------------
    Signal<>& OnStopped() { return onStopped_; }
    Signal<>& OnTraceStep() { return onTraceStep_; }
    Signal<bool>& busyChanged() { return busyChanged_; }
    // A run started: the shell shows the running-state UI and disables the debug menus.
    Signal<>& runStarted() { return runStarted_; }
    Signal<const BreakpointChange&>& breakpointChanged() { return breakpointChanged_; }
    // StepBack: centre the program-memory window and mark the source line of this address.
    Signal<uint32_t>& historyShown() { return historyShown_; }
    // The stack panel text after a stack-full stop.
    Signal<const StackStateText&>& stackStateShown() { return stackStateShown_; }
    // The emulator fell asleep during Continue: the shell ends its Continue mode.
    Signal<>& continueModeEnded() { return continueModeEnded_; }
    // SetRegister's refresh of the RAM, register and calculator windows.
    Signal<uint32_t>& registerChanged() { return cpu_.registerChanged(); }

  private:
    void startRun();
    void simulatorSlice();
    void endRun(StopCause cause);
    void singleStep(bool trace);
    void clearRunFlags();
    void armTemporary(uint32_t address);
    void disarmTemporary();
    void rebuildComparators();
    void sendComparators();
    size_t capacity() const;
    void message(MessageType type, std::string_view text, Buttons buttons = Buttons::Ok);
    RunStops runStops() const;
    void executeWithHook(uint64_t maxTicks, BatchResult& result);
    BatchResult runBatch(const RunStops& stops, uint64_t maxTicks);

    UiHost* ui_ = nullptr;
    YieldHook yield_;
    EmulatorRunPort* emulator_ = nullptr;
    InstructionSet set_;
    Engine engine_;
    std::unique_ptr<RunEngine> other_;   // set: the simulator runs on it
    std::unique_ptr<ExecCounts> counts_; // set: runs and steps count
    CpuState cpu_;

    // run state
    int runTimerInterval_ = kEmulatorInterval;
    bool runTimerEnabled_ = false;
    bool tickGuard_ = false;
    int runLoops_ = 0;
    bool running_ = false;
    bool busy_ = false;
    bool stepDone_ = false;
    bool stopOnStackFull_ = false;
    bool rangeRun_ = false;
    uint32_t rangeLow_ = 0;
    uint32_t rangeHigh_ = 0;
    bool stepRun_ = false;
    uint32_t stepTarget_ = RunStops::kNone;
    uint32_t tempAddress_ = kNoAddress;
    bool tempArmed_ = false;
    uint32_t emulatorHistoryCursor_ = 0;
    StopCause lastStop_ = StopCause::None;
    uint64_t executed_ = 0;
    bool executedKnown_ = true;
    uint64_t tickLimit_ = 0;
    uint64_t runTicks_ = 0;
    std::chrono::microseconds slice_{10000};
    uint64_t chunk_ = 1u << 12;
    std::function<void(uint32_t)> instructionHook_;

    // breakpoints
    std::vector<BreakpointEntry> breakpoints_;
    size_t reserved_ = 0;
    std::array<uint32_t, kComparatorCount> comparators_{};
    uint32_t countMirror_ = 0;

    // hand-over
    std::array<uint16_t, 256> information_{};
    std::vector<UpSymbol> symbols_;
    std::unordered_map<std::string, size_t> symbolByName_;
    std::unordered_map<int32_t, size_t> symbolByValue_;

    Signal<> onStopped_;
    Signal<> onTraceStep_;
    Signal<bool> busyChanged_;
    Signal<> runStarted_;
    Signal<const BreakpointChange&> breakpointChanged_;
    Signal<uint32_t> historyShown_;
    Signal<const StackStateText&> stackStateShown_;
    Signal<> continueModeEnded_;
};

} // namespace zerka
