#pragma once
// The program directory holds the chip library INCLUDE/, Zkmain.cfg, Inst.txt and the other
// files that live "beside the program". ZERKA_HOME overrides; otherwise the folder of the
// executable when it is writable and is not an installed bin/ folder, else
// $XDG_CONFIG_HOME/zerka-ide (default ~/.config/zerka-ide), seeded from the installed data
// directory <prefix>/share/zerka-ide.
#include <filesystem>
#include <string>

namespace zerka {

std::filesystem::path executableDir();
std::filesystem::path programDir();

// INCLUDE/ in the program directory (the chip library).
inline std::filesystem::path chipLibraryDir() {
    return programDir() / "INCLUDE";
}

// What the rule depends on, so it can be decided for any layout.
struct ProgramDirInputs {
    std::filesystem::path exeDir;
    std::string zerkaHome;     // ZERKA_HOME
    std::string xdgConfigHome; // XDG_CONFIG_HOME
    std::string home;          // HOME
};

// The installed data directory for an executable in `exeDir`: <prefix>/share/zerka-ide.
std::filesystem::path installedDataDir(const std::filesystem::path& exeDir);

// Decides the program directory and seeds the per-user folder when it is chosen.
std::filesystem::path resolveProgramDir(const ProgramDirInputs& in);

// Copies the installed data into a per-user folder that has no chip library yet. Files the user
// already has are kept; the chip library is copied under a temporary name and renamed last, so
// an interrupted copy is simply done again on the next start.
void seedProgramDir(const std::filesystem::path& data, const std::filesystem::path& dir);

} // namespace zerka
