// Loading a chip description: a generated description with full register lists and every
// section, and the largest description of the shipped library (from disk, through GetSELUP).
#include "chip/chip_library.h"
#include "core/atomic_file.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

std::string hex(unsigned v) {
    static const char* d = "0123456789ABCDEF";
    std::string s = "0";
    for (int shift = 12; shift >= 0; shift -= 4)
        s += d[(v >> shift) & 0xF];
    return s + "H";
}

// 512 registers of each kind with descriptions in both languages, 16 RAM banks, analog blocks
// and every scalar keyword.
std::string bigDescription() {
    std::string t =
        "#PRODUCT\nKXBIG\n#COMPILER\nCX4B\n#ID\n71H\n#ROM\n32768\n#STACK\n16\n#SBMADDR\n100\n";
    t += "#SIMIC\n8024H\n#SIMIC\n8030H\n#SBMBANK\n2\n#SELFEROM\n3 4000H 10H 11H 12H "
         "13H\n#SBMROM\n1 2 3 4 5\n";
    t += "#SBMSTART\n0C0H\n#SBMSECTOR\n4\n#HAO\n1 2 3 4000000 1000000 3000000 7\n#LAO\n30000 "
         "40000\n";
    t += "#TRISC\n47H 3\n#MCKCN\n48H 2\n#ACM\n60H 3 1 1 1 0\n#STACKOVER\n2CH 5 1 "
         "0\n#BIEBANK\n2\n#NUMBER\n1\n";
    t += "#REG0\n0 2FH\n#REG1\n0F00H 0F3FH\n";
    for (int k = 0; k < 16; ++k)
        t += "#RAMBANK" + std::to_string(k) + "\n" + hex(k * 256 + 0x40) + " " +
             hex(k * 256 + 0xFF) + "\n";
    const char* bitKeys[] = {"#REGBIT", "#REGBIT1", "#REGBIT2", "#REGBIT3"};
    for (int p = 0; p < 4; ++p) {
        t += std::string(bitKeys[p]) + "\n";
        for (int i = 0; i < 128; ++i)
            t += hex(p * 128 + i) + " BREG" + std::to_string(p * 128 + i) +
                 " B7 B6 - B4 B3 - B1 B0 ; bits\n";
    }
    t += "#REGBYTE\n";
    for (int i = 0; i < 512; ++i)
        t += hex(0x200 + i) + " BYTE" + std::to_string(i) + " 0FFH\n";
    t += "#REGWORD\n";
    for (int i = 0; i < 512; ++i)
        t += hex(0x400 + 2 * i) + " WORD" + std::to_string(i) + " " + hex(0x401 + 2 * i) +
             " - 0FFH 0FFH 0\n";
    t += "#REG3BYTE\nA\nB\n";
    for (const char* s : {"#REGBITSTR", "#REGBITSTRCN"}) {
        t += std::string(s) + "\n";
        for (int i = 0; i < 512; ++i) {
            t += hex(i) + "\n;Register " + std::to_string(i) + " description text\n";
            for (int b = 7; b >= 0; --b)
                t += ";Bit " + std::to_string(b) + " of register, what it does\n";
        }
    }
    for (const char* s : {"#REGBYTESTR", "#REGBYTESTRCN"}) {
        t += std::string(s) + "\n";
        for (int i = 0; i < 512; ++i)
            t += hex(0x200 + i) + "\n;Byte register description\n";
    }
    for (const char* s : {"#REGWORDSTR", "#REGWORDSTRCN"}) {
        t += std::string(s) + "\n";
        for (int i = 0; i < 512; ++i)
            t += hex(unsigned((0x400 + 2 * i) * 256 + 0x401 + 2 * i)) +
                 "\n;Word register description\n";
    }
    t += "#ADC0S\n90H IN0IS 1 0\n90H PGA0GN 2 1\n90H ENADC0 1 7 1\n91H INBUF0 1 0 0\n91H VRBUF0 1 "
         "1 1\n"
         "92H INX0 2 0\n93H ADCS0\n94H ADC0OH\n95H ADC0OM\n96H ADC0OL\n97H TEMPERATURE\n"
         "98H VDDAX 2 4 2.4 2.7 3.0 3.3 1\n";
    t += "#OP0S\n0A0H ENOP 1 0\n0A0H OP0P 2 1 P0 P1 - P3\n0A0H OP0N 3 3 N0 N1 N2 N3 N4 N5 N6 N7\n";
    t += "#CMP0S\n0B0H ENCPA 1 0\n0B0H CPIH 2 1 -- A B C\n0B0H CPIL 3 3 A B C D E F G H\n0B1H PTMX "
         "PM2.7 1 7\n";
    return t;
}

void BM_LoadGeneratedDescription(benchmark::State& state) {
    const std::string text = bigDescription();
    ChipModel model;
    for (auto _ : state) {
        loadChipDescription(text, model, {});
        benchmark::DoNotOptimize(model.implementedBits.data());
    }
    state.counters["registers"] = double(model.bitRegisters.count() + model.byteRegisters.count() +
                                         model.wordRegisters.count());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_LoadGeneratedDescription)->Unit(benchmark::kMicrosecond);

// The largest description file of the shipped library, loaded from disk with GetSELUP.
void BM_LoadLargestShippedChip(benchmark::State& state) {
    const fs::path dir = fs::path(ZERKA_SOURCE_DIR) / "chips";
    ChipLibrary library(dir);
    if (!library.buildChipList()) {
        state.SkipWithError("no shipped chip library");
        return;
    }
    int largest = -1;
    uintmax_t largestSize = 0;
    for (size_t i = 0; i < library.entries().size(); ++i) {
        const auto path = library.resolveFile(library.entries()[i].fileName);
        std::error_code ec;
        const uintmax_t size = path ? fs::file_size(*path, ec) : 0;
        if (!ec && size > largestSize) {
            largestSize = size;
            largest = int(i);
        }
    }
    if (largest < 0) {
        state.SkipWithError("no chip description found");
        return;
    }
    ChipModel model;
    for (auto _ : state) {
        if (!library.GetSELUP(largest, model)) {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(model.implementedBits.data());
    }
    state.SetLabel(library.entries()[size_t(largest)].fileName + " " + std::to_string(largestSize) +
                   " bytes");
}
BENCHMARK(BM_LoadLargestShippedChip)->Unit(benchmark::kMicrosecond);

} // namespace
