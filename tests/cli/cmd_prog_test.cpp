// `zerka prog` against `zerka target` over a socket, as a production line would use them.
#include "cli_run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace zerka::test {
namespace {

using ZerkaRun = CliRun;

// Every command here but erase reads the shipped chip library.
ZerkaRun zerka(std::vector<std::string> args) {
    if (args.size() > 1 && args[1] != "erase") args.insert(args.end(), {"--lib", shippedLib()});
    return runCli(args);
}

// A 2K-word image of KXB0402 (identifier 71h): code, then the information block.
std::string image2K() {
    std::string bytes;
    for (uint32_t k = 0; k < 2048 + 256; ++k) {
        uint16_t w = static_cast<uint16_t>(0x2000 + k * 7);
        if (k == 2048 + 109) w = 0x71;
        if (k == 2048 + 127) w = 0xFFFE;
        bytes.push_back(static_cast<char>(w >> 8));
        bytes.push_back(static_cast<char>(w & 0xFF));
    }
    return bytes;
}

class ServedUnit {
  public:
    explicit ServedUnit(std::vector<std::string> extra, int connections) {
        address = "unix:" + (dir.path() / "unit.sock").string();
        std::vector<std::string> args = {"target", "--listen", address, "--connections",
                                         std::to_string(connections)};
        args.insert(args.end(), extra.begin(), extra.end());
        server = std::thread([this, args] { result = zerka(args); });
        for (int i = 0; i < 200 && !std::filesystem::exists(dir.path() / "unit.sock"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~ServedUnit() {
        if (server.joinable()) server.join();
    }
    TempDir dir;
    std::string address;
    std::thread server;
    ZerkaRun result;
};

TEST(CmdProg, AutoThenReadGivesBackTheImagesProgramWords) {
    ServedUnit unit({"--chip", "KXB0402"}, 2);
    const auto hex = unit.dir.write("blink.hex", image2K());
    const ZerkaRun burned =
        zerka({"prog", "auto", "--chip", "KXB0402", "--connect", unit.address, hex.string()});
    EXPECT_EQ(burned.status, 0) << burned.err;
    EXPECT_EQ(burned.out, "Blank: Chip Blank OK\nBlank: SBM Blank OK\nProgram: Program Chip OK\n"
                          "Program: Program SBM OK\nVerify: Verify Chip OK\nVerify: Verify SBM "
                          "OK\n");
    const auto copy = unit.dir.path() / "copy.hex";
    const ZerkaRun read =
        zerka({"prog", "read", "--connect", unit.address, "--out", copy.string()});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find("Read: OTP Chip is KXB0402"), std::string::npos) << read.out;
    EXPECT_EQ(unit.dir.read("copy.hex"), image2K().substr(0, 4096));
}

TEST(CmdProg, AnInjectedFaultEndsWithItsLineAndExitOne) {
    ServedUnit unit({"--chip", "KXB0402", "--inject", "verify-fail=10h"}, 1);
    const auto hex = unit.dir.write("blink.hex", image2K());
    const ZerkaRun burned =
        zerka({"prog", "program", "--chip", "KXB0402", "--connect", unit.address, hex.string()});
    EXPECT_EQ(burned.status, 1);
    EXPECT_NE(burned.out.find("Verify: Verify Chip Fail\nBlank: Error at 0x0010H\n"),
              std::string::npos)
        << burned.out;
}

TEST(CmdProg, UsageErrorsExitTwo) {
    EXPECT_EQ(zerka({"prog", "program"}).status, 2); // no image
    EXPECT_EQ(zerka({"prog", "erase"}).status, 2);   // no such operation
    EXPECT_EQ(zerka({"prog", "blank", "--chip", "NOCHIP"}).status, 2);
    EXPECT_EQ(
        zerka({"prog", "settings", "--buzzer", "loud", "--connect", "unix:/nonexistent"}).status,
        2);
    EXPECT_EQ(zerka({"target", "--listen", "unix:/tmp/x.sock", "--inject", "smoke"}).status, 2);
}

// A folder or a device given for a file is called what it is (not "no file"), before anything
// reaches a unit, by every command that takes a file (asm, sim and build: CmdAsm; disasm:
// CmdDisasm).
TEST(CmdProg, AFolderOrDeviceForAFileIsSaidSoWithExitTwo) {
    TempDir dir;
    const std::string folder = dir.path().string();
    const std::string said = "\"" + folder + "\" is a folder, not a file\n";
    for (const char* op : {"program", "auto", "download"}) {
        const ZerkaRun r = zerka({"prog", op, folder});
        EXPECT_EQ(r.status, 2) << op;
        EXPECT_EQ(r.err, "zerka prog: " + said) << op;
    }
    const ZerkaRun out = zerka({"prog", "read", "--out", folder, "--connect", "unix:/nonexistent"});
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.err, "zerka prog: --out: " + said);
    EXPECT_EQ(zerka({"prog", "program", "/dev/zero"}).err,
              "zerka prog: \"/dev/zero\" is not a plain file\n");
    const ZerkaRun socket =
        zerka({"target", "--listen", "unix:" + folder + "/unit.sock", "--socket-image", folder});
    EXPECT_EQ(socket.status, 2);
    EXPECT_EQ(socket.err, "zerka target: --socket-image: " + said);
    const ZerkaRun state =
        zerka({"target", "--listen", "unix:" + folder + "/unit.sock", "--flash-state", folder});
    EXPECT_EQ(state.status, 2);
    EXPECT_EQ(state.err, "zerka target: --flash-state: " + said);
}

TEST(CmdProg, SettingsAreSetReadBackAndPrinted) {
    ServedUnit unit({}, 1);
    const ZerkaRun r = zerka(
        {"prog", "settings", "--connect", unit.address, "--buzzer", "on", "--chip-code", "1000"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Firmware: WRIV0210\nKey: Blank OFF\nBuzzer: Buzzer ON\nChecksum: Check "
                     "OFF\nChip Code Number: Write Num ON 1000\n");
}

} // namespace
} // namespace zerka::test
