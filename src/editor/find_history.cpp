#include "editor/find_history.h"

#include "core/path_lookup.h"

#include <algorithm>

namespace zerka {

void FindHistory::add(const std::string& text) {
    if (text.empty()) return;
    auto same = std::find_if(entries_.begin(), entries_.end(),
                             [&](const std::string& e) { return equalsIgnoreCase(e, text); });
    if (same != entries_.end()) entries_.erase(same);
    entries_.insert(entries_.begin(), text);
    if (entries_.size() > kSize) entries_.resize(kSize);
}

} // namespace zerka
