#pragma once
// A fresh preprocessing run in a temporary folder: the lists and tables of one assembly run,
// the CX4A instruction list and a recorder for error reports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm/macro_expander.h"
#include "asm/preproc_env.h"
#include "asm/source_reader.h"
#include "support/temp_dir.h"
#include "upcentre/core/instruction_set.h"

namespace zerka::test {

class PreprocTest : public ::testing::Test {
  protected:
    PreprocTest() : instructions(CoreType::CX4A) {
        env.lines = &lines;
        env.files = &files;
        env.openFiles = &openFiles;
        env.macros = &macros;
        env.tables = &tables;
        env.instructions = &instructions;
        env.report = [this](const PreprocError& e) { errors.push_back(e); };
    }

    // Writes the main file and reads it.
    bool readMain(std::string_view text, std::string_view name = "MAIN.ASM") {
        const auto path = dir.write(name, text);
        SourceReader reader(env);
        return reader.Read(path, false);
    }
    // Reads and expands.
    bool build(std::string_view text) {
        if (!readMain(text)) return false;
        MacroExpander expander(env);
        return expander.ExpandMacros();
    }

    // Working texts of the line list, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const SourceLine& l : lines)
            out.push_back(l.workingText);
        return out;
    }
    std::vector<const SourceLine*> lineList() const {
        std::vector<const SourceLine*> out;
        for (const SourceLine& l : lines)
            out.push_back(&l);
        return out;
    }
    std::vector<std::string> fileList() const {
        std::vector<std::string> out;
        for (const SourceLine& l : files)
            out.push_back(l.workingText);
        return out;
    }

    // The single error reported (the test fails unless exactly one was).
    PreprocError onlyError() const {
        EXPECT_EQ(errors.size(), 1u);
        return errors.empty() ? PreprocError{} : errors.front();
    }

    TempDir dir;
    TLinePack lines, files, openFiles;
    TLinePackLink macros;
    SymbolTables tables;
    InstructionSet instructions;
    std::vector<PreprocError> errors;
    PreprocEnv env;
};

} // namespace zerka::test
