#pragma once
// What reading, object re-creation and macro expansion share during one assembly run: the
// lists and tables they fill, the instruction list, the error sink and the UI yield.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/cut_li_para_source.h"
#include "asm/line_pack.h"
#include "asm/source_line.h"
#include "asm/symbol_tables.h"
#include "core/ui_host.h"

namespace zerka {

class InstructionSet;

// One report for the run's error reporter. The line is named by its file index and line
// number; fileIndex 255 means "no line" (the reporter then uses the file it used last).
struct PreprocError {
    int code = 0;
    bool fatal = false;
    std::optional<std::string> detail;
    uint8_t fileIndex = SourceLine::kNoFile;
    int32_t lineNumber = 0;
};

using PreprocErrorSink = std::function<void(const PreprocError&)>;

// Error codes used by preprocessing (their messages belong to the run's reporter).
namespace preproc_code {
inline constexpr int kOpenSource = 1;        // "Couldn't open source file"
inline constexpr int kDuplicate = 4;         // "Duplicate label or redefining symbol"
inline constexpr int kUndefined = 5;         // "Undefined Symbol"
inline constexpr int kOutOfMemory = 6;       // "Out of memory..."
inline constexpr int kIllegalSymbol = 8;     // "Illegal Symbol"
inline constexpr int kIllegalArgument = 9;   // "Illegal argument"
inline constexpr int kMissingArgument = 13;  // "Missing argument..."
inline constexpr int kTooManyArguments = 14; // "Too many arguments..."
inline constexpr int kIllegalMacro = 16;     // "Illegal Macro..."
inline constexpr int kCircularFile = 20;     // "Circular file reference..."
inline constexpr int kCircularMacro = 21;    // "Circular macro reference..."
} // namespace preproc_code

struct PreprocEnv {
    // Run state owned by the assembler object.
    TLinePack* lines = nullptr;     // the line list
    TLinePack* files = nullptr;     // file list: entry text = path, file index = its index
    TLinePack* openFiles = nullptr; // paths read so far (every file is read once per run)
    TLinePackLink* macros = nullptr;
    SymbolTables* tables = nullptr;
    const InstructionSet* instructions = nullptr;

    PreprocErrorSink report; // may be empty (reports are then dropped)
    YieldHook yield;         // may be empty

    // Run-wide counter of generated macro labels ("Lab@%d"); 0 at the start of every run.
    int32_t macroLabelCounter = 0;

    // When set, INCLUDE may only name files inside this folder (used where the sources are
    // not trusted, for instance while fuzzing).
    std::optional<std::filesystem::path> includeRoot;
    // Further folders for an INCLUDE name that is not beside the main file, in order.
    std::vector<std::filesystem::path> includeDirs;

    // When set, source files are read through it instead of from disk.
    std::function<bool(const std::filesystem::path&, std::string&)> readSource;

    // Guard against runaway macro growth: lines stored in the line list and the macro bodies.
    size_t maxLines = 1'000'000;
    size_t storedLines = 0;

    // A file index is 8 bits and 255 means none.
    static constexpr size_t kMaxFiles = 255;

    void fail(int code, bool fatal, std::optional<std::string> detail,
              const SourceLine* line = nullptr) const {
        if (!report) return;
        PreprocError e;
        e.code = code;
        e.fatal = fatal;
        e.detail = std::move(detail);
        if (line) {
            e.fileIndex = line->fileIndex;
            e.lineNumber = line->lineNumber;
        }
        report(e);
    }
    void refreshUi() const {
        if (yield) yield();
    }
};

// The IF state: one level, used while reading and, fresh for each call, while expanding.
struct IfState {
    bool active = false;
    bool condition = false;
    bool elseState = false;

    bool passes() const { return !active || condition || elseState; }
};

// When `line` is an IF, ELSE or ENDIF line, applies it to `state` (IF operands are evaluated
// with the DEFINE table) and returns true in `handled`. Returns false after reporting a
// failure (code 5 for an operand that does not evaluate, code 13 "IF" for a wrong count).
bool applyIfLine(const SourceLine& line, const PreprocEnv& env, IfState& state, bool& handled);

} // namespace zerka
