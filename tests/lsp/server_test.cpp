// The language server driven through its messages, over real files and the shipped chip
// library: diagnostics, navigation, hover, completion and the protocol's error answers.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>

#include "lsp/framing.h"
#include "lsp/server.h"
#include "support/temp_dir.h"

namespace zerka::lsp {
namespace {
using json = nlohmann::json;
namespace fs = std::filesystem;

class ServerTest : public ::testing::Test {
  protected:
    ServerTest() : server([this](const json& m) { sent.push_back(m); }) {
        server.setDebounce(std::chrono::milliseconds(0));
    }

    void start(json options = json::object()) {
        options["lib"] = (test::sourceDir() / "chips").string();
        const json r = request("initialize", {{"initializationOptions", options}});
        ASSERT_TRUE(r.contains("result")) << r.dump();
        server.handle({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    }

    json request(const std::string& method, const json& params) {
        const int id = ++lastId;
        server.handle({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
        for (const json& m : sent)
            if (m.contains("id") && m["id"] == id) return m;
        return json();
    }
    json result(const std::string& method, const json& params) {
        const json r = request(method, params);
        EXPECT_TRUE(r.contains("result")) << method << ": " << r.dump();
        return r.value("result", json());
    }
    void notify(const std::string& method, const json& params) {
        server.handle({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    std::string open(const fs::path& p) {
        const std::string uri = uriFromPath(p);
        notify("textDocument/didOpen",
               {{"textDocument",
                 {{"uri", uri},
                  {"languageId", "zerka-asm"},
                  {"version", 1},
                  {"text", dir.read(fs::relative(p, dir.path()).string())}}}});
        return uri;
    }
    void replace(const std::string& uri, const std::string& text, int version) {
        notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                          {"contentChanges", {{{"text", text}}}}});
    }
    // The diagnostics last published for each URI after the pending analyses ran.
    std::map<std::string, json> diagnostics() {
        server.tick(true);
        std::map<std::string, json> out;
        for (const json& m : sent)
            if (m.value("method", "") == "textDocument/publishDiagnostics")
                out[m["params"]["uri"]] = m["params"]["diagnostics"];
        return out;
    }
    static json pos(const std::string& uri, int line, int character) {
        return {{"textDocument", {{"uri", uri}}},
                {"position", {{"line", line}, {"character", character}}}};
    }
    // A chip's register-name header from the shipped library, beside the programs.
    void copyHeader(const std::string& name) {
        std::ifstream in(test::sourceDir() / "chips" / name, std::ios::binary);
        dir.write(name, std::string(std::istreambuf_iterator<char>(in), {}));
    }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            names.push_back(e.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    std::vector<json> sent;
    Server server;
    int lastId = 0;
};

// MAIN includes LEVEL1, which includes LEVEL2 (names below the main file's folder). LEVEL1's
// code sits at 0, so MAIN's starts above it.
void writeThreeLevels(const test::TempDir& dir) {
    dir.write("MAIN.ASM", "        INCLUDE LEVEL1.INC\n"
                          "        ORG     10H\n"
                          "START:  MVL     DEEP\n"
                          "        CALL    SUB1\n"
                          "        JMP     START\n");
    dir.write("LEVEL1.INC", "        INCLUDE INC/LEVEL2.INC\n"
                            "SUB1:   MVL     DEEP\n"
                            "        RET\n");
    dir.write("INC/LEVEL2.INC", "DEEP    EQU     2AH\n");
}

TEST_F(ServerTest, AnIncludedFileEditedUnsavedGetsAndLosesItsDiagnostics) {
    writeThreeLevels(dir);
    start({{"chip", "KXA1608"}});
    const std::string main = open(dir.path() / "MAIN.ASM");
    auto d = diagnostics();
    ASSERT_TRUE(d.count(main));
    EXPECT_TRUE(d[main].empty()) << d[main].dump();
    const auto filesBefore = listing();

    const std::string level2 = open(dir.path() / "INC/LEVEL2.INC");
    replace(level2, "DEEP    EQU     2AH\n        MVL     NOWHERE  ; undefined\n", 2);
    d = diagnostics();
    ASSERT_EQ(d[level2].size(), 1u) << d[level2].dump();
    const json& e = d[level2][0];
    EXPECT_EQ(e["code"], 5);
    EXPECT_EQ(e["source"], "zerka");
    EXPECT_EQ(e["severity"], 1);
    EXPECT_EQ(e["message"], "Undefined Symbol [NOWHERE]");
    EXPECT_EQ(e["range"]["start"], json({{"line", 1}, {"character", 16}}));
    EXPECT_EQ(e["range"]["end"], json({{"line", 1}, {"character", 23}}));
    EXPECT_TRUE(d[main].empty());

    replace(level2, "DEEP    EQU     2AH\n", 3);
    d = diagnostics();
    EXPECT_TRUE(d[level2].empty()) << d[level2].dump();
    // Analysing wrote nothing: no listing, map, error or image file appeared.
    EXPECT_EQ(listing(), filesBefore);
    // The file on disk was never touched either.
    EXPECT_EQ(dir.read("INC/LEVEL2.INC"), "DEEP    EQU     2AH\n");
}

TEST_F(ServerTest, DefinitionReferencesAndRenameCrossTwoIncludeLevels) {
    writeThreeLevels(dir);
    start({{"chip", "KXA1608"}});
    const std::string main = open(dir.path() / "MAIN.ASM");
    const std::string level2 = uriFromPath(dir.path() / "INC/LEVEL2.INC");
    const std::string level1 = uriFromPath(dir.path() / "LEVEL1.INC");

    const json def = result("textDocument/definition", pos(main, 2, 18));
    ASSERT_EQ(def.size(), 1u) << def.dump();
    EXPECT_EQ(def[0]["uri"], level2);
    EXPECT_EQ(def[0]["range"]["start"], json({{"line", 0}, {"character", 0}}));

    json refsParams = pos(main, 2, 17);
    refsParams["context"] = {{"includeDeclaration", true}};
    const json refs = result("textDocument/references", refsParams);
    std::set<std::pair<std::string, int>> where;
    for (const json& r : refs)
        where.emplace(r["uri"].get<std::string>(), r["range"]["start"]["line"].get<int>());
    EXPECT_EQ(where, (std::set<std::pair<std::string, int>>{{main, 2}, {level1, 1}, {level2, 0}}));

    // A name that is taken is refused in words; a free one changes every file.
    const json clash = request("textDocument/rename", [&] {
        json p = pos(main, 2, 17);
        p["newName"] = "sub1";
        return p;
    }());
    ASSERT_TRUE(clash.contains("error"));
    EXPECT_EQ(clash["error"]["message"],
              "\"SUB1\" would clash with the label SUB1 defined in LEVEL1.INC line 2");
    json p = pos(main, 2, 17);
    p["newName"] = "Deeper";
    const json edit = result("textDocument/rename", p);
    ASSERT_EQ(edit["changes"].size(), 3u) << edit.dump();
    EXPECT_EQ(edit["changes"][level2][0]["newText"], "DEEPER");
    EXPECT_EQ(edit["changes"][main][0]["range"]["start"], json({{"line", 2}, {"character", 16}}));

    const json symbols = result("textDocument/documentSymbol", {{"textDocument", {{"uri", main}}}});
    ASSERT_EQ(symbols.size(), 1u);
    EXPECT_EQ(symbols[0]["name"], "START");
    EXPECT_EQ(symbols[0]["detail"], "label 10H (16)");
    const json ws = result("workspace/symbol", {{"query", "dee"}});
    ASSERT_EQ(ws.size(), 1u);
    EXPECT_EQ(ws[0]["location"]["uri"], level2);
}

TEST_F(ServerTest, MacrosFoldHighlightAndKeepLocalNamesInside) {
    dir.write("M.ASM", "TWICE   MACRO   SRC, DST\n"
                       "CNT     LOCAL   2\n"
                       "        IF      1\n"
                       "        MVF     SRC, 0\n"
                       "        ENDIF\n"
                       "        MVL     CNT\n"
                       "        ENDM\n"
                       "CNT     EQU     7\n"
                       "        TWICE   20H, 21H\n"
                       "        MVL     CNT\n");
    start({{"chip", "KXA1608"}});
    const std::string uri = open(dir.path() / "M.ASM");
    EXPECT_TRUE(diagnostics()[uri].empty()) << diagnostics()[uri].dump();
    const json folds = result("textDocument/foldingRange", {{"textDocument", {{"uri", uri}}}});
    std::set<std::pair<int, int>> ranges;
    for (const json& f : folds)
        ranges.emplace(f["startLine"].get<int>(), f["endLine"].get<int>());
    EXPECT_EQ(ranges, (std::set<std::pair<int, int>>{{0, 6}, {2, 4}}));
    // CNT inside the macro is the LOCAL one, outside it is the EQU.
    EXPECT_EQ(result("textDocument/definition", pos(uri, 5, 17))[0]["range"]["start"]["line"], 1);
    EXPECT_EQ(result("textDocument/definition", pos(uri, 9, 17))[0]["range"]["start"]["line"], 7);
    const json hl = result("textDocument/documentHighlight", pos(uri, 8, 9));
    ASSERT_EQ(hl.size(), 2u); // the definition and the call
    EXPECT_EQ(hl[0]["kind"], 3);
    const json sig = result("textDocument/signatureHelp", pos(uri, 8, 21));
    EXPECT_EQ(sig["signatures"][0]["label"], "TWICE SRC, DST");
    EXPECT_EQ(sig["activeParameter"], 1);
    const json hover = result("textDocument/hover", pos(uri, 8, 9));
    EXPECT_NE(hover["contents"]["value"].get<std::string>().find("macro (SRC, DST)"),
              std::string::npos);
}

TEST_F(ServerTest, HoverShowsSymbolsInstructionsRegistersAndNumbers) {
    copyHeader("KXA1608.INC");
    dir.write("H.ASM", "        INCLUDE KXA1608.INC\n"
                       "LIMIT   EQU     0C8H\n"
                       "        BSF     INTE0, GIE\n"
                       "        MVL     LIMIT\n");
    start({{"chip", "KXA1608"}});
    const std::string uri = open(dir.path() / "H.ASM");
    auto text = [&](int line, int ch) {
        const json h = result("textDocument/hover", pos(uri, line, ch));
        return h.is_null() ? std::string() : h["contents"]["value"].get<std::string>();
    };
    EXPECT_NE(text(3, 17).find("**LIMIT**: EQU = 0C8H (200)"), std::string::npos) << text(3, 17);
    EXPECT_NE(text(3, 17).find("Defined in H.ASM line 2"), std::string::npos);
    const std::string bsf = text(2, 9);
    EXPECT_NE(bsf.find("BSF f, b, a"), std::string::npos) << bsf;
    EXPECT_NE(bsf.find("Encoding: `"), std::string::npos);
    EXPECT_NE(bsf.find("Words: 1"), std::string::npos);
    // Measured on the engine: a bit set takes one cycle and leaves the flags alone.
    EXPECT_NE(bsf.find("Cycles: 1\n"), std::string::npos);
    EXPECT_NE(bsf.find("Flags: none"), std::string::npos);
    const std::string mvl = text(3, 9);
    EXPECT_NE(mvl.find("MVL k"), std::string::npos) << mvl;
    const std::string inte0 = text(2, 17);
    EXPECT_NE(inte0.find("register at 023H, bank 0"), std::string::npos) << inte0;
    EXPECT_NE(inte0.find("| GIE |"), std::string::npos);
    EXPECT_NE(text(2, 24).find("Bit 7 of INTE0"), std::string::npos) << text(2, 24);
    EXPECT_EQ(text(1, 17), "0C8H = 200 = 1100_1000B");
}

TEST_F(ServerTest, CompletionOffersOnlyTheChipsCoreAndTheRegistersBits) {
    copyHeader("KXA1608.INC");
    copyHeader("KXB0402.INC");
    dir.write("A.ASM", "        INCLUDE KXA1608.INC\n"
                       "M1      MACRO   X\n        ENDM\n"
                       "        \n"
                       "        BSF     INTE0, \n");
    dir.write("B.ASM", "        INCLUDE KXB0402.INC\n"
                       "        \n");
    // More labels than one answer holds, then an operand being typed.
    std::string many = "        MVL     ST\n";
    for (int i = 0; i < 600; ++i)
        many += "L" + std::to_string(i) + ":  NOP\n";
    dir.write("C.ASM", many);
    start();
    const std::string a = open(dir.path() / "A.ASM");
    const std::string b = open(dir.path() / "B.ASM");
    auto labels = [&](const std::string& uri, int line, int ch) {
        std::set<std::string> out;
        const json list = result("textDocument/completion", pos(uri, line, ch));
        for (const json& i : list["items"])
            out.insert(i["label"].get<std::string>());
        return out;
    };
    const auto aOps = labels(a, 3, 8);
    const auto bOps = labels(b, 1, 8);
    // MULF and RCALL are CX4A instructions the CX4B core lacks (the chip comes from the
    // INCLUDEd header).
    EXPECT_TRUE(aOps.count("MULF") && aOps.count("RCALL") && aOps.count("EQU") && aOps.count("M1"))
        << ::testing::PrintToString(aOps);
    EXPECT_TRUE(bOps.count("CALL") && bOps.count("EQU"));
    EXPECT_FALSE(bOps.count("MULF") || bOps.count("RCALL"));
    const auto bits = labels(a, 4, 23);
    EXPECT_TRUE(bits.count("GIE") && bits.count("E0IE") && bits.count("INTE0"));
    EXPECT_FALSE(bits.count("MULF"));
    const std::string c = open(dir.path() / "C.ASM");
    const auto st = labels(c, 0, 18);
    EXPECT_TRUE(st.count("STATUS") && st.count("STKPTR")) << ::testing::PrintToString(st);
    EXPECT_TRUE(std::all_of(st.begin(), st.end(), [](const std::string& l) {
        return l.starts_with("ST");
    })) << ::testing::PrintToString(st);
    const json all = result("textDocument/completion", pos(c, 0, 16));
    EXPECT_TRUE(all["isIncomplete"].get<bool>());
    EXPECT_EQ(all["items"].size(), 500u);
    const json ops = result("textDocument/completion", pos(a, 3, 8));
    const auto m1 = std::find_if(ops["items"].begin(), ops["items"].end(),
                                 [](const json& i) { return i["label"] == "M1"; });
    ASSERT_NE(m1, ops["items"].end());
    EXPECT_EQ((*m1)["insertText"], "M1 ${1:X}");
}

TEST_F(ServerTest, FormattingAlignsColumnsAndChangesNothingElse) {
    const InstructionSet cx4a(CoreType::CX4A);
    LineClassifier words;
    words.instructions = &cx4a;
    EXPECT_EQ(formatLine("start: mvl 5 ;go", words), "start:  mvl     5               ;go");
    EXPECT_EQ(formatLine("  addf  sum ,  1,0   ; add", words),
              "        addf    sum ,  1,0      ; add");
    // An indented word that is no operation is a label to the assembler.
    EXPECT_EQ(formatLine("   here: NOP", words), "here:   NOP");
    EXPECT_EQ(formatLine("; a comment stays", words), "; a comment stays");
    EXPECT_EQ(formatLine("      ; so does this one", words), "      ; so does this one");
    EXPECT_EQ(formatLine("VERYLONGLABEL EQU 1", words), "VERYLONGLABEL EQU 1");
    EXPECT_EQ(formatLine("  DB 'a, b'", words), "  DB 'a, b'");
    EXPECT_EQ(formatLine(" NOP\r", words), "        NOP\r");
    dir.write("F.ASM", "x equ 1\n        NOP\n");
    start();
    const std::string uri = open(dir.path() / "F.ASM");
    const json edits =
        result("textDocument/formatting", {{"textDocument", {{"uri", uri}}},
                                           {"options", {{"tabSize", 8}, {"insertSpaces", true}}}});
    ASSERT_EQ(edits.size(), 1u) << edits.dump();
    EXPECT_EQ(edits[0]["newText"], "x       equ     1");
}

TEST_F(ServerTest, SemanticTokensColourAMacroHeavyFile) {
    dir.write("S.ASM", "ADD2    MACRO   A\n"
                       "        ADDL    A ; add\n"
                       "        ENDM\n"
                       "        ADD2    10H\n");
    start({{"chip", "KXA1608"}});
    const std::string uri = open(dir.path() / "S.ASM");
    const json data =
        result("textDocument/semanticTokens/full", {{"textDocument", {{"uri", uri}}}})["data"];
    ASSERT_EQ(data.size() % 5, 0u);
    // Decoded: (line, start, length, type).
    std::vector<std::array<int, 4>> tokens;
    int line = 0, ch = 0;
    for (size_t i = 0; i < data.size(); i += 5) {
        line += data[i].get<int>();
        ch = data[i].get<int>() == 0 && i ? ch + data[i + 1].get<int>() : data[i + 1].get<int>();
        tokens.push_back({line, ch, data[i + 2].get<int>(), data[i + 3].get<int>()});
    }
    const std::vector<std::array<int, 4>> expected = {{0, 0, 4, 3},  {0, 8, 5, 2},  {1, 8, 4, 1},
                                                      {1, 16, 1, 9}, {1, 18, 5, 8}, {2, 8, 4, 2},
                                                      {3, 8, 4, 3},  {3, 16, 3, 7}};
    EXPECT_EQ(tokens, expected);
}

TEST_F(ServerTest, CodeActionsForTheOtherCoreAndARegisterName) {
    // MULF is a CX4A instruction; the CX4B core does not have it.
    dir.write("C.ASM", "        MULF    20H\n        MVL     INTE0\n");
    start({{"chip", "KXB0402"}});
    const std::string uri = open(dir.path() / "C.ASM");
    const json diags = diagnostics()[uri];
    ASSERT_FALSE(diags.empty());
    EXPECT_EQ(diags[0]["message"], "Illegal Symbol [MULF]");
    const json hover = result("textDocument/hover", pos(uri, 0, 9));
    EXPECT_NE(hover.dump().find("does not exist on the CX4B core of KXB0402"), std::string::npos)
        << hover.dump();
    const json actions = result("textDocument/codeAction", {{"textDocument", {{"uri", uri}}},
                                                            {"range", diags[0]["range"]},
                                                            {"context", {{"diagnostics", diags}}}});
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions[0]["title"].get<std::string>().rfind(
                  "this mnemonic is CX4A; the file's chip is CX4B", 0),
              0u);
    EXPECT_EQ(actions[0]["command"]["command"], "zerka.useChip");
    // After the chip changes, the same file assembles.
    result("workspace/executeCommand",
           {{"command", "zerka.useChip"}, {"arguments", actions[0]["command"]["arguments"]}});
    const json after = diagnostics()[uri];
    for (const json& d : after)
        EXPECT_NE(d["code"], 8) << d.dump();

    const json undefined = {
        {"range",
         {{"start", {{"line", 1}, {"character", 16}}}, {"end", {{"line", 1}, {"character", 21}}}}},
        {"code", 5},
        {"source", "zerka"},
        {"message", "Undefined Symbol [INTE0]"}};
    result("workspace/executeCommand", {{"command", "zerka.useChip"}, {"arguments", {"KXA1608"}}});
    const json fix =
        result("textDocument/codeAction", {{"textDocument", {{"uri", uri}}},
                                           {"range", undefined["range"]},
                                           {"context", {{"diagnostics", {undefined}}}}});
    ASSERT_EQ(fix.size(), 1u) << fix.dump();
    EXPECT_EQ(fix[0]["edit"]["changes"][uri][0]["newText"], "INTE0   EQU     023H\n");
}

TEST_F(ServerTest, ProtocolMistakesGetErrorAnswersNotSilence) {
    EXPECT_EQ(request("textDocument/hover", json::object())["error"]["code"],
              kServerNotInitialized);
    start();
    EXPECT_EQ(request("no/such", json::object())["error"]["code"], kMethodNotFound);
    EXPECT_EQ(request("textDocument/hover", {{"textDocument", 5}})["error"]["code"],
              kInvalidParams);
    EXPECT_EQ(request("textDocument/hover", pos("file:///x.asm", -1, 0))["error"]["code"],
              kInvalidParams);
    sent.clear();
    server.handle(json::array({1, 2}));
    server.handle({{"jsonrpc", "2.0"}, {"id", json::object()}, {"method", "shutdown"}});
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]["error"]["code"], kInvalidRequest);
    EXPECT_TRUE(sent[0]["id"].is_null());
    EXPECT_EQ(sent[1]["error"]["code"], kInvalidRequest);
    // A change to a document that is not open, or out of its range, is ignored.
    notify("textDocument/didChange",
           {{"textDocument", {{"uri", "file:///nope.asm"}, {"version", 2}}},
            {"contentChanges", {{{"text", "x"}}}}});
    EXPECT_TRUE(result("shutdown", json()).is_null());
    EXPECT_EQ(request("textDocument/hover", pos("file:///x.asm", 0, 0))["error"]["code"],
              kInvalidRequest);
    notify("exit", json::object());
    EXPECT_TRUE(server.exitRequested());
    EXPECT_EQ(server.exitCode(), 0);
}

} // namespace
} // namespace zerka::lsp
