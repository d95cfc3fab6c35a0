#include "editor/slot_list.h"

#include "core/path_lookup.h"

namespace zerka {

std::string SlotList::pathOf(int slot) const {
    if (slot < 1 || slot > count()) return {};
    return paths_[slot - 1];
}

int SlotList::find(const std::string& path) const {
    for (int i = 0; i < count(); ++i) {
        if (equalsIgnoreCase(paths_[i], path)) return i + 1;
    }
    return 0;
}

int SlotList::add(const std::string& path) {
    if (full()) return 0;
    paths_.push_back(path);
    current_ = count();
    return current_;
}

std::string SlotList::nextNewName() const {
    return "~New" + std::to_string(newCounter_);
}

int SlotList::addNew() {
    if (full()) return 0;
    const int slot = add(nextNewName());
    ++newCounter_;
    return slot;
}

void SlotList::rename(int slot, const std::string& path) {
    if (slot >= 1 && slot <= count()) paths_[slot - 1] = path;
}

void SlotList::select(int slot) {
    if (slot >= 1 && slot <= count()) current_ = slot;
}

void SlotList::remove(int slot) {
    if (slot < 1 || slot > count()) return;
    paths_.erase(paths_.begin() + (slot - 1));
    if (current_ > count()) current_ = count();
}

void SlotList::clear() {
    paths_.clear();
    current_ = 0;
}

bool isNewFileName(const std::string& path) {
    return path.size() >= 4 && equalsIgnoreCase(std::string_view(path).substr(0, 4), "~NEW");
}

std::string fileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace zerka
