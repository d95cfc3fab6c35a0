// The server's diagnostics are the build's messages: every shipped example and every assembler
// test program is assembled as `zerka asm` does (output files written) and through the server,
// and the messages are compared one for one (file, line, code, text).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>

#include "asm/assembler.h"
#include "lsp/analysis.h"
#include "lsp/server.h"
#include "support/temp_dir.h"

namespace zerka::lsp {
namespace {
using json = nlohmann::json;
namespace fs = std::filesystem;

struct Message {
    std::string fileKey;
    int line = 0; // 1-based; 0 for a message without a line
    int code = 0;
    std::string text;
    bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Message& m) {
    return o << m.fileKey << ":" << m.line << " (" << m.code << ") " << m.text;
}

// The programs: folders copied whole so that their INCLUDEs resolve as in the source tree.
std::vector<fs::path> programsIn(const fs::path& folder) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".asm" || ext == ".ASM") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Message> buildMessages(const fs::path& main, const ChipSetup& chip) {
    AssemblyContext ctx;
    ctx.chip = chip.chip.get();
    ctx.instructions = &chip.instructions;
    ctx.chipListVersion = chip.library->chipListVersionNumber();
    ctx.includeDirs = {chip.library->libraryDir()}; // as `zerka asm`: headers by name
    const AssemblyResult r = Assemble(main, ctx, assemblyOptionsFrom(*chip.options));
    std::vector<Message> out;
    for (const AssemblyError& e : r.reports) {
        // The text after "Error(code:N)   FILE LINE: ".
        const std::string marker = e.line ? " " + std::to_string(e.line) + ": " : " : ";
        const size_t at = e.text.find(marker, e.text.find(e.file) + e.file.size() - 1);
        out.push_back({fileKey(e.file), e.line, e.code,
                       at == std::string::npos ? e.text : e.text.substr(at + marker.size())});
    }
    return out;
}

TEST(BuildMatch, EveryExampleAndTestProgramGivesTheBuildsMessages) {
    test::TempDir dir;
    const fs::path src = test::sourceDir();
    // Examples INCLUDE their chip's header by name: it is found in the copied library.
    fs::copy(src / "chips", dir.path() / "CHIPS", fs::copy_options::recursive);
    std::vector<fs::path> programs;
    for (const char* folder :
         {"examples", "bench", "fuzz/corpus/assembler_fuzz", "fuzz/corpus/source_reader_fuzz"}) {
        const fs::path to = dir.path() / fs::path(folder).filename();
        fs::copy(src / folder, to, fs::copy_options::recursive);
        for (const fs::path& p : programsIn(to))
            programs.push_back(p);
    }
    ASSERT_GE(programs.size(), 10u);
    int withMessages = 0;
    for (const fs::path& main : programs) {
        SCOPED_TRACE(main.string());
        std::vector<json> sent;
        Server server([&](const json& m) { sent.push_back(m); });
        server.setDebounce(std::chrono::milliseconds(0));
        server.handle(
            {{"jsonrpc", "2.0"},
             {"id", 1},
             {"method", "initialize"},
             {"params", {{"initializationOptions", {{"lib", (dir.path() / "CHIPS").string()}}}}}});
        std::ifstream in(main, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        const std::string uri = uriFromPath(main);
        const json doc = {
            {"uri", uri}, {"languageId", "zerka-asm"}, {"version", 1}, {"text", text}};
        server.handle({{"jsonrpc", "2.0"},
                       {"method", "textDocument/didOpen"},
                       {"params", {{"textDocument", doc}}}});
        server.tick(true);
        const Analysis* a = server.analysisFor(uri);
        ASSERT_NE(a, nullptr);

        std::map<std::string, json> last; // what each file shows now
        for (const json& m : sent)
            if (m.value("method", "") == "textDocument/publishDiagnostics")
                last[m["params"]["uri"]] = m["params"]["diagnostics"];
        std::vector<Message> published;
        for (const auto& [fileUri, list] : last) {
            const fs::path file = *pathFromUri(fileUri);
            for (const json& d : list) {
                // A message without a line sits on the first line, its range empty.
                const json& r = d["range"];
                const bool noLine = r["start"]["line"] == 0 && r["start"]["character"] == 0 &&
                                    r["end"]["line"] == 0 && r["end"]["character"] == 0;
                published.push_back({fileKey(file), noLine ? 0 : r["start"]["line"].get<int>() + 1,
                                     d["code"].get<int>(), d["message"].get<std::string>()});
            }
        }
        const std::vector<Message> built = buildMessages(main, *a->chip);
        auto byPlace = [](const Message& x, const Message& y) {
            return std::tie(x.fileKey, x.line, x.code, x.text) <
                   std::tie(y.fileKey, y.line, y.code, y.text);
        };
        std::vector<Message> p = published, b = built;
        std::sort(p.begin(), p.end(), byPlace);
        std::sort(b.begin(), b.end(), byPlace);
        // A smart-compiled build repeats its messages once per pass; the editor shows each once.
        b.erase(std::unique(b.begin(), b.end()), b.end());
        EXPECT_EQ(p, b);
        if (!b.empty()) ++withMessages;
    }
    // The corpus holds programs with errors: the comparison is not only of empty lists.
    EXPECT_GE(withMessages, 4);
}

} // namespace
} // namespace zerka::lsp
