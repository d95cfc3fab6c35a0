#include "gui/editor/language_service.h"

#include "core/atomic_file.h"
#include "lsp/documents.h"
#include "lsp/server.h"

#include <nlohmann/json.hpp>

#include <QMetaObject>
#include <QPointer>

#include <filesystem>
#include <map>

namespace zerka::gui {

namespace {

using json = nlohmann::json;

json settingsJson(const LanguageSettings& s) {
    json o = json::object();
    if (!s.chip.empty()) o["chip"] = s.chip;
    if (!s.lib.empty()) o["lib"] = s.lib;
    if (!s.main.empty()) o["main"] = s.main;
    return o;
}

json message(const std::string& method, json params, std::optional<int> id = std::nullopt) {
    json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
    if (id) m["id"] = *id;
    return m;
}

// The server's side of one open text: its URI and the text it holds.
struct OpenText {
    std::string uri;
    std::string bytes;
    int64_t version = 0;
};

int byteColumnOf(const std::string& text, int line, int utf16) {
    const std::vector<std::string_view> lines = lsp::splitLines(text);
    if (line < 0 || size_t(line) >= lines.size()) return 0;
    return int(lsp::byteColumn(lines[size_t(line)], utf16));
}

int utf16ColumnOf(const std::string& text, int line, int byte) {
    const std::vector<std::string_view> lines = lsp::splitLines(text);
    if (line < 0 || size_t(line) >= lines.size()) return 0;
    return lsp::utf16Column(lines[size_t(line)], size_t(std::max(0, byte)));
}

} // namespace

LanguageService::LanguageService(QObject* parent) : QObject(parent) {
    worker_ = std::thread([this] { run(); });
}

LanguageService::~LanguageService() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void LanguageService::setSettings(const LanguageSettings& settings) {
    {
        std::lock_guard lock(mutex_);
        settings_ = settings;
    }
    wake_.notify_all();
}

void LanguageService::analyse(std::vector<Text> texts, uint64_t stamp, DiagnosticsDone done) {
    {
        std::lock_guard lock(mutex_);
        batch_ = Batch{std::move(texts), stamp, std::move(done)};
    }
    wake_.notify_all();
}

void LanguageService::hover(const std::string& path, int line, int column, HoverDone done) {
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({"textDocument/hover", path, line, column, std::move(done), {}});
    }
    wake_.notify_all();
}

void LanguageService::definition(const std::string& path, int line, int column,
                                 DefinitionDone done) {
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({"textDocument/definition", path, line, column, {}, std::move(done)});
    }
    wake_.notify_all();
}

void LanguageService::run() {
    std::vector<json> out;
    lsp::Server server([&out](const json& m) { out.push_back(m); });
    bool initialized = false;
    std::map<std::string, OpenText> open; // by file key
    // What the server last published for each open file: a text it has already analysed gets
    // no new word, and still has these.
    std::map<std::string, std::vector<Squiggle>> said;
    int nextId = 1;
    // Answers go back to the window's thread; they are dropped when the service is gone.
    QPointer<LanguageService> self(this);
    auto post = [this](std::function<void()> f) {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
    };

    for (;;) {
        std::optional<LanguageSettings> settings;
        std::optional<Batch> batch;
        std::optional<Request> request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || settings_ || batch_ || !requests_.empty(); });
            if (stop_) return;
            settings.swap(settings_);
            batch.swap(batch_);
            if (!batch && !requests_.empty()) {
                request = std::move(requests_.front());
                requests_.pop_front();
            }
        }
        if (!initialized || settings) {
            const json options = settingsJson(settings.value_or(LanguageSettings{}));
            if (!initialized) {
                server.handle(message("initialize",
                                      {{"processId", nullptr},
                                       {"rootUri", nullptr},
                                       {"capabilities", json::object()},
                                       {"initializationOptions", options}},
                                      nextId++));
                server.handle(message("initialized", json::object()));
                initialized = true;
            } else {
                server.handle(message("workspace/didChangeConfiguration", {{"settings", options}}));
            }
        }
        if (batch) {
            std::map<std::string, OpenText> now;
            for (Text& t : batch->texts) {
                const std::string key = lsp::fileKey(t.path);
                auto was = open.find(key);
                OpenText o;
                o.uri = lsp::uriFromPath(std::filesystem::path(t.path));
                o.bytes = std::move(t.bytes);
                if (was == open.end()) {
                    server.handle(message("textDocument/didOpen", {{"textDocument",
                                                                    {{"uri", o.uri},
                                                                     {"languageId", "asm"},
                                                                     {"version", 1},
                                                                     {"text", o.bytes}}}}));
                    o.version = 1;
                } else {
                    o.version = was->second.version;
                    if (was->second.bytes != o.bytes) {
                        ++o.version;
                        server.handle(
                            message("textDocument/didChange",
                                    {{"textDocument", {{"uri", o.uri}, {"version", o.version}}},
                                     {"contentChanges", json::array({{{"text", o.bytes}}})}}));
                    }
                }
                now[key] = std::move(o);
            }
            for (const auto& [key, o] : open)
                if (!now.count(key))
                    server.handle(
                        message("textDocument/didClose", {{"textDocument", {{"uri", o.uri}}}}));
            open = std::move(now);
            server.tick(true);
            // The last word on each file counts.
            for (auto it = said.begin(); it != said.end();)
                it = open.count(it->first) ? std::next(it) : said.erase(it);
            std::map<std::string, std::vector<Squiggle>>& found = said;
            for (const json& m : out) {
                if (m.value("method", "") != "textDocument/publishDiagnostics") continue;
                const json& p = m["params"];
                const auto path = lsp::pathFromUri(p.value("uri", ""));
                if (!path) continue;
                auto o = open.find(lsp::fileKey(*path));
                if (o == open.end()) continue;
                std::vector<Squiggle>& list = found[o->first];
                list.clear();
                for (const json& d : p["diagnostics"]) {
                    const json& r = d["range"];
                    Squiggle s;
                    s.line = r["start"]["line"].get<int>();
                    s.start =
                        byteColumnOf(o->second.bytes, s.line, r["start"]["character"].get<int>());
                    s.end = byteColumnOf(o->second.bytes, s.line, r["end"]["character"].get<int>());
                    s.code = d.value("code", 0);
                    s.message = d.value("message", "");
                    list.push_back(std::move(s));
                }
            }
            out.clear();
            std::vector<FileSquiggles> result;
            for (const auto& [key, o] : open) {
                const auto path = lsp::pathFromUri(o.uri);
                FileSquiggles f{path ? path->string() : std::string(), {}};
                auto it = found.find(key);
                if (it != found.end()) f.squiggles = it->second;
                result.push_back(std::move(f));
            }
            post([self, done = std::move(batch->done), stamp = batch->stamp,
                  result = std::move(result)]() mutable {
                if (self && done) done(stamp, std::move(result));
            });
            continue;
        }
        if (request) {
            const std::string key = lsp::fileKey(request->path);
            auto o = open.find(key);
            json answer;
            if (o != open.end()) {
                const int id = nextId++;
                server.handle(message(request->method,
                                      {{"textDocument", {{"uri", o->second.uri}}},
                                       {"position",
                                        {{"line", request->line},
                                         {"character", utf16ColumnOf(o->second.bytes, request->line,
                                                                     request->column)}}}},
                                      id));
                for (const json& m : out)
                    if (m.contains("id") && m["id"] == id && m.contains("result"))
                        answer = m["result"];
                out.clear();
            }
            if (request->hoverDone) {
                std::string text;
                if (answer.is_object() && answer.contains("contents")) {
                    const json& c = answer["contents"];
                    text = c.is_object()   ? c.value("value", "")
                           : c.is_string() ? c.get<std::string>()
                                           : "";
                }
                post([self, done = std::move(request->hoverDone), text]() {
                    if (self) done(text);
                });
            } else if (request->definitionDone) {
                std::optional<SourcePlace> place;
                const json loc = answer.is_array() && !answer.empty() ? answer[0] : answer;
                if (loc.is_object() && loc.contains("uri")) {
                    if (const auto path = lsp::pathFromUri(loc.value("uri", ""))) {
                        SourcePlace p;
                        p.path = path->string();
                        const json& r = loc["range"];
                        p.line = r["start"]["line"].get<int>();
                        // Columns in the text the server read: the open text, else the file.
                        std::string text;
                        auto t = open.find(lsp::fileKey(*path));
                        if (t != open.end())
                            text = t->second.bytes;
                        else
                            readFileBytes(*path, text);
                        p.start = byteColumnOf(text, p.line, r["start"]["character"].get<int>());
                        p.end = byteColumnOf(text, p.line, r["end"]["character"].get<int>());
                        place = p;
                    }
                }
                post([self, done = std::move(request->definitionDone), place]() {
                    if (self) done(place);
                });
            }
        }
    }
}

} // namespace zerka::gui
