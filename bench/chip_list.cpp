// Listing a long chip list (what `zerka chips` does): read the list, then the model of every
// entry. Two libraries of N entries, made once per size in a temporary folder:
//  - shipped: the entries name the shipped description files in turn, spelled as the shipped
//    list spells them (mixed case, ".\" prefixes);
//  - distinct: every entry names a description file of its own, in another letter case than
//    on disk, so each name goes through the case-insensitive lookup.
// The time should grow with N; the goal for 20,000 entries is under 0.2 s.
#include "chip/chip_catalogue.h"
#include "chip/chip_library.h"
#include "core/atomic_file.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace zerka;

fs::path makeFolder(const std::string& tag) {
    std::string tmpl = (fs::temp_directory_path() / ("zerka-chiplist-" + tag + "-XXXXXX")).string();
    if (!mkdtemp(tmpl.data())) return {};
    return tmpl;
}

// A library folder with `n` entries; removed when the benchmark ends.
struct Library {
    fs::path dir;
    ~Library() {
        std::error_code ec;
        if (!dir.empty()) fs::remove_all(dir, ec);
    }
};

bool makeShipped(Library& lib, int n) {
    lib.dir = makeFolder("shipped");
    if (lib.dir.empty()) return false;
    const fs::path shipped = fs::path(ZERKA_SOURCE_DIR) / "chips";
    fs::copy(shipped, lib.dir, fs::copy_options::recursive);
    std::string list;
    if (!readFileBytes(shipped / "ZkSel.INC", list)) return false;
    std::vector<std::string> lines;
    size_t at = list.find('\n') + 1;
    const std::string version = list.substr(0, at);
    while (at < list.size()) {
        const size_t nl = list.find('\n', at);
        lines.push_back(list.substr(at, nl - at + 1));
        at = nl == std::string::npos ? list.size() : nl + 1;
    }
    std::string out = version;
    for (int i = 0; i < n; ++i)
        out += lines[size_t(i) % lines.size()];
    return writeFileAtomic(lib.dir / "ZkSel.INC", out);
}

bool makeDistinct(Library& lib, int n) {
    lib.dir = makeFolder("distinct");
    if (lib.dir.empty()) return false;
    std::string out = "V1.3 generated\n";
    for (int i = 0; i < n; ++i) {
        const std::string id = std::to_string(i);
        // The list upper-cases its words; the files are lower case on disk.
        out += "CHIP" + id + ".INC C" + id + " (4k)\n";
        const std::string text = "#PRODUCT\nC" + id + "\n#COMPILER\n" + (i % 2 ? "CX4A" : "CX4B") +
                                 "\n#ID\n" + std::to_string(i % 200) +
                                 "\n#ROM\n4096\n#STACK\n8\n#RAMBANK0\n80H 0FFH\n#REGBYTE\n29H W "
                                 "0FFH\n";
        if (!writeFileAtomic(lib.dir / ("chip" + id + ".inc"), text)) return false;
    }
    return writeFileAtomic(lib.dir / "ZkSel.INC", out);
}

void listAll(benchmark::State& state, const fs::path& dir) {
    for (auto _ : state) {
        ChipLibrary library(dir);
        if (!library.buildChipList()) {
            state.SkipWithError("no chip list");
            return;
        }
        ChipCatalogue catalogue(library);
        size_t loaded = 0;
        for (size_t i = 0; i < library.entries().size(); ++i)
            loaded += catalogue.model(i) != nullptr;
        if (loaded != library.entries().size()) {
            state.SkipWithError("an entry did not load");
            return;
        }
        benchmark::DoNotOptimize(loaded);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ListShippedNames(benchmark::State& state) {
    Library lib;
    if (!makeShipped(lib, int(state.range(0)))) {
        state.SkipWithError("setup failed");
        return;
    }
    listAll(state, lib.dir);
}
BENCHMARK(BM_ListShippedNames)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);

void BM_ListDistinctFiles(benchmark::State& state) {
    Library lib;
    if (!makeDistinct(lib, int(state.range(0)))) {
        state.SkipWithError("setup failed");
        return;
    }
    listAll(state, lib.dir);
}
BENCHMARK(BM_ListDistinctFiles)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
