#include "shell/message_log_model.h"

#include "editor/editor_files.h"

namespace zerka {

void MessageLogModel::AddEntry(const std::string& file, int line, const std::string& text) {
    if (entries_.size() >= kMaxEntries) return;
    entries_.push_back(LogEntry{file.substr(0, kMaxFileName), line <= 0 ? 1 : line, text});
    changed.emit();
}

void MessageLogModel::BringToFront() {
    shown.emit();
}

void MessageLogModel::ClearLog() {
    entries_.clear();
    changed.emit();
}

bool GotoLogEntry(const MessageLogModel& log, size_t index, EditorFiles& editor) {
    if (index >= log.entries().size()) return false;
    const LogEntry& e = log.entries()[index];
    if (e.file.empty()) return false;
    int slot = editor.findSlot(e.file);
    if (slot > 0) {
        editor.select(slot);
    } else {
        if (!editor.openFile(e.file)) return false;
        slot = editor.currentSlot();
    }
    editor.gotoLine(slot, e.line - 1);
    return true;
}

} // namespace zerka
