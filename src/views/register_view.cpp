#include "views/register_view.h"

#include "views/cell_typing_keys.h"
#include "views/view_context.h"
#include "views/view_text.h"

#include <algorithm>
#include <bitset>

namespace zerka {

using viewtext::hex;

namespace {

const Cell kEmpty{};

// The indirect access registers (0..14) and the table pointer upper byte are never read.
bool notRead(uint32_t address) {
    return address <= 14 || address == 28;
}

std::optional<std::string> helpText(const std::string& text) {
    if (text.empty() || text == "-") return std::nullopt;
    return text;
}

} // namespace

RegisterViewModel::RegisterViewModel(ViewContext& context) : ctx_(context) {
    // Every register edit refreshes this window.
    connection_ = ctx_.up.registerChanged().connect([this](uint32_t) { Refresh(); });
    chipChanged();
}

RegisterViewModel::~RegisterViewModel() {
    ctx_.up.registerChanged().disconnect(connection_);
}

void RegisterViewModel::chipChanged() {
    const ChipModel& chip = ctx_.chip;
    bitValues_.assign(chip.bitRegisters.count(), 0);
    byteIndex_.clear();
    for (size_t i = 0; i < chip.byteRegisters.count(); ++i)
        if (!chip.byteRegisters.at(i).unnamed) byteIndex_.push_back(i);
    wordIndex_.clear();
    for (size_t i = 0; i < chip.wordRegisters.count(); ++i)
        wordIndex_.push_back(i);
    byteCells_.assign(size_t(byteRows()) * kGridColumns, Cell{});
    wordCells_.assign(size_t(wordRows()) * kGridColumns, Cell{});
    for (size_t k = 0; k < byteIndex_.size(); ++k)
        byteCells_[(k / kGridColumns) * 2 * kGridColumns + k % kGridColumns].text =
            chip.byteRegisters.at(byteIndex_[k]).name;
    for (size_t k = 0; k < wordIndex_.size(); ++k)
        wordCells_[(k / kGridColumns) * 2 * kGridColumns + k % kGridColumns].text =
            chip.wordRegisters.at(wordIndex_[k]).name;
    typing_.cancel();
    page_ = 0;
    rebuildBitRows();
    Refresh(true);
}

void RegisterViewModel::rebuildBitRows() {
    const ChipModel& chip = ctx_.chip;
    size_t first = 0;
    for (int k = 0; k < page_; ++k)
        first += chip.bitPageCount[size_t(k)];
    const size_t last =
        std::min(first + chip.bitPageCount[size_t(page_)], chip.bitRegisters.count());
    bitIndex_.clear();
    for (size_t i = first; i < last; ++i)
        bitIndex_.push_back(i);
}

void RegisterViewModel::selectPage(int page) {
    if (page < 0 || page >= kPages) return;
    page_ = page;
    rebuildBitRows();
    changed_.emit();
}

Rgb RegisterViewModel::pageColour(int page) const {
    static constexpr std::array<Rgb, kPages> kColours{colour::kYellow, colour::kLime, colour::kRed,
                                                      colour::kWhite};
    return page == page_ && page >= 0 && page < kPages ? kColours[size_t(page)] : colour::kSilver;
}

uint16_t RegisterViewModel::wordValue(size_t record) const {
    const WordRegister& r = ctx_.chip.wordRegisters.at(record);
    if (r.noMemory) return ctx_.wordTransfer ? ctx_.wordTransfer(r.highAddress) : uint16_t{0};
    const CpuState& cpu = ctx_.cpu();
    return uint16_t((cpu.ReadData(r.highAddress) & r.highMask) * 256 +
                    (cpu.ReadData(r.lowAddress) & r.lowMask));
}

void RegisterViewModel::Refresh(bool noHighlight) {
    const bool highlight = !noHighlight;
    CpuState& cpu = ctx_.cpu();
    ChangeTracker& tracker = ctx_.tracker;

    // Top panels: each marked when its own shown value differs from the previous refresh.
    uint32_t pc = cpu.GetPC();
    if (!ctx_.simulator() && ctx_.emulator.readPc)
        if (auto read = ctx_.emulator.readPc()) pc = *read;
    const uint32_t p0 = uint32_t(cpu.ReadData(15)) << 8 | cpu.ReadData(16);
    const uint32_t p1 = uint32_t(cpu.ReadData(17)) << 8 | cpu.ReadData(18);
    const std::array<uint32_t, kPanelCount> values{
        cpu.ReadData(reg::kW),    pc,         cpu.GetCycles(),         p0 & 0xFFF,
        cpu.ReadData(p0 & 0xFFF), p1 & 0xFFF, cpu.ReadData(p1 & 0xFFF)};
    panels_[0].text = " WREG:" + hex(values[0], 2);
    panels_[1].text = " Program Counter: " + hex(pc, 1);
    panels_[2].text = " Cycle: " + hex(cpu.cyclesHigh(), 4) + hex(cpu.cyclesLow(), 4);
    panels_[3].text = " IND0: M[" + hex(values[3], 3);
    panels_[4].text = "]=" + hex(values[4], 2);
    panels_[5].text = " IND1: M[" + hex(values[5], 3);
    panels_[6].text = "]=" + hex(values[6], 2);
    for (size_t i = 0; i < kPanelCount; ++i) {
        const bool changedNow = highlight && !firstRefresh_ && values[i] != shown_[i];
        panels_[i].role = changedNow ? CellRole::Changed : CellRole::Normal;
        shown_[i] = values[i];
    }
    firstRefresh_ = false;

    // An address listed in several catalogues is compared once per refresh; a second visit
    // would see its own update and clear the mark.
    std::bitset<kDataAddressCount> seen;
    auto track = [&](uint32_t a, uint8_t v) {
        if (seen[a]) return tracker.changed(a);
        seen.set(a);
        return tracker.update(a, v, highlight);
    };

    // Bit registers of every page.
    const ChipModel& chip = ctx_.chip;
    for (size_t i = 0; i < bitValues_.size(); ++i) {
        const uint16_t a = chip.bitRegisters.at(i).address;
        const uint8_t v = a < kDataAddressCount ? uint8_t(cpu.ReadData(a) & ctx_.mask(a)) : 0;
        if (a < kDataAddressCount) track(a, v);
        bitValues_[i] = v;
    }

    // Byte registers.
    for (size_t k = 0; k < byteIndex_.size(); ++k) {
        const ByteRegister& r = chip.byteRegisters.at(byteIndex_[k]);
        Cell& cell = byteCells_[((k / kGridColumns) * 2 + 1) * kGridColumns + k % kGridColumns];
        if (notRead(r.address) || r.address >= kDataAddressCount) {
            cell.text = "=";
            cell.role = CellRole::Normal;
            continue;
        }
        const uint8_t v = uint8_t(cpu.ReadData(r.address) & ctx_.mask(r.address));
        cell.text = hex(v, 2);
        cell.role = track(r.address, v) ? CellRole::Changed : CellRole::Normal;
    }

    // Word registers: a change of either byte marks the register.
    for (size_t k = 0; k < wordIndex_.size(); ++k) {
        const WordRegister& r = chip.wordRegisters.at(wordIndex_[k]);
        Cell& cell = wordCells_[((k / kGridColumns) * 2 + 1) * kGridColumns + k % kGridColumns];
        const uint16_t v = wordValue(wordIndex_[k]);
        cell.text = hex(v, 4);
        bool changedNow = false;
        if (!r.noMemory && r.highAddress < kDataAddressCount && r.lowAddress < kDataAddressCount) {
            changedNow |= track(r.highAddress, uint8_t(v >> 8));
            changedNow |= track(r.lowAddress, uint8_t(v));
        }
        cell.role = changedNow ? CellRole::Changed : CellRole::Normal;
    }
    changed_.emit();
}

Cell RegisterViewModel::bitCell(int row, int col) const {
    if (row < 0 || row >= bitRows() || col < 0 || col >= kBitColumns) return {};
    const size_t record = bitIndex_[size_t(row)];
    const BitRegister& r = ctx_.chip.bitRegisters.at(record);
    if (col == 0)
        return {r.name, ctx_.tracker.changed(r.address) ? CellRole::Changed : CellRole::Normal};
    const int bit = 8 - col;
    const bool one = (bitValues_[record] >> bit) & 1;
    return {r.bits[size_t(col - 1)].name, one ? CellRole::BitOne : CellRole::BitZero};
}

RegisterViewModel::DoubleClick RegisterViewModel::bitDoubleClick(int row, int col) const {
    if (row < 0 || row >= bitRows() || col < 0 || col >= kBitColumns) return {};
    const size_t record = bitIndex_[size_t(row)];
    const BitRegister& r = ctx_.chip.bitRegisters.at(record);
    if (r.address >= kDataAddressCount) return {};
    if (col == 0)
        return HexEditRequest{"Ram" + hex(r.address, 3) + "=" + hex(bitValues_[record], 2),
                              "FF",
                              "00~FF",
                              {EditKind::Register, r.address, 0}};
    const std::string& name = r.bits[size_t(col - 1)].name;
    if (name.empty() || name == "-") return {};
    return BitMenu{name + "=1", name + "=0", r.address, 8 - col};
}

void RegisterViewModel::bitMenuChosen(const BitMenu& menu, bool set) {
    uint8_t v = ctx_.cpu().ReadData(menu.address);
    v = set ? uint8_t(v | (1u << menu.bit)) : uint8_t(v & ~(1u << menu.bit));
    ctx_.up.SetRegister(menu.address, v);
}

std::optional<std::string> RegisterViewModel::bitHelp(int row, int col) const {
    if (row < 0 || row >= bitRows() || col < 0 || col >= kBitColumns) return std::nullopt;
    const BitRegister& r = ctx_.chip.bitRegisters.at(bitIndex_[size_t(row)]);
    return helpText(col == 0 ? r.description : r.bits[size_t(col - 1)].description);
}

int RegisterViewModel::gridIndex(size_t count, int row, int col) const {
    if (row < 0 || col < 0 || col >= kGridColumns) return -1;
    const size_t k = size_t(row / 2) * kGridColumns + size_t(col);
    return k < count ? int(k) : -1;
}

const Cell& RegisterViewModel::byteCell(int row, int col) const {
    if (row < 0 || row >= byteRows() || col < 0 || col >= kGridColumns) return kEmpty;
    if (typing_.editing() && !typingWord_ && typing_.row() == row && typing_.col() == col) {
        static thread_local Cell typed;
        typed = {typing_.text(), CellRole::Normal};
        return typed;
    }
    return byteCells_[size_t(row) * kGridColumns + size_t(col)];
}

const Cell& RegisterViewModel::wordCell(int row, int col) const {
    if (row < 0 || row >= wordRows() || col < 0 || col >= kGridColumns) return kEmpty;
    if (typing_.editing() && typingWord_ && typing_.row() == row && typing_.col() == col) {
        static thread_local Cell typed;
        typed = {typing_.text(), CellRole::Normal};
        return typed;
    }
    return wordCells_[size_t(row) * kGridColumns + size_t(col)];
}

std::optional<HexEditRequest> RegisterViewModel::byteDoubleClick(int row, int col) const {
    const int k = gridIndex(byteIndex_.size(), row, col);
    if (k < 0 || row % 2 == 0) return std::nullopt;
    const ByteRegister& r = ctx_.chip.byteRegisters.at(byteIndex_[size_t(k)]);
    if (r.address <= 14 || r.address >= kDataAddressCount) return std::nullopt;
    return HexEditRequest{"Ram" + hex(r.address, 3) + "=" + byteCell(row, col).text,
                          "FF",
                          "00~FF",
                          {EditKind::Register, r.address, 0}};
}

std::optional<HexEditRequest> RegisterViewModel::wordDoubleClick(int row, int col) const {
    const int k = gridIndex(wordIndex_.size(), row, col);
    if (k < 0 || row % 2 == 0) return std::nullopt;
    const WordRegister& r = ctx_.chip.wordRegisters.at(wordIndex_[size_t(k)]);
    if (r.noMemory) return std::nullopt; // no data-memory cells to write
    return HexEditRequest{"Ram" + hex(r.highAddress, 3) + "=" + wordCell(row, col).text,
                          "FFFF",
                          "0000~FFFF",
                          {EditKind::Word, r.highAddress, r.lowAddress}};
}

std::optional<std::string> RegisterViewModel::byteHelp(int row, int col) const {
    const int k = gridIndex(byteIndex_.size(), row, col);
    if (k < 0) return std::nullopt;
    return helpText(ctx_.chip.byteRegisters.at(byteIndex_[size_t(k)]).description);
}

std::optional<std::string> RegisterViewModel::wordHelp(int row, int col) const {
    const int k = gridIndex(wordIndex_.size(), row, col);
    if (k < 0) return std::nullopt;
    return helpText(ctx_.chip.wordRegisters.at(wordIndex_[size_t(k)]).description);
}

bool RegisterViewModel::gridKey(bool word, int row, int col, int key) {
    const std::optional<HexEditRequest> target =
        word ? wordDoubleClick(row, col) : byteDoubleClick(row, col);
    if (!target) return false;
    if (typing_.row() != row || typing_.col() != col || typingWord_ != word) {
        typing_.begin(row, col);
        typingWord_ = word;
    }
    return typeIntoCell(
        typing_, key, word ? 4 : 2,
        [&] {
            if (typing_.editing()) applyEdit(ctx_, target->target, typing_.take());
        },
        [&] { changed_.emit(); });
}

bool RegisterViewModel::byteKey(int row, int col, int key) {
    return gridKey(false, row, col, key);
}
bool RegisterViewModel::wordKey(int row, int col, int key) {
    return gridKey(true, row, col, key);
}

std::vector<std::string> RegisterViewModel::panelMenu(Panel p) const {
    switch (p) {
    case Panel::W:
    case Panel::Pc:
        return {kChangeValueItem};
    case Panel::Ind0Address:
    case Panel::Ind0Value:
        return {kChangeValueItem, "Modify FSR0"};
    case Panel::Ind1Address:
    case Panel::Ind1Value:
        return {kChangeValueItem, "Modify FSR1"};
    case Panel::Cycle:
        break;
    }
    return {};
}

std::optional<HexEditRequest> RegisterViewModel::panelMenuChosen(Panel p, int item) const {
    const CpuState& cpu = ctx_.cpu();
    if (p == Panel::W && item == 0)
        return HexEditRequest{"Work=" + hex(cpu.ReadData(reg::kW), 2),
                              "FF",
                              "00~FF",
                              {EditKind::Register, reg::kW, 0}};
    if (p == Panel::Pc && item == 0) {
        const uint32_t size = cpu.programSize();
        const std::string max = hex(size ? size - 1 : 0, 4);
        return HexEditRequest{"PC=" + hex(shown_[1], 4), max, "000~" + max, {EditKind::Pc, 0, 0}};
    }
    int n = -1;
    if (p == Panel::Ind0Address || p == Panel::Ind0Value) n = 0;
    if (p == Panel::Ind1Address || p == Panel::Ind1Value) n = 1;
    if (n < 0) return std::nullopt;
    const uint32_t high = reg::kFsr0High + uint32_t(n) * 2;
    const uint32_t pointer = (uint32_t(cpu.ReadData(high)) << 8 | cpu.ReadData(high + 1)) & 0xFFF;
    const std::string name = std::to_string(n);
    if (item == 0)
        return HexEditRequest{"IND" + name + "=" + hex(cpu.ReadData(pointer), 2),
                              "FF",
                              "00~FF",
                              {EditKind::Register, pointer, 0}};
    if (item == 1)
        return HexEditRequest{
            "FSR" + name + "=" + hex(pointer, 3), "FFF", "000~FFF", {EditKind::Pointer, high, 0}};
    return std::nullopt;
}

void RegisterViewModel::apply(const HexEditRequest& request, uint32_t value) {
    // The edit path's notification refreshes this window.
    applyEdit(ctx_, request.target, value);
}

} // namespace zerka
