// Line-list and symbol-table costs at program scale: reading a 50,000-line program and
// expanding 5,000 macro calls into it, and name lookups in a full symbol table.
#include <benchmark/benchmark.h>

#include <string>

#include "asm/expression.h"
#include "asm/line_pack.h"
#include "asm/sym_def_pack.h"

namespace {

constexpr int kLines = 50000;
constexpr int kCalls = 5000;
constexpr int kBodyLines = 10;

// Reads the program (appends), then walks it like the expander: at every call line, inserts
// the body's copies after the current line and continues behind them, reading the current
// line's number as it goes.
void BM_ReadAndExpand(benchmark::State& state) {
    const std::string text = "        MOVLW   0FFH                ; a typical line of a program";
    for (auto _ : state) {
        zerka::TLinePack lines;
        for (int i = 1; i <= kLines; ++i)
            lines.addText(text, 0, zerka::TLinePack::AtEnd, i);
        int64_t sum = 0;
        int seen = 0;
        bool more = lines.first();
        while (more) {
            sum += lines.current()->sequenceNumber;
            if (++seen % (kLines / kCalls) == 0) {
                for (int k = 0; k < kBodyLines; ++k)
                    lines.addText(text, 0, zerka::TLinePack::AfterCurrent, 0);
            }
            more = lines.next();
        }
        lines.last();
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(lines.currentNumber());
    }
    state.counters["lines"] = double(kLines + kCalls * kBodyLines);
}
BENCHMARK(BM_ReadAndExpand)->Unit(benchmark::kMillisecond);

// Random-access finds by sequence number after the expansion, as the listing does per cell.
void BM_FindBySequence(benchmark::State& state) {
    zerka::TLinePack lines;
    for (int i = 1; i <= kLines; ++i)
        lines.addText("X", 0, zerka::TLinePack::AtEnd, i);
    int32_t target = 1;
    for (auto _ : state) {
        target = (target * 7919) % kLines + 1;
        benchmark::DoNotOptimize(lines.find(target));
    }
}
BENCHMARK(BM_FindBySequence);

void BM_SymbolLookupFullTable(benchmark::State& state) {
    zerka::TSymDefPack table;
    for (int i = 0; i < zerka::TSymDefPack::kMaxEntries; ++i)
        table.add("SYMBOL_" + std::to_string(i), "SYMBOL_" + std::to_string(i), 0, 'L', i);
    int i = 0;
    const std::string probe = "SYMBOL_8191";
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.findName(probe));
        benchmark::DoNotOptimize(zerka::evaluateExpression("HIGH SYMBOL_8000+1", table).value +
                                 (++i));
    }
}
BENCHMARK(BM_SymbolLookupFullTable);

void BM_FillSymbolTable(benchmark::State& state) {
    for (auto _ : state) {
        zerka::TSymDefPack table;
        for (int i = 0; i < zerka::TSymDefPack::kMaxEntries; ++i)
            table.add("SYMBOL_" + std::to_string(i), "T", 0, 'C', i);
        benchmark::DoNotOptimize(table.count());
    }
}
BENCHMARK(BM_FillSymbolTable)->Unit(benchmark::kMillisecond);

} // namespace
