#pragma once
// IdeState: the one record of settings and state that the main window owns and every other
// part reads. The option values (chip, interface, language, output switches, fill, core...)
// live in the options model; IdeState holds the rest.
#include "chip/options_host.h"
#include "editor/editor_files.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace zerka {

inline constexpr int kReopenFlagCount = 10;
inline constexpr int kOnTopFlagCount = 21;

// Order of IdeState::reopenFlags.
enum ReopenWindow : int {
    kReopenSource,
    kReopenProgramMemory,
    kReopenRam,
    kReopenRegister,
    kReopenStack,
    kReopenBreakpoints,
    kReopenWatch,
    kReopenAdc,
    kReopenOpAmp,
    kReopenComparator,
};

// Settings of other windows that the configuration file carries (records 22 to 27 and 30).
struct ViewSettings {
    int registerPage = 0;      // 0..3
    int ramBank = 0;           // RAM window bank
    int watchFormat = 0;       // 0..3
    int adcOutputMode = 0;     // TXADCOMD selector index
    int adcOutputBits = 0;     // TXADCObit selector index
    bool sramContinue = false; // ChContinue checked
    bool operator==(const ViewSettings&) const = default;
};

struct IdeState {
    std::string programDir; // with a trailing "/"
    uint8_t portDriverMode = 1;
    bool simulatorMode = true;
    int debugMode = 0; // 1 in debug mode
    bool commandLineStart = false;
    std::string mainFile;
    std::string projectFile;
    std::string watchListFile;
    std::string currentFile;
    std::string programmerHexFile;
    uint16_t imageChecksum = 0;
    EditorFont editorFont;
    // A first run debugs with the program memory, RAM, register and stack windows beside the
    // source view; afterwards the windows that were showing come back.
    std::array<bool, kReopenFlagCount> reopenFlags{true, true, true, true, true};
    std::array<bool, kOnTopFlagCount> onTopFlags{};
    int serviceFlag = 0;
    bool iceConnected = false;
    uint8_t linkState = 255;
    std::chrono::steady_clock::time_point lastStepTime = std::chrono::steady_clock::now();
    bool configLoaded = false;
    // Record 9's two service integers: read and written back unchanged.
    int serviceWord1 = 0;
    int serviceWord2 = 0;
    ViewSettings views;
    // The open and save dialogs' initial folder.
    std::string dialogDir;

    bool serviceLowByteIs(int value) const { return (serviceFlag & 0xFF) == value; }
};

} // namespace zerka
