// Arbitrary bytes as the main source file, read and expanded. Includes are confined to a
// temporary folder that holds a few include files and an object module.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include "asm/macro_expander.h"
#include "asm/source_reader.h"
#include "upcentre/core/instruction_set.h"

namespace {
namespace fs = std::filesystem;

void writeFile(const fs::path& p, std::string_view content) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), std::streamsize(content.size()));
}

// The folder the fuzzed sources live in, removed when the fuzzer exits.
struct FuzzFolder {
    fs::path root;
    zerka::InstructionSet cx4a{zerka::CoreType::CX4A};
    zerka::InstructionSet cx4b{zerka::CoreType::CX4B};

    FuzzFolder() {
        // A memory-backed folder when there is one: the main file is rewritten on every run.
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "zerka-srcfuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        writeFile(root / "A.INC", "WAIT MACRO N\nL1: DCSZ N, 1, 0\n RJ L1\n ENDM\nK EQU 5\n");
        writeFile(root / "sub/b.inc", "DEFINE DEBUG, 1\nIF DEBUG\n NOP\nENDIF\n");
        const std::string none = std::string("\x8D") + "0000";
        writeFile(root / "LIB.OBJ", std::string("\x84") + "L0005START" + "\x85\x86" + "00000000" +
                                        "\x87" + "\x89" + "03EXT" + "\x8A\x8B" + "00000000" +
                                        "\x8C" + "\x80" + "00000001" + "\x81" + "\x82" + "\x8E" +
                                        "   1" + none + none + "0612" + "\x90" + "   1" + none +
                                        none + "7812" + "\x88");
    }
    ~FuzzFolder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    const fs::path main = folder.root / "MAIN.ASM";
    writeFile(main, std::string_view(reinterpret_cast<const char*>(data), size));

    zerka::TLinePack lines, files, openFiles;
    zerka::TLinePackLink macros;
    zerka::SymbolTables tables;
    zerka::PreprocEnv env;
    env.lines = &lines;
    env.files = &files;
    env.openFiles = &openFiles;
    env.macros = &macros;
    env.tables = &tables;
    // The first byte picks the core, so both instruction lists are exercised.
    env.instructions = (size > 0 && (data[0] & 1)) ? &folder.cx4b : &folder.cx4a;
    env.includeRoot = folder.root;
    env.maxLines = 20000;
    size_t reports = 0;
    env.report = [&reports](const zerka::PreprocError&) { ++reports; };

    zerka::SourceReader reader(env);
    if (reader.Read(main, false)) {
        zerka::MacroExpander expander(env);
        expander.ExpandMacros();
    }
    return 0;
}
