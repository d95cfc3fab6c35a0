#pragma once
// The file list popup: one entry per open file, sorted by file name, each captioned with a
// prefix ("file: ") and the file name. Choosing an entry finds its slot again from the caption.
#include <string>
#include <vector>

namespace zerka {

struct FileListEntry {
    std::string caption;
    int slot = 0;
};

// Entries for the open paths (slot = index + 1), sorted by file name ignoring case; equal
// names keep slot order.
std::vector<FileListEntry> fileListEntries(const std::vector<std::string>& paths,
                                           const std::string& prefix);

// The slot whose file name equals the caption without the prefix and without "&" characters
// (menus add "&" for accelerators), ignoring case; 0 when none does.
int slotOfFileListCaption(const std::vector<std::string>& paths, const std::string& prefix,
                          const std::string& caption);

} // namespace zerka
