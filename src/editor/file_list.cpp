#include "editor/file_list.h"

#include "core/path_lookup.h"
#include "core/text.h"
#include "editor/slot_list.h"

#include <algorithm>

namespace zerka {

std::vector<FileListEntry> fileListEntries(const std::vector<std::string>& paths,
                                           const std::string& prefix) {
    std::vector<FileListEntry> entries;
    for (size_t i = 0; i < paths.size(); ++i)
        entries.push_back({prefix + fileNameOf(paths[i]), static_cast<int>(i) + 1});
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return toUpperAscii(a.caption) < toUpperAscii(b.caption);
    });
    return entries;
}

int slotOfFileListCaption(const std::vector<std::string>& paths, const std::string& prefix,
                          const std::string& caption) {
    std::string name;
    for (char c : caption) {
        if (c != '&') name += c;
    }
    std::string bare;
    for (char c : prefix) {
        if (c != '&') bare += c;
    }
    if (name.compare(0, bare.size(), bare) == 0) name.erase(0, bare.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        if (equalsIgnoreCase(fileNameOf(paths[i]), name)) return static_cast<int>(i) + 1;
    }
    return 0;
}

} // namespace zerka
