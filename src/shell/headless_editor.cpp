#include "shell/headless_editor.h"

#include "core/path_lookup.h"

#include <filesystem>

namespace zerka {

int HeadlessEditor::findSlot(const std::string& path) const {
    for (size_t i = 0; i < paths_.size(); ++i)
        if (equalsIgnoreCase(paths_[i], path)) return int(i + 1);
    return 0;
}

bool HeadlessEditor::openFile(const std::string& path) {
    if (paths_.size() >= size_t(kMaxEditorSlots) || !std::filesystem::is_regular_file(path))
        return false;
    paths_.push_back(path);
    current_ = int(paths_.size());
    return true;
}

void HeadlessEditor::closeCurrent() {
    if (current_ == 0) return;
    paths_.erase(paths_.begin() + (current_ - 1));
    current_ = paths_.empty() ? 0 : std::min(current_, int(paths_.size()));
}

} // namespace zerka
