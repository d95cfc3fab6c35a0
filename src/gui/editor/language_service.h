#pragma once
// The language server's analysis for the editor window: `zerka lsp`'s own server runs in this
// process on a thread of its own, fed with the editor's texts, so the squiggles, hover texts
// and definitions are exactly what an external editor gets, and typing never waits for the
// assembler. A newer set of texts replaces one that has not been analysed yet; answers come
// back on the window's thread.
#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zerka::gui {

// The build the editor's files belong to; empty fields are found by the server's rules.
struct LanguageSettings {
    std::string chip;
    std::string lib;
    std::string main;
    bool operator==(const LanguageSettings&) const = default;
};

// One diagnostic of a file, in byte columns of its line (start == end: the whole line).
struct Squiggle {
    int line = 0;
    int start = 0;
    int end = 0;
    int code = 0;
    std::string message;
};

struct FileSquiggles {
    std::string path;
    std::vector<Squiggle> squiggles;
};

// A place in a file: a 0-based line and byte columns.
struct SourcePlace {
    std::string path;
    int line = 0;
    int start = 0;
    int end = 0;
};

class LanguageService : public QObject {
    Q_OBJECT
  public:
    struct Text {
        std::string path;
        std::string bytes;
    };
    using DiagnosticsDone = std::function<void(uint64_t stamp, std::vector<FileSquiggles>)>;
    using HoverDone = std::function<void(std::string text)>;
    using DefinitionDone = std::function<void(std::optional<SourcePlace>)>;

    explicit LanguageService(QObject* parent = nullptr);
    // Waits for an analysis that is running (its answer is dropped).
    ~LanguageService() override;

    void setSettings(const LanguageSettings& settings);
    // Analyses these texts (every open file); `done` gets `stamp` back with the diagnostics of
    // each of them, unless newer texts came first.
    void analyse(std::vector<Text> texts, uint64_t stamp, DiagnosticsDone done);
    // The server's hover text at a byte column of a line (empty: none).
    void hover(const std::string& path, int line, int column, HoverDone done);
    // Where the symbol at a byte column of a line is defined.
    void definition(const std::string& path, int line, int column, DefinitionDone done);

  private:
    struct Request {
        std::string method;
        std::string path;
        int line = 0;
        int column = 0;
        HoverDone hoverDone;
        DefinitionDone definitionDone;
    };
    struct Batch {
        std::vector<Text> texts;
        uint64_t stamp = 0;
        DiagnosticsDone done;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::optional<LanguageSettings> settings_;
    std::optional<Batch> batch_;
    std::deque<Request> requests_;
    std::thread worker_;
};

} // namespace zerka::gui
