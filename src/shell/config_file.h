#pragma once
// The configuration file "Zkmain.cfg" (also named ".cfg" files and ".prj" projects): 34 records,
// one value group per line, CR LF line ends. This is the format alone; the shell maps it onto
// IdeState, the options and the editor (shell_config.cpp).
#include "editor/editor_files.h"
#include "shell/ide_state.h"

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zerka {

inline constexpr const char* kConfigFileName = "Zkmain.cfg";

// Every value the file carries, by record.
struct ConfigurationFile {
    std::string versionLine;                                 // 1
    bool ckAsc = false, ckList = true, ckBin = true;         // 2
    bool simulator = true;                                   // 2: fourth value is 1
    bool ckAscInv = false, ckBinInv = false, ckMask = false; // 3
    bool ckBin2 = false;                                     // 3
    std::array<bool, kOnTopFlagCount> onTop{};               // 4
    std::vector<std::string> files;                          // 5, 6
    int activeFile = 0;                                      // 5: 1-based, 0 none
    std::string mainFile;                                    // 7
    int serviceWord1 = 0, serviceWord2 = 0;                  // 9
    int chipIndex = 0, languageIndex = 0, portDriverMode = 0;
    bool editToolbar = true;
    int portBase = 0, interfaceIndex = 4, serviceFlag = 0, romSelect = 0; // 10
    EditorFont font;                                                      // 11, 12
    std::array<bool, kReopenFlagCount> reopen{};                          // 13
    int fillMode = 0;                                                     // 14
    int watchAddress = 0, watchData = 0, watchMask = 0;                   // 15
    bool stopOnStackOverflow = false;
    bool smartCompiler = false;    // 16
    bool programmer = false;       // 17: nonzero
    bool programProtect = false;   // 18: zero means checked
    int coreVariant = 0;           // 19: nonzero is CX4B
    std::string programmerHexFile; // 20
    int checksum = 0;              // 21
    int registerPage = 0;          // 22
    int ramBank = 0;               // 23
    int watchFormat = 0;           // 24
    bool stackOverReset = false;   // 25: nonzero
    int adcOutputMode = 0;         // 26
    int adcOutputBits = 0;         // 27
    bool sramContinue = false;     // 30: equals 1
    bool acm12 = false;            // 31: nonzero first value
    bool wdtJmp0 = false, optimization = false;
    bool stackOverStop = false; // 32: nonzero
    bool enHao = false;         // 33
    int ehao = 0;
    bool enShao = false, enSlao = false; // 34: nonzero
    int elao = 0;

    bool operator==(const ConfigurationFile&) const = default;
};

struct ConfigReadResult {
    // The last record read completely (1 when the version line differed, 0 for an empty
    // file). A file that ends inside a record leaves it, and every later one, unread.
    int lastRecord = 0;
    bool versionMatched = false;
    // The reading loop ended at the end of the file (the after-load steps then run).
    bool endedAtEof = false;
    // A value that is not an integer where one belongs: reading stopped there.
    bool badValue = false;
    // Records 33 and 34 are optional (files of an older layout end before them); a build
    // needs every record up to this one.
    static constexpr int kLastNeededRecord = 32;
    bool configLoaded() const { return lastRecord >= 14; }
    bool has(int record) const { return lastRecord >= record; }
    // What keeps the file from describing a whole build, naming the record; empty when
    // nothing does.
    std::string problem(std::string_view currentVersion) const;
};

// What a record holds, in a few words ("IDE mode").
std::string configRecordName(int record);

// Reads `text` over `file` (values of records not reached keep what `file` held). Record 1 is
// compared exactly with `currentVersion`; on a difference nothing more is read.
ConfigReadResult parseConfiguration(std::string_view text, std::string_view currentVersion,
                                    ConfigurationFile& file);

// The file's text, records 1 to 34.
std::string formatConfiguration(const ConfigurationFile& file);

// n right-aligned in a field of w characters (a wider value is written whole).
std::string field(long long n, int width);
// Fields one after the other. A value that fills its field gets one blank before it, so that
// it cannot run into the previous value (readers take any white space between integers).
std::string fields(std::initializer_list<std::pair<long long, int>> values);

} // namespace zerka
