// The debug commands over a built example: the step timing rules, macro stepping, the running
// and stopped command states, Stop's warnings on the emulator, the stack status, the one-time
// analog advice, Set Break Point's two targets, ICE Test's results and the link watchdog.
#include "shell/debug_commands.h"
#include "uitext/text_id.h"

#include "shell/shell_fixture.h"

#include <chrono>

namespace zerka::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The source view as a record of what the commands asked of it.
class RecordingSource : public SourceViewPort {
  public:
    std::vector<std::pair<uint32_t, bool>> shown; // ShowCurrentLine calls
    std::vector<std::pair<int, int32_t>> toggled;
    std::vector<uint32_t> selected;
    int macroSteps = 0; // AdvanceInMacro answers true this many times
    bool inMacro = false;
    std::pair<uint32_t, uint32_t> range{0, 0};
    bool dimmed = false;
    bool emulator = false;
    int clears = 0;

    void Clear() override { ++clears; }
    void ShowCurrentLine(uint32_t a, bool callLevel) override { shown.push_back({a, callLevel}); }
    void SelectFileOfAddress(uint32_t a) override { selected.push_back(a); }
    bool AdvanceInMacro() override {
        if (macroSteps == 0) return false;
        --macroSteps;
        return true;
    }
    bool InMacro() const override { return inMacro; }
    std::pair<uint32_t, uint32_t> MacroRange() const override { return range; }
    void ToggleBreakpointAtRow(int file, int32_t row) override { toggled.push_back({file, row}); }
    void SetDimmed(bool on) override { dimmed = on; }
    void SetEmulatorTarget(bool on) override { emulator = on; }
    void SyncBookmarksFromEditor(const std::vector<SourceBookmark>&) override {}
    int CurrentFile() const override { return 1; }
    int32_t CurrentRow() const override { return 31; }
};

class RecordingHost : public DebugHost {
  public:
    int refreshes = 0;
    bool continueTimer = false;
    bool watchdog = false;
    StackStateText stack;
    std::string stackMain;
    BreakpointTarget target = BreakpointTarget::None;

    void refreshDebugWindows() override { ++refreshes; }
    void setContinueTimer(bool on) override { continueTimer = on; }
    void setLinkWatchdog(bool on) override { watchdog = on; }
    void showStackStatus(const StackStateText& s, const std::string& mainFile) override {
        stack = s;
        stackMain = mainFile;
    }
    BreakpointTarget breakpointTarget() const override { return target; }
};

// An emulator whose answers the test chooses; the uP centre stays on the simulator under it.
class ScriptedEmulator : public EmulatorTarget {
  public:
    int body = 0;
    uint16_t bodyWord = 0x8010;
    uint8_t link = 0;
    int testResult = 0;
    uint32_t testPosition = 0;
    bool memoryOk = true;
    int leaves = 0;
    std::function<void()> duringCheck; // what the check does to the unit's memory

    uint8_t connectCheck() override { return 0; }
    int chipIdCheck() override { return 0; }
    bool firmware2() override { return false; }
    bool switchDebugMode() override { return true; }
    bool switchProgrammerMode() override { return true; }
    bool selectCore(uint8_t) override { return true; }
    bool writeInfoBlock(const std::array<uint16_t, 256>&) override { return true; }
    void haltAndStartMonitor() override {}
    bool rangeGuard(uint32_t) override { return true; }
    int memoryTest() override { return 0; }
    bool downloadAndVerify() override { return true; }
    bool mirrorTest8K() override { return false; }
    void enterDebug(uint16_t, uint8_t, uint8_t) override {}
    void leaveDebug() override { ++leaves; }
    bool linkAlive() override { return true; }
    void release() override {}
    int bodyCheck(uint16_t& word) override {
        word = bodyWord;
        return body;
    }
    uint8_t linkStatus() override { return link; }
    bool checkProgramMemory() override {
        if (duringCheck) duringCheck();
        return memoryOk;
    }
    int fullMemoryTest(uint32_t& position) override {
        position = testPosition;
        return testResult;
    }
};

class DebugCommandsTest : public ShellTest {
  protected:
    // The sum example built for debugging; `emulator` targets the scripted unit.
    void build(bool emulator = false) {
        makeShell(emulator ? &unit : nullptr);
        views = std::make_unique<DebugViews>(up, chip);
        commands = std::make_unique<DebugCommands>(*shell, *views, host, [this] { return now; });
        commands->setSourceView(&source);
        const std::string main = example("sum_cx4a.asm");
        options->restoreChipIndex(chipIndex("KXA1608"));
        ASSERT_TRUE(options->reloadChip());
        editor.openFile(main);
        shell->filesOpened();
        shell->SetMainFile(main);
        if (emulator) {
            options->selectInterface(4);
            shell->targetCommand(false);
        }
        ASSERT_TRUE(shell->assembleAndRun());
        ASSERT_EQ(shell->state().debugMode, 1);
        // A sleeping program must not keep a test run turning for ever.
        up.setTickLimit(100000);
        now += 1s;
    }
    uint32_t pc() const { return up.cpu().GetPC(); }
    uint32_t label(const std::string& name) const {
        for (const SymbolEntry& e : shell->lastAssembly().labels)
            if (e.name == name) return uint32_t(e.value);
        ADD_FAILURE() << "no label " << name;
        return 0xFFFFF;
    }
    bool enabled(Command c) const { return shell->commands().enabled(c); }

    ScriptedEmulator unit;
    RecordingSource source;
    RecordingHost host;
    Clock::time_point now = Clock::now();
    std::unique_ptr<DebugViews> views;
    std::unique_ptr<DebugCommands> commands;
};

TEST_F(DebugCommandsTest, TraceKeepsItsTenMillisecondRuleAndWalksMacroBodiesWithoutRunning) {
    build();
    // Entering debug mode placed the PC's line at call level.
    ASSERT_FALSE(source.shown.empty());
    EXPECT_EQ(source.shown.back(), std::make_pair(0u, true));
    commands->trace();
    const uint32_t first = pc();
    EXPECT_NE(first, 0u);
    EXPECT_EQ(source.shown.back(), std::make_pair(first, true));
    EXPECT_EQ(commands->lastStopAddress(), first);
    EXPECT_FALSE(commands->stepFlag());
    now += 10ms; // not more than 10 ms: dropped
    commands->trace();
    EXPECT_EQ(pc(), first);
    now += 1ms;
    commands->trace();
    EXPECT_NE(pc(), first);
    // Inside a macro body the view moves and the program does not.
    const uint32_t at = pc();
    const size_t shownBefore = source.shown.size();
    source.macroSteps = 2;
    now += 20ms, commands->trace();
    now += 20ms, commands->trace();
    EXPECT_EQ(pc(), at);
    EXPECT_EQ(source.shown.size(), shownBefore);
    now += 20ms, commands->trace();
    EXPECT_NE(pc(), at);
}

TEST_F(DebugCommandsTest, StepOverKeepsItsFiftyMillisecondRuleAndRunsThroughAMacroRange) {
    build();
    now += 20ms, commands->trace(); // JMP START
    const uint32_t start = pc();
    commands->stepOver();
    const uint32_t next = pc();
    EXPECT_NE(next, start);
    now += 50ms;
    commands->stepOver();
    EXPECT_EQ(pc(), next);
    // In a macro expansion: a run through its range, shown at call level.
    source.inMacro = true;
    source.range = {next, next + 3};
    now += 51ms;
    commands->stepOver();
    EXPECT_EQ(pc(), next + 3);
    EXPECT_EQ(up.lastStopCause(), StopCause::RangeLeft);
    EXPECT_EQ(source.shown.back(), std::make_pair(next + 3, true));
    EXPECT_FALSE(source.dimmed);
    EXPECT_TRUE(enabled(Command::Trace));
    EXPECT_FALSE(enabled(Command::Stop));
}

// F8 over the example's call and F10 out of the subroutine both land on the line after the
// call. This fixture's build encodes the call in one word; the two-word CX4A form is covered by
// the uP centre's run control and the main window's debug test.
TEST_F(DebugCommandsTest, StepOverAndStackOutOfACallLandOnTheLineAfterIt) {
    build();
    const uint32_t call = label("ADDUP") + 2; // CALL TICK
    const uint32_t after = call + 1;          // DCSZ COUNT
    for (int i = 0; i < 20 && pc() != call; ++i)
        now += 20ms, commands->trace();
    ASSERT_EQ(pc(), call);
    now += 60ms, commands->stepOver();
    EXPECT_EQ(pc(), after);
    EXPECT_EQ(source.shown.back(), std::make_pair(after, true));
    EXPECT_EQ(up.cpu().ReadData(0x82), 1); // TICK ran
    // Next turn: into TICK, then out of it to the same line.
    for (int i = 0; i < 20 && pc() != call; ++i)
        now += 20ms, commands->trace();
    ASSERT_EQ(pc(), call);
    now += 20ms, commands->trace();
    ASSERT_EQ(pc(), label("TICK"));
    commands->stackOut();
    EXPECT_EQ(pc(), after);
    EXPECT_EQ(source.shown.back(), std::make_pair(after, true));
}

// Whether any cell of the register panels and grids or of the shown RAM bank is marked as
// changed (white on blue).
bool anyChangeMarked(const DebugViews& v) {
    using Panel = RegisterViewModel::Panel;
    for (int p = 0; p < RegisterViewModel::kPanelCount; ++p)
        if (v.registers.panel(Panel(p)).role == CellRole::Changed) return true;
    for (int r = 0; r < v.registers.byteRows(); ++r)
        for (int c = 0; c < RegisterViewModel::kGridColumns; ++c)
            if (v.registers.byteCell(r, c).role == CellRole::Changed) return true;
    for (int r = 0; r < RamViewModel::kRows; ++r)
        for (int c = 0; c < RamViewModel::kColumns; ++c)
            if (v.ram.cell(r, c).role == CellRole::Changed) return true;
    return false;
}

TEST_F(DebugCommandsTest, ResetAndTheMemoryCheckRefreshTheWindowsWithoutChangeMarks) {
    build(true);
    for (int i = 0; i < 5; ++i)
        now += 20ms, commands->trace(); // JMP, CLRF, CLRF, MVL 5, MVF COUNT
    ASSERT_TRUE(anyChangeMarked(*views));
    // The target changes under the views (the reset itself, a memory check working the unit's
    // memory): the refresh shows the new values, none of them marked, and every window
    // repaints.
    unit.duringCheck = [this] { up.cpu().WriteData(0x85, 0x66); };
    for (bool memoryCheck : {false, true}) {
        SCOPED_TRACE(memoryCheck ? "memory check" : "reset");
        const int before = host.refreshes;
        if (memoryCheck)
            commands->memoryCheck();
        else
            commands->reset();
        EXPECT_FALSE(anyChangeMarked(*views));
        // The reset clears the data memory; the memory check leaves it.
        EXPECT_EQ(views->ram.cell(0x8 + 1, 0x5 + 1).text, memoryCheck ? "66" : "00");
        EXPECT_GT(host.refreshes, before);
        // The next step marks again what it changes.
        now += 20ms, commands->trace();
        EXPECT_TRUE(anyChangeMarked(*views));
    }
}

TEST_F(DebugCommandsTest, ContinueSwitchesToTheRunningStateAndStopEndsIt) {
    build();
    EXPECT_TRUE(host.watchdog); // debug mode started the watchdog
    commands->continueRun();
    EXPECT_TRUE(host.continueTimer);
    EXPECT_TRUE(enabled(Command::Stop));
    for (Command c : {Command::Run, Command::Trace, Command::StepOver, Command::StackOut,
                      Command::StepBack, Command::Continue, Command::ReloadRom})
        EXPECT_FALSE(enabled(c)) << int(c);
    commands->continueTick();
    const uint32_t a = pc();
    EXPECT_NE(a, 0u);
    // A step still in progress lets the tick pass.
    up.setStepDone(false);
    commands->continueTick();
    EXPECT_EQ(pc(), a);
    up.setStepDone(true);
    commands->continueTick();
    EXPECT_NE(pc(), a);
    commands->stop();
    EXPECT_FALSE(host.continueTimer);
    EXPECT_FALSE(commands->continueActive());
    EXPECT_TRUE(enabled(Command::Trace));
    EXPECT_FALSE(enabled(Command::Stop));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DebugCommandsTest, StopOnTheEmulatorWarnsOfASleepingOrMissingBody) {
    build(true);
    ASSERT_FALSE(shell->state().simulatorMode);
    commands->stop();
    EXPECT_TRUE(ui.messages.empty());
    unit.body = 1;
    unit.bodyWord = 0x1234;
    commands->stop();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, TZk_UP::kChipOffMessage);
    EXPECT_EQ(ui.messages[0].type, MessageType::Warning);
    // A sleeping body: the warning, and the target runs again so that its button can wake it
    // (here it runs into a breakpoint before the program's own sleep).
    const uint32_t done = label("DONE");
    ASSERT_EQ(up.ToggleBreakpoint(done, BreakpointKind::Address, true), ToggleResult::Done);
    unit.bodyWord = 0;
    commands->continueRun();
    commands->stop();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, TZk_UP::kAsleepMessage);
    EXPECT_FALSE(host.continueTimer);
    EXPECT_EQ(up.lastStopCause(), StopCause::Breakpoint);
    EXPECT_EQ(pc(), done);
}

TEST_F(DebugCommandsTest, StopShowsTheStackStateAndTheAnalogAdviceComesOncePerBuild) {
    build();
    up.cpu().WriteData(reg::kStackPointer, sp::kFull);
    commands->stop();
    EXPECT_EQ(host.stack.text, "Stack Full");
    EXPECT_EQ(host.stack.colour, StackStateColour::Yellow);
    up.cpu().WriteData(reg::kStackPointer, 0);
    commands->stop();
    EXPECT_TRUE(host.stack.text.empty());
    EXPECT_EQ(host.stackMain, shell->state().mainFile);

    // ADC on with both reference bits and a low ACM choice while 1.0 V is selected.
    options->controls().RACM10.checked = true;
    options->controls().RACM12.checked = false;
    up.cpu().WriteData(0x30, 0x90);
    up.cpu().WriteData(0x3C, 0x80);
    commands->stop();
    commands->stop();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, TextOf(TextId::AdcReferenceAbove));
    EXPECT_EQ(commands->analogAdviceState(), 2);
    // A reset arms it again: its first stop only counts, the next one advises.
    commands->reset();
    EXPECT_EQ(commands->analogAdviceState(), 0);
    up.cpu().WriteData(0x30, 0x90);
    up.cpu().WriteData(0x3C, 0x80);
    commands->stop();
    EXPECT_EQ(ui.messages.size(), 1u);
    commands->stop();
    EXPECT_EQ(ui.messages.size(), 2u);
    // With 1.2 V chosen only a high ACM code gets advice.
    options->controls().RACM10.checked = false;
    options->controls().RACM12.checked = true;
    commands->reset();
    up.cpu().WriteData(0x30, 0x90);
    up.cpu().WriteData(0x3C, 0x80);
    commands->stop();
    commands->stop();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(commands->analogAdviceState(), 2);
}

TEST_F(DebugCommandsTest, SetBreakPointActsOnTheActiveWindow) {
    build();
    host.target = BreakpointTarget::ProgramMemory;
    views->programMemory.ShowAddress(6);
    const uint32_t a = views->programMemory.currentAddress();
    commands->setBreakPoint();
    EXPECT_TRUE(up.cpu().BreakpointMarkAt(a, BreakpointKind::Address));
    commands->setBreakPoint();
    EXPECT_FALSE(up.cpu().BreakpointMarkAt(a, BreakpointKind::Address));
    host.target = BreakpointTarget::SourceView;
    commands->setBreakPoint();
    ASSERT_EQ(source.toggled.size(), 1u);
    EXPECT_EQ(source.toggled[0], std::make_pair(1, int32_t(31)));
    host.target = BreakpointTarget::None;
    commands->setBreakPoint();
    EXPECT_EQ(source.toggled.size(), 1u);
}

TEST_F(DebugCommandsTest, IceTestReportsEachResultInWords) {
    makeShell(&unit);
    views = std::make_unique<DebugViews>(up, chip);
    commands = std::make_unique<DebugCommands>(*shell, *views, host);
    options->selectInterface(0);
    commands->iceTest();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please set address of LPT!");
    options->selectInterface(4);
    const std::pair<int, uint32_t> results[] = {{1, 0x12}, {2, 0x345}, {0, 0}, {3, 0}};
    for (auto [r, position] : results) {
        unit.testResult = r;
        unit.testPosition = position;
        commands->iceTest();
    }
    ASSERT_EQ(ui.messages.size(), 5u);
    EXPECT_EQ(ui.messages[1].text, "Program memory(62256) error. address:012h)!");
    EXPECT_EQ(ui.messages[1].buttons, Buttons::Cancel);
    EXPECT_EQ(ui.messages[2].text, "Data memory(uP) error. address:0345h)!");
    EXPECT_EQ(ui.messages[3].text, "Memory checked OK!");
    EXPECT_EQ(ui.messages[3].type, MessageType::Information);
    // A test that never reached the unit is no pass.
    EXPECT_EQ(ui.messages[4].text, TextOf(TextId::ConnectError));
}

TEST_F(DebugCommandsTest, WatchdogReturnsToEditModeWhenTheLinkIsLost) {
    build(true);
    ASSERT_TRUE(host.watchdog);
    commands->watchdogTick();
    EXPECT_EQ(shell->state().debugMode, 1);
    // The service flag keeps the watchdog quiet.
    unit.link = 255;
    shell->state().serviceFlag = 1;
    commands->watchdogTick();
    EXPECT_EQ(shell->state().debugMode, 1);
    shell->state().serviceFlag = 0;
    commands->continueRun();
    commands->watchdogTick();
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_TRUE(ui.shown(TextOf(TextId::ConnectError)));
    EXPECT_EQ(windows.panel, ConnectionPanel::NotConnected);
    EXPECT_EQ(shell->state().linkState, 0);
    EXPECT_FALSE(host.watchdog);
    EXPECT_FALSE(host.continueTimer);
    EXPECT_TRUE(up.stepDone());
    EXPECT_GE(unit.leaves, 1);
    EXPECT_TRUE(windows.isShowing(Slot::Editor));
    EXPECT_FALSE(enabled(Command::Trace));
    // Edit mode: the commands do nothing.
    const uint32_t at = pc();
    now += 1s, commands->trace();
    EXPECT_EQ(pc(), at);
}

TEST_F(DebugCommandsTest, StepBackAndAddressSelectionMoveTheViews) {
    build();
    for (int i = 0; i < 3; ++i)
        now += 20ms, commands->trace();
    const uint32_t last = pc();
    commands->stepBack();
    EXPECT_NE(source.shown.back().first, last);
    EXPECT_FALSE(source.shown.back().second);
    EXPECT_EQ(views->programMemory.currentAddress(), source.shown.back().first);
    commands->addressSelected(last, AddressSender::BreakpointList);
    EXPECT_EQ(source.selected.back(), last);
    EXPECT_EQ(views->programMemory.currentAddress(), last);
    commands->addressSelected(0, AddressSender::SourceView);
    EXPECT_EQ(source.selected.size(), 1u);
    EXPECT_EQ(views->programMemory.currentAddress(), 0u);
}

TEST_F(DebugCommandsTest, EditDebugToggleSavesTheWatchListAndACommandLineStartCloses) {
    build();
    commands->toggleEditDebug();
    EXPECT_EQ(shell->state().debugMode, 0);
    EXPECT_EQ(windows.title.rfind("ZerkaIDE - Mode:[Edit] ", 0), 0u) << windows.title;
    EXPECT_NE(windows.title.find("        Chip = ZK - KXA1608"), std::string::npos);
    const std::filesystem::path pro =
        std::filesystem::path(shell->state().currentFile).replace_extension(".pro");
    EXPECT_TRUE(std::filesystem::exists(pro)) << pro;
    EXPECT_FALSE(host.watchdog);
    // And back: the button builds and debugs again.
    commands->toggleEditDebug();
    EXPECT_EQ(shell->state().debugMode, 1);
    shell->state().commandLineStart = true;
    commands->toggleEditDebug();
    EXPECT_TRUE(windows.closed);
    EXPECT_EQ(shell->state().debugMode, 1);
}

} // namespace
} // namespace zerka::test
