#include "editor/editor_documents.h"

#include "core/atomic_file.h"

#include <algorithm>
#include <filesystem>

namespace zerka {

namespace {
// A line ends at "\n", or at a "\r" that no "\n" follows.
bool lineEndAt(std::string_view text, size_t i) {
    return text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'));
}
} // namespace

long lineStartIn(std::string_view text, int line) {
    long start = 0;
    for (size_t i = 0; i < text.size() && line > 0; ++i) {
        if (lineEndAt(text, i)) {
            --line;
            start = long(i + 1);
        }
    }
    return start;
}

int lineOfOffset(std::string_view text, long offset) {
    int line = 0;
    const size_t end = std::min(text.size(), size_t(std::max(0L, offset)));
    for (size_t i = 0; i < end; ++i)
        if (lineEndAt(text, i)) ++line;
    return line;
}

EditorDocuments::EditorDocuments() = default;
EditorDocuments::~EditorDocuments() = default;

std::unique_ptr<TextBuffer> EditorDocuments::makeBuffer() {
    if (view_) return view_->makeBuffer();
    return std::make_unique<StringBuffer>();
}

void EditorDocuments::setView(DocumentsView* view) {
    if (view == view_) return;
    // Each text moves into its new holder with its bytes and its modified state; its undo
    // history stays behind.
    std::vector<std::string> keep;
    std::vector<bool> modified;
    for (const auto& t : texts_) {
        keep.emplace_back(t->bytes());
        modified.push_back(t->modified());
    }
    view_ = view;
    const int current = slots_.current();
    for (size_t i = 0; i < texts_.size(); ++i) {
        texts_[i] = makeBuffer();
        TextBuffer& t = *texts_[i];
        t.load(keep[i]);
        if (modified[i]) {
            // A change that leaves the bytes as they are: modified, and one undo from the load.
            t.beginUndoGroup();
            t.replace(0, 0, " ");
            t.replace(0, 1, "");
            t.endUndoGroup();
            t.select(0, 0);
        }
        if (view_) view_->documentAdded(int(i + 1));
    }
    if (view_ && current > 0) select(current);
}

TextBuffer& EditorDocuments::text(int slot) {
    return *texts_.at(size_t(slot - 1));
}

const TextBuffer& EditorDocuments::text(int slot) const {
    return *texts_.at(size_t(slot - 1));
}

bool EditorDocuments::isModified(int slot) const {
    return valid(slot) && texts_[size_t(slot - 1)]->modified();
}

void EditorDocuments::select(int slot) {
    if (!valid(slot)) return;
    slots_.select(slot);
    if (view_) view_->currentChanged(slot);
}

void EditorDocuments::add(int slot, const std::string* bytes) {
    auto buffer = makeBuffer();
    if (bytes) buffer->load(*bytes);
    texts_.push_back(std::move(buffer));
    if (view_) view_->documentAdded(slot);
}

bool EditorDocuments::newFile() {
    const int slot = slots_.addNew();
    if (slot == 0) return false;
    add(slot, nullptr);
    return true;
}

bool EditorDocuments::openFile(const std::string& path) {
    std::error_code ec;
    if (slots_.full() || !std::filesystem::is_regular_file(path, ec)) return false;
    std::string bytes;
    if (!readFileBytes(path, bytes)) return false;
    add(slots_.add(path), &bytes);
    return true;
}

bool EditorDocuments::reload(int slot) {
    if (!valid(slot)) return false;
    const std::string path = slots_.pathOf(slot);
    std::error_code ec;
    if (isNewFileName(path) || !std::filesystem::is_regular_file(path, ec)) return false;
    std::string bytes;
    if (!readFileBytes(path, bytes)) return false;
    texts_[size_t(slot - 1)]->load(bytes);
    if (view_) view_->documentReloaded(slot);
    return true;
}

bool EditorDocuments::saveAs(int slot, const std::string& path) {
    if (!valid(slot) || path.empty()) return false;
    TextBuffer& t = text(slot);
    if (!writeFileAtomic(path, t.bytes())) return false;
    t.setSavePoint();
    if (path != slots_.pathOf(slot)) {
        slots_.rename(slot, path);
        if (view_) view_->documentRenamed(slot);
    }
    return true;
}

void EditorDocuments::closeCurrent() {
    const int slot = slots_.current();
    if (slot == 0) return;
    slots_.remove(slot);
    // The view lets go of the control before its text goes.
    if (view_) view_->documentRemoved(slot);
    texts_.erase(texts_.begin() + (slot - 1));
    if (slots_.count() == 0) {
        if (view_) view_->allClosed();
        return;
    }
    select(slots_.current());
}

void EditorDocuments::closeAll() {
    if (slots_.count() == 0) return;
    while (slots_.count() > 0) {
        const int slot = slots_.count();
        slots_.remove(slot);
        if (view_) view_->documentRemoved(slot);
        texts_.pop_back();
    }
    if (view_) view_->allClosed();
}

void EditorDocuments::gotoLine(int slot, int line) {
    if (!valid(slot)) return;
    select(slot);
    TextBuffer& t = text(slot);
    const std::string_view bytes = t.bytes();
    line = std::max(0, std::min(line, lineOfOffset(bytes, long(bytes.size()))));
    const long start = lineStartIn(bytes, line);
    t.select(start, start);
    if (view_) view_->lineShown(slot, line);
}

void EditorDocuments::selectLine(int line) {
    const int slot = slots_.current();
    if (slot == 0) return;
    TextBuffer& t = text(slot);
    const std::string_view bytes = t.bytes();
    const int last = lineOfOffset(bytes, long(bytes.size()));
    line = std::clamp(line, 0, last);
    const long start = lineStartIn(bytes, line);
    // The line with its line end; the last line to the end of the text.
    const long end = line < last ? lineStartIn(bytes, line + 1) : long(bytes.size());
    t.select(start, end);
    if (view_) view_->lineSelected(slot, line);
}

void EditorDocuments::applyFont(const EditorFont& font) {
    font_ = font;
    if (view_) view_->fontChanged(font);
}

} // namespace zerka
