#include "views/program_memory_view.h"

#include "views/view_context.h"
#include "views/view_text.h"

#include <algorithm>

namespace zerka {

using viewtext::hex;

ProgramMemoryViewModel::ProgramMemoryViewModel(ViewContext& context) : ctx_(context) {
    connections_.push_back({0, ctx_.up.busyChanged().connect([this](bool on) {
                                busy_ = on;
                                Refresh();
                            })});
    connections_.push_back(
        {1, ctx_.up.breakpointChanged().connect([this](const BreakpointChange&) { Refresh(); })});
    connections_.push_back(
        {2, ctx_.up.historyShown().connect([this](uint32_t a) { ShowAddress(a); })});
    setDataRows(dataRows_);
}

ProgramMemoryViewModel::~ProgramMemoryViewModel() {
    for (auto [which, id] : connections_) {
        if (which == 0) ctx_.up.busyChanged().disconnect(id);
        if (which == 1) ctx_.up.breakpointChanged().disconnect(id);
        if (which == 2) ctx_.up.historyShown().disconnect(id);
    }
}

uint32_t ProgramMemoryViewModel::programSize() const {
    return ctx_.cpu().programSize();
}

uint32_t ProgramMemoryViewModel::maxTop() const {
    const uint32_t size = programSize();
    return size > uint32_t(dataRows_) ? size - uint32_t(dataRows_) : 0;
}

void ProgramMemoryViewModel::setGridHeight(int pixels) {
    setDataRows((pixels - 1) / kRowHeight - 1);
}

void ProgramMemoryViewModel::setDataRows(int rows) {
    dataRows_ = std::max(1, rows);
    cells_.assign(size_t(dataRows_ + 1) * kColumns, Cell{});
    const char* headings[kColumns] = {"", "addr", "code", "instruction", ""};
    for (int c = 0; c < kColumns; ++c)
        cells_[size_t(c)] = {headings[c], CellRole::Header};
    setTopAddress(top_);
}

void ProgramMemoryViewModel::setTopAddress(int64_t top) {
    top_ = uint32_t(std::clamp<int64_t>(top, 0, maxTop()));
    Refresh();
}

void ProgramMemoryViewModel::ShowAddress(uint32_t address) {
    const uint32_t size = programSize();
    current_ = size ? std::min(address, size - 1) : 0;
    setTopAddress(int64_t(current_) - dataRows_ / 2);
}

void ProgramMemoryViewModel::EnsureVisible(uint32_t address) {
    const uint32_t size = programSize();
    address = size ? std::min(address, size - 1) : 0;
    if (address >= top_ && address < top_ + uint32_t(dataRows_)) {
        Refresh();
        return;
    }
    setTopAddress(int64_t(address) - dataRows_ + 1);
}

std::string ProgramMemoryViewModel::operandText(uint16_t word) const {
    const InstructionDef* def = ctx_.up.instructions().definitionFor(word);
    if (!def || def->noFileOperand || def->operandCount == 0) return {};
    const DecodedInstruction d = ctx_.up.instructions().decode(word);
    const CpuState& cpu = ctx_.cpu();
    uint32_t address = d.operands[0];
    const uint8_t status = cpu.ReadData(reg::kStatus);
    if (address == 0)
        address = cpu.ReadData(16) + ((status & 0x80) ? 0x100u : 0u);
    else if (address == 1)
        address = cpu.ReadData(18) + ((status & 0x40) ? 0x100u : 0u);
    return "M(" + hex(address, 1) + ")=" + hex(cpu.ReadData(address), 1);
}

void ProgramMemoryViewModel::Refresh() {
    const CpuState& cpu = ctx_.cpu();
    const uint32_t size = programSize();
    const CellRole current = ctx_.simulator() ? CellRole::CurrentSim : CellRole::CurrentEmu;
    for (int r = 1; r <= dataRows_; ++r) {
        Cell* row = &cells_[size_t(r) * kColumns];
        const uint32_t a = top_ + uint32_t(r - 1);
        if (a >= size) {
            for (int c = 0; c < kColumns; ++c)
                row[c] = Cell{};
            continue;
        }
        const uint16_t word = cpu.ProgramWord(a);
        const bool breakpoint = cpu.BreakpointMarkAt(a, BreakpointKind::Address);
        const CellRole role = a == current_ ? current
                              : breakpoint  ? CellRole::Breakpoint
                              : busy_       ? CellRole::Busy
                                            : CellRole::Normal;
        row[0] = {breakpoint ? kBreakMark : " ", a == current_ ? role : CellRole::Breakpoint};
        row[1] = {hex(a, 4), role};
        row[2] = {hex(word, 4), role};
        row[3] = {ctx_.up.instructions().disassemble(word), role};
        row[4] = {operandText(word), role};
    }
    changed_.emit();
}

const Cell& ProgramMemoryViewModel::cell(int row, int col) const {
    static const Cell kEmpty{};
    if (row < 0 || row > dataRows_ || col < 0 || col >= kColumns) return kEmpty;
    return cells_[size_t(row) * kColumns + size_t(col)];
}

std::optional<uint32_t> ProgramMemoryViewModel::addressAt(int row) const {
    if (row < 1 || row > dataRows_) return std::nullopt;
    const uint32_t a = top_ + uint32_t(row - 1);
    if (a >= programSize()) return std::nullopt;
    return a;
}

void ProgramMemoryViewModel::key(Key key, int selectedRow) {
    switch (key) {
    case Key::PageUp:
        setTopAddress(int64_t(top_) - dataRows_);
        break;
    case Key::PageDown:
        setTopAddress(int64_t(top_) + dataRows_);
        break;
    case Key::CtrlHome:
        setTopAddress(0);
        break;
    case Key::CtrlEnd:
        setTopAddress(int64_t(programSize()) - dataRows_);
        break;
    case Key::Up:
        if (selectedRow == 1) setTopAddress(int64_t(top_) - 1);
        break;
    case Key::Down:
        if (selectedRow == dataRows_) setTopAddress(int64_t(top_) + 1);
        break;
    }
}

void ProgramMemoryViewModel::selectRow(int row) {
    if (row > dataRows_) setTopAddress(int64_t(top_) + (row - dataRows_));
}

ProgramMemoryViewModel::Action ProgramMemoryViewModel::doubleClick(int row) const {
    const auto a = addressAt(row);
    if (!a) return {};
    if (lastColumn_ == 0) return {Action::Kind::ToggleBreakpoint, *a};
    return {Action::Kind::ShowSource, *a};
}

} // namespace zerka
