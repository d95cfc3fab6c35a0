#pragma once
// The language server: JSON-RPC requests and notifications in, answers and diagnostics out.
// It owns the open documents and the analysed builds; every analysis is an assembler run.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "asm/cut_li_para_source.h"
#include "lsp/analysis.h"
#include "lsp/documents.h"
#include "lsp/instruction_facts.h"

namespace zerka::lsp {

class Server {
  public:
    using Clock = std::chrono::steady_clock;
    using Sender = std::function<void(const nlohmann::json&)>;

    explicit Server(Sender send);

    // One message from the client (a request, a notification or a response).
    void handle(const nlohmann::json& message);
    // A frame that could not be read or a body that is not JSON: an error answer with a null id.
    void protocolError(int code, const std::string& message);
    // Runs the analyses a change asked for once the quiet time has passed (or at once when
    // `force`); true when it published anything.
    bool tick(bool force = false);
    // When the next tick has work: the caller waits no longer than this.
    std::optional<Clock::time_point> nextDeadline() const { return deadline_; }

    bool exitRequested() const { return exit_; }
    int exitCode() const { return shutdown_ ? 0 : 1; }
    void setDebounce(std::chrono::milliseconds d) { debounce_ = d; }

    // The analysis of the build a file belongs to (after pending changes are analysed).
    const Analysis* analysisFor(const std::string& uri);

  private:
    nlohmann::json dispatch(const std::string& method, const nlohmann::json& params);
    void notify(const std::string& method, const nlohmann::json& params);
    void applySettings(const nlohmann::json& options);
    void scheduleAll();
    void schedule(const std::string& key);

    std::shared_ptr<ChipSetup> chipFor(const std::string& chip);
    // Main file and settings of the build a file belongs to.
    std::filesystem::path mainFor(const std::filesystem::path& file, BuildSettings& settings);
    void analyseBuild(const std::filesystem::path& main, const BuildSettings& settings);
    void publish(const Analysis& a, const std::string& mainKey);

    // Requests.
    nlohmann::json initialize(const nlohmann::json& params);
    nlohmann::json definition(const nlohmann::json& params);
    nlohmann::json references(const nlohmann::json& params, bool highlight);
    nlohmann::json documentSymbol(const nlohmann::json& params);
    nlohmann::json workspaceSymbol(const nlohmann::json& params);
    nlohmann::json foldingRange(const nlohmann::json& params);
    nlohmann::json rename(const nlohmann::json& params);
    nlohmann::json prepareRename(const nlohmann::json& params);
    nlohmann::json hover(const nlohmann::json& params);
    nlohmann::json completion(const nlohmann::json& params);
    nlohmann::json signatureHelp(const nlohmann::json& params);
    nlohmann::json semanticTokens(const nlohmann::json& params);
    nlohmann::json formatting(const nlohmann::json& params);
    nlohmann::json codeAction(const nlohmann::json& params);
    nlohmann::json executeCommand(const nlohmann::json& params);

    struct Place {
        const Analysis* analysis = nullptr;
        size_t file = 0;
        int line = 0;
        size_t column = 0; // bytes
        std::string lineText;
    };
    std::optional<Place> placeOf(const nlohmann::json& params);
    // The analysis holding a request's text document, and the document's file in it.
    struct DocumentFile {
        const Analysis* analysis = nullptr;
        size_t file = 0;
    };
    std::optional<DocumentFile> documentFileOf(const nlohmann::json& params);
    nlohmann::json location(const Analysis& a, size_t file, const LineSpan& span) const;
    nlohmann::json range(const Analysis& a, size_t file, const LineSpan& span) const;
    std::vector<std::pair<size_t, const Token*>> occurrences(const Analysis& a, int symbol) const;

    Sender send_;
    DocumentStore docs_;
    InstructionFactsCache facts_;
    BuildSettings clientSettings_;
    std::map<std::string, std::shared_ptr<ChipSetup>> chips_;
    std::map<std::string, Analysis> builds_;                 // by main file key
    std::map<std::string, std::string> buildOfFile_;         // file key -> main file key
    std::map<std::string, std::set<std::string>> published_; // main key -> URIs with diagnostics
    std::set<std::string> changed_; // file keys changed since the last tick
    bool rebuildAll_ = false;
    std::optional<Clock::time_point> deadline_;
    std::chrono::milliseconds debounce_{50};
    bool initialized_ = false;
    bool shutdown_ = false;
    bool exit_ = false;
};

// The column layout `formatting` aligns to (label, operation, operands, comment).
inline constexpr size_t kOperationColumn = 8;
inline constexpr size_t kOperandColumn = 16;
inline constexpr size_t kCommentColumn = 32;
// One source line aligned to those columns, its fields found by the assembler's own split with
// `words` (the chip core's mnemonics and the program's macros); the line as it is when it has
// nothing to align (blank, a comment alone), holds quotes or is longer than the assembler reads.
std::string formatLine(std::string_view line, const LineClassifier& words);

// Runs the server over a file descriptor pair until "exit" or the end of input; the exit code.
int runServer(int inFd, int outFd);

} // namespace zerka::lsp
