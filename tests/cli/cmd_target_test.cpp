// `zerka target` serving the virtual unit to a host that connects through ZERKA_TARGET's form.
#include "cli/app.h"
#include "cli/cli_context.h"
#include "link/ice_commands.h"
#include "link/socket_transport.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

namespace zerka::test {
namespace {

int run(std::vector<std::string> args, std::string& out, std::string& err) {
    std::ostringstream o, e;
    const int status = cli::runZerka(args, o, e);
    out = o.str();
    err = e.str();
    return status;
}

TEST(CmdTargetTest, ServesOneHostWithTheGivenBody) {
    TempDir dir;
    const std::string address = "unix:" + (dir.path() / "unit.sock").string();
    std::string out, err;
    int status = -1;
    std::thread server([&] {
        status = run({"target", "--listen", address, "--body-id", "80abh", "--usb", "bulk",
                      "--verbose", "--connections", "1"},
                     out, err);
    });
    // The server needs a moment to bind.
    UsbBackends backends;
    backends.virtualTarget = [address](std::string& problem) {
        std::unique_ptr<PacketTransport> t;
        for (int i = 0; i < 100 && !t; ++i) {
            t = openSocketTransport(address, problem, 2000);
            if (!t) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return t;
    };
    {
        UsbLink usb(std::move(backends));
        ASSERT_EQ(usb.connect(), kLinkConnected) << usb.diagnosis();
        LptLink lpt(usb.ioBuffer, nullptr);
        IceSettings settings;
        settings.emulatorIds = {0x80AB};
        IceCommands ice(usb, lpt, settings, [](std::chrono::milliseconds) {});
        EXPECT_EQ(ice.readIceBodyId(), 0);
        EXPECT_EQ(ice.iceBodyId(), 0x80AB);
        EXPECT_TRUE(ice.iceWriteByte(0x106E, 0x42));
        EXPECT_EQ(ice.iceReadOption(), 0x42);
    }
    server.join();
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find("A4 read byte"), std::string::npos) << err; // --verbose logs commands
    EXPECT_NE(err.find("stopped after 1 connection"), std::string::npos) << err;
    EXPECT_NE(err.find("zerka target: serving the virtual unit (body 80ABh, bulk)"),
              std::string::npos)
        << err; // hexadecimal in upper case
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "unit.sock"));
}

TEST(CmdTargetTest, BadArgumentsGetAClearMessage) {
    TempDir dir;
    std::string out, err;
    EXPECT_EQ(run({"target", "--listen", "tcp:10.0.0.1:5000"}, out, err), cli::kExitUsage);
    EXPECT_NE(err.find("loopback"), std::string::npos) << err;
    EXPECT_EQ(run({"target", "--listen", "unix:/x.sock", "--usb", "serial"}, out, err),
              cli::kExitUsage);
    EXPECT_NE(err.find("unknown USB form"), std::string::npos) << err;
    EXPECT_EQ(run({"target", "--listen", "unix:/x.sock", "--body-id", "XYZ"}, out, err),
              cli::kExitUsage);
    EXPECT_NE(err.find("not a hexadecimal word"), std::string::npos) << err;
    const auto file = dir.write("plain.txt", "keep me");
    EXPECT_EQ(run({"target", "--listen", "unix:" + file.string()}, out, err), cli::kExitUsage);
    EXPECT_NE(err.find("is not a socket"), std::string::npos) << err;
    EXPECT_EQ(dir.read("plain.txt"), "keep me");
    EXPECT_EQ(run({"target", "--listen", "unix:/x.sock", "--lib", dir.path().string(), "--chip",
                   "NOSUCH"},
                  out, err),
              cli::kExitUsage);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"target", "--listen", "unix:/x.sock", "--connections", "-1"},
             {"target", "--listen", "unix:/x.sock", "--connections", "0"},
             {"target", "--listen", "unix:/x.sock", "--chip", ""},
             {"target", "--listen", ""}}) {
        EXPECT_EQ(run(args, out, err), cli::kExitUsage) << args[3] << " " << args.back();
        EXPECT_THAT(err, ::testing::StartsWith("zerka target: ")) << args.back();
    }
}

TEST(CmdHelpTest, HelpCommandsAndUniformPrefixes) {
    std::string out, err;
    EXPECT_EQ(run({"help"}, out, err), cli::kExitOk);
    for (const char* cmd : {"asm", "chips", "disasm", "sim", "target"})
        EXPECT_NE(out.find(cmd), std::string::npos) << cmd;
    EXPECT_NE(out.find("Exit status"), std::string::npos);
    std::string viaFlag;
    EXPECT_EQ(run({"sim", "--help"}, viaFlag, err), cli::kExitOk);
    EXPECT_EQ(run({"help", "sim"}, out, err), cli::kExitOk);
    EXPECT_EQ(out, viaFlag);
    EXPECT_NE(out.find("--max-instructions"), std::string::npos);
    EXPECT_EQ(run({"help", "nosuch"}, out, err), cli::kExitUsage);
    EXPECT_NE(err.find("zerka: "), std::string::npos);
    // A parse error carries the command's own prefix.
    EXPECT_EQ(run({"sim", "--no-such-option", "x.asm"}, out, err), cli::kExitUsage);
    EXPECT_EQ(err.rfind("zerka sim: ", 0), 0u) << err;
}

} // namespace
} // namespace zerka::test
