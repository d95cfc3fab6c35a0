// Whole assembly runs of the generated speed program (the shape bench/asm_speed_gen.py
// writes): listing, map and .hex on, build and load. The command-line comparison with the
// reference time is bench/asm_speed.sh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

#include "asm/assembler.h"
#include "chip/chip_model.h"
#include "upcentre/core/instruction_set.h"

namespace {
namespace fs = std::filesystem;

struct Folder {
    fs::path root;
    Folder() {
        std::string tmpl = (fs::temp_directory_path() / "zerka-asmspeed-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

fs::path writeProgram(const fs::path& dir, int blocks, bool calls) {
    const fs::path p = dir / (calls ? "CALLS.ASM" : "SPEED.ASM");
    std::ofstream f(p);
    f << "; generated speed program\nTWO     MACRO   R\n        INF     R, 1\n"
      << "        DCF     R, 1\n        ENDM\n        ORG     0\n";
    for (int i = 0; i < blocks; ++i) {
        f << 'L' << i << ":\n        MVL     " << i % 256 << "\n        MVF     80H, 1\n"
          << "        TWO     81H\n        BTSZ    82H, 1\n        RJ      L" << i << '\n';
        if (calls) f << "        CALL    L" << i << "\n        JMP     L" << i << '\n';
    }
    return p;
}

void run(benchmark::State& state, bool calls, bool smart) {
    Folder folder;
    const fs::path main = writeProgram(folder.root, int(state.range(0)), calls);
    zerka::ChipModel chip;
    chip.chipId = 0xE2;
    chip.romWords = 32768;
    chip.implementedBits.fill(0xFF);
    zerka::InstructionSet instructions(zerka::CoreType::CX4A);
    zerka::AssemblyContext ctx;
    ctx.chip = &chip;
    ctx.instructions = &instructions;
    zerka::AssemblyOptions options;
    options.smartCompiler = smart;
    options.optimization = smart && calls;
    for (auto _ : state) {
        zerka::AssemblyResult r = zerka::Assemble(main, ctx, options);
        if (!r.success) state.SkipWithError("the program did not assemble");
        benchmark::DoNotOptimize(r.checksum);
    }
}

void BM_Assemble30kLines(benchmark::State& state) {
    run(state, false, false);
}
void BM_Assemble30kLinesSmart(benchmark::State& state) {
    run(state, false, true);
}
void BM_SmartOptimizeCallJmp(benchmark::State& state) {
    run(state, true, true);
}

} // namespace

BENCHMARK(BM_Assemble30kLines)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Assemble30kLinesSmart)->Arg(5000)->Unit(benchmark::kMillisecond);
// 3,200 blocks: with a CALL and a JMP each the long forms fill the 32K words of the chip.
BENCHMARK(BM_SmartOptimizeCallJmp)->Arg(3200)->Unit(benchmark::kMillisecond);
