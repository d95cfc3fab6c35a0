#pragma once
// One analysis of a build: the assembler run in memory over the open documents (no output
// file is written), its reports as diagnostics, and an index of the build's files made with
// the assembler's own field split and symbol tables, for navigation, hover and colouring.
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_model.h"
#include "lsp/documents.h"
#include "upcentre/core/instruction_set.h"

namespace zerka::lsp {

// The build settings: what the client sent, or what a project file says.
struct BuildSettings {
    std::string chip;           // name or index in the library; empty: found by the rules
    std::filesystem::path lib;  // chip library folder; empty: the program directory's
    std::filesystem::path main; // main file; empty: found by the rules
    bool assembleOnly = false;
    std::optional<bool> smart, optimize, protect, wdtJmp0;
    std::string fill; // "00", "FF", "JMP0"
    std::string acm;  // "1.0", "1.2"
};

// A loaded chip with its instruction tables; shared by every build for that chip.
struct ChipSetup {
    std::unique_ptr<ChipLibrary> library;
    std::unique_ptr<ChipModel> chip;
    std::unique_ptr<OptionsModel> options;
    InstructionSet instructions;
    InstructionSet otherCore;
    int index = 0;
    std::string name;
    std::string error; // why the chip could not be loaded; empty when it was
    std::string coreName() const { return std::string(coreTypeName(instructions.core())); }
};

enum class SymbolKind { Label, Equ, Set, Ds, Macro, Define, Local, Extern };

// A range inside one line: byte columns [start, end).
struct LineSpan {
    int line = 0;
    size_t start = 0;
    size_t end = 0;
};

struct SymbolDef {
    std::string name; // upper case, as the assembler knows it
    SymbolKind kind = SymbolKind::Label;
    size_t file = 0; // index into Analysis::files
    LineSpan span;
    int endLine = -1; // macro: the ENDM line
    std::optional<int32_t> value;
    std::string operands; // EQU/SET/DS operand text, macro parameter list
    std::string scope;    // LOCAL: the macro it belongs to
};

enum class TokenKind {
    Label,
    Mnemonic,
    Directive,
    Macro,
    Symbol,
    Register,
    Bit,
    Number,
    Comment,
    Parameter,
    Unknown
};

struct Token {
    LineSpan span;
    TokenKind kind = TokenKind::Unknown;
    std::string word; // upper case
    int symbol = -1;  // index into Analysis::symbols for a definition or reference
    bool definition = false;
};

struct Diagnostic {
    LineSpan span; // start == end: the whole line
    int code = 0;
    std::string message;
    std::string detail;
};

struct AnalysedFile {
    std::filesystem::path path;
    std::string key;
    std::string text;
    std::vector<size_t> lineStarts; // byte offset of each line in text

    void setText(std::string t);
    // Line n without its line end; empty past the end.
    std::string_view line(int n) const;
    int lineCount() const { return int(lineStarts.size()); }
    std::vector<Token> tokens; // in line and column order
    std::vector<Diagnostic> diagnostics;
    std::vector<std::pair<int, int>> folds; // MACRO..ENDM, IF..ENDIF lines
};

struct Analysis {
    std::filesystem::path main;
    std::shared_ptr<const ChipSetup> chip;
    std::vector<AnalysedFile> files; // the build's files in the order the run read them
    std::vector<SymbolDef> symbols;
    std::vector<AssemblyError> reports;
    std::string otherCoreMnemonic;
    bool success = false;

    const AnalysedFile* file(const std::string& key) const;
    size_t fileIndex(const std::string& key) const; // files.size() when absent
    // The token at a byte column of a line of a file; nullptr when none.
    const Token* tokenAt(size_t file, int line, size_t column) const;
    // Every definition with that name (LOCAL names only inside `scope`'s macro when given).
    std::vector<int> findSymbols(const std::string& name) const;
};

// Loads the chip a build needs (cached by the caller).
std::shared_ptr<ChipSetup> loadChip(const std::filesystem::path& lib, const std::string& chip);

// Runs the assembler over `main` with the open documents' texts and indexes the result.
Analysis analyse(const std::filesystem::path& main, std::shared_ptr<const ChipSetup> chip,
                 const BuildSettings& settings, const DocumentStore& documents);

// The chip a source names through its INCLUDE of a chip's register-name header
// ("INCLUDE ..\CHIPS\KXA1608.INC" names KXA1608); empty when none.
std::string chipNamedByIncludes(std::string_view text, const ChipLibrary& library);

// Looks for a project (.prj) or configuration (.cfg) file in `folder` and above it.
std::optional<std::filesystem::path> findProjectFile(const std::filesystem::path& folder);
// Reads the chip, main file and switches of a project or configuration file.
bool readProjectFile(const std::filesystem::path& file, const ChipLibrary& library,
                     BuildSettings& out);

// Register and bit names of the chip description.
struct RegisterInfo {
    std::string name;
    uint16_t address = 0;
    std::string description;
    std::array<std::string, 8> bits; // bit 7 first; empty when the register has no bit names
    bool word = false;
};
std::optional<RegisterInfo> findRegister(const ChipModel& chip, std::string_view name);
// The register whose bit has that name, and the bit number.
std::optional<std::pair<RegisterInfo, int>> findBit(const ChipModel& chip, std::string_view name);

} // namespace zerka::lsp
