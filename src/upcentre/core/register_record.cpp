#include "upcentre/core/register_record.h"

#include "core/text.h"

#include <utility>

namespace zerka {

bool TRegRecord::Record(std::string_view name, uint32_t address, uint8_t oldValue,
                        uint8_t newValue) {
    if (!continueMode_) {
        for (RegRecordEntry& e : entries_) {
            if (e.address == address) {
                e.oldValue = oldValue;
                e.newValue = newValue;
                ++revision_;
                return true;
            }
        }
    }
    return Append({std::string(name), address, newValue, oldValue});
}

bool TRegRecord::Append(RegRecordEntry entry) {
    if (full()) return false;
    if (entry.name.size() > kNameLength) entry.name = cutText(entry.name, kNameLength);
    entries_.push_back(std::move(entry));
    ++revision_;
    return true;
}

} // namespace zerka
