// The encoding pass over a generated 30,000-line program, and the smart compiler with
// "Optimization" over 5,000 blocks that each hold a CALL and a JMP. Reading and expanding the
// source is not timed; each iteration encodes a freshly read line list.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>

#include "asm/encode_pass.h"
#include "asm/macro_expander.h"
#include "asm/source_reader.h"
#include "chip/chip_model.h"
#include "upcentre/core/instruction_set.h"

namespace {
namespace fs = std::filesystem;

class CountingReporter : public zerka::EncodeReporter {
  public:
    void report(const zerka::SourceLine*, int code, bool fatal,
                std::optional<std::string> detail) override {
        if (count++ == 0) first = std::to_string(code) + " " + detail.value_or("");
        if (fatal) abort = true;
    }
    bool aborted() const override { return abort; }
    int count = 0;
    bool abort = false;
    std::string first; // the first report, for the error message
};

struct TempProgram {
    fs::path root;
    fs::path main;
    explicit TempProgram(const std::string& text) {
        std::string tmpl = (fs::temp_directory_path() / "zerka-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        main = root / "MAIN.ASM";
        std::ofstream(main) << text;
    }
    ~TempProgram() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

// 30,000 lines: constants, labels, byte and bit operations, forward and backward calls and
// jumps, branches, data words and comment lines.
std::string plainProgram() {
    std::string s = "K1 EQU 10H\nK2 EQU 20H\nV1 DS 1\nV2 DS 2\n";
    int lines = 4;
    for (int b = 0; lines < 30000; ++b) {
        const std::string n = std::to_string(b);
        s += "L" + n + ": MVL K1\n ADDF V1, 1, 0 ; add\n BSF 30H, 3, 0\n CALL L" +
             std::to_string(b + 1) + "\n JZ L" + n + "\n MVF K2, 0, 0\n; block " + n + "\n DB L" +
             n + ", 12H\n JMP L" + n + "\n RRF 31H, 1, 0\n;\n";
        lines += 11;
    }
    return s + "L" + std::to_string((30000 - 4 + 10) / 11) + ": NOP\n";
}

// 5,000 blocks with a CALL and a JMP (one label each: the symbol tables hold 8192 names);
// every 100th block jumps far ahead, into reach only once the blocks in between are shortened.
std::string smartProgram() {
    std::string s;
    for (int b = 0; b < 5000; ++b) {
        const std::string n = std::to_string(b);
        s += "B" + n + ": CALL B" + std::to_string(b + 1) + "\n JMP B" + n + "\n RET\n";
        if (b % 100 == 0 && b + 250 < 5000) s += " JMP B" + std::to_string(b + 250) + "\n";
    }
    return s + "B5000: NOP\n";
}

struct Run {
    zerka::TLinePack lines, files, openFiles;
    zerka::TLinePackLink macros;
    zerka::SymbolTables tables;
    zerka::ProgramImage image;
    zerka::TCheckSmartPtr longForms;
    CountingReporter reporter;
    zerka::EncodeEnv env;

    Run(const fs::path& main, const zerka::InstructionSet& set, const zerka::ChipModel& chip,
        const zerka::EncodeOptions& options) {
        zerka::PreprocEnv pre;
        pre.lines = &lines;
        pre.files = &files;
        pre.openFiles = &openFiles;
        pre.macros = &macros;
        pre.tables = &tables;
        pre.instructions = &set;
        zerka::SourceReader reader(pre);
        if (!reader.Read(main, false)) std::abort();
        zerka::MacroExpander expander(pre);
        if (!expander.ExpandMacros()) std::abort();
        image.initialise(options.fill);
        env.lines = &lines;
        env.tables = &tables;
        env.image = &image;
        env.instructions = &set;
        env.chip = &chip;
        env.classifier = zerka::makeLineClassifier(&set, &macros);
        env.longForms = &longForms;
        env.reporter = &reporter;
        env.options = options;
    }
};

zerka::ChipModel bigChip() {
    zerka::ChipModel chip;
    chip.romWords = 32768;
    chip.implementedBits.fill(0xFF);
    return chip;
}

void BM_EncodePass30000Lines(benchmark::State& state) {
    static TempProgram program(plainProgram());
    const zerka::InstructionSet cx4a(zerka::CoreType::CX4A);
    const zerka::ChipModel chip = bigChip();
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>(program.main, cx4a, chip, zerka::EncodeOptions{});
        state.ResumeTiming();
        if (!zerka::EncodePass(run->env, true, false) || run->reporter.count != 0) {
            state.SkipWithError(("the pass reported " + run->reporter.first).c_str());
            break;
        }
        benchmark::DoNotOptimize(run->image.word(0));
        state.counters["lines"] = double(run->lines.count());
        state.counters["words"] = double(run->image.codeExtent());
        state.PauseTiming();
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EncodePass30000Lines)->Unit(benchmark::kMillisecond);

void BM_SmartCompilerOptimization5000Blocks(benchmark::State& state) {
    static TempProgram program(smartProgram());
    const zerka::InstructionSet cx4a(zerka::CoreType::CX4A);
    const zerka::ChipModel chip = bigChip();
    zerka::EncodeOptions options;
    options.smartCompiler = true;
    options.optimization = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto run = std::make_unique<Run>(program.main, cx4a, chip, options);
        state.ResumeTiming();
        if (!zerka::EncodePass(run->env, true, false) || !zerka::SmartCompile(run->env) ||
            run->reporter.count != 0) {
            state.SkipWithError(("the smart compiler reported " + run->reporter.first).c_str());
            break;
        }
        state.counters["long_left"] = double(run->longForms.size());
        state.counters["words"] = double(run->image.codeExtent());
        state.PauseTiming();
        run.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SmartCompilerOptimization5000Blocks)->Unit(benchmark::kMillisecond);

} // namespace
