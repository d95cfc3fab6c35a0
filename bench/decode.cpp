// Decoding speed: the 65,536-entry table against the list walk it replaces, plus the cost of
// loading a table (done on every build-and-load) and of disassembling a word.
#include "upcentre/core/instruction_set.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// A spread of words: every 7th word over the whole space, so early and late table entries and
// undecodable words all occur.
std::vector<uint16_t> sampleWords() {
    std::vector<uint16_t> words;
    for (uint32_t w = 0; w < 65536; w += 7)
        words.push_back(static_cast<uint16_t>(w));
    return words;
}

void decodeTable(benchmark::State& state) {
    zerka::InstructionSet set(static_cast<zerka::CoreType>(state.range(0)));
    std::vector<uint16_t> words = sampleWords();
    for (auto _ : state) {
        unsigned sum = 0;
        for (uint16_t w : words) {
            zerka::DecodedInstruction d = set.decode(w);
            sum += static_cast<unsigned>(d.id) + d.operands[0];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(decodeTable)->Arg(0)->Arg(1);

void decodeListWalk(benchmark::State& state) {
    zerka::InstructionSet set(static_cast<zerka::CoreType>(state.range(0)));
    std::vector<uint16_t> words = sampleWords();
    for (auto _ : state) {
        unsigned sum = 0;
        for (uint16_t w : words) {
            zerka::DecodedInstruction d = set.decodeByListWalk(w);
            sum += static_cast<unsigned>(d.id) + d.operands[0];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(decodeListWalk)->Arg(0)->Arg(1);

void loadBuiltInTable(benchmark::State& state) {
    zerka::InstructionSet set;
    for (auto _ : state) {
        bool ok = set.loadBuiltIn(static_cast<zerka::CoreType>(state.range(0)), {});
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(loadBuiltInTable)->Arg(0)->Arg(1);

void disassembleWord(benchmark::State& state) {
    zerka::InstructionSet set(zerka::CoreType::CX4A);
    std::vector<uint16_t> words = sampleWords();
    for (auto _ : state) {
        size_t total = 0;
        for (uint16_t w : words)
            total += set.disassemble(w).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * words.size()));
}
BENCHMARK(disassembleWord);

} // namespace
