#include "views/stack_view.h"

#include "views/cell_typing_keys.h"
#include "views/view_context.h"
#include "views/view_text.h"

namespace zerka {

using viewtext::hex;

StackViewModel::StackViewModel(ViewContext& context) : ctx_(context) {
    Build(ctx_.cpu().stackDepth());
}

void StackViewModel::Build(int depth) {
    if (depth < 0) depth = 0;
    if (depth > int(CpuState::kStackEntries) - 1) depth = int(CpuState::kStackEntries) - 1;
    cells_.assign(size_t(depth + 1) * kColumns, Cell{});
    cells_[0].text = "Stack = ";
    for (int r = 1; r <= depth; ++r)
        cells_[size_t(r) * kColumns].text = std::to_string(r);
    typing_.begin(-1, -1);
    Refresh();
}

void StackViewModel::Refresh() {
    const CpuState& cpu = ctx_.cpu();
    const uint8_t sp = cpu.ReadData(reg::kStackPointer);
    const uint32_t pointer = sp & sp::kPointerMask;
    cells_[1].text = (sp & sp::kOverflow)    ? "OVER"
                     : (sp & sp::kFull)      ? "FULL"
                     : (sp & sp::kUnderflow) ? "UNDER"
                                             : std::to_string(pointer);
    for (int r = 1; r < rows(); ++r)
        cells_[size_t(r) * kColumns + 1].text =
            uint32_t(r) <= pointer ? hex(cpu.StackEntry(uint32_t(r)) & 0xFFFF, 4) : std::string();
    changed_.emit();
}

const Cell& StackViewModel::cell(int row, int col) const {
    static const Cell kEmpty{};
    if (row < 0 || row >= rows() || col < 0 || col >= kColumns) return kEmpty;
    if (typing_.editing() && typing_.row() == row && typing_.col() == col) {
        static thread_local Cell typed;
        typed = {typing_.text(), CellRole::Normal};
        return typed;
    }
    return cells_[size_t(row) * kColumns + size_t(col)];
}

bool StackViewModel::key(int row, int col, int key) {
    if (row < 1 || row >= rows() || col != 1) return false;
    if (typing_.row() != row || typing_.col() != col) typing_.begin(row, col);
    return typeIntoCell(
        typing_, key, 4,
        [&] {
            if (!typing_.editing()) return;
            const uint32_t value = typing_.take();
            writeStackEntry(ctx_, uint32_t(row), value);
            cells_[size_t(row) * kColumns + 1].text = hex(value, 4);
        },
        [&] { changed_.emit(); });
}

std::optional<HexEditRequest> StackViewModel::doubleClick(int row, int col) const {
    if (row < 1 || row >= rows() || col < 0 || col >= kColumns) return std::nullopt;
    return HexEditRequest{"Stack" + hex(uint32_t(row * 16 + col - 1), 4) + "=" +
                              cell(row, col).text,
                          "FFFF",
                          "00~FFFF",
                          {EditKind::StackEntry, uint32_t(row), 0}};
}

void StackViewModel::apply(const HexEditRequest& request, uint32_t value) {
    applyEdit(ctx_, request.target, value);
    const uint32_t row = request.target.address;
    if (row >= 1 && row < uint32_t(rows()))
        cells_[row * kColumns + 1].text = hex(value & 0xFFFF, 4);
    changed_.emit();
}

void StackViewModel::focusLost() {
    // While the target runs the shown entries are older than the stack the program is using;
    // writing them back would overwrite its return addresses.
    if (ctx_.up.running()) {
        typing_.begin(-1, -1);
        return;
    }
    CpuState& cpu = ctx_.cpu();
    for (int r = 1; r < rows(); ++r) {
        const std::string& text = cell(r, 1).text;
        uint32_t v = 0;
        for (char c : text)
            v = v * 16 + uint32_t(c <= '9' ? c - '0' : c - 'A' + 10);
        cpu.SetStackEntry(uint32_t(r), v);
    }
    typing_.begin(-1, -1);
}

} // namespace zerka
