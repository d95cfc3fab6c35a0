#pragma once
// TSymDefPack: the assembler's symbol table type, also used for the uP centre's symbol table.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zerka {

struct SymbolEntry {
    static constexpr size_t kNameMax = 32;
    std::string name; // at most kNameMax characters
    std::string text; // replaces the name when an expression is rewritten; at most kNameMax
    int32_t value = 0;
    char kind = 0; // 'L', 'C', 'V', 'D', 'E', 'M' (object files may bring others)
    int32_t extra = 0;
};

// Results of TSymDefPack::add.
enum SymAddResult : int { kSymAdded = 0, kSymOutOfMemory = 1, kSymDuplicate = 2 };

class TSymDefPack {
  public:
    static constexpr int kChunkEntries = 64;
    static constexpr int kMaxChunks = 128;
    static constexpr int kMaxEntries = kChunkEntries * kMaxChunks; // 8192

    // Unless kind is 'M', the first entry of that name whose kind is 'C' or 'L' makes the result
    // kSymDuplicate and the first one of kind 'V' is overwritten (text, value, kind, extra);
    // entries of other kinds are passed over. Otherwise a new entry is appended. Names and texts
    // are cut to 32 characters. A full table gives kSymOutOfMemory and changes nothing.
    int add(std::string_view name, std::string_view text, int32_t extra, char kind, int32_t value);

    int count() const { return int(entries_.size()); }
    // The n-th entry, 1-based; nullptr for n < 1 or n > count. Entries never move, so the
    // pointer stays valid until clear(). Do not change an entry's name: it is the lookup key.
    const SymbolEntry* entry(int n) const;
    SymbolEntry* entry(int n);

    // 1-based index of the first entry with that name (cut to 32 characters); 0 when none.
    int findName(std::string_view name) const;
    const SymbolEntry* findEntry(std::string_view name) const { return entry(findName(name)); }
    // 1-based index of the first entry whose text equals `text` exactly; 0 when none.
    int findText(std::string_view text) const;

    void clear();

  private:
    std::deque<SymbolEntry> entries_; // deque: appending never moves an entry
    // Entry indices (0-based, ascending) of each name, so "first match" needs no scan.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::vector<int>, NameHash, std::equal_to<>> byName_;
};

} // namespace zerka
