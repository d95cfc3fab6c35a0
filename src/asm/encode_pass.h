#pragma once
// The encoding pass: walks the finished line list once, defines the symbols of labels and
// directives, encodes every instruction into the program image, patches the operands that were
// not defined yet and resolves the relative branches last. The smart compiler (CX4A) repeats
// it to replace two-word CALL and JMP forms by RCALL and RJ where the target is near.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/cut_li_para_source.h"
#include "asm/line_pack.h"
#include "asm/program_image.h"
#include "asm/source_line.h"
#include "asm/symbol_tables.h"
#include "core/ui_host.h"

namespace zerka {

class InstructionSet;
struct ChipModel;

// Error codes the encoding pass reports (their messages belong to the run's reporter).
namespace encode_code {
inline constexpr int kUnknown = 0;          // "Unknown error." (ENDM without a call)
inline constexpr int kDuplicate = 4;        // "Duplicate label or redefining symbol"
inline constexpr int kUndefined = 5;        // "Undefined Symbol"
inline constexpr int kOutOfMemory = 6;      // "Out of memory..."
inline constexpr int kIllegalSymbol = 8;    // "Illegal Symbol"
inline constexpr int kIllegalArgument = 9;  // "Illegal argument"
inline constexpr int kOverwrite = 10;       // "Overwriting previous address contents."
inline constexpr int kAddressRange = 11;    // "Addresses above nK not supported."
inline constexpr int kMissingArgument = 13; // "Missing argument..."
inline constexpr int kTooManyArguments = 14;
inline constexpr int kMacroTooDeep = 19; // "Macro nested too deep...(Max:%d)"
inline constexpr int kOverRange = 23;    // "Over Range"
inline constexpr int kMemoryOver = 26;   // "Memory Over"
} // namespace encode_code

// The run's error reporter, implemented by the driver: it formats the message, writes the log
// and the error file, counts, and sets the abort flag on a fatal report.
class EncodeReporter {
  public:
    virtual ~EncodeReporter() = default;
    // `line` is nullptr for a report without a line.
    virtual void report(const SourceLine* line, int code, bool fatal,
                        std::optional<std::string> detail) = 0;
    // The run's abort flag: the pass stops before its next line.
    virtual bool aborted() const = 0;
    // Whether the run has reported an error so far; a reporter that does not count says yes.
    virtual bool anyErrors() const { return true; }
};

// The long-form list (TCheckSmartPtr): the two-word CALL and JMP forms of the first pass, for
// the smart compiler.
struct LongForm {
    int32_t address = 0;        // address of the first word
    int32_t sequence = 0;       // the line's sequence number when it was recorded
    SourceLine* line = nullptr; // lines are never moved while they are in the list
};
using TCheckSmartPtr = std::vector<LongForm>;

// The options the pass reads.
struct EncodeOptions {
    bool assembleOnly = false;  // the "Assemble" command: no program-memory range checks
    bool smartCompiler = false; // "Smart Compiler"
    bool optimization = false;  // "Optimization"
    bool wdtJmp0 = false;       // "JMP 0" of the "WDT Reset Vector" group
    ImageFill fill = ImageFill::Zero;
};

// The run state the pass works on; every pointer is required except `yield`.
struct EncodeEnv {
    TLinePack* lines = nullptr;
    SymbolTables* tables = nullptr;
    ProgramImage* image = nullptr;
    const InstructionSet* instructions = nullptr;
    const ChipModel* chip = nullptr;
    // Splits lines the pass inserts or rewrites (the run's mnemonics and macro names).
    LineClassifier classifier;
    TCheckSmartPtr* longForms = nullptr;
    EncodeReporter* reporter = nullptr;
    YieldHook yield;
    EncodeOptions options;
};

// The usable program memory: romWords rounded down to a multiple of 256, at most the image.
int32_t programMemorySize(const ChipModel& chip);

// One encoding pass. `reporting` true is the first pass (every check reports, GLOBAL and
// EXTERN names are registered); false is a repeated pass of the smart compiler. `relaxed`
// skips the store range and overwrite checks when the smart compiler is on. False when the
// pass ended on the abort flag or on a GLOBAL name without definition.
bool EncodePass(EncodeEnv& env, bool reporting, bool relaxed);

// The smart compiler; call after the first pass, only for coreVariant 0 with "Smart Compiler"
// checked (it does nothing otherwise). False when one of its passes failed.
bool SmartCompile(EncodeEnv& env);

} // namespace zerka
