// The configuration file: round trip through the shell and every reading case.
#include "core/atomic_file.h"
#include "shell/config_file.h"
#include "shell/shell_fixture.h"

#include <filesystem>

namespace zerka::test {
namespace {

namespace fs = std::filesystem;

class ConfigurationTest : public ShellTest {
  protected:
    // The lines of a file as written.
    std::vector<std::string> lines(const std::string& path) {
        std::string text;
        EXPECT_TRUE(readFileBytes(path, text));
        std::vector<std::string> out;
        size_t p = 0;
        while (p < text.size()) {
            const size_t e = text.find("\r\n", p);
            out.push_back(text.substr(p, e - p));
            p = e + 2;
        }
        return out;
    }
    std::string join(const std::vector<std::string>& ls, size_t count) {
        std::string s;
        for (size_t i = 0; i < count && i < ls.size(); ++i)
            s += ls[i] + "\r\n";
        return s;
    }
};

TEST_F(ConfigurationTest, FirstRunWritesDefaultsInDebuggerModeWithCourierNew) {
    makeShell();
    shell->firstActivation({});
    const std::string cfg = programDir + "Zkmain.cfg";
    ASSERT_TRUE(fs::exists(cfg));
    const auto ls = lines(cfg);
    ASSERT_EQ(ls.size(), 42u); // 34 records; record 13 has 10 lines, record 6 none
    EXPECT_EQ(ls[0], library->chipListVersion());
    EXPECT_EQ(ls[1], " 0 1 1 1");
    EXPECT_EQ(ls[3].size(), 43u); // 21 flags of width 2 and one space
    EXPECT_EQ(ls[4], "     0     0");
    EXPECT_EQ(ls[6], "None");
    EXPECT_EQ(ls[9], "Courier New");
    EXPECT_EQ(ls[10], "      10       0");
    EXPECT_EQ(ls[24], "0"); // record 17: debugger
    EXPECT_EQ(options->ideMode(), IdeMode::Debugger);
    EXPECT_TRUE(shell->state().simulatorMode);
    EXPECT_EQ(windows.panel, ConnectionPanel::Simulator);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(windows.title, "KXA and KXB Codeloft " + library->chipListVersion());
    // Nothing to reopen: an untitled file waits in the editor.
    ASSERT_EQ(editor.slotCount(), 1);
    EXPECT_EQ(editor.pathOf(1).rfind("~New", 0), 0u);
    EXPECT_TRUE(windows.isShowing(Slot::Editor));
}

TEST_F(ConfigurationTest, WrittenStateReadsBackTheSame) {
    const std::string a = dir.write("src/a.asm", "  NOP\n").string();
    const std::string b = dir.write("src/b.asm", "  NOP\n").string();
    const std::string hex = dir.write("src/a.hex", "x").string();
    makeShell();
    editor.openFile(a);
    editor.openFile(b);
    editor.select(1);
    IdeState& s = shell->state();
    s.mainFile = a;
    s.programmerHexFile = hex;
    s.imageChecksum = 0xBEEF;
    s.reopenFlags[kReopenRam] = s.reopenFlags[kReopenWatch] = true;
    s.onTopFlags[3] = true;
    s.editorFont = {"Mono", 12, 3};
    s.views = {2, 5, 1, 3, 4, true};
    s.serviceWord1 = 77;
    options->restoreChipIndex(chipIndex("KXB0802"));
    options->restoreInterface(1, 0x378);
    options->setFillMode(2);
    options->restoreWatch({0x123, 0x45, 0x81}, true);
    options->controls().CkASC.checked = true;
    options->controls().CkBin2.checked = true;
    options->controls().SmartCompiler.checked = true;
    options->controls().COptimization.checked = true;
    options->controls().CProtect.checked = true;
    options->controls().STKOVRST.checked = true;
    options->controls().EnSLAO.checked = true;
    options->controls().EHAO.text = "4000000";
    options->controls().ELAO.text = "garbage";
    options->selectAcm(true);
    options->setCoreVariant(1);
    // Loading the chip sets what the chip rules (a CX4B has no smart compiler); reading the
    // file back loads it the same way.
    ASSERT_TRUE(options->reloadChip());
    const std::string path = (dir.path() / "p.cfg").string();
    ASSERT_TRUE(shell->WriteConfiguration(path));
    const std::string first = lines(path).empty() ? "" : join(lines(path), 100);

    // A fresh system reads it back and writes the same bytes.
    editor.closeAll();
    ChipModel chip2;
    OptionsModel options2(*library, chip2);
    EditorDocuments editor2;
    ShellParts parts{*library, chip2, options2, up, editor2, log, ui, windows, nullptr, {}};
    Shell other(parts, programDir);
    other.ReadConfiguration(path);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(editor2.slotCount(), 2);
    EXPECT_EQ(editor2.currentSlot(), 1);
    EXPECT_EQ(other.state().mainFile, a);
    EXPECT_EQ(other.state().views, s.views);
    EXPECT_EQ(other.state().editorFont, s.editorFont);
    EXPECT_EQ(editor2.font(), s.editorFont);
    EXPECT_EQ(options2.chipIndex(), chipIndex("KXB0802"));
    EXPECT_EQ(options2.portBase(), 0x378);
    EXPECT_EQ(options2.controls().ELAO.text, "0"); // unparsable text counts as 0
    const std::string path2 = (dir.path() / "q.cfg").string();
    ASSERT_TRUE(other.WriteConfiguration(path2));
    std::string second = join(lines(path2), 100);
    EXPECT_EQ(first, second);
}

TEST_F(ConfigurationTest, AnotherVersionLineReadsNothingAndAsksForSettings) {
    makeShell();
    const std::string path = (dir.path() / "c.cfg").string();
    options->setFillMode(1);
    shell->WriteConfiguration(path);
    auto ls = lines(path);
    ls[0] = "V9.9 another library";
    options->setFillMode(2);
    writeFileAtomic(path, join(ls, ls.size()));
    shell->ReadConfiguration(path);
    EXPECT_EQ(options->fillMode(), 2); // previous settings stay
    EXPECT_FALSE(shell->state().configLoaded);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please set Configuration!");
    EXPECT_EQ(ui.messages[0].type, MessageType::Information);
}

TEST_F(ConfigurationTest, ShortFilesLoadWhatTheyHold) {
    makeShell();
    const std::string path = (dir.path() / "c.cfg").string();
    options->setFillMode(1);
    options->controls().EnSHAO.checked = true;
    options->controls().ELAO.text = "32768";
    shell->WriteConfiguration(path);
    const auto ls = lines(path);

    // Ends right after record 14: applied and the after-load steps ran, but the settings
    // from record 15 on were not in the file: the warning says so.
    options->setFillMode(0);
    writeFileAtomic(path, join(ls, 22));
    shell->SelectTarget(false);
    shell->ReadConfiguration(path);
    EXPECT_EQ(options->fillMode(), 1);
    EXPECT_TRUE(shell->state().configLoaded);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].type, MessageType::Warning);
    EXPECT_NE(ui.messages[0].text.find("record 15"), std::string::npos) << ui.messages[0].text;
    EXPECT_TRUE(shell->state().simulatorMode); // record 2 selected the simulator again

    // Without the two calibration lines (older layout): those keep their values, no word.
    ui.messages.clear();
    options->controls().EnSHAO.checked = false;
    options->controls().ELAO.text = "7";
    writeFileAtomic(path, join(ls, ls.size() - 1 - 1));
    shell->ReadConfiguration(path);
    EXPECT_TRUE(shell->state().configLoaded);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(options->controls().EnSHAO.checked);
    EXPECT_EQ(options->controls().ELAO.text, "7");

    // Ends before the window-flag block: the message, and what was read stays.
    writeFileAtomic(path, join(ls, 11));
    shell->ReadConfiguration(path);
    EXPECT_FALSE(shell->state().configLoaded);
    EXPECT_TRUE(ui.shown("Please set Configuration!"));
}

// A file cut inside a group of records applies only what it holds, and a chip index outside
// the chip list keeps the chip: both said with the record.
TEST_F(ConfigurationTest, ACutFileOrAChipOutsideTheListNamesTheRecord) {
    makeShell();
    const std::string path = (dir.path() / "c.prj").string();
    options->selectIdeMode(IdeMode::Debugger);
    options->controls().CProtect.checked = false;
    options->setCoreVariant(1);
    shell->WriteConfiguration(path);
    const auto ls = lines(path);
    // Lines 1 to 25 hold records 1 to 17 (no editor files): the IDE mode, not the protection
    // switch (18) or the core (19).
    options->selectIdeMode(IdeMode::Programmer);
    writeFileAtomic(path, join(ls, 25));
    shell->ReadConfiguration(path);
    EXPECT_EQ(options->ideMode(), IdeMode::Debugger);
    EXPECT_FALSE(options->controls().CProtect.checked); // not read as "0"
    EXPECT_TRUE(options->controls().PCX4B.checked);     // not read as "0" (CX4A)
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].type, MessageType::Warning);
    EXPECT_NE(ui.messages[0].text.find("record 18"), std::string::npos) << ui.messages[0].text;

    ui.messages.clear();
    options->restoreChipIndex(chipIndex("KXB0802"));
    auto other = ls;
    other[7] = "       0   0" + field(int(library->entries().size()), 4) + "   0   1   1";
    writeFileAtomic(path, join(other, other.size()));
    shell->ReadConfiguration(path);
    EXPECT_EQ(options->chipIndex(), chipIndex("KXB0802"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("record 9"), std::string::npos) << ui.messages[0].text;
}

TEST_F(ConfigurationTest, FlagLinesExtraLinesAndBadValues) {
    makeShell();
    const std::string path = (dir.path() / "c.cfg").string();
    shell->WriteConfiguration(path);
    auto ls = lines(path);
    ls[11] = "true"; // source view
    ls[12] = "yes";  // program memory
    ls.push_back("anything after record 34");
    writeFileAtomic(path, join(ls, ls.size()));
    shell->ReadConfiguration(path);
    EXPECT_TRUE(shell->state().reopenFlags[kReopenSource]);
    EXPECT_FALSE(shell->state().reopenFlags[kReopenProgramMemory]);
    EXPECT_TRUE(ui.messages.empty());

    // A word where a number belongs stops the reading before the window flags: the message.
    ls = lines(path);
    ls[7] = "       0   0  zz   0   1   1";
    writeFileAtomic(path, join(ls, ls.size()));
    shell->ReadConfiguration(path);
    EXPECT_FALSE(shell->state().configLoaded);
    EXPECT_TRUE(ui.shown("Please set Configuration!"));
}

TEST_F(ConfigurationTest, RelativePathsCountFromTheFilesFolder) {
    const std::string a = dir.write("proj/src/a.asm", "  NOP\n").string();
    makeShell();
    editor.openFile(a);
    shell->state().mainFile = a;
    const std::string path = (dir.path() / "proj" / "demo.prj").string();
    shell->WriteConfiguration(path);
    auto ls = [&] {
        std::string t;
        readFileBytes(path, t);
        return t;
    }();
    // Replace the full paths with paths relative to the project's folder.
    const std::string full = a;
    for (size_t at; (at = ls.find(full)) != std::string::npos;)
        ls.replace(at, full.size(), "src/a.asm");
    writeFileAtomic(path, ls);
    editor.closeAll();
    shell->ReadConfiguration(path);
    ASSERT_EQ(editor.slotCount(), 1);
    EXPECT_EQ(fs::path(editor.pathOf(1)), fs::path(a));
    EXPECT_EQ(fs::path(shell->state().mainFile), fs::path(a));
}

TEST_F(ConfigurationTest, FileThatCannotBeWrittenSaysSo) {
    makeShell();
    EXPECT_FALSE(shell->WriteConfiguration((dir.path() / "missing" / "x.cfg").string()));
    EXPECT_TRUE(ui.shown("Can't save Configuration!"));
}

TEST(ConfigFileFormat, FieldsAreRightAlignedAndWideValuesWrittenWhole) {
    EXPECT_EQ(field(5, 4), "   5");
    EXPECT_EQ(field(123456, 4), "123456");
    // A value that fills its field must not run into the one before it.
    EXPECT_EQ(fields({{1, 4}, {16000000, 8}}), "   1 16000000");
    EXPECT_EQ(fields({{10, 5}, {-1200, 5}}), "   10 -1200");
    ConfigurationFile f;
    ConfigurationFile g;
    const ConfigReadResult r = parseConfiguration("", "V1", g);
    EXPECT_EQ(r.lastRecord, 0);
    EXPECT_FALSE(r.endedAtEof);
    f.versionLine = "V1";
    f.files = {"/a.asm", "/b.asm"};
    f.activeFile = 2;
    f.enHao = true;
    f.ehao = 16000000;
    f.chipIndex = 12345;
    const ConfigReadResult r2 = parseConfiguration(formatConfiguration(f), "V1", g);
    EXPECT_EQ(r2.lastRecord, 34);
    EXPECT_EQ(g, f);
}

} // namespace
} // namespace zerka::test
