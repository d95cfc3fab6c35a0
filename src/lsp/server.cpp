#include "lsp/server.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

#include "asm/cut_li_para_source.h"
#include "asm/source_line.h"
#include "core/number.h"
#include "core/path_lookup.h"
#include "core/text.h"
#include "editor/asm_tokens.h"
#include "lsp/framing.h"
#include "upcentre/core/instruction_tables.h"

namespace zerka::lsp {
namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

// Thrown by a handler for a request it cannot answer; becomes an error response.
struct RequestError {
    int code;
    std::string message;
};

const json& need(const json& params, const char* key) {
    if (!params.is_object() || !params.contains(key))
        throw RequestError{kInvalidParams, std::string("missing \"") + key + "\""};
    return params.at(key);
}

std::string needString(const json& params, const char* key) {
    const json& v = need(params, key);
    if (!v.is_string())
        throw RequestError{kInvalidParams, std::string("\"") + key + "\" is not a string"};
    return v.get<std::string>();
}

int needInt(const json& params, const char* key) {
    const json& v = need(params, key);
    if (!v.is_number_integer())
        throw RequestError{kInvalidParams, std::string("\"") + key + "\" is not an integer"};
    const int64_t n = v.get<int64_t>();
    if (n < 0 || n > (1 << 30))
        throw RequestError{kInvalidParams, std::string("\"") + key + "\" is out of range"};
    return int(n);
}

std::string hex(uint32_t v, int digits) {
    static const char* d = "0123456789ABCDEF";
    std::string s(size_t(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        s[size_t(i)] = d[v & 15];
    return s;
}

// Hexadecimal in the assembler's notation: a leading 0 before a letter, then "H".
std::string hexNotation(uint32_t v, int digits) {
    std::string h = hex(v, digits);
    if (h[0] > '9') h = "0" + h;
    return h + "H";
}

// The value in the assembler's notation and in decimal.
std::string valueText(int32_t v) {
    const uint32_t u = uint32_t(v);
    return hexNotation(u, u > 0xFFFF ? 8 : u > 0xFF ? 4 : 2) + " (" + std::to_string(v) + ")";
}

const char* kindText(SymbolKind k) {
    switch (k) {
    case SymbolKind::Label:
        return "label";
    case SymbolKind::Equ:
        return "EQU";
    case SymbolKind::Set:
        return "SET";
    case SymbolKind::Ds:
        return "DS";
    case SymbolKind::Macro:
        return "macro";
    case SymbolKind::Define:
        return "DEFINE";
    case SymbolKind::Local:
        return "LOCAL";
    case SymbolKind::Extern:
        return "EXTERN";
    }
    return "symbol";
}

int lspSymbolKind(SymbolKind k) {
    switch (k) {
    case SymbolKind::Macro:
        return 12; // Function
    case SymbolKind::Label:
        return 20; // Key... shown as a place in code
    case SymbolKind::Equ:
    case SymbolKind::Define:
        return 14; // Constant
    default:
        return 13; // Variable
    }
}

// The operand placeholders of an instruction, from how it addresses memory.
std::string syntaxOf(const InstructionDef& d) {
    std::string s = d.mnemonic;
    std::vector<std::string> ops;
    switch (fileOperationGroup(d.id)) {
    case FileOperationGroup::ByteWithDestination:
        ops = {"f", "d", "a"};
        break;
    case FileOperationGroup::Bit:
        ops = {"f", "b", "a"};
        break;
    case FileOperationGroup::FileBankInOperand2:
        ops = {"f", "a"};
        break;
    case FileOperationGroup::None:
        for (int i = 0; i < d.operandCount; ++i)
            ops.push_back(d.relative != RelativeKind::None || d.isTwoWord() ? "addr" : "k");
        if (d.id == OpId::MVFF) ops = {"fs", "fd"};
        break;
    }
    ops.resize(
        std::min<size_t>(ops.size(), std::max<size_t>(d.operandCount, d.id == OpId::MVFF ? 2 : 0)));
    for (size_t i = 0; i < ops.size(); ++i)
        s += (i == 0 ? " " : ", ") + ops[i];
    if (d.lastOperandOptional && !ops.empty()) s += "   (" + ops.back() + " may be left out)";
    return s;
}

std::string patternOf(CoreType core, const std::string& mnemonic) {
    for (std::string_view l : builtInTableLines(core)) {
        if (!l.starts_with(mnemonic)) continue;
        if (l.size() > mnemonic.size() && l[mnemonic.size()] != ' ' && l[mnemonic.size()] != '\t')
            continue;
        std::string_view rest = l.substr(mnemonic.size());
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        return std::string(rest);
    }
    return {};
}

std::string instructionHover(const ChipSetup& chip, const InstructionDef& d, bool thisCore,
                             InstructionFactsCache& cache) {
    const CoreType core = thisCore ? chip.instructions.core() : chip.otherCore.core();
    const InstructionFacts& f = cache.facts(thisCore ? chip.instructions : chip.otherCore, d);
    std::string s = "```\n" + syntaxOf(d) + "\n```\n";
    if (d.alias != d.mnemonic) s += "Alias: " + d.alias + "\n\n";
    s += "Encoding: `" + patternOf(core, d.mnemonic) + "`\n\n";
    s += "Words: " + std::to_string(d.isTwoWord() ? 2 : 1) + "\n\n";
    s += "Cycles: " + std::to_string(f.minCycles);
    if (f.maxCycles > f.minCycles)
        s += " (" + std::to_string(f.maxCycles) + " when it branches or skips)";
    s += "\n\nFlags: " + flagNames(f.flags) + "\n\n";
    s += "Core: " + std::string(coreTypeName(core));
    if (!thisCore)
        s += "\n\n" + d.mnemonic + " does not exist on the " + chip.coreName() + " core of " +
             (chip.name.empty() ? std::string("the chip") : chip.name) + ".";
    return s;
}

std::string registerHover(const RegisterInfo& r) {
    std::string s = "**" + r.name + "** register at " + hexNotation(r.address, 3) + ", bank " +
                    std::to_string(r.address >> 8);
    if (r.word) s += " (16 bits, high byte address)";
    if (!r.description.empty()) s += "\n\n" + r.description;
    bool anyBit = false;
    for (const std::string& b : r.bits)
        anyBit = anyBit || !b.empty();
    if (anyBit) {
        s += "\n\n| 7 | 6 | 5 | 4 | 3 | 2 | 1 | 0 |\n|---|---|---|---|---|---|---|---|\n|";
        for (const std::string& b : r.bits)
            s += " " + b + " |";
    }
    return s;
}

// More completion items than this are left to the editor asking again as the word grows.
constexpr size_t kCompletionMax = 500;

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '@' || c == '?' || c == '.' || c == '$';
}

std::string numberHover(int32_t v) {
    const uint32_t u = uint32_t(v);
    std::string bin;
    const int bits = u > 0xFFFF ? 32 : u > 0xFF ? 16 : 8;
    for (int i = bits - 1; i >= 0; --i) {
        bin += (u >> i) & 1 ? '1' : '0';
        if (i % 4 == 0 && i) bin += '_';
    }
    return hexNotation(u, bits / 4) + " = " + std::to_string(v) + " = " + bin + "B";
}

} // namespace

Server::Server(Sender send) : send_(std::move(send)) {}

void Server::notify(const std::string& method, const json& params) {
    send_(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
}

void Server::protocolError(int code, const std::string& message) {
    send_(json{
        {"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::handle(const json& message) {
    if (!message.is_object()) {
        protocolError(kInvalidRequest, "a message must be a JSON object");
        return;
    }
    const bool hasId = message.contains("id");
    json id = hasId ? message["id"] : json();
    if (hasId && !id.is_string() && !id.is_number_integer() && !id.is_null()) {
        protocolError(kInvalidRequest, "the id must be a number or a string");
        return;
    }
    if (!message.contains("method")) return; // a response to something we never ask
    if (!message["method"].is_string()) {
        if (hasId)
            send_(json{{"jsonrpc", "2.0"},
                       {"id", id},
                       {"error",
                        {{"code", kInvalidRequest}, {"message", "the method must be a string"}}}});
        return;
    }
    const std::string method = message["method"];
    const json params = message.value("params", json::object());
    try {
        if (!initialized_ && method != "initialize" && method != "exit") {
            if (hasId) throw RequestError{kServerNotInitialized, "the server is not initialized"};
            return;
        }
        if (shutdown_ && method != "exit") {
            if (hasId) throw RequestError{kInvalidRequest, "the server is shutting down"};
            return;
        }
        json result = dispatch(method, params);
        if (hasId) send_(json{{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
    } catch (const RequestError& e) {
        if (hasId)
            send_(json{{"jsonrpc", "2.0"},
                       {"id", id},
                       {"error", {{"code", e.code}, {"message", e.message}}}});
    } catch (const json::exception& e) {
        if (hasId)
            send_(json{{"jsonrpc", "2.0"},
                       {"id", id},
                       {"error", {{"code", kInvalidParams}, {"message", e.what()}}}});
    } catch (const std::exception& e) {
        if (hasId)
            send_(json{{"jsonrpc", "2.0"},
                       {"id", id},
                       {"error", {{"code", kInternalError}, {"message", e.what()}}}});
    }
}

json Server::dispatch(const std::string& method, const json& params) {
    if (method == "initialize") return initialize(params);
    if (method == "initialized") return nullptr;
    if (method == "shutdown") {
        shutdown_ = true;
        return nullptr;
    }
    if (method == "exit") {
        exit_ = true;
        return nullptr;
    }
    if (method == "textDocument/didOpen") {
        const json& td = need(params, "textDocument");
        const std::string uri = needString(td, "uri");
        docs_.open(uri, needString(td, "text"), td.value("version", int64_t(0)));
        if (const Document* d = docs_.byUri(uri)) schedule(fileKey(d->path));
        return nullptr;
    }
    if (method == "textDocument/didChange") {
        const json& td = need(params, "textDocument");
        const std::string uri = needString(td, "uri");
        std::vector<TextEdit> edits;
        for (const json& c : need(params, "contentChanges")) {
            TextEdit e;
            e.text = needString(c, "text");
            if (c.contains("range")) {
                const json& r = c["range"];
                e.start = TextPosition{needInt(need(r, "start"), "line"),
                                       needInt(r["start"], "character")};
                e.end =
                    TextPosition{needInt(need(r, "end"), "line"), needInt(r["end"], "character")};
            }
            edits.push_back(std::move(e));
        }
        if (docs_.change(uri, edits, td.value("version", int64_t(0))))
            if (const Document* d = docs_.byUri(uri)) schedule(fileKey(d->path));
        return nullptr;
    }
    if (method == "textDocument/didClose") {
        const std::string uri = needString(need(params, "textDocument"), "uri");
        const Document* d = docs_.byUri(uri);
        if (!d) return nullptr;
        const std::string key = fileKey(d->path);
        docs_.close(uri);
        // A file that was its own build and is no longer open has nothing to show.
        auto b = builds_.find(key);
        if (b != builds_.end()) {
            bool stillOpen = false;
            for (const AnalysedFile& f : b->second.files)
                stillOpen = stillOpen || docs_.byPath(f.path);
            if (!stillOpen) {
                for (const std::string& u : published_[key])
                    notify("textDocument/publishDiagnostics",
                           {{"uri", u}, {"diagnostics", json::array()}});
                published_.erase(key);
                for (auto it = buildOfFile_.begin(); it != buildOfFile_.end();)
                    it = it->second == key ? buildOfFile_.erase(it) : std::next(it);
                builds_.erase(b);
                return nullptr;
            }
        }
        schedule(key);
        return nullptr;
    }
    if (method == "textDocument/didSave") return nullptr;
    if (method == "workspace/didChangeConfiguration") {
        json s = params.value("settings", json::object());
        if (s.is_object() && s.contains("zerka")) s = s["zerka"];
        applySettings(s);
        scheduleAll();
        return nullptr;
    }
    if (method == "textDocument/definition" || method == "textDocument/declaration")
        return definition(params);
    if (method == "textDocument/references") return references(params, false);
    if (method == "textDocument/documentHighlight") return references(params, true);
    if (method == "textDocument/documentSymbol") return documentSymbol(params);
    if (method == "workspace/symbol") return workspaceSymbol(params);
    if (method == "textDocument/foldingRange") return foldingRange(params);
    if (method == "textDocument/rename") return rename(params);
    if (method == "textDocument/prepareRename") return prepareRename(params);
    if (method == "textDocument/hover") return hover(params);
    if (method == "textDocument/completion") return completion(params);
    if (method == "textDocument/signatureHelp") return signatureHelp(params);
    if (method == "textDocument/semanticTokens/full") return semanticTokens(params);
    if (method == "textDocument/formatting") return formatting(params);
    if (method == "textDocument/codeAction") return codeAction(params);
    if (method == "workspace/executeCommand") return executeCommand(params);
    if (method.starts_with("$/")) return nullptr; // optional notifications
    throw RequestError{kMethodNotFound, "unknown method \"" + method + "\""};
}

void Server::applySettings(const json& o) {
    if (!o.is_object()) return;
    auto str = [&](const char* k) {
        return o.contains(k) && o[k].is_string() ? o[k].get<std::string>() : std::string();
    };
    auto flag = [&](const char* k) -> std::optional<bool> {
        if (o.contains(k) && o[k].is_boolean()) return o[k].get<bool>();
        return std::nullopt;
    };
    BuildSettings s;
    s.chip = str("chip");
    s.lib = str("lib");
    s.main = str("main");
    if (!s.main.empty()) s.main = fs::absolute(s.main).lexically_normal();
    s.assembleOnly = flag("assemble-only").value_or(false);
    s.smart = flag("smart");
    s.optimize = flag("optimize");
    s.protect = flag("protect");
    s.wdtJmp0 = flag("wdt-jmp0");
    s.fill = str("fill");
    s.acm = str("acm");
    clientSettings_ = s;
}

json Server::initialize(const json& params) {
    initialized_ = true;
    if (params.is_object() && params.contains("initializationOptions"))
        applySettings(params["initializationOptions"]);
    json legend = {{"tokenTypes",
                    {"label", "keyword", "macro", "function", "variable", "property", "enumMember",
                     "number", "comment", "parameter"}},
                   {"tokenModifiers", {"declaration", "defaultLibrary"}}};
    return {{"capabilities",
             {{"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", true}}},
              {"definitionProvider", true},
              {"declarationProvider", true},
              {"referencesProvider", true},
              {"documentHighlightProvider", true},
              {"documentSymbolProvider", true},
              {"workspaceSymbolProvider", true},
              {"foldingRangeProvider", true},
              {"renameProvider", {{"prepareProvider", true}}},
              {"hoverProvider", true},
              {"completionProvider", {{"triggerCharacters", {",", " "}}}},
              {"signatureHelpProvider", {{"triggerCharacters", {" ", ","}}}},
              {"semanticTokensProvider", {{"legend", legend}, {"full", true}}},
              {"documentFormattingProvider", true},
              {"codeActionProvider", true},
              {"executeCommandProvider", {{"commands", {"zerka.useChip"}}}}}},
            {"serverInfo", {{"name", "zerka"}, {"version", "1"}}}};
}

void Server::schedule(const std::string& key) {
    changed_.insert(key);
    deadline_ = Clock::now() + debounce_;
}

void Server::scheduleAll() {
    rebuildAll_ = true;
    deadline_ = Clock::now() + debounce_;
}

std::shared_ptr<ChipSetup> Server::chipFor(const std::string& chip) {
    const std::string cacheKey = clientSettings_.lib.string() + "|" + chip;
    auto it = chips_.find(cacheKey);
    if (it != chips_.end()) return it->second;
    auto s = loadChip(clientSettings_.lib, chip);
    chips_[cacheKey] = s;
    return s;
}

fs::path Server::mainFor(const fs::path& file, BuildSettings& settings) {
    settings = clientSettings_;
    const std::string key = fileKey(file);
    if (!settings.main.empty()) {
        auto b = builds_.find(fileKey(settings.main));
        if (b == builds_.end() || b->second.file(key) || key == fileKey(settings.main))
            return settings.main;
    }
    const std::shared_ptr<ChipSetup> base = chipFor("");
    if (settings.chip.empty() || settings.main.empty()) {
        if (const auto project = findProjectFile(file.parent_path())) {
            BuildSettings p = settings;
            if (base->library && readProjectFile(*project, *base->library, p)) {
                if (settings.chip.empty()) settings.chip = p.chip;
                if (!settings.smart) settings.smart = p.smart;
                if (!settings.protect) settings.protect = p.protect;
                if (settings.main.empty() && !p.main.empty()) return p.main;
            }
        }
    }
    auto owner = buildOfFile_.find(key);
    if (owner != buildOfFile_.end() && owner->second != key) {
        auto b = builds_.find(owner->second);
        if (b != builds_.end()) return b->second.main;
    }
    return file;
}

void Server::analyseBuild(const fs::path& main, const BuildSettings& settingsIn) {
    BuildSettings settings = settingsIn;
    if (settings.chip.empty()) {
        std::string text;
        const std::shared_ptr<ChipSetup> base = chipFor("");
        if (base->library && docs_.read(main, text))
            settings.chip = chipNamedByIncludes(text, *base->library);
    }
    std::shared_ptr<ChipSetup> chip = chipFor(settings.chip);
    if (!chip->error.empty() && !settings.chip.empty()) chip = chipFor("");
    const std::string mainKey = fileKey(main);
    Analysis a = analyse(main, chip, settings, docs_);
    for (auto it = buildOfFile_.begin(); it != buildOfFile_.end();)
        it = it->second == mainKey ? buildOfFile_.erase(it) : std::next(it);
    for (const AnalysedFile& f : a.files) {
        // A file that was its own build is now analysed as part of this one.
        if (f.key != mainKey && builds_.count(f.key)) {
            builds_.erase(f.key);
            published_.erase(f.key);
        }
        buildOfFile_[f.key] = mainKey;
    }
    publish(a, mainKey);
    builds_[mainKey] = std::move(a);
}

json Server::range(const Analysis& a, size_t file, const LineSpan& span) const {
    const std::string_view text = a.files[file].line(span.line);
    return {{"start", {{"line", span.line}, {"character", utf16Column(text, span.start)}}},
            {"end", {{"line", span.line}, {"character", utf16Column(text, span.end)}}}};
}

json Server::location(const Analysis& a, size_t file, const LineSpan& span) const {
    return {{"uri", uriFromPath(a.files[file].path)}, {"range", range(a, file, span)}};
}

void Server::publish(const Analysis& a, const std::string& mainKey) {
    std::set<std::string> now;
    for (size_t f = 0; f < a.files.size(); ++f) {
        const AnalysedFile& file = a.files[f];
        const Document* doc = docs_.byPath(file.path);
        const std::string uri = doc ? doc->uri : uriFromPath(file.path);
        json list = json::array();
        for (const Diagnostic& d : file.diagnostics) {
            list.push_back({{"range", range(a, f, d.span)},
                            {"severity", 1},
                            {"code", d.code},
                            {"source", "zerka"},
                            {"message", d.message}});
        }
        if (list.empty() && !published_[mainKey].count(uri) && !doc) continue;
        json p = {{"uri", uri}, {"diagnostics", list}};
        if (doc) p["version"] = doc->version;
        notify("textDocument/publishDiagnostics", p);
        if (!list.empty()) now.insert(uri);
    }
    // Files that left the build lose what this build said about them.
    for (const std::string& uri : published_[mainKey]) {
        bool still = false;
        for (const AnalysedFile& f : a.files) {
            const Document* doc = docs_.byPath(f.path);
            still = still || (doc ? doc->uri : uriFromPath(f.path)) == uri;
        }
        if (!still)
            notify("textDocument/publishDiagnostics",
                   {{"uri", uri}, {"diagnostics", json::array()}});
    }
    published_[mainKey] = std::move(now);
}

bool Server::tick(bool force) {
    if (!deadline_) return false;
    if (!force && Clock::now() < *deadline_) return false;
    deadline_.reset();
    // The builds to run again: those holding a changed file, and one for every open document
    // that no build holds yet.
    std::map<std::string, std::pair<fs::path, BuildSettings>> runs;
    auto add = [&](const fs::path& file) {
        BuildSettings s;
        const fs::path main = mainFor(file, s);
        runs[fileKey(main)] = {main, s};
    };
    if (rebuildAll_) {
        builds_.clear();
        buildOfFile_.clear();
    }
    for (const auto& [key, main] : buildOfFile_)
        if (changed_.count(key) && builds_.count(main)) runs[main] = {builds_[main].main, {}};
    for (auto& [key, run] : runs) {
        BuildSettings s;
        mainFor(run.first, s);
        run.second = s;
    }
    for (const Document* d : docs_.all()) {
        const std::string key = fileKey(d->path);
        if (d->path.empty()) continue;
        if (!buildOfFile_.count(key) || changed_.count(key) || rebuildAll_) {
            if (buildOfFile_.count(key) && builds_.count(buildOfFile_[key]) && !rebuildAll_)
                continue;
            add(d->path);
        }
    }
    changed_.clear();
    rebuildAll_ = false;
    std::set<std::string> done;
    for (const auto& [key, run] : runs) {
        // A file found to be part of a build analysed just now is not a build of its own.
        const auto owner = buildOfFile_.find(key);
        if (owner != buildOfFile_.end() && owner->second != key && done.count(owner->second))
            continue;
        analyseBuild(run.first, run.second);
        done.insert(key);
    }
    return !runs.empty();
}

const Analysis* Server::analysisFor(const std::string& uri) {
    tick(true);
    const Document* d = docs_.byUri(uri);
    fs::path path = d ? d->path : pathFromUri(uri).value_or(fs::path());
    if (path.empty()) return nullptr;
    const std::string key = fileKey(path);
    auto owner = buildOfFile_.find(key);
    if (owner == buildOfFile_.end()) {
        BuildSettings s;
        const fs::path main = mainFor(path, s);
        analyseBuild(main, s);
        owner = buildOfFile_.find(key);
        if (owner == buildOfFile_.end()) return nullptr;
    }
    auto b = builds_.find(owner->second);
    return b == builds_.end() ? nullptr : &b->second;
}

std::optional<Server::DocumentFile> Server::documentFileOf(const json& params) {
    const std::string uri = needString(need(params, "textDocument"), "uri");
    const Analysis* a = analysisFor(uri);
    if (!a) return std::nullopt;
    const Document* d = docs_.byUri(uri);
    const size_t f = a->fileIndex(fileKey(d ? d->path : *pathFromUri(uri)));
    if (f >= a->files.size()) return std::nullopt;
    return DocumentFile{a, f};
}

std::optional<Server::Place> Server::placeOf(const json& params) {
    needString(need(params, "textDocument"), "uri");
    const json& pos = need(params, "position");
    const int line = needInt(pos, "line");
    const int character = needInt(pos, "character");
    const auto doc = documentFileOf(params);
    if (!doc) return std::nullopt;
    Place p;
    p.analysis = doc->analysis;
    p.file = doc->file;
    p.line = line;
    p.lineText = std::string(doc->analysis->files[doc->file].line(line));
    p.column = byteColumn(p.lineText, character);
    return p;
}

std::vector<std::pair<size_t, const Token*>> Server::occurrences(const Analysis& a,
                                                                 int symbol) const {
    std::vector<std::pair<size_t, const Token*>> out;
    for (size_t f = 0; f < a.files.size(); ++f)
        for (const Token& t : a.files[f].tokens)
            if (t.symbol == symbol) out.emplace_back(f, &t);
    return out;
}

json Server::definition(const json& params) {
    const auto p = placeOf(params);
    if (!p) return nullptr;
    const Token* t = p->analysis->tokenAt(p->file, p->line, p->column);
    if (!t || t->symbol < 0) return nullptr;
    const SymbolDef& d = p->analysis->symbols[size_t(t->symbol)];
    return json::array({location(*p->analysis, d.file, d.span)});
}

json Server::references(const json& params, bool highlight) {
    const auto p = placeOf(params);
    if (!p) return nullptr;
    const Token* t = p->analysis->tokenAt(p->file, p->line, p->column);
    if (!t || t->symbol < 0) return json::array();
    bool withDeclaration = true;
    if (params.contains("context") && params["context"].is_object())
        withDeclaration = params["context"].value("includeDeclaration", true);
    json out = json::array();
    for (const auto& [f, tok] : occurrences(*p->analysis, t->symbol)) {
        if (highlight) {
            if (f != p->file) continue;
            out.push_back(
                {{"range", range(*p->analysis, f, tok->span)}, {"kind", tok->definition ? 3 : 2}});
        } else if (withDeclaration || !tok->definition) {
            out.push_back(location(*p->analysis, f, tok->span));
        }
    }
    return out;
}

json Server::documentSymbol(const json& params) {
    const auto doc = documentFileOf(params);
    json out = json::array();
    if (!doc) return out;
    const Analysis* a = doc->analysis;
    const size_t f = doc->file;
    for (const SymbolDef& s : a->symbols) {
        if (s.file != f || s.kind == SymbolKind::Extern) continue;
        LineSpan whole = s.span;
        json r = range(*a, f, s.span);
        json full = r;
        if (s.kind == SymbolKind::Macro && s.endLine >= 0) {
            const std::string_view endm = a->files[f].line(s.endLine);
            full["start"]["character"] = 0;
            full["end"] = {{"line", s.endLine}, {"character", utf16Column(endm, endm.size())}};
        }
        (void)whole;
        std::string detail = kindText(s.kind);
        if (s.value)
            detail += " " + valueText(*s.value);
        else if (!s.operands.empty())
            detail += " " + s.operands;
        out.push_back({{"name", s.name},
                       {"detail", detail},
                       {"kind", lspSymbolKind(s.kind)},
                       {"range", full},
                       {"selectionRange", r}});
    }
    return out;
}

json Server::workspaceSymbol(const json& params) {
    tick(true);
    const std::string query = toUpperAscii(params.value("query", std::string()));
    json out = json::array();
    std::set<std::string> seen;
    for (const auto& [key, a] : builds_) {
        for (const SymbolDef& s : a.symbols) {
            if (s.kind == SymbolKind::Extern || s.kind == SymbolKind::Local) continue;
            if (!query.empty() && s.name.find(query) == std::string::npos) continue;
            const std::string id = a.files[s.file].key + ":" + std::to_string(s.span.line) + s.name;
            if (!seen.insert(id).second) continue;
            out.push_back({{"name", s.name},
                           {"kind", lspSymbolKind(s.kind)},
                           {"location", location(a, s.file, s.span)}});
            if (out.size() >= 1000) return out;
        }
    }
    return out;
}

json Server::foldingRange(const json& params) {
    const auto doc = documentFileOf(params);
    json out = json::array();
    if (!doc) return out;
    for (const auto& [s, e] : doc->analysis->files[doc->file].folds)
        if (e > s) out.push_back({{"startLine", s}, {"endLine", e}, {"kind", "region"}});
    return out;
}

json Server::prepareRename(const json& params) {
    const auto p = placeOf(params);
    if (!p) return nullptr;
    const Token* t = p->analysis->tokenAt(p->file, p->line, p->column);
    if (!t || t->symbol < 0) return nullptr;
    return {{"range", range(*p->analysis, p->file, t->span)}, {"placeholder", t->word}};
}

json Server::rename(const json& params) {
    const auto p = placeOf(params);
    const std::string wanted = needString(params, "newName");
    if (!p) throw RequestError{kRequestFailed, "the file is not part of an analysed build"};
    const Token* t = p->analysis->tokenAt(p->file, p->line, p->column);
    if (!t || t->symbol < 0)
        throw RequestError{kRequestFailed, "there is no symbol of the program here to rename"};
    const Analysis& a = *p->analysis;
    const SymbolDef& def = a.symbols[size_t(t->symbol)];
    const std::string name = toUpperAscii(wanted);
    bool valid = !name.empty() && name.size() <= SymbolEntry::kNameMax &&
                 !(name[0] >= '0' && name[0] <= '9');
    for (char c : name)
        valid = valid && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                          c == '@' || c == '?' || c == '.' || c == '$');
    if (!valid)
        throw RequestError{kRequestFailed,
                           "\"" + wanted + "\" is not a name the assembler accepts"};
    if (a.chip->instructions.isMnemonicOrAlias(name) || isDirectiveWord(name))
        throw RequestError{kRequestFailed,
                           "\"" + wanted + "\" is an instruction or directive word"};
    for (int other : a.findSymbols(name)) {
        const SymbolDef& o = a.symbols[size_t(other)];
        if (other == t->symbol) continue;
        if (o.kind == SymbolKind::Local && def.kind != SymbolKind::Local) continue;
        throw RequestError{kRequestFailed, "\"" + name + "\" would clash with the " +
                                               kindText(o.kind) + " " + o.name + " defined in " +
                                               a.files[o.file].path.filename().string() + " line " +
                                               std::to_string(o.span.line + 1)};
    }
    json changes = json::object();
    for (const auto& [f, tok] : occurrences(a, t->symbol)) {
        const Document* doc = docs_.byPath(a.files[f].path);
        const std::string uri = doc ? doc->uri : uriFromPath(a.files[f].path);
        if (!changes.contains(uri)) changes[uri] = json::array();
        changes[uri].push_back({{"range", range(a, f, tok->span)}, {"newText", name}});
    }
    return {{"changes", changes}};
}

json Server::hover(const json& params) {
    const auto p = placeOf(params);
    if (!p) return nullptr;
    const Analysis& a = *p->analysis;
    const Token* t = a.tokenAt(p->file, p->line, p->column);
    if (!t) return nullptr;
    std::string md;
    const ChipSetup& chip = *a.chip;
    // An instruction of the other core is no operation here: the assembler takes it for a label.
    const bool otherCore = t->kind != TokenKind::Mnemonic && t->kind != TokenKind::Number &&
                           chip.otherCore.isMnemonicOrAlias(t->word) &&
                           !chip.instructions.isMnemonicOrAlias(t->word) &&
                           (t->definition || t->kind == TokenKind::Unknown);
    if (otherCore) {
        md = instructionHover(chip, *chip.otherCore.findByMnemonicOrAlias(t->word), false, facts_);
    } else if (t->symbol >= 0) {
        const SymbolDef& d = a.symbols[size_t(t->symbol)];
        md = "**" + d.name + "**: " + kindText(d.kind);
        if (d.value) md += " = " + valueText(*d.value);
        if (d.kind == SymbolKind::Ds && !d.operands.empty()) md += ", " + d.operands + " bytes";
        if (d.kind == SymbolKind::Macro)
            md += d.operands.empty() ? " without parameters" : " (" + d.operands + ")";
        if (d.kind == SymbolKind::Local && !d.scope.empty()) md += " of macro " + d.scope;
        md += "\n\nDefined in " + a.files[d.file].path.filename().string() + " line " +
              std::to_string(d.span.line + 1);
        if (chip.chip) {
            if (const auto r = findRegister(*chip.chip, d.name))
                md += "\n\n" + registerHover(*r);
            else if (const auto b = findBit(*chip.chip, d.name))
                md += "\n\nBit " + std::to_string(b->second) + " of " + b->first.name;
        }
    } else if (t->kind == TokenKind::Mnemonic) {
        if (const InstructionDef* d = chip.instructions.findByMnemonicOrAlias(t->word))
            md = instructionHover(chip, *d, true, facts_);
    } else if (t->kind == TokenKind::Register && chip.chip) {
        if (const auto r = findRegister(*chip.chip, t->word)) md = registerHover(*r);
    } else if (t->kind == TokenKind::Bit && chip.chip) {
        if (const auto b = findBit(*chip.chip, t->word))
            md = "**" + t->word + "**: bit " + std::to_string(b->second) + " of " + b->first.name +
                 "\n\n" + registerHover(b->first);
    } else if (t->kind == TokenKind::Number) {
        const NumberTest n = testNumber(t->word);
        if (n.isNumber) md = numberHover(n.value);
    }
    if (md.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", md}}},
            {"range", range(a, p->file, t->span)}};
}

namespace {

// Where the cursor stands in a line, by the assembler's own field split of the text before it.
struct CompletionSpot {
    enum Kind { None, Operation, Operand } kind = None;
    std::string firstOperand; // operand 1 when the cursor is in a later operand
    int operandIndex = 0;     // 0-based
    std::string operation;
};

CompletionSpot spotOf(std::string_view prefix, const ChipSetup& chip, const Analysis& a) {
    CompletionSpot s;
    if (prefix.find(';') != std::string_view::npos) return s;
    SourceLine sl;
    sl.setText(toUpperAscii(prefix.substr(0, SourceLine::kTextMax)));
    LineClassifier words;
    words.instructions = &chip.instructions;
    words.isMacroName = [&a](std::string_view n) {
        for (const SymbolDef& d : a.symbols)
            if (d.kind == SymbolKind::Macro && d.name == n) return true;
        return false;
    };
    CutLIParasource(sl, words);
    const bool endsBlank = !prefix.empty() && (prefix.back() == ' ' || prefix.back() == '\t');
    const bool hasOp = sl.hasField(SourceLine::kOperationField);
    if (!hasOp) {
        // Nothing typed yet, a label, or a word that is no operation yet (being typed).
        s.kind = CompletionSpot::Operation;
        return s;
    }
    s.operation = std::string(sl.field(SourceLine::kOperationField));
    const size_t opEnd = sl.fieldStart[2] - 1u + sl.fieldLength[2];
    if (opEnd >= prefix.size() && !endsBlank) {
        s.kind = CompletionSpot::Operation;
        return s;
    }
    s.kind = CompletionSpot::Operand;
    const std::string_view rest = prefix.substr(std::min(opEnd, prefix.size()));
    s.operandIndex = int(std::count(rest.begin(), rest.end(), ','));
    if (s.operandIndex > 0) s.firstOperand = std::string(sl.operand(1));
    return s;
}

} // namespace

json Server::completion(const json& params) {
    const auto p = placeOf(params);
    json items = json::array();
    if (!p) return items;
    const Analysis& a = *p->analysis;
    const ChipSetup& chip = *a.chip;
    const std::string_view prefix = std::string_view(p->lineText).substr(0, p->column);
    const CompletionSpot spot = spotOf(prefix, chip, a);
    // Only words that start as the one being typed; a big program's symbols are capped and the
    // list marked incomplete, so the editor asks again as the word grows.
    size_t typed = prefix.size();
    while (typed > 0 && isWordChar(prefix[typed - 1]))
        --typed;
    const std::string word = toUpperAscii(prefix.substr(typed));
    bool capped = false;
    std::set<std::string> seen;
    auto wanted = [&](const std::string& label) {
        if (!label.starts_with(word) || seen.count(label)) return false;
        if (items.size() >= kCompletionMax) {
            capped = true;
            return false;
        }
        return true;
    };
    auto item = [&](const std::string& label, int kind, const std::string& detail) {
        if (!wanted(label)) return;
        seen.insert(label);
        items.push_back({{"label", label}, {"kind", kind}, {"detail", detail}});
    };
    if (spot.kind == CompletionSpot::Operation) {
        for (const InstructionDef& d : chip.instructions.definitions()) {
            item(d.mnemonic, 14, syntaxOf(d));
            if (d.alias != d.mnemonic) item(d.alias, 14, syntaxOf(d));
        }
        for (const std::string& w : standardDirectives())
            if (isDirectiveWord(w)) item(w, 14, "directive");
        for (const SymbolDef& d : a.symbols) {
            if (d.kind != SymbolKind::Macro || !wanted(d.name)) continue;
            std::string snippet = d.name;
            std::vector<std::string> ps;
            std::string cur;
            for (char c : d.operands + ",") {
                if (c == ',') {
                    while (!cur.empty() && cur.front() == ' ')
                        cur.erase(0, 1);
                    if (!cur.empty()) ps.push_back(cur);
                    cur.clear();
                } else {
                    cur += c;
                }
            }
            for (size_t i = 0; i < ps.size(); ++i)
                snippet += (i ? ", ${" : " ${") + std::to_string(i + 1) + ":" + ps[i] + "}";
            seen.insert(d.name);
            items.push_back({{"label", d.name},
                             {"kind", 15},
                             {"detail", "macro " + d.operands},
                             {"insertText", snippet},
                             {"insertTextFormat", 2}});
        }
    } else if (spot.kind == CompletionSpot::Operand) {
        if (spot.operandIndex > 0 && chip.chip) {
            // Bit names of the register named by the first operand.
            if (const auto r = findRegister(*chip.chip, spot.firstOperand)) {
                for (size_t b = 0; b < 8; ++b) {
                    const std::string& n = r->bits[b];
                    if (n.empty() || n == "-") continue;
                    item(n, 20, "bit " + std::to_string(7 - b) + " of " + r->name);
                }
            }
        }
        // The chip's registers before the program's symbols, which the cap may cut.
        if (chip.chip) {
            for (const BitRegister& r : chip.chip->bitRegisters)
                item(r.name, 6, "register " + hexNotation(r.address, 3));
            for (const ByteRegister& r : chip.chip->byteRegisters)
                if (!r.unnamed) item(r.name, 6, "register " + hexNotation(r.address, 3));
            for (const WordRegister& r : chip.chip->wordRegisters)
                item(r.name, 6, "16-bit register " + hexNotation(r.highAddress, 3));
        }
        const std::string scope = [&] {
            for (const SymbolDef& d : a.symbols)
                if (d.kind == SymbolKind::Macro && d.file == p->file && d.span.line < p->line &&
                    d.endLine >= p->line)
                    return d.name;
            return std::string();
        }();
        for (const SymbolDef& d : a.symbols) {
            if (d.kind == SymbolKind::Macro || d.kind == SymbolKind::Extern) continue;
            if (d.kind == SymbolKind::Local && d.scope != scope) continue;
            if (!wanted(d.name)) continue;
            std::string detail = kindText(d.kind);
            if (d.value) detail += " " + valueText(*d.value);
            item(d.name, d.kind == SymbolKind::Label ? 18 : 21, detail);
        }
    }
    return {{"isIncomplete", capped}, {"items", items}};
}

json Server::signatureHelp(const json& params) {
    const auto p = placeOf(params);
    if (!p) return nullptr;
    const Analysis& a = *p->analysis;
    const std::string_view prefix = std::string_view(p->lineText).substr(0, p->column);
    const CompletionSpot spot = spotOf(prefix, *a.chip, a);
    if (spot.kind != CompletionSpot::Operand) return nullptr;
    for (const SymbolDef& d : a.symbols) {
        if (d.kind != SymbolKind::Macro || d.name != spot.operation) continue;
        json ps = json::array();
        std::string cur;
        for (char c : d.operands + ",") {
            if (c == ',') {
                while (!cur.empty() && cur.front() == ' ')
                    cur.erase(0, 1);
                if (!cur.empty()) ps.push_back({{"label", cur}});
                cur.clear();
            } else {
                cur += c;
            }
        }
        return {{"signatures",
                 json::array({{{"label", d.name + " " + d.operands}, {"parameters", ps}}})},
                {"activeSignature", 0},
                {"activeParameter", spot.operandIndex}};
    }
    return nullptr;
}

json Server::semanticTokens(const json& params) {
    const auto doc = documentFileOf(params);
    json data = json::array();
    if (!doc) return {{"data", data}};
    const Analysis* a = doc->analysis;
    const size_t f = doc->file;
    int prevLine = 0, prevChar = 0;
    for (const Token& t : a->files[f].tokens) {
        int type = -1, mods = 0;
        switch (t.kind) {
        case TokenKind::Label:
            type = 0;
            break;
        case TokenKind::Mnemonic:
            type = 1;
            break;
        case TokenKind::Directive:
            type = 2;
            break;
        case TokenKind::Macro:
            type = 3;
            break;
        case TokenKind::Symbol:
            type = 4;
            break;
        case TokenKind::Register:
            type = 5;
            mods = 2;
            break;
        case TokenKind::Bit:
            type = 6;
            mods = 2;
            break;
        case TokenKind::Number:
            type = 7;
            break;
        case TokenKind::Comment:
            type = 8;
            break;
        case TokenKind::Parameter:
            type = 9;
            break;
        case TokenKind::Unknown:
            break;
        }
        if (type < 0 || t.span.end <= t.span.start) continue;
        if (t.definition) mods |= 1;
        if (t.definition && t.kind == TokenKind::Label && t.symbol >= 0 &&
            a->symbols[size_t(t.symbol)].kind == SymbolKind::Macro)
            type = 3;
        const std::string_view text = a->files[f].line(t.span.line);
        const int start = utf16Column(text, t.span.start);
        const int length = utf16Column(text, t.span.end) - start;
        const int dl = t.span.line - prevLine;
        data.push_back(dl);
        data.push_back(dl == 0 ? start - prevChar : start);
        data.push_back(length);
        data.push_back(type);
        data.push_back(mods);
        prevLine = t.span.line;
        prevChar = start;
    }
    return {{"data", data}};
}

std::string formatLine(std::string_view line, const LineClassifier& words) {
    std::string_view body = line;
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    if (body.size() > SourceLine::kTextMax) return std::string(line);
    size_t first = 0;
    while (first < body.size() && (body[first] == ' ' || body[first] == '\t'))
        ++first;
    if (first == body.size() || body[first] == ';') return std::string(line);
    // Quotes may hold blanks and commas that the split does not know about: leave such lines.
    if (body.find('\'') != std::string_view::npos || body.find('"') != std::string_view::npos)
        return std::string(line);
    // The split reads upper case, as the assembler does; the columns are the same.
    SourceLine sl;
    sl.setText(toUpperAscii(body));
    CutLIParasource(sl, words);
    auto fieldAt = [&](int k) { return size_t(sl.fieldStart[size_t(k - 1)] - 1u); };
    auto field = [&](int k) {
        return sl.hasField(k) ? body.substr(fieldAt(k), sl.fieldLength[size_t(k - 1)])
                              : std::string_view();
    };
    const std::string_view label = field(SourceLine::kLabelField);
    const std::string_view op = field(SourceLine::kOperationField);
    std::string_view code = body;
    const std::string_view comment = field(SourceLine::kCommentField);
    if (!comment.empty()) code = body.substr(0, fieldAt(SourceLine::kCommentField));
    std::string_view operands;
    if (sl.hasField(SourceLine::kFirstOperandField)) {
        operands = code.substr(fieldAt(SourceLine::kFirstOperandField));
        while (!operands.empty() && (operands.back() == ' ' || operands.back() == '\t'))
            operands.remove_suffix(1);
    }
    std::string out(label);
    auto padTo = [&out](size_t column) {
        if (out.size() < column)
            out.append(column - out.size(), ' ');
        else
            out += ' ';
    };
    if (!op.empty()) {
        padTo(kOperationColumn);
        out += op;
        if (!operands.empty()) {
            padTo(kOperandColumn);
            out += operands;
        }
    }
    if (!comment.empty()) {
        if (!out.empty()) padTo(kCommentColumn);
        out += comment;
    }
    if (line.size() > body.size()) out += '\r';
    return out;
}

json Server::formatting(const json& params) {
    const std::string uri = needString(need(params, "textDocument"), "uri");
    const Document* d = docs_.byUri(uri);
    std::string text;
    if (d)
        text = d->text;
    else if (const auto p = pathFromUri(uri); !p || !docs_.read(*p, text))
        throw RequestError{kRequestFailed, "the document is neither open nor readable"};
    // The words of the file's build: the chip core's mnemonics and the program's macros.
    const Analysis* a = analysisFor(uri);
    std::set<std::string> macros;
    if (a)
        for (const SymbolDef& s : a->symbols)
            if (s.kind == SymbolKind::Macro) macros.insert(s.name);
    LineClassifier words;
    words.instructions = a ? &a->chip->instructions : nullptr;
    words.isMacroName = [&macros](std::string_view n) { return macros.count(std::string(n)) != 0; };
    json edits = json::array();
    size_t start = 0;
    int n = 0;
    for (;;) {
        const size_t nl = text.find('\n', start);
        const std::string_view line = std::string_view(text).substr(
            start, nl == std::string::npos ? std::string::npos : nl - start);
        const std::string formatted = formatLine(line, words);
        if (formatted != line) {
            std::string_view body = line;
            if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
            std::string_view newBody = formatted;
            if (!newBody.empty() && newBody.back() == '\r') newBody.remove_suffix(1);
            edits.push_back(
                {{"range",
                  {{"start", {{"line", n}, {"character", 0}}},
                   {"end", {{"line", n}, {"character", utf16Column(body, body.size())}}}}},
                 {"newText", std::string(newBody)}});
        }
        if (nl == std::string::npos) break;
        start = nl + 1;
        ++n;
    }
    return edits;
}

json Server::codeAction(const json& params) {
    const std::string uri = needString(need(params, "textDocument"), "uri");
    json out = json::array();
    const Analysis* a = analysisFor(uri);
    if (!a) return out;
    const json ctx = params.value("context", json::object());
    const json diags = ctx.value("diagnostics", json::array());
    const ChipSetup& chip = *a->chip;
    for (const json& d : diags) {
        if (!d.is_object() || d.value("source", "") != "zerka") continue;
        const int code = d.value("code", 0);
        const std::string message = d.value("message", "");
        const size_t open = message.find(" ["), close = message.rfind(']');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        const std::string word = message.substr(open + 2, close - open - 2);
        if (code == 8 && chip.otherCore.isMnemonicOrAlias(word) &&
            !chip.instructions.isMnemonicOrAlias(word) && chip.library) {
            const std::string other(coreTypeName(chip.otherCore.core()));
            // The first chip of the library with the other core.
            std::string target;
            for (size_t i = 0; i < chip.library->entries().size() && target.empty(); ++i) {
                const std::string& name = chip.library->entries()[i].name;
                const auto s = chipFor(name);
                if (s->error.empty() && s->instructions.core() == chip.otherCore.core())
                    target = name;
            }
            json action = {
                {"title", "this mnemonic is " + other + "; the file's chip is " + chip.coreName() +
                              (target.empty() ? std::string() : ": build for " + target)},
                {"kind", "quickfix"},
                {"diagnostics", json::array({d})}};
            if (!target.empty())
                action["command"] = {{"title", "Build for " + target},
                                     {"command", "zerka.useChip"},
                                     {"arguments", json::array({target})}};
            out.push_back(action);
        }
        if (code == 5 && chip.chip) {
            const auto r = findRegister(*chip.chip, word);
            if (!r) continue;
            const std::string line =
                formatLine(r->name + " EQU " + hexNotation(r->address, 3), LineClassifier{});
            out.push_back({{"title", word + " is the chip's register " + r->name + " at " +
                                         hexNotation(r->address, 3) + ": define it"},
                           {"kind", "quickfix"},
                           {"diagnostics", json::array({d})},
                           {"edit",
                            {{"changes",
                              {{uri, json::array({{{"range",
                                                    {{"start", {{"line", 0}, {"character", 0}}},
                                                     {"end", {{"line", 0}, {"character", 0}}}}},
                                                   {"newText", line + "\n"}}})}}}}}});
        }
    }
    return out;
}

json Server::executeCommand(const json& params) {
    const std::string command = needString(params, "command");
    if (command != "zerka.useChip")
        throw RequestError{kInvalidParams, "unknown command \"" + command + "\""};
    const json args = params.value("arguments", json::array());
    if (!args.is_array() || args.empty() || !args[0].is_string())
        throw RequestError{kInvalidParams, "zerka.useChip needs the chip's name"};
    clientSettings_.chip = args[0].get<std::string>();
    scheduleAll();
    return nullptr;
}

int runServer(int inFd, int outFd) {
    auto writeAll = [outFd](const std::string& s) {
        size_t done = 0;
        while (done < s.size()) {
            const ssize_t n = ::write(outFd, s.data() + done, s.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            done += size_t(n);
        }
    };
    Server server([&](const json& m) { writeAll(frameMessage(m)); });
    FrameParser parser;
    char buf[65536];
    bool eof = false;
    while (!server.exitRequested() && !eof) {
        int timeout = -1;
        if (const auto d = server.nextDeadline()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*d - Server::Clock::now());
            timeout = int(std::max<int64_t>(0, left.count()));
        }
        pollfd p{inFd, POLLIN, 0};
        const int r = ::poll(&p, 1, timeout);
        if (r < 0 && errno != EINTR) break;
        if (r > 0) {
            const ssize_t n = ::read(inFd, buf, sizeof buf);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) {
                eof = true;
            } else {
                parser.feed(std::string_view(buf, size_t(n)));
            }
            while (auto frame = parser.next()) {
                if (!frame->ok) {
                    server.protocolError(kParseError, frame->error);
                    continue;
                }
                json message = json::parse(frame->body, nullptr, false);
                if (message.is_discarded()) {
                    server.protocolError(kParseError, "the message is not valid JSON");
                    continue;
                }
                server.handle(message);
                if (server.exitRequested()) break;
            }
        }
        server.tick();
    }
    return server.exitCode();
}

} // namespace zerka::lsp
