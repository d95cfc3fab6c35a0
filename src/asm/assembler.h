#pragma once
// The assembler driver: one run from the main source file to the program image, the error
// reports, the checks after the passes, the checksum, the information words and the output
// files. A run returns an AssemblyResult value; handing it to the uP centre and the source view
// is a separate step (HandOverAssembly) that the shell calls afterwards.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "asm/program_image.h"
#include "asm/sym_def_pack.h"
#include "core/message_log.h"
#include "core/ui_host.h"

namespace zerka {

class InstructionSet;
class OptionsModel;
class TLinePack;
class TLinePackLink;
struct ChipModel;
struct SymbolTables;

// What a run knew when it ended, for a caller that looks at the program rather than its
// output (the language server): valid only during the call that receives it.
struct AssemblyInsight {
    const TLinePack& lines; // the line list (macro calls expanded)
    const TLinePack& files; // file list: entry text = path as reported
    TLinePackLink& macros;  // the macro bodies
    const SymbolTables& tables;
};

// Reads one source file into `content`; false when it cannot be read.
using SourceProvider = std::function<bool(const std::filesystem::path&, std::string&)>;

// The shell command that started the run.
enum class AssemblyMode {
    AssembleOnly, // "Assemble": no program-memory range errors, no operand checks
    BuildAndLoad, // "Assemble&&Run" and the debug commands
};

// The option values a run reads (the options dialog's settings).
struct AssemblyOptions {
    AssemblyMode mode = AssemblyMode::BuildAndLoad;
    bool listing = true;     // CkList
    bool asciiFile = false;  // CkASC
    bool hexFile = true;     // CkBin
    bool objectFile = false; // CkBin2
    bool eehFile = false;    // romSelect "EEPROM 28C256"
    bool ihexFile = false;   // the word image again as Intel HEX (".ihx"), for other tools
    ImageFill fill = ImageFill::Zero;
    bool smartCompiler = false;
    bool optimization = false;
    bool programProtect = false;
    bool wdtJmp0 = false;
    bool acmGroupEnabled = false; // the "ACM Voltage" group
    bool acm10 = true;            // "ACM = 1.0V" checked
    // The map and error files; a caller that keeps the result in memory may do without them.
    bool mapFile = true;
    bool errorFile = true;
    // With hexFile set, the image still fills the information block when this is off.
    bool writeHexFile = true;
};

// The settings of an options model as the assembler reads them.
AssemblyOptions assemblyOptionsFrom(const OptionsModel& options,
                                    AssemblyMode mode = AssemblyMode::BuildAndLoad);

// What a run needs that other components own. Everything must outlive the run.
struct AssemblyContext {
    const ChipModel* chip = nullptr;
    const InstructionSet* instructions = nullptr; // the selected core's list
    uint32_t chipListVersion = 0;                 // information word 119
    uint16_t iceBodyId = 0;                       // information word 120
    // The uP centre's information block as the run finds it; the ".hex" writer copies words
    // 0..113 and 128..255 from it.
    std::array<uint16_t, 256> informationBlock{};
    MessageLog* log = nullptr; // may be null
    YieldHook yield;           // may be empty
    // When set, INCLUDE may only name files inside this folder (untrusted sources).
    std::optional<std::filesystem::path> includeRoot;
    // Where an INCLUDE name that is not beside the main file is looked up, in this order (the
    // folders the user names, then the chip library with the chips' register headers).
    std::vector<std::filesystem::path> includeDirs;
    // Guard against runaway macro growth: lines the line list and the bodies may hold.
    size_t maxLines = 1'000'000;
    // When set, sources are read through it instead of from disk (an editor's unsaved texts).
    SourceProvider readSource;
    // When set, called once at the end of the run (also a failed one).
    std::function<void(const AssemblyInsight&)> inspect;
};

// The 28-byte macro record of one line for the source view.
using MacroRecord = std::array<uint8_t, 28>;

struct AssembledCell {
    uint16_t code = 0;
    uint8_t fileIndex = 0;
    uint16_t line = 0;
};

struct LineMapEntry {
    uint8_t fileIndex = 0;
    int32_t lineNumber = 0;
    uint32_t address = 0; // 0xFFFFF when the line produced no code
    bool expanded = false;
    uint16_t record = 0; // macro record number; 0 = none
    MacroRecord macroRecord{};
};

struct SelfEromWrite {
    int32_t address = 0;
    uint8_t fileIndex = 0;
    uint16_t line = 0;
};

// One error report as the reporter formatted it.
struct AssemblyError {
    int code = 0;
    std::string text; // the full message line
    std::string file; // the file path given to the message log
    int32_t line = 0;
    std::string detail; // the text in square brackets; empty when none
};

struct AssemblyResult {
    // True only when the run got to the end without errors (the hand-over may still refuse).
    bool success = false;
    // What the run reached: cells were computed (the post-pass loop ran) and the information
    // words were set. A failed run still hands both over.
    bool cellsLoaded = false;
    bool informationSet = false;
    // The run got to the hand-over (no error after the passes): symbols, files and line map.
    bool handOver = false;
    std::vector<AssembledCell> cells; // addresses 0 .. program memory size - 1
    uint16_t checksum = 0;
    std::array<uint16_t, 14> informationWords{}; // words 114..127
    // The information block after the run (the ".hex" writer stores words back into it).
    std::array<uint16_t, 256> informationBlock{};
    std::vector<SymbolEntry> symbols; // the debugger table, in order
    std::vector<SymbolEntry> labels;  // the program labels the map lists, values resolved
    std::vector<std::string> files;   // the file list (index = file index)
    std::vector<LineMapEntry> lineMap;
    std::vector<SelfEromWrite> selfEromWrites; // at most 11
    int32_t codeExtent = 0;
    std::vector<std::string> errorList; // each message cut to 160 characters
    std::vector<AssemblyError> reports;
    int errorCount = 0;
    // The run was refused after reading and before anything was written, because an output
    // file would have replaced the main file or a file it reads; `refusal` says which.
    bool refused = false;
    std::string refusal;
    // The first word reported as an illegal symbol that is an instruction of the other core
    // (a program written for the other core); empty when none.
    std::string otherCoreMnemonic;
};

inline constexpr size_t kMaxSelfEromWrites = 11;
inline constexpr size_t kErrorListTextMax = 160;

// One assembly run of `mainFile` (a fresh assembler object each time). Output files are
// written beside it.
AssemblyResult Assemble(const std::filesystem::path& mainFile, const AssemblyContext& context,
                        const AssemblyOptions& options);

// The fixed message of an error code ("Unknown error." for a code without one). `memoryWords`
// is the program memory size that code 11 names.
std::string assemblerMessage(int code, int32_t memoryWords);

// The information words 114..127 that the run sets after the passes.
std::array<uint16_t, 14> informationWords(const ChipModel& chip, const AssemblyOptions& options,
                                          uint32_t chipListVersion, uint16_t iceBodyId,
                                          uint16_t checksum);

// Receivers of a run's result: the uP centre, the source view and the main window.
class AssemblyReceiver {
  public:
    virtual ~AssemblyReceiver() = default;
    virtual void ClearSourceView() {}
    virtual void ClearProgramMemory() = 0;
    virtual bool LoadProgramCell(uint32_t address, uint16_t code, uint16_t line,
                                 uint8_t fileIndex) = 0;
    virtual void ShowChecksum(uint16_t /*checksum*/) {}
    virtual void SetInformationWord(int index, uint16_t word) = 0;
    virtual void ResetCpu() = 0;
    virtual void ClearSymbols() = 0;
    virtual void AddSymbol(const SymbolEntry& symbol) = 0;
    // False when the source view refuses the file.
    virtual bool AddSourceFile(const std::string& path) = 0;
    virtual bool CreateMacroTable() = 0;
    virtual void SetRowValue(int file, int32_t row, uint32_t value, int which) = 0;
    virtual void SetAddressRecord(uint32_t address, uint16_t record) = 0;
    virtual void SetMacroRecord(uint16_t record, const MacroRecord& data) = 0;
    virtual void SetSelfEromWrites(const std::vector<SelfEromWrite>& /*writes*/) {}
    virtual void SetCodeExtent(int32_t /*extent*/) {}
};

// Hands a run's result over in the order of the run: clear, program cells, checksum and
// information words; then, for a successful run, reset, symbols, source files and the line
// map. Returns the run's final success (false when the source view refused a file).
bool HandOverAssembly(const AssemblyResult& result, AssemblyReceiver& receiver);

} // namespace zerka
