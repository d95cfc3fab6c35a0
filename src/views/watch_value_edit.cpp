#include "views/watch_value_edit.h"

#include "views/view_context.h"

#include <algorithm>

namespace zerka {

namespace {
bool isData(const WatchEntry& e) {
    return !e.bitWatch && (e.kind == 'D' || e.kind == 'd');
}
int32_t dataBytes(const WatchEntry& e) {
    return isData(e) ? std::max<int32_t>(e.symbolLength, 1) : 1;
}
bool highFirst(WatchMode mode) {
    return mode == WatchMode::HexHighLow || mode == WatchMode::DecHighLow;
}
} // namespace

std::optional<WatchValueEdit> WatchValueEditor::request(int row) const {
    const WatchEntry* e = list_.watchedEntry(row);
    if (!e || dataBytes(*e) > kMaxBytes) return std::nullopt;
    if (e->bitWatch) return WatchValueEdit{"1", "0~1", e->name + "=" + e->value};
    const int32_t n = dataBytes(*e);
    return WatchValueEdit{std::string(size_t(n) * 2, 'F'), "00~" + std::string(size_t(n) * 2, 'F'),
                          e->name + "=" + e->value};
}

void WatchValueEditor::apply(int row, uint32_t value) {
    const WatchEntry* e = list_.watchedEntry(row);
    if (!e) return;
    if (e->bitWatch) {
        const uint8_t old = ctx_.cpu().ReadData(e->referredAddress);
        const uint8_t mask = uint8_t(1u << e->bit);
        ctx_.up.SetRegister(e->referredAddress, value ? uint8_t(old | mask) : uint8_t(old & ~mask));
    } else {
        const int32_t n = dataBytes(*e);
        if (n > kMaxBytes) return;
        const uint32_t address = uint32_t(e->symbolValue);
        for (int32_t i = 0; i < n; ++i) {
            // The first digits typed are the byte the display shows first.
            const int32_t shift = highFirst(list_.mode()) ? i : n - 1 - i;
            ctx_.up.SetRegister(address + uint32_t(i), uint8_t(value >> (8 * shift)));
        }
    }
    list_.Refresh();
}

} // namespace zerka
