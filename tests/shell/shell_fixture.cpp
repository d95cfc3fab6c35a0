#include "shell/shell_fixture.h"

#include "core/atomic_file.h"
#include "core/path_lookup.h"

#include <filesystem>

namespace zerka::test {

namespace fs = std::filesystem;

ShellTest::ShellTest() {
    const fs::path chips = sourceDir() / "chips";
    fs::create_directories(dir.path() / "prog" / "INCLUDE");
    for (const auto& e : fs::directory_iterator(chips))
        if (e.is_regular_file())
            fs::copy_file(e.path(), dir.path() / "prog" / "INCLUDE" / e.path().filename());
    programDir = (dir.path() / "prog").string() + "/";
    library = std::make_unique<ChipLibrary>(dir.path() / "prog" / "INCLUDE");
    options = std::make_unique<OptionsModel>(*library, chip);
}

void ShellTest::makeShell(EmulatorTarget* emulator) {
    ShellParts parts{*library, chip, *options, up, editor, log, ui, windows, emulator, {}};
    shell = std::make_unique<Shell>(parts, programDir);
    shell->create();
}

std::string ShellTest::example(const std::string& name) {
    const fs::path src = sourceDir() / "examples" / name;
    fs::create_directories(dir.path() / "examples");
    fs::create_directories(dir.path() / "chips");
    fs::copy_file(src, dir.path() / "examples" / name, fs::copy_options::overwrite_existing);
    for (const auto& e : fs::directory_iterator(sourceDir() / "chips"))
        fs::copy_file(e.path(), dir.path() / "chips" / e.path().filename(),
                      fs::copy_options::overwrite_existing);
    return (dir.path() / "examples" / name).string();
}

int ShellTest::chipIndex(const std::string& name) const {
    return library->findChipByName(name).value_or(-1);
}

} // namespace zerka::test
