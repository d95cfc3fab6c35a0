#pragma once
// A fresh encoding run in a temporary folder: read and expand a source text, then run the
// encoding pass (and the smart compiler) with a recorder for the reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "asm/encode_pass.h"
#include "asm/macro_expander.h"
#include "asm/program_image.h"
#include "asm/smart_compiler.h"
#include "asm/source_reader.h"
#include "chip/chip_model.h"
#include "support/temp_dir.h"
#include "upcentre/core/instruction_set.h"

namespace zerka::test {

// `line` `n` times over: long programs for the tests of distances and sizes.
inline std::string repeat(std::string_view line, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += line;
    return out;
}

struct EncodeReport {
    bool hasLine = false;
    int32_t lineNumber = 0;
    int code = -1;
    bool fatal = false;
    std::optional<std::string> detail;
};

class RecordingReporter : public EncodeReporter {
  public:
    void report(const SourceLine* line, int code, bool fatal,
                std::optional<std::string> detail) override {
        reports.push_back(EncodeReport{line != nullptr, line ? line->lineNumber : 0, code, fatal,
                                       std::move(detail)});
        if (fatal) abort = true;
    }
    bool aborted() const override { return abort; }

    std::vector<EncodeReport> reports;
    bool abort = false;
};

class EncodeTest : public ::testing::Test {
  protected:
    EncodeTest() { useCore(CoreType::CX4A); }

    void useCore(CoreType core) {
        instructions = InstructionSet(core);
        chip.coreVariant = core == CoreType::CX4B ? 1 : 0;
        chip.romWords = 4096;
        // Data memory 0 .. 1FFh exists.
        chip.implementedBits.fill(0);
        for (size_t a = 0; a < 0x200; ++a)
            chip.implementedBits[a] = 0xFF;
    }

    // Reads and expands `text` as the main file; false when preprocessing failed.
    bool prepare(std::string_view text) {
        preproc.lines = &lines;
        preproc.files = &files;
        preproc.openFiles = &openFiles;
        preproc.macros = &macros;
        preproc.tables = &tables;
        preproc.instructions = &instructions;
        const auto path = dir.write("MAIN.ASM", text);
        SourceReader reader(preproc);
        if (!reader.Read(path, false)) return false;
        MacroExpander expander(preproc);
        return expander.ExpandMacros();
    }

    EncodeEnv makeEnv() {
        EncodeEnv env;
        env.lines = &lines;
        env.tables = &tables;
        env.image = &image;
        env.instructions = &instructions;
        env.chip = &chip;
        env.classifier = makeLineClassifier(&instructions, &macros);
        env.longForms = &longForms;
        env.reporter = &reporter;
        env.options = options;
        return env;
    }

    // Preprocesses `text` and runs the first pass; the smart compiler after it when asked.
    bool assemble(std::string_view text) {
        if (!prepare(text)) {
            ADD_FAILURE() << "preprocessing failed";
            return false;
        }
        image.initialise(options.fill);
        EncodeEnv env = makeEnv();
        if (!EncodePass(env, true, false)) return false;
        if (chip.coreVariant == 0 && options.smartCompiler) return SmartCompile(env);
        return true;
    }

    uint16_t word(int32_t address) const { return image.word(address); }
    std::vector<int> codes() const {
        std::vector<int> out;
        for (const EncodeReport& r : reporter.reports)
            out.push_back(r.code);
        return out;
    }
    const SymbolEntry* symbol(std::string_view name) const {
        return tables.assembly.findEntry(name);
    }
    std::vector<const SourceLine*> lineList() const {
        std::vector<const SourceLine*> out;
        for (const SourceLine& l : lines)
            out.push_back(&l);
        return out;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const SourceLine& l : lines)
            out.push_back(l.workingText);
        return out;
    }

    TempDir dir;
    TLinePack lines, files, openFiles;
    TLinePackLink macros;
    SymbolTables tables;
    InstructionSet instructions;
    ChipModel chip;
    ProgramImage image;
    TCheckSmartPtr longForms;
    RecordingReporter reporter;
    EncodeOptions options;
    PreprocEnv preproc;
};

} // namespace zerka::test
