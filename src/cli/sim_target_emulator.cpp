#include "cli/sim_target_emulator.h"

#include "link/ice_commands.h"
#include "link/socket_transport.h"
#include "link/usb_link.h"
#include "shell/self_erom_breakpoints.h"
#include "target/target_unit.h"
#include "target/virtual_port.h"
#include "target/virtual_usb.h"
#include "upcentre/run/emulator_memory.h"
#include "upcentre/run/emulator_run.h"

#include <cstdlib>
#include <vector>

namespace zerka::cli {

namespace {

// The virtual unit's core select register (0 CX4A, 1 CX4B).
constexpr uint32_t kUnitCoreSelect = 0x106F;

constexpr const char* kChipIdError = "ICE Chip ID Error!!";
constexpr const char* kProgramMemoryError = "Program memory accessed error!";
constexpr const char* kRamError = "Ram accessed error!";

TargetConfig unitConfig(const ChipModel& chip) {
    TargetConfig c;
    c.core = coreTypeFromVariant(chip.coreVariant);
    if (!chip.emulatorIds.empty()) c.bodyId = chip.emulatorIds.front();
    if (chip.stackDepth >= 1 && chip.stackDepth < CpuState::kStackEntries)
        c.stackDepth = chip.stackDepth;
    return c;
}

} // namespace

class SimEmulatorSession {
  public:
    SimEmulatorSession(TZk_UP& up, const ChipModel& chip, const SimTargetOptions& o, UiHost& ui)
        : address_(unitAddress(o)), inProcess_(address_.empty()), unit(unitConfig(chip)),
          port(unit), usb(backends()),
          lpt(usb.ioBuffer, std::make_unique<VirtualPortProvider>(port)),
          ice(usb, lpt, settings, waits()), memory(up.cpu(), ice, usb, lpt, settings, ui, waits()),
          run(up, ice, memory, settings, &ui, waits()) {}
    ~SimEmulatorSession() {
        run.detach();
        usb.close();
    }

    // The socket unit is answered by another process: its waits are real.
    WaitHook waits() {
        return [this, real = clockWait()](std::chrono::milliseconds ms) {
            if (!inProcess_) real(ms);
        };
    }

    // The unit's socket address: --connect, else ZERKA_TARGET; empty for the in-process unit.
    static std::string unitAddress(const SimTargetOptions& o) {
        if (!o.connect.empty()) return o.connect;
        const char* env = std::getenv("ZERKA_TARGET");
        return env && *env ? std::string(env) : std::string();
    }
    std::string linkName() const {
        return address_.empty() ? "the built-in virtual unit" : address_;
    }
    // The unit was named by ZERKA_TARGET rather than --connect.
    bool namedByEnvironment(const SimTargetOptions& o) const {
        return o.connect.empty() && !address_.empty();
    }

    std::string address_;
    bool inProcess_;
    TargetUnit unit;
    VirtualPrinterPort port;
    UsbLink usb;
    LptLink lpt;
    IceSettings settings;
    IceCommands ice;
    EmulatorMemory memory;
    EmulatorRun run;

  private:
    UsbBackends backends() {
        UsbBackends b;
        if (address_.empty()) {
            b.virtualTarget = inProcessTarget(unit);
        } else {
            // A unit the user named must answer: running elsewhere would report another
            // target's state as this one's.
            b.virtualTarget = [address = address_](std::string& problem) {
                return openSocketTransport(address, problem);
            };
        }
        return b;
    }
};

void SimEmulatorSessionDeleter::operator()(SimEmulatorSession* s) const {
    delete s;
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

SimEmulatorHandle enterEmulatorMode(TZk_UP& up, const ChipModel& chip, bool stopOnStackFull,
                                    std::span<const uint32_t> selfEromAccesses,
                                    const SimTargetOptions& o, uint64_t maxCycles, UiHost& ui,
                                    std::ostream& err, const std::string& me) {
    if (!o.connect.empty()) {
        TargetAddress address;
        std::string problem;
        if (!parseTargetAddress(o.connect, address, problem)) {
            err << me << "--connect \"" << o.connect << "\": " << problem << '\n';
            return nullptr;
        }
    }
    SimEmulatorHandle s(new SimEmulatorSession(up, chip, o, ui));
    IceSettings& st = s->settings;
    st.usb = true;
    st.stopOnStackOverflow = stopOnStackFull;
    st.romSelect = RomType::Ram62256;
    st.stackDepth = chip.stackDepth;
    st.emulatorIds = chip.emulatorIds.empty() ? std::vector<uint16_t>{s->unit.config().bodyId}
                                              : chip.emulatorIds;
    st.bitRegisterMask = [&chip](uint16_t a) -> std::optional<uint8_t> {
        if (a >= kDataAddressCount || !chip.findBitRegister(a)) return std::nullopt;
        return chip.implementedBits[a];
    };
    st.coreVariant = chip.coreVariant;
    st.selfEromMode = chip.selfEromMode;
    st.selfEromPage = chip.selfEromPage;
    for (size_t i = 0; i < st.selfEromParam.size(); ++i)
        st.selfEromParam[i] = static_cast<uint16_t>(chip.selfEromParam[i]);

    if (s->usb.connect() != kLinkConnected) {
        err << me << connectErrorText(0);
        if (s->namedByEnvironment(o)) err << " (ZERKA_TARGET=" << s->address_ << ")";
        if (!s->usb.diagnosis().empty()) err << " (" << s->usb.diagnosis() << ")";
        err << '\n';
        return nullptr;
    }
    if (s->ice.readIceBodyId() != 0) {
        err << me << kChipIdError << '\n';
        return nullptr;
    }
    s->ice.iceWriteByte(kUnitCoreSelect, chip.coreVariant & 1);
    up.setStopOnStackFull(stopOnStackFull);
    s->run.setSettings(EmulatorRunSettings::fromChip(chip));
    s->run.attach();
    up.setRunTimerInterval(TZk_UP::kEmulatorInterval);

    EmulatorMemory::InfoBlock info{};
    std::copy(up.informationBlock().begin(), up.informationBlock().end(), info.begin());
    if (!s->memory.WriteInfoBlock(kInfoBlockAddress, info)) {
        err << me << kProgramMemoryError << '\n';
        return nullptr;
    }
    uint32_t position = 0;
    switch (s->memory.EmulatorMemoryTest(false, position)) {
    case kMemoryTestPassed:
        break;
    case kMemoryTestDataError:
        err << me << kRamError << '\n';
        return nullptr;
    default:
        err << me << kProgramMemoryError << '\n';
        return nullptr;
    }
    if (!s->memory.DownloadAndVerify(true) || !s->run.resetCycleCounter()) {
        err << me << kProgramMemoryError << '\n';
        return nullptr;
    }
    if (placeSelfEromBreakpoints(up, s->run, selfEromAccesses))
        ui.messageBox(MessageType::Warning, kSelfEromOverflow, Buttons::Ok);
    if (!s->run.EmulatorRangeGuard(kRunAwayPc)) {
        err << me << kProgramMemoryError << '\n';
        return nullptr;
    }
    s->run.setBlockingRuns(true, maxCycles);
    return s;
}

SimEmulatorHandle enterEmulatorMode(TZk_UP& up, const ChipModel& chip, bool stopOnStackFull,
                                    const AssemblyResult& result, const SimTargetOptions& o,
                                    uint64_t maxCycles, UiHost& ui, std::ostream& err,
                                    const std::string& me) {
    const std::vector<uint32_t> accesses = zerka::selfEromAccesses(result);
    return enterEmulatorMode(up, chip, stopOnStackFull, accesses, o, maxCycles, ui, err, me);
}

bool emulatorCycleLimitReached(const SimEmulatorHandle& session) {
    return session && session->run.cycleLimitReached();
}

bool emulatorStoppedAsleep(const SimEmulatorHandle& session) {
    return session && session->run.stoppedAsleep();
}

bool emulatorLinkLost(const SimEmulatorHandle& session) {
    return session && (session->usb.linkStatus != kLinkConnected || !session->usb.connected());
}

std::string emulatorLinkName(const SimEmulatorHandle& session) {
    return session ? session->linkName() : std::string();
}

} // namespace zerka::cli
