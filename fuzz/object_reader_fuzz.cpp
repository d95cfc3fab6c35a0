// Arbitrary bytes as an included object module.
#include <cstdint>
#include <string_view>

#include "asm/object_reader.h"
#include "upcentre/core/instruction_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const zerka::InstructionSet cx4a(zerka::CoreType::CX4A);
    static const zerka::InstructionSet cx4b(zerka::CoreType::CX4B);

    zerka::TLinePack lines, files, openFiles;
    zerka::TLinePackLink macros;
    zerka::SymbolTables tables;
    zerka::PreprocEnv env;
    env.lines = &lines;
    env.files = &files;
    env.openFiles = &openFiles;
    env.macros = &macros;
    env.tables = &tables;
    env.instructions = (size > 0 && data[size - 1] == 'B') ? &cx4b : &cx4a;
    env.report = [](const zerka::PreprocError&) {};
    files.addText("FUZZ.OBJ", 0, zerka::TLinePack::AtEnd, 0);

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zerka::readObjectModule(env, bytes, 0, zerka::makeLineClassifier(env.instructions, &macros));
    // Whatever happened, the module's externals are gone and every line is an object line.
    if (tables.externs.count() != 0) __builtin_trap();
    for (const zerka::SourceLine& l : lines)
        if (!l.isObject || l.workingText.size() > zerka::SourceLine::kTextMax) __builtin_trap();
    return 0;
}
