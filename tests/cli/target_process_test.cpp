// `zerka target` as a real process: it ends cleanly on SIGTERM and SIGINT, it does not take over
// a socket another server still answers on, and the README's virtual-target steps work as
// written, on every shipped chip.
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "cli/app.h"
#include "cli/cli_context.h"
#include "link/ice_commands.h"
#include "link/socket_transport.h"
#include "target/target_server.h"

#include "support/temp_dir.h"
#include "zerka_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::vector<std::string> serverArgs(const fs::path& socket) {
    return {zerkaProgram().string(),   "target",    "--listen",
            "unix:" + socket.string(), "--body-id", "8030h"};
}

// One host exchange through the socket: the unit answers its body identifier.
bool hostReadsBody(const fs::path& socket, uint16_t expected) {
    UsbBackends backends;
    const std::string address = "unix:" + socket.string();
    backends.virtualTarget = [address](std::string& problem) {
        return openSocketTransport(address, problem, 2000);
    };
    UsbLink usb(std::move(backends));
    if (usb.connect() != kLinkConnected) return false;
    LptLink lpt(usb.ioBuffer, nullptr);
    IceSettings settings;
    settings.emulatorIds = {expected};
    IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
    return ice.readIceBodyId() == 0;
}

TEST(TargetProcess, SigtermAndSigintEndTheServerCleanly) {
    TempDir dir;
    for (int sig : {SIGTERM, SIGINT}) {
        const fs::path socket = dir.path() / "unit.sock";
        ChildProcess server(serverArgs(socket), dir.path(), "server");
        ASSERT_TRUE(server.started());
        ASSERT_TRUE(waitForSocket(socket)) << server.err();
        ASSERT_TRUE(hostReadsBody(socket, 0x8030));
        // A host still connected when the signal comes.
        std::string problem;
        std::unique_ptr<PacketTransport> host =
            openSocketTransport("unix:" + socket.string(), problem);
        ASSERT_TRUE(host) << problem;
        const uint8_t probe[2] = {0xF9, 0x02};
        uint8_t answer[2] = {};
        ASSERT_TRUE(host->write(probe, 2));
        ASSERT_TRUE(host->read(answer, 2));
        server.signal(sig);
        const std::optional<int> status = server.wait();
        EXPECT_TRUE(exitedWith(status, 0)) << "signal " << sig << ": " << server.err();
        EXPECT_THAT(server.err(), HasSubstr("zerka target: stopped after 2 connections"));
        EXPECT_FALSE(fs::exists(socket)) << "signal " << sig;
    }
}

TEST(TargetProcess, ASecondServerLeavesALiveSocketAloneButReplacesAStaleOne) {
    TempDir dir;
    const fs::path socket = dir.path() / "unit.sock";
    ChildProcess first(serverArgs(socket), dir.path(), "first");
    ASSERT_TRUE(waitForSocket(socket)) << first.err();

    std::ostringstream out, err;
    EXPECT_EQ(cli::runZerka({"target", "--listen", "unix:" + socket.string(), "--body-id", "8040h",
                             "--connections", "1"},
                            out, err),
              cli::kExitUsage);
    EXPECT_THAT(err.str(), HasSubstr("Address already in use"));
    // The first server still answers on its socket, with its own body.
    EXPECT_TRUE(hostReadsBody(socket, 0x8030));
    first.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(first.wait(), 0)) << first.err();
    // The second server's look at the socket was no host of the first.
    EXPECT_THAT(first.err(), HasSubstr("stopped after 1 connection\n"));

    // A socket file nobody listens on any more is replaced.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    socket.string().copy(sa.sun_path, sizeof sa.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ::close(fd);
    ASSERT_TRUE(fs::is_socket(socket));
    TargetListener listener;
    std::string problem;
    EXPECT_TRUE(listener.open("unix:" + socket.string(), problem)) << problem;
}

// The fenced block under "### Running on the virtual target unit", one command per line.
std::vector<std::string> readmeSteps() {
    std::ifstream in(sourceDir() / "README.md");
    std::string line;
    bool section = false, block = false;
    std::vector<std::string> steps;
    while (std::getline(in, line)) {
        if (line.rfind("### Running on the virtual target unit", 0) == 0) section = true;
        if (!section) continue;
        if (line.rfind("```", 0) == 0) {
            if (block) break;
            block = true;
            continue;
        }
        if (block && !line.empty()) steps.push_back(line);
    }
    return steps;
}

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

TEST(TargetProcess, TheReadmeVirtualTargetStepsWorkOnEveryShippedChip) {
    const std::vector<std::string> steps = readmeSteps();
    ASSERT_GE(steps.size(), 2u);
    ASSERT_THAT(steps[0], HasSubstr("zerka target --listen unix:/tmp/zerka.sock --chip KXA1608"));

    ChipLibrary library(zerkaProgram().parent_path() / "INCLUDE");
    std::string error;
    ASSERT_TRUE(library.buildChipList(&error)) << error;
    ASSERT_GE(library.entries().size(), 8u);
    TempDir dir;
    for (size_t i = 0; i < library.entries().size(); ++i) {
        ChipModel model;
        ASSERT_TRUE(library.GetSELUP(int(i), model, {}, &error)) << error;
        const std::string chip = library.entries()[i].name;
        // As written for KXA1608; another chip takes its name and the example of its core.
        auto adapt = [&](std::string step) {
            step = replaceAll(step, "build/bin/zerka", zerkaProgram().string());
            step = replaceAll(step, "/tmp/zerka.sock", (dir.path() / "zerka.sock").string());
            step = replaceAll(step, "KXA1608", chip);
            if (model.coreVariant != 0) step = replaceAll(step, "sum_cx4a.asm", "table_cx4b.asm");
            return replaceAll(step, "examples/", (sourceDir() / "examples").string() + "/");
        };
        ChildProcess server({"/bin/sh", "-c", "exec " + adapt(steps[0])}, dir.path(), "server");
        ASSERT_TRUE(waitForSocket(dir.path() / "zerka.sock")) << chip << server.err();
        for (size_t k = 1; k < steps.size(); ++k) {
            ChildProcess host({"/bin/sh", "-c", adapt(steps[k])}, dir.path(), "host");
            EXPECT_TRUE(exitedWith(host.wait(), 0)) << chip << ": " << adapt(steps[k]) << "\n"
                                                    << host.out() << host.err();
            EXPECT_THAT(host.err(), ::testing::Not(HasSubstr("built-in"))) << chip;
        }
        server.signal(SIGINT);
        EXPECT_TRUE(exitedWith(server.wait(), 0)) << chip << server.err();
        EXPECT_THAT(server.err(),
                    HasSubstr("stopped after " + std::to_string(steps.size() - 1) + " connections"))
            << chip;
    }
}

// Without --chip, server and host both take the library's first chip: they agree.
TEST(TargetProcess, ServerAndHostWithoutAChipAgreeOnTheBody) {
    TempDir dir;
    const fs::path socket = dir.path() / "unit.sock";
    ChildProcess server({zerkaProgram().string(), "target", "--listen", "unix:" + socket.string()},
                        dir.path(), "server");
    ASSERT_TRUE(waitForSocket(socket)) << server.err();
    ChildProcess host({zerkaProgram().string(), "sim", "--target", "emulator", "--connect",
                       "unix:" + socket.string(), "--max-instructions", "50",
                       (sourceDir() / "examples/blink_cx4b.asm").string()},
                      dir.path(), "host");
    EXPECT_TRUE(exitedWith(host.wait(), 0)) << host.out() << host.err();
    EXPECT_THAT(host.out(), HasSubstr("STOP         = max-instructions"));
    server.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(server.wait(), 0)) << server.err();
}

} // namespace
} // namespace zerka::test
