// `zerka target`: serves the virtual target unit on a local socket until interrupted.
//   zerka target --listen unix:PATH|tcp:127.0.0.1:PORT [--lib DIR] [--chip INDEX|NAME]
//                [--body-id HEX] [--usb bulk|hid] [--verbose] [--connections N]
// The IDE and the other commands reach it through ZERKA_TARGET set to the same address.
#include "cli/commands.h"
#include "cli/cli_options.h"
#include "cli/prog_chip.h"
#include "cli/target_programmer_options.h"

#include "chip/chip_library.h"
#include "core/number.h"
#include "core/path_lookup.h"
#include "core/program_dir.h"
#include "core/text.h"
#include "link/socket_transport.h"
#include "target/target_server.h"
#include "target/virtual_usb.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

namespace zerka::cli {
namespace {

struct TargetOptions {
    std::string listen;
    std::string lib;
    std::string chip;
    std::string bodyId;
    std::string usb = "bulk";
    bool verbose = false;
    int connections = 0; // 0: until interrupted
    TargetProgrammerOptions programmer;
};

constexpr const char* kTargetPrefix = "zerka target: ";

// Takes the stop signals that arrived off the descriptor. Left pending, they would end the
// process the moment the old signal mask comes back, before its summary.
void drainSignals(int fd) {
    if (fd < 0) return;
    pollfd p{fd, POLLIN, 0};
    signalfd_siginfo info{};
    while (::poll(&p, 1, 0) > 0 && (p.revents & POLLIN))
        if (::read(fd, &info, sizeof info) != ssize_t(sizeof info)) break;
}

// The chip sets the unit's core, stack depth and, unless --body-id says otherwise, its body.
// Without --chip the unit is the library's first chip, the one the other commands default to,
// so that a host without --chip finds the body it accepts.
bool applyChip(const TargetOptions& o, TargetConfig& config, CliContext& ctx) {
    const char* me = kTargetPrefix;
    ChipLibrary library(o.lib.empty() ? chipLibraryDir() : std::filesystem::path(o.lib));
    std::string error;
    if (!library.buildChipList(&error)) {
        ctx.err << me << error << '\n';
        return false;
    }
    const std::string chip = o.chip.empty() ? "0" : o.chip;
    const std::optional<int> index = findChip(library, chip);
    if (!index) {
        ctx.err << me << "no chip \"" << chip << "\" in the chip library "
                << library.libraryDir().string() << '\n';
        return false;
    }
    ChipModel model;
    if (!library.GetSELUP(*index, model, {}, &error)) {
        ctx.err << me << "chip \"" << chip << "\": " << error << '\n';
        return false;
    }
    config.core = coreTypeFromVariant(model.coreVariant);
    config.stackDepth = model.stackDepth;
    if (!model.emulatorIds.empty()) config.bodyId = model.emulatorIds.front();
    return true;
}

int runTarget(const TargetOptions& o, CliContext& ctx) {
    const char* me = kTargetPrefix;
    TargetConfig config;
    if (equalsIgnoreCase(o.usb, "hid")) {
        config.usbForm = UsbForm::Hid;
    } else if (!equalsIgnoreCase(o.usb, "bulk")) {
        ctx.err << me << "unknown USB form \"" << o.usb << "\" (use bulk or hid)\n";
        return kExitUsage;
    }
    TargetAddress address;
    std::string problem;
    if (!parseTargetAddress(o.listen, address, problem)) {
        ctx.err << me << problem << '\n';
        return kExitUsage;
    }
    if (!o.bodyId.empty()) {
        const auto id = parseTargetHex(o.bodyId, 0xFFFF);
        if (!id) {
            ctx.err << me << "body identifier \"" << o.bodyId << "\" is not a hexadecimal word\n";
            return kExitUsage;
        }
    }
    // --body-id alone needs no library; otherwise the chip (given or default) sets the unit.
    if ((!o.chip.empty() || o.bodyId.empty()) && !applyChip(o, config, ctx)) return kExitUsage;
    if (!o.bodyId.empty()) config.bodyId = uint16_t(*parseTargetHex(o.bodyId, 0xFFFF));

    if (!applyTargetProgrammerOptions(o.programmer, o.lib, o.chip, config, ctx.err))
        return kExitUsage;
    TargetUnit unit(config);
    if (!unit.programmer().ready()) {
        ctx.err << me << unit.programmer().problem() << '\n';
        return kExitUsage;
    }
    if (o.verbose)
        unit.setCommandLog(
            [&ctx](const std::string& line) { ctx.err << kTargetPrefix << line << '\n'; });

    // Interrupts arrive on a descriptor, so the server can finish the connection in order.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);

    TargetListener listener;
    if (!listener.open(o.listen, problem)) {
        ctx.err << me << problem << '\n';
        if (signals >= 0) ::close(signals);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return kExitUsage;
    }
    ctx.err << me << "serving the virtual unit (body " << hexText(config.bodyId, 4) << "h, "
            << (config.usbForm == UsbForm::Hid ? "HID" : "bulk") << ") on " << o.listen << '\n';

    int served = 0;
    bool stop = false;
    while (!stop && (o.connections == 0 || served < o.connections)) {
        pollfd waits[2] = {{listener.fd(), POLLIN, 0}, {signals, POLLIN, 0}};
        if (::poll(waits, signals >= 0 ? 2 : 1, -1) < 0) continue;
        if (signals >= 0 && (waits[1].revents & POLLIN)) break;
        const int fd = listener.accept(0);
        if (fd < 0) continue;
        if (o.verbose) ctx.err << me << "host connected\n";
        // The host is served on its own thread so that an interrupt can end the connection,
        // and another host that comes meanwhile can be told that the unit is busy.
        std::atomic<bool> done{false};
        size_t frames = 0;
        std::thread host([fd, &unit, &done, &frames] {
            unit.connectionOpened();
            // A chip the last host left asleep would not answer with its body: a new host finds
            // it woken, as if its button had been pressed.
            unit.pressWakeButton();
            UnitSocketSide side(unit);
            serveSocketConnection(fd, side, 3000, &frames);
            done = true;
        });
        while (!done) {
            pollfd w[2] = {{listener.fd(), POLLIN, 0}, {signals, POLLIN, 0}};
            if (::poll(w, signals >= 0 ? 2 : 1, 100) <= 0) continue;
            if (signals >= 0 && (w[1].revents & POLLIN)) {
                ::shutdown(fd, SHUT_RDWR);
                stop = true;
                break;
            }
            if (w[0].revents & POLLIN) {
                // A host that has just closed its connection is usually followed at once by the
                // next one: the current connection is given a moment to end first.
                for (int i = 0; i < 50 && !done; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                if (done) break;
                const int other = listener.accept(0);
                if (other >= 0)
                    refuseBusyConnection(other, "the virtual unit at " + o.listen +
                                                    " is busy: it serves another host");
            }
        }
        host.join();
        ::close(fd);
        // A second server checking whether this one still answers is no host.
        if (frames > 0) ++served;
        if (o.verbose) ctx.err << me << "host disconnected\n";
    }
    listener.close();
    drainSignals(signals);
    if (signals >= 0) ::close(signals);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ctx.err << me << "stopped after " << served << " connection" << (served == 1 ? "" : "s")
            << '\n';
    // What the flash holds is kept now; a state that cannot be kept is no silent loss.
    std::string saveProblem;
    if (!unit.programmer().saveIfChanged(saveProblem)) {
        ctx.err << me << saveProblem << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

void registerTargetCommand(CLI::App& app, CliContext& ctx) {
    auto options = std::make_shared<TargetOptions>();
    CLI::App* cmd = app.add_subcommand("target", "Serve the virtual target unit on a local socket");
    cmd->add_option("--listen", options->listen, "unix:PATH or tcp:127.0.0.1:PORT")
        ->required()
        ->check(notEmpty());
    cmd->add_option("--lib", options->lib, "Chip library folder (default: the program's INCLUDE)")
        ->check(notEmpty());
    cmd->add_option("--chip", options->chip,
                    "Chip (index or name) whose core, stack and first emulator body the unit has "
                    "(default: index 0, as for the other commands)")
        ->check(notEmpty());
    cmd->add_option("--body-id", options->bodyId, "Emulator body identifier, hexadecimal")
        ->check(notEmpty());
    cmd->add_option("--usb", options->usb, "USB form: bulk (default) or hid");
    cmd->add_flag("--verbose", options->verbose, "Log every command on stderr");
    cmd->add_option("--connections", options->connections,
                    "Stop after this many host connections, at least 1 (default: until "
                    "interrupted: SIGINT or SIGTERM ends the current connection, removes the "
                    "socket file and prints the summary; exit status 0, 1 when the "
                    "--flash-state file could not be saved)")
        ->check(CLI::Validator(
            [](std::string& value) {
                int n = 0;
                const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
                if (ec != std::errc{} || end != value.data() + value.size() || n < 1)
                    return "\"" + value + "\" is not a number of connections (give 1 or more)";
                return std::string();
            },
            "N"));
    addTargetProgrammerOptions(cmd, options->programmer);
    cmd->callback([options, &ctx] { ctx.exitCode = runTarget(*options, ctx); });
}

} // namespace zerka::cli
