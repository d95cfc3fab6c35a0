#include "shell/workbench.h"

#include "link/ppdev_port.h"
#include "link/socket_transport.h"
#include "shell/headless_windows.h"
#include "shell/programmer_session.h"
#include "shell/self_erom_breakpoints.h"
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"
#include "views/ice_view_hooks.h"

#include <cstdlib>

namespace zerka {

namespace {

// No user: nothing is shown; Ok and Yes where offered, else Cancel.
class SilentUi : public UiHost {
  public:
    Button messageBox(MessageType, const std::string&, Buttons b) override {
        switch (b) {
        case Buttons::Ok:
        case Buttons::OkCancel:
            return Button::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            return Button::Yes;
        default: // a retry would ask again for ever
            return Button::Cancel;
        }
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
};

// No debug windows and no timers.
class NoDebugWindows : public DebugHost {
  public:
    void refreshDebugWindows() override {}
    void setContinueTimer(bool) override {}
    void setLinkWatchdog(bool) override {}
    void showStackStatus(const StackStateText&, const std::string&) override {}
    BreakpointTarget breakpointTarget() const override { return BreakpointTarget::None; }
};

// The virtual unit for `chip`: its core, its emulator body and its stack.
TargetConfig unitConfig(const ChipModel& chip) {
    TargetConfig c;
    c.core = coreTypeFromVariant(chip.coreVariant);
    if (!chip.emulatorIds.empty()) c.bodyId = chip.emulatorIds.front();
    if (chip.stackDepth >= 1 && chip.stackDepth < CpuState::kStackEntries)
        c.stackDepth = chip.stackDepth;
    return c;
}

std::filesystem::path libraryDirOf(const WorkbenchSetup& s) {
    if (!s.libraryDir.empty()) return s.libraryDir;
    return std::filesystem::path(s.programDir) / "INCLUDE";
}

} // namespace

struct Workbench::Defaults {
    HeadlessWindows windows;
    SilentUi ui;
    NoDebugWindows debugHost;
};

UnitChoice UnitChoice::commandLine(const std::string& connect, bool environment) {
    if (!connect.empty()) return socket(connect);
    if (environment)
        if (const char* env = std::getenv("ZERKA_TARGET"); env && *env) return socket(env, true);
    return inProcess();
}

std::string UnitChoice::name() const {
    switch (kind) {
    case Kind::Socket:
        return address;
    case Kind::InProcess:
        return "the built-in virtual unit";
    default:
        return "the USB unit";
    }
}

Workbench::Workbench(WorkbenchSetup setup)
    : defaults_(std::make_unique<Defaults>()), programDir_(setup.programDir),
      library_(libraryDirOf(setup)), options_(library_, chip_),
      ui_(setup.ui ? setup.ui : &defaults_->ui), up_(ui_), views_(up_, chip_), yield_(setup.yield) {
    ice_ = std::make_unique<IceSession>(up_, chip_, options_, *ui_, UsbBackends{},
                                        std::unique_ptr<PortProvider>{}, WaitHook{});
    useUnit(setup.unit);
    ShellParts parts{
        library_,   chip_, options_, up_,
        documents_, log_,  *ui_,     setup.windows ? *setup.windows : defaults_->windows,
        ice_.get(), yield_};
    shell_ = std::make_unique<Shell>(parts, programDir_);
    shell_->setWatchList(&views_.watch);
    views_.context.emulator = makeIceViewHooks(ice_->commands());
    debug_ = std::make_unique<DebugCommands>(
        *shell_, views_, setup.debugHost ? *setup.debugHost : defaults_->debugHost, setup.clock);
}

Workbench::~Workbench() {
    // The users of the link and the uP centre go before them.
    debug_.reset();
    if (shell_) shell_->setProgrammer(nullptr);
    programmer_.reset();
    views_.context.emulator = {};
    if (shell_) shell_->setEmulator(nullptr);
    ice_.reset();
}

ProgrammerSession& Workbench::programmer() {
    if (!programmer_) {
        programmer_ = std::make_unique<ProgrammerSession>(*shell_, ice_->usb());
        shell_->setProgrammer(programmer_.get());
    }
    return *programmer_;
}

bool Workbench::loadChipList(std::string* problem) {
    return library_.buildChipList(problem);
}

bool Workbench::chooseChip(int index, std::string* problem) {
    if (library_.entries().empty()) {
        if (problem) *problem = "the chip library has no chips";
        return false;
    }
    return options_.chooseChip(index, problem);
}

void Workbench::useUnit(const UnitChoice& unit) {
    unit_ = unit;
    UsbBackends b;
    std::unique_ptr<PortProvider> port;
    WaitHook wait;
    std::unique_ptr<TargetUnit> host;
    std::unique_ptr<VirtualPrinterPort> hostPort;
    switch (unit.kind) {
    case UnitChoice::Kind::Hardware:
        b = realUsbBackends();
        port = std::make_unique<PpdevPortProvider>();
        wait = clockWait(yield_);
        break;
    case UnitChoice::Kind::InProcess:
        // The unit answers at once: nothing to wait for.
        host = std::make_unique<TargetUnit>(unitConfig(chip_));
        hostPort = std::make_unique<VirtualPrinterPort>(*host);
        b.virtualTarget = inProcessTarget(*host);
        port = std::make_unique<AttachedPortProvider>(*hostPort);
        wait = [](std::chrono::milliseconds) {};
        break;
    case UnitChoice::Kind::Socket:
        // A unit the user named must answer: running elsewhere would report another target's
        // state as this one's.
        b.virtualTarget = [address = unit.address](std::string& problem) {
            return openSocketTransport(address, problem);
        };
        port = std::make_unique<PpdevPortProvider>();
        wait = clockWait(yield_);
        break;
    }
    ice_->setTransports(std::move(b), std::move(port), std::move(wait));
    // The old unit goes once the link no longer reaches it.
    unitHost_ = std::move(host);
    unitPort_ = std::move(hostPort);
}

void Workbench::useTransports(UsbBackends backends, std::unique_ptr<PortProvider> port,
                              WaitHook wait) {
    if (!port) port = std::make_unique<PpdevPortProvider>();
    if (!wait) wait = clockWait(yield_);
    ice_->setTransports(std::move(backends), std::move(port), std::move(wait));
    unit_ = UnitChoice::hardware();
    unitHost_.reset();
    unitPort_.reset();
}

bool Workbench::linkLost() {
    UsbLink& usb = ice_->usb();
    return usb.linkStatus != kLinkConnected || !usb.connected();
}

BringUp Workbench::bringUpEmulator(std::span<const uint32_t> selfEromAccesses) {
    // A virtual unit speaks USB only.
    if (unit_.kind != UnitChoice::Kind::Hardware) options_.selectInterface(kUsbInterfaceIndex);
    EmulatorTarget& e = *ice_;
    if (const BringUp s = connectUnit(e, options_.usbInterface()); s != BringUp::Ok) return s;
    if (const BringUp s = identifyChip(e); s != BringUp::Ok) return s;
    const LoadOutcome out = loadProgram(e, chip_.coreVariant, up_.informationBlock(), {});
    if (out.status != BringUp::Ok) return out.status;
    if (out.sizeError) return BringUp::ProgramMemory;
    const WatchTrigger& w = options_.watchTrigger();
    e.enterDebug(w.address, w.data, w.mask);
    if (e.placeSelfEromBreakpoints(selfEromAccesses))
        ui_->messageBox(MessageType::Warning, kSelfEromOverflow, Buttons::Ok);
    up_.setRunTimerInterval(TZk_UP::kEmulatorInterval);
    return BringUp::Ok;
}

void Workbench::leaveEmulator() {
    ice_->leaveDebug();
    up_.setRunTimerInterval(TZk_UP::kSimulatorInterval);
}

} // namespace zerka
