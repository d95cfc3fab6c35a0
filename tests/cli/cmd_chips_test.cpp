#include "cli_run.h"
#include "cli/cli_context.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace zerka::cli {
namespace {

using ChipsRun = test::CliRun;

ChipsRun chips(std::vector<std::string> args) {
    args.insert(args.begin(), "chips");
    return test::runCli(args);
}

class CmdChips : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("ZkSel.INC", "V2.3 test\nKXA.INC KXA100 (4K)\nkxb.inc KXB200 (16K)\n");
        dir.write("kxa.inc",
                  "#COMPILER\nCX4A\n#ID\n21H\n#ROM\n4096\n#STACK\n8\n#SBMADDR\n40\n"
                  "#SIMIC\n8024H\n#RAMBANK0\n80H 0FFH\n"
                  "#REGBIT\n2BH STATUS - - - - TO PD Z C\n#REGBITSTR\n2BH\n;Status register\n"
                  "#REGBYTE\n29H W 0FFH\n#REGWORD\n30H TBL 31H - 0FFH 0FFH 0\n"
                  "#ADC0S\n90H PGA0GN 2 4\n");
        dir.write("KXB.INC", "#COMPILER\nCX4B\n#ID\n71H\n#ROM\n16384\n");
    }
    std::string lib() const { return dir.path().string(); }
    zerka::test::TempDir dir;
};

TEST_F(CmdChips, ListsOneLinePerChip) {
    const ChipsRun r = chips({"--lib", lib()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::string a, b, extra;
    std::getline(lines, a);
    std::getline(lines, b);
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_EQ(a.rfind("0 ", 0), 0u) << a;
    EXPECT_NE(a.find("KXA100  (4K)"), std::string::npos) << a;
    EXPECT_NE(a.find("KXA.INC"), std::string::npos) << a;
    EXPECT_NE(a.find("CX4A"), std::string::npos) << a;
    EXPECT_NE(a.find("chipId 0021h"), std::string::npos) << a;
    EXPECT_NE(a.find("romWords 4096"), std::string::npos) << a;
    EXPECT_NE(b.find("CX4B"), std::string::npos) << b;
    EXPECT_NE(b.find("chipId 0071h romWords 16384"), std::string::npos) << b;
}

TEST_F(CmdChips, ListFlagsAChipWhoseDescriptionIsMissing) {
    dir.write("ZkSel.INC", "V2.3 test\nKXA.INC KXA100 (4K)\nGONE.INC KXC (2K)\n");
    const ChipsRun r = chips({"--lib", lib()});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.out.find("GONE.INC"), std::string::npos);
    EXPECT_NE(r.err.find("GONE.INC"), std::string::npos) << r.err;
}

TEST_F(CmdChips, ALongListKeepsEveryIndexAndModel) {
    // Many entries naming the same two files, in either letter case.
    std::string list = "V2.3 test\n";
    for (int i = 0; i < 1200; ++i)
        list += i % 2 ? "kxb.INC KXB200 (16K)\n" : "KXA.INC KXA100 (4K)\n";
    dir.write("ZkSel.INC", list);
    const ChipsRun r = chips({"--lib", lib()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        SCOPED_TRACE(line);
        const std::string index = std::to_string(n);
        EXPECT_EQ(line.substr(0, index.size() + 1), index + " ");
        EXPECT_NE(line.find(n % 2 ? "CX4B  chipId 0071h" : "CX4A  chipId 0021h"),
                  std::string::npos);
        ++n;
    }
    EXPECT_EQ(n, 1200);
}

TEST_F(CmdChips, ShowJsonUsesTheModelNames) {
    const ChipsRun r = chips({"--lib", lib(), "--show", "kxa100", "--json"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.at("chipIndex"), 0);
    EXPECT_EQ(j.at("chipListVersion"), "V2.3 test");
    EXPECT_EQ(j.at("chipListVersionNumber"), 0x230);
    EXPECT_EQ(j.at("romWords"), 4096);
    EXPECT_EQ(j.at("stackDepth"), 8);
    EXPECT_EQ(j.at("sbmAddr"), 40);
    EXPECT_EQ(j.at("chipId"), 0x21);
    EXPECT_TRUE(j.at("chipId").is_number_integer());
    EXPECT_EQ(j.at("emulatorIds"), nlohmann::json::array({0x8024}));
    const nlohmann::json& bits = j.at("implementedBits");
    ASSERT_TRUE(bits.is_array());
    ASSERT_EQ(bits.size(), 4096u);
    EXPECT_EQ(bits.at(0x80), 255);
    EXPECT_EQ(bits.at(0x2B), 0x0F);
    EXPECT_EQ(bits.at(0x30), 0xFF);
    EXPECT_EQ(j.at("bitRegisters").at(0).at("name"), "STATUS");
    EXPECT_EQ(j.at("bitRegisters").at(0).at("description"), "Status register");
    EXPECT_EQ(j.at("bitRegisters").at(0).at("bits").at(4).at("name"), "TO");
    EXPECT_EQ(j.at("byteRegisters").at(0).at("address"), 0x29);
    EXPECT_EQ(j.at("wordRegisters").at(0).at("lowAddress"), 0x31);
    EXPECT_EQ(j.at("ramBank").at(0).at("end"), 0xFF);
    EXPECT_TRUE(j.at("hasAdc"));
    bool sawPga = false;
    for (const auto& f : j.at("adc"))
        if (f.at("name") == "PGA0GN") {
            sawPga = true;
            EXPECT_TRUE(f.at("present"));
            EXPECT_EQ(f.at("lowBit"), 4);
        }
    EXPECT_TRUE(sawPga);
}

TEST_F(CmdChips, ShowByIndexAsText) {
    const ChipsRun r = chips({"--lib", lib(), "--show", "1"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("KXB200  (16K)"), std::string::npos);
    EXPECT_NE(r.out.find("romWords                 16384"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0071h"), std::string::npos);
}

TEST_F(CmdChips, ShowsTextsThatAreNotUtf8) {
    dir.write("KXB.INC", "#REGBYTE\n29H W 0FFH\n#REGBYTESTR\n29H\n;caf\xe9\n");
    const ChipsRun r = chips({"--lib", lib(), "--show", "1", "--json"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j.at("byteRegisters").at(0).at("description"), "caf\xEF\xBF\xBD"); // U+FFFD
}

TEST_F(CmdChips, MissingLibraryOrUnknownChipIsAUsageError) {
    zerka::test::TempDir empty;
    ChipsRun r = chips({"--lib", empty.path().string()});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("ZkSel.INC"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    r = chips({"--lib", lib(), "--show", "KXZ999"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("KXZ999"), std::string::npos) << r.err;
    r = chips({"--lib", lib(), "--show", "2"});
    EXPECT_EQ(r.status, kExitUsage);
    r = chips({"--lib", lib(), "--json"});
    EXPECT_EQ(r.status, kExitUsage);
    r = chips({"--lib", lib(), "--show", "0", "--language", "FR"});
    EXPECT_EQ(r.status, kExitUsage);

    dir.write("ZkSel.INC", "V2.3 test\nKXA.INC KXA100 (4K)\nGONE.INC KXC (2K)\n");
    r = chips({"--lib", lib(), "--show", "KXC"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("GONE.INC"), std::string::npos) << r.err;
}

} // namespace
} // namespace zerka::cli
