// The language server: from a change to the published diagnostics on a 1,000- and a 30,000-line
// program (the program of asm_speed_gen.py, for KXA3232 as in asm_speed.sh), hover and completion
// on the large one, and the memory 100 open files take. The quiet time after a keystroke (Server's
// debounce) comes on top of the change figures.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "bench_common.h"
#include "lsp/documents.h"
#include "lsp/server.h"

namespace {
namespace fs = std::filesystem;
using json = nlohmann::json;

struct Session {
    fs::path root;
    size_t messages = 0;
    zerka::lsp::Server server{[this](const json&) { ++messages; }};
    int id = 0;

    Session() {
        std::string tmpl = (fs::temp_directory_path() / "zerka-bench-lsp-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        server.setDebounce(std::chrono::milliseconds(0));
        call("initialize",
             {{"initializationOptions",
               {{"chip", "KXA3232"}, {"lib", std::string(ZERKA_SOURCE_DIR) + "/chips"}}}});
    }
    ~Session() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void call(const std::string& method, const json& params) {
        server.handle({{"jsonrpc", "2.0"}, {"id", ++id}, {"method", method}, {"params", params}});
    }
    std::string open(const std::string& name, const std::string& text) {
        const fs::path p = root / name;
        std::ofstream(p) << text;
        const std::string uri = zerka::lsp::uriFromPath(p);
        server.handle(
            {{"jsonrpc", "2.0"},
             {"method", "textDocument/didOpen"},
             {"params",
              {{"textDocument",
                {{"uri", uri}, {"languageId", "zerka-asm"}, {"version", 1}, {"text", text}}}}}});
        server.tick(true);
        return uri;
    }
};

void BM_ChangeToDiagnostics(benchmark::State& state) {
    const int lines = int(state.range(0));
    Session s;
    const std::string uri = s.open("MAIN.ASM", zerka::bench::speedProgram(lines / 6));
    int version = 1;
    for (auto _ : state) {
        // A keystroke on line 7: the block's literal changes.
        const std::string digit = std::to_string(version % 10);
        s.server.handle({{"jsonrpc", "2.0"},
                         {"method", "textDocument/didChange"},
                         {"params",
                          {{"textDocument", {{"uri", uri}, {"version", ++version}}},
                           {"contentChanges",
                            {{{"range",
                               {{"start", {{"line", 7}, {"character", 16}}},
                                {"end", {{"line", 7}, {"character", 17}}}}},
                              {"text", digit}}}}}}});
        s.server.tick(true); // analyses and publishes
    }
    state.counters["lines"] = lines;
}
BENCHMARK(BM_ChangeToDiagnostics)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_Request(benchmark::State& state, const char* method, int line, int character) {
    Session s;
    const std::string uri = s.open("MAIN.ASM", zerka::bench::speedProgram(5000));
    const json params = {{"textDocument", {{"uri", uri}}},
                         {"position", {{"line", line}, {"character", character}}}};
    for (auto _ : state)
        s.call(method, params);
}
// Hover on the label L2500 in its RJ line; completion at an operand (every symbol of the build).
BENCHMARK_CAPTURE(BM_Request, hover_symbol, "textDocument/hover", 15005, 17)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Request, hover_mnemonic, "textDocument/hover", 15002, 9)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Request, completion_operand, "textDocument/completion", 15002, 16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Request, completion_mnemonic, "textDocument/completion", 15002, 8)
    ->Unit(benchmark::kMillisecond);

long residentKiB() {
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_OpenFiles100(benchmark::State& state) {
    for (auto _ : state) {
        const long before = residentKiB();
        Session s;
        for (int f = 0; f < 100; ++f)
            s.open("F" + std::to_string(f) + ".ASM",
                   zerka::bench::speedProgram(50)); // 300 lines each
        state.counters["rss_growth_KiB"] = double(residentKiB() - before);
    }
}
BENCHMARK(BM_OpenFiles100)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
