// Arbitrary bytes as a ".pro" watch-list file over a fixed symbol table. Loading never fails
// hard, and what it leaves is written and read back to the same file text.
#include "views/view_context.h"
#include "views/watch_list.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

const std::vector<zerka::ViewSymbol>& symbols() {
    static const std::vector<zerka::ViewSymbol> s{
        {"COUNT", 0x45, 1, 'C'}, {"FLAG", 2, 0, 'C'},  {"STATUS", 0x2B, 0, 'C'},
        {"PAIR", 0x40, 2, 'D'},  {"WIDE", 0x80, 200, 'd'}, {"BIG", 8, 0, 'C'},
        {"NEG", -5, 0, 'C'},     {"START", 0x100, 0, 'L'}, {"AUTO", 0x46, 0, 'A'}};
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zerka::ChipModel chip;
    static zerka::TZk_UP up;
    static zerka::ViewContext context(up, chip);
    static zerka::WatchListModel first(context);
    static zerka::WatchListModel second(context);
    first.setSymbols(symbols());
    first.setMode(zerka::WatchMode(size % 4));
    first.loadProText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (first.watchedCount() > int(symbols().size())) __builtin_trap();
    for (int row = 0; row < first.rows(); ++row)
        for (int col = 0; col < zerka::WatchListModel::kColumns; ++col)
            (void)first.cell(row, col);
    const std::string text = first.proText();
    second.setSymbols(symbols());
    if (!second.loadProText(text).empty() || second.proText() != text) __builtin_trap();
    return 0;
}
