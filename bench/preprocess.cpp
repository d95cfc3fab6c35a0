// Reading and expanding a generated 50,000-line program: 50 include files and 5,000 macro
// calls whose bodies define local labels.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

#include "asm/macro_expander.h"
#include "asm/source_reader.h"
#include "upcentre/core/instruction_set.h"

namespace {
namespace fs = std::filesystem;

constexpr int kIncludes = 50;
constexpr int kLinesPerInclude = 1000; // 50,000 source lines in the includes
constexpr int kCalls = 5000;

struct Program {
    fs::path root;
    fs::path main;

    Program() {
        std::string tmpl = (fs::temp_directory_path() / "zerka-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        main = root / "MAIN.ASM";
        std::ofstream m(main);
        m << "; generated\nDEFINE FAST, 1\n"
          << "DELAY MACRO N, R\nLOOP: DCSZ R, 1, 0\n RJ LOOP\nDONE: MVL N\n IF FAST\n NOP\n"
          << " ENDIF\n ENDM\n"
          << "PULSE MACRO P\nCNT LOCAL 21H\n BSF P, 1, 0\n CLRF CNT, 0\nAGAIN: INSZ CNT, 1, 0\n"
          << " RJ AGAIN\n BCF P, 1, 0\n ENDM\n";
        for (int f = 0; f < kIncludes; ++f)
            m << "INCLUDE PART" << f << ".INC\n";
        const int callsPerFile = kCalls / kIncludes;
        for (int f = 0; f < kIncludes; ++f) {
            std::ofstream inc(root / ("PART" + std::to_string(f) + ".INC"));
            int calls = 0;
            for (int i = 0; i < kLinesPerInclude; ++i) {
                if (calls < callsPerFile && i % (kLinesPerInclude / callsPerFile) == 5) {
                    inc << ((calls & 1) ? " PULSE 30H\n" : " DELAY 10H, 20H\n");
                    ++calls;
                } else if (i % 10 == 0) {
                    inc << "L" << f << "_" << i << ":  ADDF  20H, 1, 0   ; step " << i << "\n";
                } else if (i % 10 == 3) {
                    inc << "\n";
                } else {
                    inc << "        MVL     " << (i & 0xFF) << "H\n";
                }
            }
        }
    }
    ~Program() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void BM_ReadAndExpand(benchmark::State& state) {
    static Program program;
    const zerka::InstructionSet cx4a(zerka::CoreType::CX4A);
    size_t lines = 0;
    for (auto _ : state) {
        zerka::TLinePack lineList, files, openFiles;
        zerka::TLinePackLink macros;
        zerka::SymbolTables tables;
        zerka::PreprocEnv env;
        env.lines = &lineList;
        env.files = &files;
        env.openFiles = &openFiles;
        env.macros = &macros;
        env.tables = &tables;
        env.instructions = &cx4a;
        bool ok = false;
        env.report = [&ok](const zerka::PreprocError&) { ok = false; };
        zerka::SourceReader reader(env);
        zerka::MacroExpander expander(env);
        ok = reader.Read(program.main, false) && expander.ExpandMacros();
        if (!ok) {
            state.SkipWithError("the generated program did not read and expand");
            break;
        }
        lines = lineList.count();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_ReadAndExpand)->Unit(benchmark::kMillisecond);

} // namespace
