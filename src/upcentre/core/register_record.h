#pragma once
// TRegRecord: the list of register edits made through the register-edit path, shown and saved
// by the SRAM record window and turned into instructions that reproduce the edits.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

struct RegRecordEntry {
    std::string name;     // first symbol whose value is the address, or empty; at most 32 chars
    uint32_t address = 0; // data address
    uint8_t newValue = 0; // "Last Data"
    uint8_t oldValue = 0; // "Before Data"
    bool operator==(const RegRecordEntry&) const = default;
};

class TRegRecord {
  public:
    static constexpr size_t kCapacity = 1024;
    static constexpr size_t kNameLength = 32;

    // "Continue": every edit appends an entry. "Not Continue" (the default): an edit updates the
    // first entry with the same address, and appends only for an address not yet recorded.
    bool continueMode() const { return continueMode_; }
    void setContinueMode(bool on) { continueMode_ = on; }

    // Records one edit by the current mode. False when it would need a 1025th entry (refused).
    bool Record(std::string_view name, uint32_t address, uint8_t oldValue, uint8_t newValue);
    // Appends an entry as given (file load). False when the record is full.
    bool Append(RegRecordEntry entry);
    void Clear() {
        entries_.clear();
        ++revision_;
    }
    // Changes with every entry recorded, appended or cleared, so that a view can tell whether
    // a register-change notification touched the record.
    uint64_t revision() const { return revision_; }

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    bool full() const { return entries_.size() >= kCapacity; }
    // Entries are numbered from 1 in the window; this is 0-based.
    const RegRecordEntry& at(size_t index) const { return entries_.at(index); }
    const std::vector<RegRecordEntry>& entries() const { return entries_; }

  private:
    std::vector<RegRecordEntry> entries_;
    bool continueMode_ = false;
    uint64_t revision_ = 0;
};

} // namespace zerka
