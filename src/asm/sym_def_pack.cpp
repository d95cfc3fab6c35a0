#include "asm/sym_def_pack.h"

#include <new>

namespace zerka {
namespace {

std::string_view cutName(std::string_view s) {
    return s.substr(0, SymbolEntry::kNameMax);
}

} // namespace

int TSymDefPack::add(std::string_view name, std::string_view text, int32_t extra, char kind,
                     int32_t value) {
    const std::string_view key = cutName(name);
    const std::string_view shortText = cutName(text);
    if (kind != 'M') {
        auto it = byName_.find(key);
        if (it != byName_.end()) {
            for (int i : it->second) {
                SymbolEntry& e = entries_[size_t(i)];
                if (e.kind == 'C' || e.kind == 'L') return kSymDuplicate;
                if (e.kind == 'V') {
                    e.text.assign(shortText);
                    e.value = value;
                    e.kind = kind;
                    e.extra = extra;
                    return kSymAdded;
                }
            }
        }
    }
    if (count() >= kMaxEntries) return kSymOutOfMemory;
    try {
        // Strong guarantee: an empty index list left behind by a failed append is harmless.
        std::vector<int>& indices = byName_[std::string(key)];
        indices.reserve(indices.size() + 1);
        entries_.push_back(
            SymbolEntry{std::string(key), std::string(shortText), value, kind, extra});
        indices.push_back(count() - 1);
    } catch (const std::bad_alloc&) {
        return kSymOutOfMemory;
    }
    return kSymAdded;
}

const SymbolEntry* TSymDefPack::entry(int n) const {
    if (n < 1 || n > count()) return nullptr;
    return &entries_[size_t(n - 1)];
}

SymbolEntry* TSymDefPack::entry(int n) {
    if (n < 1 || n > count()) return nullptr;
    return &entries_[size_t(n - 1)];
}

int TSymDefPack::findName(std::string_view name) const {
    auto it = byName_.find(cutName(name));
    if (it == byName_.end() || it->second.empty()) return 0;
    return it->second.front() + 1;
}

int TSymDefPack::findText(std::string_view text) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].text == text) return int(i) + 1;
    return 0;
}

void TSymDefPack::clear() {
    entries_.clear();
    entries_.shrink_to_fit();
    byName_.clear();
}

} // namespace zerka
