#pragma once
// The message log TZk_ERR as a model: at most 100 entries of (file, line, text). The window
// shows the texts; a double click or Enter goes to the entry's file and line.
#include "core/message_log.h"
#include "core/signal.h"

#include <string>
#include <vector>

namespace zerka {

class EditorFiles;

struct LogEntry {
    std::string file; // at most 128 characters
    int line = 1;     // 1-based
    std::string text;
};

class MessageLogModel : public MessageLog {
  public:
    static constexpr size_t kMaxEntries = 100;
    static constexpr size_t kMaxFileName = 128;

    void AddEntry(const std::string& file, int line, const std::string& text) override;
    void ClearLog() override;
    void BringToFront() override;

    const std::vector<LogEntry>& entries() const { return entries_; }
    size_t count() const { return entries_.size(); }

    // An entry was added or the log cleared.
    Signal<> changed;
    // Someone asked for the log window to come to the front.
    Signal<> shown;

  private:
    std::vector<LogEntry> entries_;
};

// Go to source: makes the entry's file current in the editor (opening it when needed) and moves
// the caret to its line. False when the entry does not exist or the file cannot be opened.
bool GotoLogEntry(const MessageLogModel& log, size_t index, EditorFiles& editor);

} // namespace zerka
