#include "core/program_dir.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace zerka {
namespace {

namespace fs = std::filesystem;

// An installed tree: <prefix>/bin and <prefix>/share/zerka-ide with the chip library.
void writeInstall(const test::TempDir& t) {
    t.write("prefix/bin/zerka-ide", "");
    t.write("prefix/share/zerka-ide/INCLUDE/ZkSel.INC", "V1.0 installed\n");
    t.write("prefix/share/zerka-ide/INCLUDE/KXA1.DSC", "#ID\n21H\n");
    t.write("prefix/share/zerka-ide/Revision_EN.txt", "installed history\n");
}

TEST(ProgramDir, InstalledBinFolderSeedsThePerUserFolderEvenWhenWritable) {
    test::TempDir t;
    writeInstall(t);
    ProgramDirInputs in{t.path() / "prefix/bin", "", (t.path() / "xdg").string(), ""};
    const fs::path dir = resolveProgramDir(in);
    EXPECT_EQ(dir, t.path() / "xdg/zerka-ide");
    EXPECT_EQ(t.read("xdg/zerka-ide/INCLUDE/ZkSel.INC"), "V1.0 installed\n");
    EXPECT_EQ(t.read("xdg/zerka-ide/INCLUDE/KXA1.DSC"), "#ID\n21H\n");
    EXPECT_EQ(t.read("xdg/zerka-ide/Revision_EN.txt"), "installed history\n");

    // The user's own files survive a later seeding of a deleted library.
    t.write("xdg/zerka-ide/Revision_EN.txt", "mine\n");
    t.write("xdg/zerka-ide/Zkmain.cfg", "cfg\n");
    fs::remove_all(t.path() / "xdg/zerka-ide/INCLUDE");
    EXPECT_EQ(resolveProgramDir(in), dir);
    EXPECT_EQ(t.read("xdg/zerka-ide/Revision_EN.txt"), "mine\n");
    EXPECT_EQ(t.read("xdg/zerka-ide/Zkmain.cfg"), "cfg\n");
    EXPECT_TRUE(fs::exists(dir / "INCLUDE/KXA1.DSC"));
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find("seeding"), std::string::npos);

    // Without XDG_CONFIG_HOME the folder is under HOME/.config.
    EXPECT_EQ(resolveProgramDir({in.exeDir, "", "", (t.path() / "home").string()}),
              t.path() / "home/.config/zerka-ide");
    EXPECT_TRUE(fs::exists(t.path() / "home/.config/zerka-ide/INCLUDE/ZkSel.INC"));
}

TEST(ProgramDir, BuildTreeAndHomeOverride) {
    test::TempDir t;
    writeInstall(t);
    // A folder with its own library beside the executable is the program directory.
    t.write("build/bin/INCLUDE/ZkSel.INC", "V1.0 build\n");
    EXPECT_EQ(resolveProgramDir({t.path() / "build/bin", "", (t.path() / "xdg").string(), ""}),
              t.path() / "build/bin");
    // So is a writable folder with no installed data beside it.
    t.write("plain/zerka-ide", "");
    EXPECT_EQ(resolveProgramDir({t.path() / "plain", "", (t.path() / "xdg").string(), ""}),
              t.path() / "plain");
    EXPECT_FALSE(fs::exists(t.path() / "xdg"));
    // ZERKA_HOME wins over everything.
    EXPECT_EQ(resolveProgramDir({t.path() / "prefix/bin", (t.path() / "h").string(),
                                 (t.path() / "xdg").string(), ""}),
              t.path() / "h");
}

} // namespace
} // namespace zerka
