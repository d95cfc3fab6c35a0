#pragma once
// The editor's file slots: 1-based, at most kMaxEditorSlots, each a full path or a "~New%d"
// name. New-file numbers come from a counter that only ever grows, so a closed "~New0" is
// never reused while the window lives.
#include "editor/editor_files.h"

#include <string>
#include <vector>

namespace zerka {

class SlotList {
  public:
    int count() const { return static_cast<int>(paths_.size()); }
    bool full() const { return count() >= kMaxEditorSlots; }
    // 0 when no slot is open.
    int current() const { return current_; }
    // Empty for a slot outside 1..count.
    std::string pathOf(int slot) const;
    // Slot of `path` compared ignoring ASCII case; 0 when not open.
    int find(const std::string& path) const;

    // Appends a slot that becomes current; 0 when full.
    int add(const std::string& path);
    // Appends a "~New%d" slot with the next number; 0 when full.
    int addNew();
    // The name the next new file will get.
    std::string nextNewName() const;
    void rename(int slot, const std::string& path);
    void select(int slot);

    // Removes a slot; later slots move down by one. The current slot stays the same number,
    // or becomes the last one when it was past the end; 0 when none is left.
    void remove(int slot);
    void clear();

  private:
    std::vector<std::string> paths_;
    int current_ = 0;
    int newCounter_ = 0;
};

// True for the names of unsaved new files ("~NEW" at the start, any case).
bool isNewFileName(const std::string& path);

// The file name without its directory ("\" or "/").
std::string fileNameOf(const std::string& path);

} // namespace zerka
