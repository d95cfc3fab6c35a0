// The SRAM record: both recording modes, the 1,024-entry limit, the "ZkSRAM.CSV" file, the
// instructions made from the record for both cores, and inserting them into a source file.
#include "core/atomic_file.h"
#include "support/temp_dir.h"
#include "views/sram_codegen.h"
#include "views/sram_csv.h"
#include "views/sram_record.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

namespace zerka {
namespace {

namespace fs = std::filesystem;

struct Shown {
    MessageType type;
    std::string text;
};

class ScriptedUi : public UiHost {
  public:
    std::deque<Button> answers;
    std::vector<Shown> shown;
    Button messageBox(MessageType type, const std::string& text, Buttons buttons) override {
        shown.push_back({type, text});
        if (answers.empty()) return buttons == Buttons::Ok ? Button::Ok : Button::No;
        const Button b = answers.front();
        answers.pop_front();
        return b;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    std::vector<std::string> errors() const {
        std::vector<std::string> r;
        for (const Shown& s : shown)
            if (s.type == MessageType::Error) r.push_back(s.text);
        return r;
    }
};

class SramRecordTest : public ::testing::Test {
  protected:
    SramRecordTest() : model(up, ui) {
        up.AddSymbol("STATUS", 0x2B, 'D');
        currentFile = (dir.path() / "main.lst").string();
        model.setHooks({.currentFile = [this] { return currentFile; },
                        .sourcePath = [this](uint8_t i) { return i == 0 ? source : ""; },
                        .sourceModified = [this](const std::string&) { return modified; },
                        .reloadSource = [this](const std::string& p) { reloaded.push_back(p); },
                        .rebuild = [this] { ++rebuilds; },
                        .language = {},
                        .modeChanged = {}});
        model.changed().connect([this] { ++changes; });
    }
    void useCore(CoreType core) { up.setInstructionSet(InstructionSet(core)); }

    test::TempDir dir;
    TZk_UP up;
    ScriptedUi ui;
    SramRecordModel model;
    std::string currentFile;
    std::string source;
    bool modified = false;
    std::vector<std::string> reloaded;
    int rebuilds = 0;
    int changes = 0;
};

const std::string kMvl55 = "       MVL     055h";
const std::string kMvf2B = "       MVF     002Bh, 1, 0   ; MVF   STATUS, F, ACCE";

TEST_F(SramRecordTest, ContinueKeepsEveryEditAndTurnsASingleBitChangeIntoBsf) {
    useCore(CoreType::CX4B);
    model.setContinueMode(true);
    EXPECT_EQ(model.modeStatus(), "Status: Continue");
    changes = 0;
    up.SetRegister(0x2B, 0x55);
    up.SetRegister(0x2B, 0x57);
    up.WriteRegister(0x60, 0x12); // not an edit: neither recorded nor redrawn
    EXPECT_EQ(changes, 2);
    ASSERT_EQ(model.rowCount(), 2u);
    EXPECT_EQ(model.row(0), (std::array<std::string, 5>{"1", "STATUS", "002Bh", "55h", "00h"}));
    EXPECT_EQ(model.row(1), (std::array<std::string, 5>{"2", "STATUS", "002Bh", "57h", "55h"}));
    EXPECT_EQ(model.generatedLines(),
              (std::vector<std::string>{kMvl55, kMvf2B,
                                        "       BSF     002Bh, 1, 0   ; BSF   STATUS, 1, ACCE"}));
}

TEST_F(SramRecordTest, NotContinueKeepsOneEntryPerAddressAndWritesTheWholeByte) {
    useCore(CoreType::CX4B);
    EXPECT_EQ(model.modeStatus(), "Status: Not Continue");
    up.SetRegister(0x2B, 0x55);
    up.SetRegister(0x2B, 0x57);
    up.SetRegister(0x60, 0x01);
    ASSERT_EQ(model.rowCount(), 2u);
    EXPECT_EQ(model.row(0), (std::array<std::string, 5>{"1", "STATUS", "002Bh", "57h", "55h"}));
    EXPECT_EQ(model.generatedLines(),
              (std::vector<std::string>{"       MVL     057h",
                                        "       MVF     002Bh, 1, 0   ; MVF   STATUS, F, ACCE",
                                        "       MVL     001h", "       MVF     0060h, 1, 0"}));
}

TEST_F(SramRecordTest, RecordNeverHoldsMoreThan1024Entries) {
    model.setContinueMode(true);
    for (int i = 0; i < 1030; ++i)
        up.SetRegister(0x60, uint8_t(i));
    EXPECT_EQ(model.rowCount(), 1024u);
    EXPECT_EQ(up.cpu().ReadData(0x60), uint8_t(1029)); // the edit itself still goes through
    EXPECT_EQ(model.row(1023)[0], "1024");
}

TEST(SramCodegen, Cx4aSelectsEachBankOnceAndMarksBankedOperands) {
    const std::vector<RegRecordEntry> entries = {
        {"", 0x0A0, 0x11, 0x00},      {"ADCON", 0x1A0, 0x80, 0x00}, {"", 0x1A1, 0x02, 0x00},
        {"ADCON", 0x1A0, 0x00, 0x80}, {"", 0x0A0, 0x13, 0x11},      {"", 0x2F0, 0xFF, 0x00}};
    EXPECT_EQ(generateSramLines(entries, CoreType::CX4A),
              (std::vector<std::string>{
                  "       MVL     011h",
                  "       MVF     00A0h, 1, 0",
                  "       LBSR    1   ; LBSR   ADCON",
                  "       MVL     080h",
                  "       MVF     01A0h, 1, 1   ; MVF   ADCON, F, BANK",
                  "       MVL     002h",
                  "       MVF     01A1h, 1, 1",
                  "       BCF     01A0h, 7, 1   ; BCF   ADCON, 7, BANK",
                  "       BSF     00A0h, 1, 0",
                  "       LBSR    2",
                  "       MVL     0FFh",
                  "       MVF     02F0h, 1, 1",
              }));
    // CX4B reaches every address without a bank select.
    EXPECT_EQ(generateSramLines(entries, CoreType::CX4B),
              (std::vector<std::string>{
                  "       MVL     011h",
                  "       MVF     00A0h, 1, 0",
                  "       MVL     080h",
                  "       MVF     01A0h, 1, 0   ; MVF   ADCON, F, ACCE",
                  "       MVL     002h",
                  "       MVF     01A1h, 1, 0",
                  "       BCF     01A0h, 7, 0   ; BCF   ADCON, 7, ACCE",
                  "       BSF     00A0h, 1, 0",
                  "       MVL     0FFh",
                  "       MVF     02F0h, 1, 0",
              }));
    // A single-bit change of an address not written before, and the first entry, stay bytes.
    EXPECT_EQ(generateSramLines(
                  std::vector<RegRecordEntry>{{"", 0x40, 0x01, 0x00}, {"", 0x41, 0x04, 0x00}},
                  CoreType::CX4B),
              (std::vector<std::string>{"       MVL     001h", "       MVF     0040h, 1, 0",
                                        "       MVL     004h", "       MVF     0041h, 1, 0"}));
}

TEST_F(SramRecordTest, CsvRoundTripWithTheFixedLineLayout) {
    model.setContinueMode(true);
    up.SetRegister(0x2B, 0x57);
    up.SetRegister(0xFA0, 0x0C);
    ui.answers = {Button::Yes};
    ASSERT_TRUE(model.save());
    const fs::path csv = dir.path() / "ZerkaTemp" / "ZkSRAM.CSV";
    EXPECT_EQ(ui.shown.at(0).text, "Save  \" " + csv.string() + "\" ?");
    EXPECT_EQ(model.actionStatus(), "Save to \"" + csv.string() + "\"");
    std::string text;
    ASSERT_TRUE(readFileBytes(csv, text));
    EXPECT_EQ(text, "Item, Name                            , Address, Last Data, Before Data\r\n"
                    "   1, STATUS                          , 002Bh  , 57h      , 00h\r\n"
                    "   2,                                 , 0FA0h  , 0Ch      , 00h\r\n");

    const std::vector<RegRecordEntry> saved = model.record().entries();
    model.reset();
    ui.answers = {Button::Yes};
    ASSERT_TRUE(model.load());
    EXPECT_EQ(model.record().entries(), saved);
    EXPECT_EQ(model.actionStatus(), "Download \"" + csv.string() + "\"");
    EXPECT_TRUE(ui.errors().empty());
}

TEST_F(SramRecordTest, LoadRefusesADamagedFileWholeAndStopsAtAFullRecord) {
    const fs::path csv = dir.path() / "ZerkaTemp" / "ZkSRAM.CSV";
    // No folder yet, then no file.
    EXPECT_FALSE(model.load());
    EXPECT_EQ(ui.errors().back(), (dir.path() / "ZerkaTemp").string() + "  is not Exist!!!!");
    fs::create_directories(csv.parent_path());
    EXPECT_FALSE(model.load());
    EXPECT_EQ(ui.errors().back(), csv.string() + " is not Exist!!!!");

    dir.write("ZerkaTemp/ZkSRAM.CSV",
              "header\n   1, A, 0010h, 01h, 00h\n   2, B, 0011h, 0Gh, 00h\n");
    ui.answers = {Button::Yes};
    EXPECT_FALSE(model.load());
    EXPECT_EQ(model.rowCount(), 0u);
    EXPECT_EQ(ui.errors().back(),
              csv.string() + " is not a SRAM record file (line 3: bad data byte).");
    for (const char* bad : {"x\n1, A, 1000h, 01h, 00h\n", "x\n1, A, 0010h, 01h\n",
                            "x\n1, A, 0010h, 100h, 00h\n", "x\nno comma at all\n"})
        EXPECT_FALSE(parseSramCsv(bad, 10, nullptr, nullptr)) << bad;

    std::string big = "header\n";
    for (int i = 0; i < 1030; ++i)
        big += "   1, R, " + std::to_string(100 + i % 900) + "h, 01h, 00h\n";
    dir.write("ZerkaTemp/ZkSRAM.CSV", big);
    up.SetRegister(0x2B, 1); // one entry already there
    ui.answers = {Button::Yes};
    EXPECT_TRUE(model.load());
    EXPECT_EQ(model.rowCount(), 1024u);
    EXPECT_EQ(ui.errors().back(), "SRAM Buffer is over 1024, Please clear SRAM Buffer !!!");
    EXPECT_EQ(model.row(1)[1], "R");

    // A current file without a folder has no working directory.
    currentFile = "main.lst";
    EXPECT_FALSE(model.save());
    EXPECT_EQ(ui.errors().back(), "ZerkaTemp can't been Created!!!!!");
}

TEST_F(SramRecordTest, CreateNewFileWritesTheGeneratedLinesAndClearAsksFirst) {
    useCore(CoreType::CX4B);
    EXPECT_FALSE(model.createNewFile()); // nothing recorded: nothing asked, nothing written
    EXPECT_TRUE(ui.shown.empty());
    up.SetRegister(0x2B, 0x55);
    ui.answers = {Button::Yes};
    ASSERT_TRUE(model.createNewFile());
    EXPECT_EQ(dir.read("ZerkaTemp/ZkSRAM.asm"), kMvl55 + "\r\n" + kMvf2B + "\r\n");

    ui.answers = {Button::No};
    EXPECT_FALSE(model.clear());
    EXPECT_EQ(model.rowCount(), 1u);
    ui.answers = {Button::Yes};
    EXPECT_TRUE(model.clear());
    EXPECT_EQ(ui.shown.back().text, "Clear Record ?");
    EXPECT_EQ(model.rowCount(), 0u);
    EXPECT_EQ(model.actionStatus(), "Clear Record");
}

TEST_F(SramRecordTest, AddToCurrentAddressInsertsAfterThePcLineAndOffersTheRebuild) {
    useCore(CoreType::CX4B);
    source = dir.write("prog.asm", "L1\r\nL2\r\nL3").string();
    up.cpu().LoadProgramCell(0x10, 0, 2, 0);
    up.cpu().SetPC(0x10);
    up.SetRegister(0x2B, 0x55);

    ui.answers = {Button::Yes, Button::Yes};
    ASSERT_TRUE(model.addToCurrentAddress());
    EXPECT_EQ(dir.read("prog.asm"), "L1\r\nL2\r\n" + kMvl55 + "\r\n" + kMvf2B + "\r\nL3");
    EXPECT_EQ(ui.shown.at(0).text, "Over Write \"" + source + "\" ?");
    EXPECT_EQ(ui.shown.at(1).text,
              "\"" + source + "\"  had been : modified, Rebuild Main Program?");
    EXPECT_EQ(reloaded, std::vector<std::string>{source});
    EXPECT_EQ(rebuilds, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "ZerkaTemp" / "MyTemp.tmp"));

    // A PC line past the end of the file appends; "No" to the rebuild builds nothing.
    up.cpu().LoadProgramCell(0x10, 0, 99, 0);
    ui.answers = {Button::Yes, Button::No};
    ASSERT_TRUE(model.addToCurrentAddress());
    EXPECT_EQ(dir.read("prog.asm").substr(dir.read("prog.asm").size() - kMvf2B.size() - 2),
              kMvf2B + "\r\n");
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(SramRecordTest, AddToCurrentAddressNeverLeavesAHalfWrittenSource) {
    source = dir.write("prog.asm", "L1\nL2\n").string();
    up.cpu().LoadProgramCell(0, 0, 1, 0);
    up.SetRegister(0x2B, 0x55);

    // The temporary file cannot be written (a folder holds its name).
    fs::create_directories(dir.path() / "ZerkaTemp" / "MyTemp.tmp");
    ui.answers = {Button::Yes};
    EXPECT_FALSE(model.addToCurrentAddress());
    EXPECT_EQ(dir.read("prog.asm"), "L1\nL2\n");
    EXPECT_EQ(ui.errors().back(),
              "\"" + source + "\" could not be rewritten; the file was left as it was.");
    EXPECT_TRUE(reloaded.empty());
    fs::remove(dir.path() / "ZerkaTemp" / "MyTemp.tmp");

    // Unsaved editor changes would be lost by the reload.
    modified = true;
    ui.answers = {Button::Yes};
    EXPECT_FALSE(model.addToCurrentAddress());
    EXPECT_EQ(dir.read("prog.asm"), "L1\nL2\n");
    modified = false;

    // Refused while the target runs, and when the PC has no source line.
    model.setAddEnabled(false);
    EXPECT_FALSE(model.addToCurrentAddress());
    model.setAddEnabled(true);
    up.cpu().SetPC(0x20);
    EXPECT_FALSE(model.addToCurrentAddress());
    EXPECT_EQ(ui.errors().back(), "The current PC has no source line: nothing was added.");
    EXPECT_EQ(dir.read("prog.asm"), "L1\nL2\n");
    EXPECT_EQ(rebuilds, 0);
}

} // namespace
} // namespace zerka
