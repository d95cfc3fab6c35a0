#pragma once
// The program directory holds the chip library INCLUDE/, Zkmain.cfg, Inst.txt and the other
// files that live "beside the program". ZERKA_HOME overrides; otherwise the folder of the
// executable when it is writable, else $XDG_CONFIG_HOME/zerka-ide (default ~/.config/zerka-ide).
#include <filesystem>

namespace zerka {

std::filesystem::path executableDir();
std::filesystem::path programDir();

// INCLUDE/ in the program directory (the chip library).
inline std::filesystem::path chipLibraryDir() { return programDir() / "INCLUDE"; }

} // namespace zerka
