// `zerka prog` and `zerka target` as a production line meets them when something is wrong: an
// image that does not fit the chip, a download that must not cost the stored image, a unit
// that goes away in the middle of a burn, a second host, calibration values, a state file that
// cannot be kept. The unit runs as a real `zerka target` process with --verbose, so the test
// sees every command that reached it.
#include "cli_run.h"
#include "cli/cli_context.h"
#include "core/checksum.h"
#include "link/socket_transport.h"
#include "link/usb_link.h"

#include "support/temp_dir.h"
#include "zerka_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using ZRun = CliRun;

ZRun zerkaWithLib(std::vector<std::string> args) {
    args.insert(args.end(), {"--lib", shippedLib()});
    return runCli(args);
}

// A word image as the assembler writes it for a chip of `codeWords` words and identifier `id`.
std::string wordImage(uint32_t codeWords, uint16_t id, uint16_t seed = 0x2000) {
    std::vector<uint16_t> words(codeWords + 256, 0);
    Checksum16 sum;
    for (uint32_t k = 0; k < codeWords; ++k) {
        words[k] = static_cast<uint16_t>(seed + k * 7);
        sum.addWord(words[k]);
    }
    words[codeWords + 109] = id;
    words[codeWords + 123] = sum.value();
    words[codeWords + 127] = 0xFFFE;
    std::string bytes;
    for (uint16_t w : words) {
        bytes.push_back(static_cast<char>(w >> 8));
        bytes.push_back(static_cast<char>(w & 0xFF));
    }
    return bytes;
}

std::string kxa1608Image(uint16_t seed = 0x2000) {
    return wordImage(8192, 0xA8, seed);
}

// `zerka target` as a child process with --verbose: its stderr lists every command it was sent.
class UnitProcess {
  public:
    explicit UnitProcess(std::vector<std::string> extra, const std::string& name = "unit")
        : socket_(dir.path() / (name + ".sock")) {
        address = "unix:" + socket_.string();
        std::vector<std::string> args = {zerkaProgram().string(), "target", "--listen", address,
                                         "--lib", shippedLib(), "--verbose"};
        args.insert(args.end(), extra.begin(), extra.end());
        process = std::make_unique<ChildProcess>(args, dir.path(), name);
    }
    bool waitUntilServing() { return waitForSocket(socket_); }
    // What the unit was sent so far (its --verbose lines).
    std::string commands() const { return process->err(); }
    // Ends the unit and gives its exit status.
    std::optional<int> stop() {
        process->signal(SIGTERM);
        return process->wait();
    }

    TempDir dir;
    std::string address;
    std::unique_ptr<ChildProcess> process;

  private:
    fs::path socket_;
};

// Whether the unit's flash or chip was touched: an erase, a block write or a burning job.
bool touched(const std::string& commands) {
    return commands.find("AC D8") != std::string::npos ||
           commands.find("AA 02") != std::string::npos ||
           commands.find("B8 00") != std::string::npos ||
           commands.find("B8 02") != std::string::npos;
}

// ---- case 1: an image that does not fit the chip ----------------------------------------------

TEST(ProgChecks, AnImageThatDoesNotFitTheChipIsRefusedBeforeAnythingIsSent) {
    UnitProcess unit({"--chip", "KXA1608"});
    ASSERT_TRUE(unit.waitUntilServing()) << unit.commands();
    struct Bad {
        const char* name;
        std::string bytes;
        const char* says; // a word of the message
    };
    const std::string good = kxa1608Image();
    const std::vector<Bad> bad = {
        {"empty.hex", "", "empty"},
        {"cx4b.hex", wordImage(2048, 0x71), "4608 bytes"},      // another chip's image
        {"odd.hex", good.substr(0, good.size() - 1), "16895 bytes"},
        {"long.hex", good + '\xFF', "16897 bytes"},
        {"other-id.hex", wordImage(8192, 0x71), "0071h"},        // the right size, another chip
    };
    for (const Bad& b : bad) {
        const fs::path file = unit.dir.write(b.name, b.bytes);
        for (const char* operation : {"program", "auto", "download"}) {
            const ZRun r = zerkaWithLib({"prog", operation, "--chip", "KXA1608", "--connect", unit.address,
                                 file.string()});
            EXPECT_EQ(r.status, 1) << operation << " " << b.name << "\n" << r.out << r.err;
            EXPECT_THAT(r.out + r.err, HasSubstr(b.says)) << operation << " " << b.name;
            EXPECT_THAT(r.out + r.err, HasSubstr("KXA1608")) << operation << " " << b.name;
            EXPECT_THAT(r.out, Not(HasSubstr(" OK"))) << operation << " " << b.name;
        }
    }
    EXPECT_FALSE(touched(unit.commands())) << unit.commands();
    // The chip in the socket is still blank.
    const ZRun read = zerkaWithLib({"prog", "read", "--chip", "KXA1608", "--connect", unit.address});
    EXPECT_THAT(read.out, HasSubstr("Read: OTP Chip Empty")) << read.out << read.err;
    EXPECT_TRUE(exitedWith(unit.stop(), 0)) << unit.commands();
}

// ---- case 2: a refused download keeps the stored image; readback says why it fails --------------

TEST(ProgChecks, ARefusedDownloadKeepsTheStoredImageAndReadbackSaysWhyItFails) {
    UnitProcess unit({"--chip", "KXA1608"});
    ASSERT_TRUE(unit.waitUntilServing()) << unit.commands();
    // An erased flash holds nothing to read back: the command says so.
    ZRun back = zerkaWithLib({"prog", "readback", "--chip", "KXA1608", "--connect", unit.address});
    EXPECT_EQ(back.status, 1);
    EXPECT_THAT(back.out + back.err, HasSubstr("holds no image")) << back.out << back.err;

    const std::string good = kxa1608Image(0x3000);
    const fs::path goodFile = unit.dir.write("good.hex", good);
    ZRun r = zerkaWithLib({"prog", "download", "--chip", "KXA1608", "--connect", unit.address,
                   goodFile.string()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const fs::path longFile = unit.dir.write("long.hex", good + '\0');
    r = zerkaWithLib({"prog", "download", "--chip", "KXA1608", "--connect", unit.address,
               longFile.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out + r.err, HasSubstr("16897 bytes")) << r.out << r.err;

    const fs::path copy = unit.dir.path() / "copy.bin";
    back = zerkaWithLib({"prog", "readback", "--chip", "KXA1608", "--connect", unit.address, "--out",
                  copy.string()});
    EXPECT_EQ(back.status, 0) << back.out << back.err;
    const uint16_t checksum = static_cast<uint16_t>(uint8_t(good[16384 + 246]) << 8 |
                                                    uint8_t(good[16384 + 247]));
    char expected[8];
    std::snprintf(expected, sizeof expected, "%04X", checksum);
    EXPECT_THAT(back.out, HasSubstr(std::string("Checksum = 0x") + expected));
    EXPECT_EQ(unit.dir.read("copy.bin"), good.substr(0, 16384));
    EXPECT_TRUE(exitedWith(unit.stop(), 0));

    // A unit that is not there: readback says so.
    back = zerkaWithLib({"prog", "readback", "--connect", unit.address});
    EXPECT_EQ(back.status, 1);
    EXPECT_THAT(back.err, HasSubstr("Connect Error")) << back.err;
}

// ---- case 9: a lost link is said to be one ------------------------------------------------------

TEST(ProgChecks, AUnitKilledDuringAutoIsReportedAsALostLink) {
    UnitProcess unit({"--chip", "KXA1608"});
    ASSERT_TRUE(unit.waitUntilServing()) << unit.commands();
    const fs::path file = unit.dir.write("good.hex", kxa1608Image());
    ChildProcess prog({zerkaProgram().string(), "prog", "auto", "--lib", shippedLib(), "--chip",
                       "KXA1608", "--connect", unit.address, file.string()},
                      unit.dir.path(), "prog");
    // Killed once the blank check has started.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (unit.commands().find("B8 02 programmer") == std::string::npos &&
           std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_THAT(unit.commands(), HasSubstr("B8 02 programmer"));
    unit.process->signal(SIGKILL);
    unit.process->wait();
    EXPECT_TRUE(exitedWith(prog.wait(), 1)) << prog.out() << prog.err();
    EXPECT_THAT(prog.out(), HasSubstr("the link to the target unit was lost"))
        << prog.out() << prog.err();
    for (const char* misleading : {"Blank Fail", "Program Chip Fail", "Program SBM Fail",
                                   "Verify Chip Fail", "Chip Not Ready"})
        EXPECT_THAT(prog.out(), Not(HasSubstr(misleading))) << prog.out();
}

// ---- case 23: calibration from the command line ------------------------------------------------

TEST(ProgChecks, ProgramCalibratesWithTheGivenValuesCheckedByTheDialogsRules) {
    UnitProcess unit({"--chip", "KXA1604"});
    ASSERT_TRUE(unit.waitUntilServing()) << unit.commands();
    const fs::path file = unit.dir.write("cal.hex", wordImage(4096, 0x21));
    ZRun r = zerkaWithLib({"prog", "program", "--chip", "KXA1604", "--connect", unit.address, "--calibrate",
                   "--hao", "3000000", file.string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("OK: H/W HAO Calibration Function ON!\n"));
    EXPECT_THAT(r.out, HasSubstr("Next: HAO Calibration OK\nNext: HAO Clock = 3003 KHz\n"));
    EXPECT_THAT(r.out, HasSubstr("Program: Program Chip OK"));

    // The options dialog's rules, with its messages; nothing reaches the unit.
    const std::string before = unit.commands();
    struct Bad {
        std::vector<std::string> values;
        const char* message;
    };
    for (const Bad& b : std::vector<Bad>{
             {{"--hao", "9000000"}, "Input HAO over Range! Please Check Input HAO!!"},
             {{"--hao", "999999"}, "Input HAO over Range! Please Check Input HAO!!"},
             {{"--permissible-error", "0"}, "Permissable Error Input Over Range!"},
             {{"--permissible-error", "101"}, "Permissable Error Input Over Range!"},
             {{"--lpo", "50000"}, "Input LPO over Range! Please Check Input LPO!!"},
             {{"--lpo", "21999"}, "Input LPO over Range! Please Check Input LPO!!"}}) {
        std::vector<std::string> args = {"prog",          "auto",       "--chip", "KXA1604",
                                         "--connect",     unit.address, "--calibrate"};
        args.insert(args.end(), b.values.begin(), b.values.end());
        args.push_back(file.string());
        r = zerkaWithLib(args);
        EXPECT_EQ(r.status, 2) << b.values[1] << "\n" << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr(b.message)) << b.values[1];
        EXPECT_THAT(r.err, ::testing::StartsWith("zerka prog: ")) << b.values[1];
    }
    // A chip without #HAO has nothing to calibrate.
    r = zerkaWithLib({"prog", "program", "--chip", "KXA1608", "--connect", unit.address, "--calibrate",
               unit.dir.write("a1608.hex", kxa1608Image()).string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("KXA1608")) << r.err;
    // Values without a calibration switch mean nothing.
    r = zerkaWithLib({"prog", "program", "--chip", "KXA1604", "--connect", unit.address, "--hao",
               "2000000", file.string()});
    EXPECT_EQ(r.status, 2);
    // The server logs a host leaving on its own time; only the packets must stay the same.
    auto packets = [](const std::string& log) {
        std::string kept, line;
        std::istringstream in(log);
        while (std::getline(in, line))
            if (line.find("host connected") == std::string::npos &&
                line.find("host disconnected") == std::string::npos)
                kept += line + '\n';
        return kept;
    };
    EXPECT_EQ(packets(unit.commands()), packets(before));
    EXPECT_TRUE(exitedWith(unit.stop(), 0));
}

// ---- case 24: a second host of a busy unit is told so ---------------------------------------------

TEST(ProgChecks, ASecondHostOfABusyUnitIsToldTheUnitIsBusy) {
    UnitProcess unit({});
    ASSERT_TRUE(unit.waitUntilServing()) << unit.commands();
    UsbBackends backends;
    const std::string address = unit.address;
    backends.virtualTarget = [address](std::string& problem) {
        return openSocketTransport(address, problem, 2000);
    };
    UsbLink first(std::move(backends));
    ASSERT_EQ(first.connect(), kLinkConnected) << first.diagnosis();

    const auto start = std::chrono::steady_clock::now();
    const ZRun second = zerkaWithLib({"prog", "settings", "--connect", unit.address});
    EXPECT_EQ(second.status, 1);
    EXPECT_THAT(second.err, HasSubstr("busy")) << second.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // The first host is still served.
    EXPECT_EQ(first.connect(), kLinkConnected);
    first.close();
    // Once it is gone, the next host is served.
    const ZRun third = zerkaWithLib({"prog", "settings", "--connect", unit.address});
    EXPECT_EQ(third.status, 0) << third.out << third.err;
    EXPECT_TRUE(exitedWith(unit.stop(), 0)) << unit.commands();
}

// ---- case 3: a flash state that cannot be kept ---------------------------------------------------

TEST(ProgChecks, AFlashStateFileThatCannotBeWrittenIsRefusedAtStartUp) {
    TempDir dir;
    for (const fs::path& state :
         {dir.path() / "no" / "such" / "folder" / "state.bin", fs::path("/proc/zerka-state.bin")}) {
        ChildProcess server({zerkaProgram().string(), "target", "--listen",
                             "unix:" + (dir.path() / "unit.sock").string(), "--lib", shippedLib(),
                             "--flash-state", state.string(), "--connections", "1"},
                            dir.path(), "server");
        EXPECT_TRUE(exitedWith(server.wait(std::chrono::seconds(10)), 2))
            << state << ": " << server.err();
        EXPECT_THAT(server.err(), HasSubstr(state.string())) << server.err();
        EXPECT_THAT(server.err(), ::testing::StartsWith("zerka target: ")) << server.err();
    }
}

TEST(ProgChecks, AFlashStateThatCouldNotBeSavedAtExitIsReportedWithExitOne) {
    TempDir dir;
    // The state lives in a folder that goes away while the unit serves.
    const fs::path folder = dir.path() / "state";
    fs::create_directories(folder);
    const fs::path state = folder / "flash.bin";
    const fs::path socket = dir.path() / "unit.sock";
    const std::string address = "unix:" + socket.string();
    ChildProcess server({zerkaProgram().string(), "target", "--listen", address, "--lib", shippedLib(),
                         "--chip", "KXA1608", "--flash-state", state.string(), "--connections",
                         "1"},
                        dir.path(), "server");
    ASSERT_TRUE(waitForSocket(socket)) << server.err();
    fs::remove_all(folder);
    const fs::path file = dir.write("good.hex", kxa1608Image());
    const ZRun r =
        zerkaWithLib({"prog", "download", "--chip", "KXA1608", "--connect", address, file.string()});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(exitedWith(server.wait(), 1)) << server.err();
    EXPECT_THAT(server.err(), HasSubstr(state.string())) << server.err();
    EXPECT_THAT(server.err(), HasSubstr("not saved")) << server.err();
}

// ---- case 24: values `zerka target` must refuse -------------------------------------------------

// Runs `zerka target` with `extra` as a process that must end at once with exit 2 (a server that
// took the values would wait for its host).
ZRun refusedTarget(std::vector<std::string> extra) {
    TempDir dir;
    std::vector<std::string> args = {zerkaProgram().string(), "target", "--listen",
                                     "unix:" + (dir.path() / "unit.sock").string(),
                                     "--lib", shippedLib()};
    args.insert(args.end(), extra.begin(), extra.end());
    ChildProcess server(args, dir.path(), "server");
    ZRun r;
    const auto status = server.wait(std::chrono::seconds(10));
    r.status = status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    r.out = server.out();
    r.err = server.err();
    return r;
}

TEST(ProgChecks, TargetRefusesAFaultPastTheChipAndAnEmptySocket) {
    ZRun r = refusedTarget({"--chip", "KXB0402", "--inject", "verify-fail=800h"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.err, ::testing::StartsWith("zerka target: ")) << r.err;
    EXPECT_THAT(r.err, HasSubstr("KXB0402")) << r.err;
    r = refusedTarget({"--socket", "KXA1604", "--inject", "verify-fail=1000h"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.err, HasSubstr("KXA1604")) << r.err;
    r = refusedTarget({"--socket", ""});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.err, ::testing::StartsWith("zerka target: ")) << r.err;
    EXPECT_THAT(r.err, HasSubstr("--socket")) << r.err;
    for (const char* option : {"--socket-image", "--flash-state"}) {
        r = refusedTarget({option, ""});
        EXPECT_EQ(r.status, 2) << option << r.err;
        EXPECT_THAT(r.err, HasSubstr(option)) << r.err;
    }
}

TEST(ProgChecks, ANegativeConnectionCountGetsAPlainMessage) {
    const ZRun r = refusedTarget({"--connections", "-1"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_THAT(r.err, ::testing::StartsWith("zerka target: ")) << r.err;
    EXPECT_THAT(r.err, HasSubstr("--connections")) << r.err;
    EXPECT_THAT(r.err, Not(HasSubstr("e+"))) << r.err;
    EXPECT_LT(r.err.size(), 200u) << r.err;
}

} // namespace
} // namespace zerka::test
