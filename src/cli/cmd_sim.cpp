// `zerka sim`: assembles MAIN as "Assemble&&Run" does, hands the result to the uP centre and
// runs it on the simulator: a run to a breakpoint, to an address or to the instruction limit,
// or a number of steps; then prints the final state and checks the expected data bytes, so
// that firmware can be unit-tested in CI.
#include "cli/asm_options.h"
#include "cli/cli_options.h"
#include "cli/cli_number.h"
#include "cli/commands.h"

#include "core/text.h"
#include "coverage/outputs.h"
#include "link/socket_transport.h"
#include "shell/self_erom_breakpoints.h"
#include "shell/up_receiver.h"
#include "upcentre/run/up_centre.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

constexpr const char* kSimPrefix = "zerka sim: ";
constexpr uint64_t kDefaultMaxInstructions = 10'000'000;

// `--target emulator [--connect unix:PATH|tcp:127.0.0.1:PORT]`: the same command line on the
// emulator. With an address the unit served on that socket is used; without one the unit named
// by ZERKA_TARGET, and the virtual target unit runs in-process when that is not set. A named unit
// that does not answer is an error, never replaced by the built-in one. The uP centre stays the
// one the command already drives: the workbench's bring-up attaches the emulator branch to it,
// downloads and verifies the program it holds, and its runs return once the target has stopped.
struct SimTargetOptions {
    std::string target = "simulator"; // "simulator" or "emulator"
    std::string connect;              // empty: ZERKA_TARGET, else the in-process virtual unit
    bool emulator() const { return target == "emulator"; }
};

struct SimOptions {
    AsmCommandOptions assembly;
    AsmSwitch stackStop;
    std::string maxInstructions;
    std::vector<std::string> breaks;
    std::string until;
    std::string steps;
    std::string stepOvers;
    bool stepOut = false;
    std::vector<std::string> pokes;
    std::vector<std::string> expects;
    std::vector<std::string> dumps;
    bool trace = false;
    bool json = false;
    SimTargetOptions target;
    coverage::OutputRequest counting; // --coverage, --coverage-append, --profile
};

// The uP centre's messages (the PCLATL refusal, for one) on stderr.
class StderrHost : public UiHost {
  public:
    explicit StderrHost(std::ostream& err) : err_(err) {}
    Button messageBox(MessageType, const std::string& text, Buttons) override {
        // Nobody can press the target's button here; the report's stop reason says "sleep".
        if (text != TZk_UP::kAsleepMessage) err_ << kSimPrefix << text << '\n';
        return Button::Ok;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}

  private:
    std::ostream& err_;
};

struct Expectation {
    std::string name;
    uint32_t address = 0;
    uint8_t expected = 0;
    uint8_t actual = 0;
    bool ok() const { return expected == actual; }
};

struct Dump {
    uint32_t address = 0;
    uint32_t length = 0;
};

std::string trim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

// A number in the assembler's notation ("50H", "0C8H", "200"), or nothing. A value beyond 64
// bits comes back as the largest one of its sign, so that every range check refuses it.
std::optional<int64_t> number(std::string_view text) {
    const std::string t = toUpperAscii(trim(text));
    if (t.empty()) return std::nullopt;
    const CommandNumber n = parseCommandNumber(t);
    if (!n.isNumber) return std::nullopt;
    if (n.tooLarge)
        return t.front() == '-' ? std::numeric_limits<int64_t>::min()
                                : std::numeric_limits<int64_t>::max();
    return n.value;
}

// Where a sequence of steps ended early.
enum class StepEnd { Count, Asleep, LinkLost };

class Simulation {
  public:
    Simulation(const SimOptions& o, CliContext& ctx) : o_(o), ctx_(ctx), host_(ctx.err) {}
    int run();

  private:
    // A symbol of the program or a number; `what` names the option for the message. Program
    // addresses also take the program's labels.
    std::optional<uint32_t> address(std::string_view text, uint32_t limit, const std::string& what,
                                    bool program = false);
    void takeLabels(const AssemblyResult& result);
    bool usage(const std::string& text) {
        ctx_.err << kSimPrefix << text << '\n';
        return false;
    }
    bool applyPokes();
    bool setBreakpoints();
    bool parseExpectations();
    bool parseDumps();
    std::optional<uint64_t> parseCount(const std::string& text, const std::string& what,
                                       uint64_t least = 0);
    bool checkCombinations();
    std::string execute(uint64_t maxInstructions);
    StepEnd stepOnce();
    std::string steppedRun(uint64_t maxInstructions);
    bool enterEmulator(const AssemblyResult& result, bool stackStop, uint64_t maxCycles);
    bool linkLost() const { return emulator_ && bench_->linkLost(); }
    int reportLostLink() {
        ctx_.err << kSimPrefix << "the link to the target unit was lost (" << bench_->unit().name()
                 << "): no final state to report\n";
        return kExitFailed;
    }
    bool emulatorStoppedAsleep() const { return emulator_ && bench_->emulator().run().stoppedAsleep(); }
    void traceLine(uint32_t at);
    bool asleep() const { return sleepStop_ || up_->cpu().sleeping() || up_->cpu().idle(); }
    void printText(const std::string& reason);
    void printJson(const std::string& reason);

    const SimOptions& o_;
    CliContext& ctx_;
    StderrHost host_;
    std::unique_ptr<AsmSetup> setup_;
    Workbench* bench_ = nullptr;
    TZk_UP* up_ = nullptr; // the workbench's
    std::vector<Expectation> expectations_;
    std::vector<Dump> dumps_;
    std::optional<uint32_t> until_;
    bool sleepStop_ = false;
    std::map<std::string, uint32_t, std::less<>> labels_;
    bool emulator_ = false; // the program runs on the emulator
};

// The hand-over carries the debugger table (EQU and DS names); the labels come from the
// result too, so that nothing has to be written beside MAIN.
void Simulation::takeLabels(const AssemblyResult& result) {
    for (const SymbolEntry& e : result.labels)
        if (e.value >= 0) labels_.try_emplace(e.name, uint32_t(e.value));
}

std::optional<uint32_t> Simulation::address(std::string_view text, uint32_t limit,
                                            const std::string& what, bool program) {
    const std::string t = toUpperAscii(trim(text));
    std::optional<int64_t> v;
    if (auto label = labels_.find(t); program && label != labels_.end())
        v = label->second;
    else if (const UpSymbol* s = up_->findSymbol(t))
        v = s->value;
    else
        v = number(t);
    if (!v) {
        usage(what + " \"" + std::string(text) +
              "\" is neither a symbol of the program nor a number");
        return std::nullopt;
    }
    if (*v < 0 || *v >= int64_t(limit)) {
        usage(what + " \"" + std::string(text) + "\" is outside 0.." + std::to_string(limit - 1));
        return std::nullopt;
    }
    return uint32_t(*v);
}

std::optional<uint64_t> Simulation::parseCount(const std::string& text, const std::string& what,
                                               uint64_t least) {
    const CommandNumber n = parseCommandNumber(toUpperAscii(trim(text)));
    if (n.tooLarge && text.find('-') == std::string::npos) {
        usage(what + " \"" + text + "\" is too large (at most " +
              std::to_string(std::numeric_limits<int64_t>::max()) + ")");
        return std::nullopt;
    }
    if (!n.isNumber || n.tooLarge || n.value < 0) {
        usage(what + " \"" + text + "\" is not a count");
        return std::nullopt;
    }
    if (uint64_t(n.value) < least) {
        usage(what + " \"" + text + "\" must be at least " + std::to_string(least));
        return std::nullopt;
    }
    return uint64_t(n.value);
}

// Options that would contradict each other are refused rather than one of them ignored.
bool Simulation::checkCombinations() {
    const bool stepping = !o_.steps.empty() || !o_.stepOvers.empty() || o_.stepOut;
    if (!o_.until.empty() && stepping)
        return usage("--until runs the program; it cannot be combined with --step, --step-over "
                     "or --step-out");
    if (!o_.target.connect.empty() && !o_.target.emulator())
        return usage("--connect names the unit of --target emulator; add --target emulator");
    if (o_.counting.append && o_.counting.coverage.empty())
        return usage("--coverage-append needs --coverage FILE");
    if (o_.counting.any() && o_.target.emulator())
        return usage("--coverage and --profile count on the simulator; they cannot be combined "
                     "with --target emulator");
    return true;
}

bool Simulation::applyPokes() {
    for (const std::string& p : o_.pokes) {
        const size_t eq = p.find('=');
        if (eq == std::string::npos) return usage("--poke \"" + p + "\" is not ADDR=VALUE");
        std::optional<uint32_t> a = address(p.substr(0, eq), CpuState::kDataSize, "--poke address");
        if (!a) return false;
        std::optional<int64_t> v = number(p.substr(eq + 1));
        if (!v || *v < 0 || *v > 255)
            return usage("--poke value in \"" + p + "\" is not a byte (0..255)");
        up_->WriteRegister(*a, uint8_t(*v));
    }
    return true;
}

bool Simulation::setBreakpoints() {
    const uint32_t size = up_->cpu().programSize();
    for (const std::string& b : o_.breaks) {
        std::optional<uint32_t> a = address(b, size, "--break", true);
        if (!a) return false;
        if (up_->breakpoints().size() >= TZk_UP::kMaxBreakpoints)
            return usage("at most " + std::to_string(TZk_UP::kMaxBreakpoints) + " breakpoints");
        if (up_->ToggleBreakpoint(*a, BreakpointKind::Address, true) != ToggleResult::Done)
            return false; // the uP centre said why
    }
    if (!o_.until.empty()) {
        until_ = address(o_.until, size, "--until", true);
        if (!until_) return false;
    }
    return true;
}

bool Simulation::parseExpectations() {
    for (const std::string& e : o_.expects) {
        const size_t eq = e.find('=');
        if (eq == std::string::npos)
            return usage("--expect \"" + e + "\" is not NAME=VALUE or ADDR=VALUE");
        Expectation x;
        x.name = toUpperAscii(trim(e.substr(0, eq)));
        std::optional<uint32_t> a = address(x.name, CpuState::kDataSize, "--expect");
        if (!a) return false;
        std::optional<int64_t> v = number(e.substr(eq + 1));
        if (!v || *v < 0 || *v > 255)
            return usage("--expect value in \"" + e + "\" is not a byte (0..255)");
        x.address = *a;
        x.expected = uint8_t(*v);
        expectations_.push_back(x);
    }
    return true;
}

bool Simulation::parseDumps() {
    for (const std::string& d : o_.dumps) {
        const size_t colon = d.find(':');
        if (colon == std::string::npos) return usage("--dump \"" + d + "\" is not ADDR:LEN");
        std::optional<uint32_t> a =
            address(d.substr(0, colon), CpuState::kDataSize, "--dump address");
        if (!a) return false;
        std::optional<int64_t> n = number(d.substr(colon + 1));
        if (!n || *n < 1 || *a + *n > CpuState::kDataSize)
            return usage("--dump length in \"" + d + "\" must be at least 1 and stay inside the " +
                         std::to_string(CpuState::kDataSize) + " data bytes");
        dumps_.push_back(Dump{*a, uint32_t(*n)});
    }
    return true;
}

void Simulation::traceLine(uint32_t at) {
    const uint16_t word = up_->cpu().ProgramWord(at);
    std::ostream& os = o_.json ? ctx_.err : ctx_.out;
    os << hexText(at, 4) << "  " << hexText(word, 4) << "  "
       << padRight(up_->instructions().disassemble(word), 24)
       << "W=" << hexText(up_->cpu().ReadData(reg::kW), 2)
       << " STATUS=" << hexText(up_->cpu().ReadData(reg::kStatus), 2) << '\n';
}

// Performs the run or the steps; returns the stop reason for the report.
std::string Simulation::execute(uint64_t maxInstructions) {
    up_->setTickLimit(maxInstructions);
    // Nothing wakes a sleeping CPU during a run: end the run there instead of spinning.
    up_->setYieldHook([this] {
        if (up_->running() && (up_->cpu().sleeping() || up_->cpu().idle())) {
            sleepStop_ = true;
            up_->Stop();
        }
    });
    if (o_.trace) up_->setInstructionHook([this](uint32_t at) { traceLine(at); });

    auto runReason = [this]() -> std::string {
        if (sleepStop_) return up_->cpu().idle() ? "idle" : "sleep";
        if (emulatorStoppedAsleep()) return "sleep";
        if (emulator_ && bench_->emulator().run().cycleLimitReached()) return "max-instructions";
        switch (up_->lastStopCause()) {
        case StopCause::Breakpoint:
            if (until_ && up_->cpu().GetPC() == *until_ &&
                !up_->cpu().BreakpointMarkAt(*until_, BreakpointKind::Any))
                return "until";
            return "breakpoint";
        case StopCause::Limit:
            return "max-instructions";
        case StopCause::StackFull:
            return "stack full";
        case StopCause::StepReached:
            return "step done";
        default:
            return std::string(stopCauseName(up_->lastStopCause()));
        }
    };

    const bool stepping = !o_.steps.empty() || !o_.stepOvers.empty() || o_.stepOut;
    if (!stepping) {
        // The emulator counts cycles, not instructions: a limited or traced run goes by steps
        // there, so that both targets stop at the same instruction.
        if (emulator_ && (!o_.maxInstructions.empty() || o_.trace))
            return steppedRun(maxInstructions);
        if (until_)
            up_->RunTo(*until_);
        else
            up_->Run();
        return runReason();
    }
    std::string reason = "step done";
    if (!o_.steps.empty()) {
        const uint64_t n = *parseCount(o_.steps, "--step");
        for (uint64_t i = 0; i < n; ++i) {
            const StepEnd end = stepOnce();
            if (end == StepEnd::LinkLost) return "link lost";
            if (end == StepEnd::Asleep) break;
        }
        reason = asleep() ? "sleep" : "step done";
    }
    if (!o_.stepOvers.empty()) {
        const uint64_t n = *parseCount(o_.stepOvers, "--step-over");
        for (uint64_t i = 0; i < n; ++i) {
            if (linkLost()) return "link lost";
            up_->StepOver();
            // The emulator reports its stop at the step's temporary breakpoint as a breakpoint
            // stop: only a stop at a user breakpoint ends the step-overs early.
            const StopCause cause = up_->lastStopCause();
            const bool atUserBreakpoint =
                up_->cpu().BreakpointMarkAt(up_->cpu().GetPC(), BreakpointKind::Any);
            if (cause != StopCause::None && cause != StopCause::StepReached &&
                !(cause == StopCause::Breakpoint && !atUserBreakpoint))
                return runReason();
        }
        reason = asleep() ? "sleep" : "step done";
    }
    if (o_.stepOut) {
        up_->StepOut();
        reason = runReason();
    }
    return reason;
}

// One single step, traced on the emulator as the engine's hook traces it on the simulator. A
// step that finds the CPU asleep with nothing to wake it changes nothing: PC and cycle counter
// stand still (or the emulator reported its sleep); a run stops there too.
StepEnd Simulation::stepOnce() {
    if (linkLost()) return StepEnd::LinkLost;
    const uint32_t at = up_->cpu().GetPC();
    const uint32_t cycles = up_->cpu().GetCycles();
    const uint64_t executed = up_->executedInstructions();
    up_->StepInto();
    if (linkLost()) return StepEnd::LinkLost;
    if (emulator_ && o_.trace) traceLine(at);
    if (emulatorStoppedAsleep()) {
        sleepStop_ = true;
        return StepEnd::Asleep;
    }
    if (up_->cpu().GetPC() == at && up_->cpu().GetCycles() == cycles &&
        up_->executedInstructions() == executed) {
        sleepStop_ = true;
        return StepEnd::Asleep;
    }
    return StepEnd::Count;
}

// A run made of single steps: the same stops as a run (breakpoint, --until, stack full, sleep),
// tested after every instruction.
std::string Simulation::steppedRun(uint64_t maxInstructions) {
    const bool stackStop = up_->stopOnStackFull();
    for (uint64_t i = 0; i < maxInstructions; ++i) {
        switch (stepOnce()) {
        case StepEnd::LinkLost:
            return "link lost";
        case StepEnd::Asleep:
            return up_->cpu().idle() ? "idle" : "sleep";
        case StepEnd::Count:
            break;
        }
        const uint32_t pc = up_->cpu().GetPC();
        if (up_->cpu().BreakpointMarkAt(pc, BreakpointKind::Any)) return "breakpoint";
        if (until_ && pc == *until_) return "until";
        if (stackStop && (up_->cpu().ReadData(reg::kStackPointer) & sp::kFull)) return "stack full";
    }
    return "max-instructions";
}

void Simulation::printText(const std::string& reason) {
    const CpuState& c = up_->cpu();
    std::ostream& os = ctx_.out;
    os << "PC           = " << hexText(c.GetPC(), 4) << "h\n";
    os << "W            = " << hexText(c.ReadData(reg::kW), 2) << "h\n";
    os << "STATUS       = " << hexText(c.ReadData(reg::kStatus), 2) << "h\n";
    os << "BSR          = " << hexText(c.ReadData(reg::kBsr), 2) << "h\n";
    os << "STKPTR       = " << hexText(c.ReadData(reg::kStackPointer), 2) << "h\n";
    os << "STACK        =";
    for (uint32_t i = 1; i <= c.stackDepth(); ++i)
        os << ' ' << hexText(c.StackEntry(i), 5) << 'h';
    os << '\n';
    os << "CYCLES       = " << c.GetCycles() << '\n';
    // The emulator counts cycles only: after a free run on it the instructions are not known.
    if (up_->executedInstructionsKnown())
        os << "INSTRUCTIONS = " << up_->executedInstructions() << '\n';
    else
        os << "INSTRUCTIONS = unknown\n";
    os << "STOP         = " << reason << '\n';
    for (const Dump& d : dumps_) {
        for (uint32_t i = 0; i < d.length; i += 16) {
            os << "MEMORY " << hexText(d.address + i, 4) << "h:";
            for (uint32_t k = i; k < d.length && k < i + 16; ++k)
                os << ' ' << hexText(c.ReadData(d.address + k), 2);
            os << '\n';
        }
    }
    for (const Expectation& x : expectations_)
        os << "EXPECT " << x.name << " (" << hexText(x.address, 4) << "h) = " << int(x.expected)
           << ": " << (x.ok() ? "ok" : "MISMATCH, found " + std::to_string(x.actual)) << '\n';
}

void Simulation::printJson(const std::string& reason) {
    const CpuState& c = up_->cpu();
    nlohmann::ordered_json j;
    j["pc"] = c.GetPC();
    j["w"] = c.ReadData(reg::kW);
    j["status"] = c.ReadData(reg::kStatus);
    j["bsr"] = c.ReadData(reg::kBsr);
    j["stack_pointer"] = c.ReadData(reg::kStackPointer);
    nlohmann::ordered_json stack = nlohmann::ordered_json::array();
    for (uint32_t i = 1; i <= c.stackDepth(); ++i)
        stack.push_back(c.StackEntry(i));
    j["stack"] = stack;
    j["cycles"] = c.GetCycles();
    if (up_->executedInstructionsKnown())
        j["instructions"] = up_->executedInstructions();
    else
        j["instructions"] = nullptr;
    j["stop_reason"] = reason;
    nlohmann::ordered_json memory = nlohmann::ordered_json::object();
    for (const Dump& d : dumps_)
        for (uint32_t k = 0; k < d.length; ++k)
            memory[hexText(d.address + k, 4)] = c.ReadData(d.address + k);
    j["memory"] = memory;
    nlohmann::ordered_json ex = nlohmann::ordered_json::array();
    for (const Expectation& x : expectations_)
        ex.push_back({{"name", x.name},
                      {"address", x.address},
                      {"expected", x.expected},
                      {"actual", x.actual},
                      {"ok", x.ok()}});
    j["expectations"] = ex;
    ctx_.out << j.dump() << '\n';
}

// The workbench's bring-up on the unit the options name, its failures worded after kSimPrefix.
bool Simulation::enterEmulator(const AssemblyResult& result, bool stackStop, uint64_t maxCycles) {
    if (!o_.target.connect.empty()) {
        TargetAddress address;
        std::string problem;
        if (!parseTargetAddress(o_.target.connect, address, problem)) {
            ctx_.err << kSimPrefix << "--connect \"" << o_.target.connect << "\": " << problem
                     << '\n';
            return false;
        }
    }
    Workbench& bench = *bench_;
    bench.useUnit(UnitChoice::commandLine(o_.target.connect));
    bench.options().restoreWatch(bench.options().watchTrigger(), stackStop);
    const std::vector<uint32_t> accesses = selfEromAccesses(result);
    const BringUp status = bench.bringUpEmulator(accesses);
    if (status == BringUp::ConnectFailed) {
        const UsbLink& usb = bench.emulator().usb();
        ctx_.err << kSimPrefix << connectErrorText(0);
        if (bench.unit().fromEnvironment) ctx_.err << " (ZERKA_TARGET=" << bench.unit().address << ")";
        if (!usb.diagnosis().empty()) ctx_.err << " (" << usb.diagnosis() << ")";
        ctx_.err << '\n';
        return false;
    }
    if (status != BringUp::Ok) {
        // A body that does not answer is as wrong as another chip's.
        const bool id = status == BringUp::ChipIdMissing || status == BringUp::ChipIdMismatch;
        ctx_.err << kSimPrefix << (id ? shell_text::kChipIdError : bringUpText(status)) << '\n';
        return false;
    }
    bench.emulator().run().setBlockingRuns(true, maxCycles);
    emulator_ = true;
    return true;
}

int Simulation::run() {
    setup_ = prepareAssembly(o_.assembly, AssemblyMode::BuildAndLoad, ctx_.err, kSimPrefix, &host_);
    if (!setup_) return kExitUsage;
    AsmSetup* setup = setup_.get();
    bench_ = setup->bench.get();
    up_ = &bench_->up();
    if (!checkCombinations()) return kExitUsage;
    std::optional<uint64_t> limit = kDefaultMaxInstructions;
    if (!o_.maxInstructions.empty() &&
        !(limit = parseCount(o_.maxInstructions, "--max-instructions", 1)))
        return kExitUsage;
    if (!o_.steps.empty() && !parseCount(o_.steps, "--step")) return kExitUsage;
    if (!o_.stepOvers.empty() && !parseCount(o_.stepOvers, "--step-over")) return kExitUsage;

    PrefixedLog log(ctx_.err, kSimPrefix);
    AssemblyContext context = setup->context(log);
    // The result stays in memory: output files only when a switch asks for them.
    AssemblyOptions& files = setup->assembly;
    const AsmCommandOptions& a = o_.assembly;
    files.listing = a.list.on;
    files.writeHexFile = a.hex.on;
    files.asciiFile = a.asc.on;
    files.objectFile = a.obj.on;
    files.eehFile = a.eeh.on;
    files.mapFile = false;
    files.errorFile = false;
    const AssemblyResult result = Assemble(o_.assembly.main, context, setup->assembly);
    if (result.refused) return kExitUsage; // the log said which output would replace an input
    if (!result.success) {
        ctx_.err << kSimPrefix << "\"" << o_.assembly.main << "\" did not assemble ("
                 << result.errorCount << (result.errorCount == 1 ? " error)\n" : " errors)\n");
        if (const auto hint = coreHint(result, *setup->chip))
            ctx_.err << kSimPrefix << *hint << '\n';
        return kExitFailed;
    }

    // Entering debug mode: the chip, a clean breakpoint list, then the assembler's hand-over.
    up_->applyChip(*setup->chip);
    up_->setInstructionSet(setup->instructions);
    up_->setRunTimerInterval(TZk_UP::kSimulatorInterval);
    bool stackStop = setup->options->controls().STPOVSTAK.checked;
    if (auto v = o_.stackStop.value()) stackStop = *v;
    up_->setStopOnStackFull(stackStop);
    up_->ClearBreakpoints();
    UpCentreReceiver receiver(*up_);
    if (!HandOverAssembly(result, receiver)) {
        ctx_.err << kSimPrefix << "the program could not be loaded into the simulator\n";
        return kExitFailed;
    }
    if (o_.target.emulator() && !enterEmulator(result, stackStop, *limit)) return kExitFailed;

    // Counting starts with the program as loaded (the hand-over reset the CPU).
    up_->setCounting(o_.counting.any());
    takeLabels(result);
    if (!applyPokes() || !setBreakpoints() || !parseExpectations() || !parseDumps())
        return linkLost() ? reportLostLink() : kExitUsage;

    const std::string reason = execute(*limit);
    // Nothing read from a unit that went away is its state.
    if (linkLost()) return reportLostLink();
    for (Expectation& x : expectations_)
        x.actual = up_->cpu().ReadData(x.address);
    if (o_.json)
        printJson(reason);
    else
        printText(reason);
    if (const ExecCounts* counts = up_->counts()) {
        const coverage::Report report =
            coverage::makeReport(coverage::LineMap(result), *counts,
                                 coverage::programOf(up_->cpu(), up_->engine(), result));
        std::string error;
        if (!coverage::writeOutputs(report, o_.counting, o_.json ? ctx_.err : ctx_.out, error)) {
            ctx_.err << kSimPrefix << error << '\n';
            return kExitFailed;
        }
    }

    size_t failed = 0;
    for (const Expectation& x : expectations_)
        if (!x.ok()) {
            ++failed;
            ctx_.err << kSimPrefix << "expected " << x.name << " (" << hexText(x.address, 4)
                     << "h) = " << int(x.expected) << ", found " << int(x.actual) << '\n';
        }
    if (failed) {
        ctx_.err << kSimPrefix << failed << " of " << expectations_.size()
                 << " expectations failed\n";
        return kExitExpectation;
    }
    return kExitOk;
}

void addSimTargetOptions(CLI::App* sub, SimTargetOptions& o) {
    sub->add_option("--target", o.target,
                    "Where the program runs: simulator (default) or emulator (a target unit, "
                    "see --connect)")
        ->check(CLI::IsMember({"simulator", "emulator"}));
    sub->add_option(
           "--connect", o.connect,
           "With --target emulator: the unit served at unix:PATH or tcp:127.0.0.1:PORT "
           "(default: ZERKA_TARGET when set, else a built-in unit; a named unit must answer)")
        ->check(notEmpty());
}

} // namespace

void registerSimCommand(CLI::App& app, CliContext& ctx) {
    auto o = std::make_shared<SimOptions>();
    CLI::App* sub = app.add_subcommand(
        "sim",
        "Assemble MAIN (build and load), run it on the simulator and print the final state. "
        "Addresses, lengths and values use the assembler's notation (50H, 0C8H, 200) or symbol "
        "names. Output files are written only when a switch asks for them (--list, --hex...). "
        "Exit status 1 when MAIN does not assemble or the link to the target unit is lost, 2 "
        "for a usage error, 3 when an expectation fails.");
    addAsmOptions(sub, o->assembly, false);
    // The result stays in memory here: each file only when its switch is given.
    for (const char* name : {"list", "hex", "asc", "obj", "eeh"})
        sub->get_option(std::string("--") + name)
            ->description(std::string("Write the ") + name + " file (default: none)");
    addAsmSwitch(sub, "stop-on-stack-full", o->stackStop,
                 "--stop-on-stack-full/--no-stop-on-stack-full: STOP When OV Stack (default: "
                 "the options' value)");
    sub->add_option("--max-instructions", o->maxInstructions,
                    "Stop a run after N instructions, N at least 1 (default 10000000; 0 is "
                    "refused). On the emulator a run with this option goes by single steps");
    sub->add_option("--break", o->breaks, "Breakpoint at ADDR or LABEL (repeatable, at most 14)");
    sub->add_option("--until", o->until,
                    "Run until the PC reaches ADDR or LABEL (not with the "
                    "step options)")
        ->check(notEmpty());
    sub->add_option("--step", o->steps,
                    "Perform N single steps instead of a run; they end early when the CPU "
                    "sleeps with nothing to wake it")
        ->check(notEmpty());
    sub->add_option("--step-over", o->stepOvers, "Perform N step-overs (after --step)")
        ->check(notEmpty());
    sub->add_flag("--step-out", o->stepOut, "Run until the current subroutine returns (last)");
    sub->add_option("--poke", o->pokes, "Write data byte ADDR=VALUE before running (repeatable)");
    sub->add_option("--expect", o->expects,
                    "Check data byte NAME=VALUE or ADDR=VALUE after the run (repeatable)");
    sub->add_option("--dump", o->dumps, "Show LEN data bytes from ADDR (ADDR:LEN, repeatable)");
    sub->add_flag("--trace", o->trace,
                  "One line per executed instruction: address, word, disassembly, W, STATUS "
                  "(on stderr with --json)");
    sub->add_flag("--json", o->json, "Print one JSON object instead of the text report");
    addSimTargetOptions(sub, o->target);
    sub->add_option("--coverage", o->counting.coverage,
                    "Write the run's line and branch coverage as an lcov trace file (FILE.info)")
        ->check(notEmpty());
    sub->add_flag(
        "--coverage-append", o->counting.append,
        "Add the counts to those of the existing --coverage file instead of replacing it");
    sub->add_option("--profile", o->counting.profile,
                    "Write the cycle profile (per line and per routine) as JSON to FILE, or print "
                    "the top routines and lines for \"-\" (on stderr with --json)")
        ->check(notEmpty());
    sub->add_option("MAIN", o->assembly.main, "Main source file")->required();
    sub->callback([o, &ctx] {
        runCommand(ctx, kSimPrefix, [&] {
            Simulation sim(*o, ctx);
            return sim.run();
        });
    });
}

} // namespace zerka::cli
