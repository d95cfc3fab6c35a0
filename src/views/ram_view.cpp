#include "views/ram_view.h"

#include "core/atomic_file.h"
#include "upcentre/run/emulator_run.h"
#include "views/cell_typing_keys.h"
#include "views/view_context.h"
#include "views/view_text.h"

namespace zerka {

using viewtext::hex;

namespace {

bool inRange(const AddressRange& r, uint32_t a) {
    return a >= r.start && a <= r.end;
}

} // namespace

RamViewModel::RamViewModel(ViewContext& context) : ctx_(context) {
    for (RamAnnotation& n : notes_)
        n.colour = kDefaultMarkColour;
    connection_ = ctx_.up.registerChanged().connect([this](uint32_t) {
        if (!loading_) Refresh();
    });
    findRegisterAddresses();
    fillHeadings();
    Refresh(true);
}

RamViewModel::~RamViewModel() {
    ctx_.up.registerChanged().disconnect(connection_);
}

void RamViewModel::findRegisterAddresses() {
    // What the register window compares: its bit, named byte and word registers.
    const ChipModel& chip = ctx_.chip;
    registerOwned_.reset();
    auto own = [this](uint32_t a) {
        if (a < kDataAddressCount) registerOwned_.set(a);
    };
    for (size_t i = 0; i < chip.bitRegisters.count(); ++i)
        own(chip.bitRegisters.at(i).address);
    for (size_t i = 0; i < chip.byteRegisters.count(); ++i) {
        const ByteRegister& r = chip.byteRegisters.at(i);
        if (!r.unnamed && r.address > 14 && r.address != 28) own(r.address);
    }
    for (size_t i = 0; i < chip.wordRegisters.count(); ++i) {
        const WordRegister& r = chip.wordRegisters.at(i);
        if (r.noMemory) continue;
        own(r.highAddress);
        own(r.lowAddress);
    }
}

void RamViewModel::chipChanged() {
    findRegisterAddresses();
    if (!bankShown(bank_)) bank_ = 0;
    typing_.cancel();
    fillHeadings();
    Refresh(true);
}

bool RamViewModel::bankShown(int bank) const {
    return bank >= 0 && bank < kBanks && bank <= ctx_.chip.lastBankIndex;
}

void RamViewModel::selectBank(int bank) {
    if (bank < 0 || bank >= kBanks) return;
    leaveCell();
    bank_ = bank;
    fillHeadings();
    Refresh();
}

void RamViewModel::fillHeadings() {
    cells_[0] = {"", CellRole::Header};
    for (int c = 1; c < kColumns; ++c)
        cells_[size_t(c)] = {hex(uint32_t(c - 1), 1), CellRole::Header};
    for (int r = 1; r < kRows; ++r)
        cells_[size_t(r * kColumns)] = {hex(uint32_t(bank_ * 16 + r - 1), 2) + "0",
                                        CellRole::Header};
}

std::string RamViewModel::cellText(uint32_t a) const {
    if (a <= 14) return "=";
    const CpuState& cpu = ctx_.cpu();
    if (ctx_.simulator() && a == 26) return hex((cpu.GetPC() >> 8) & 0xFF, 2);
    if (ctx_.simulator() && a == 27) return hex(cpu.GetPC() & 0xFF, 2);
    const uint8_t mask = ctx_.mask(a);
    if (mask == 0) return "-";
    return hex(cpu.ReadData(a) & mask, 2);
}

void RamViewModel::Refresh(bool noHighlight) {
    const bool highlight = !noHighlight;
    const ChipModel& chip = ctx_.chip;
    const CpuState& cpu = ctx_.cpu();
    ChangeTracker& tracker = ctx_.tracker;
    for (uint32_t offset = 0; offset < 256; ++offset) {
        const uint32_t a = uint32_t(bank_) * 256 + offset;
        const uint8_t v = uint8_t(cpu.ReadData(a) & ctx_.mask(a));
        // The register window owns the change tracking of the special register ranges and of
        // every register it shows; remembering the value here would hide the change from it.
        const bool special =
            inRange(chip.specialRange0, a) || inRange(chip.specialRange1, a) || registerOwned_[a];
        const bool changedNow =
            special ? tracker.compare(a, v, highlight) : tracker.update(a, v, highlight);
        Cell& cell = cells_[size_t((offset / 16 + 1) * kColumns + offset % 16 + 1)];
        cell.text = cellText(a);
        const RamAnnotation& note = notes_[a];
        cell.underline = note.hint;
        cell.mark = Rgb::fromValue(note.colour);
        cell.role = changedNow && a > 14 ? CellRole::Changed
                    : note.mark          ? CellRole::Marked
                                         : CellRole::Normal;
    }
    changed_.emit();
}

const Cell& RamViewModel::cell(int row, int col) const {
    static const Cell kEmpty{};
    if (row < 0 || row >= kRows || col < 0 || col >= kColumns) return kEmpty;
    if (typing_.editing() && typing_.row() == row && typing_.col() == col) {
        static thread_local Cell typed;
        typed = cells_[size_t(row * kColumns + col)];
        typed.text = typing_.text();
        return typed;
    }
    return cells_[size_t(row * kColumns + col)];
}

std::optional<uint32_t> RamViewModel::addressAt(int row, int col) const {
    if (row < 1 || row >= kRows || col < 1 || col >= kColumns) return std::nullopt;
    return uint32_t(bank_) * 256 + uint32_t(row - 1) * 16 + uint32_t(col - 1);
}

bool RamViewModel::editable() const {
    return !ctx_.up.running();
}

bool RamViewModel::key(int row, int col, int key) {
    const auto a = addressAt(row, col);
    if (!a || !editable() || *a <= 14 || ctx_.mask(*a) == 0) return false;
    if (typing_.row() != row || typing_.col() != col) {
        leaveCell();
        typing_.begin(row, col);
    }
    return typeIntoCell(
        typing_, key, 2, [&] { leaveCell(); }, [&] { changed_.emit(); });
}

void RamViewModel::leaveCell() {
    if (!typing_.editing()) {
        typing_.begin(-1, -1);
        return;
    }
    const auto a = addressAt(typing_.row(), typing_.col());
    const uint32_t value = typing_.take();
    typing_.begin(-1, -1);
    if (a) ctx_.up.SetRegister(*a, uint8_t(value));
}

std::optional<HexEditRequest> RamViewModel::doubleClick(int row, int col) const {
    const auto a = addressAt(row, col);
    if (!a || !editable() || *a <= 14 || ctx_.mask(*a) == 0) return std::nullopt;
    return HexEditRequest{
        "Ram" + hex(*a, 4) + "=" + cell(row, col).text, "FF", "00~FF", {EditKind::Register, *a, 0}};
}

void RamViewModel::apply(const HexEditRequest& request, uint32_t value) {
    applyEdit(ctx_, request.target, value);
}

std::vector<MenuItem> RamViewModel::contextMenu() const {
    using enum MenuAction;
    std::vector<MenuItem> items = {{SetMark, "Set Mark"},
                                   {SetMarkNewColour, "Set Mark(new color)"},
                                   {ResetMark, "Reset Mark"},
                                   {ResetAllMarks, "Reset All Mark"},
                                   {SetHint, "Set Hint"},
                                   {ResetHint, "Reset Hint"},
                                   {ResetAllHints, "Reset All Hint"},
                                   {LoadRamData, "Load RAM Data"},
                                   {SaveRamData, "Save RAM Data"},
                                   {SaveToExcel, "Save To excel"}};
    for (int k = 0; k < kBanks; ++k)
        items.push_back({ShowBank, "RAMBANK" + std::to_string(k), bankShown(k), k == bank_, k});
    return items;
}

// Only a cell with data memory behind it takes a mark or a hint.
bool RamViewModel::editNote(int row, int col, const std::function<void(RamAnnotation&)>& edit) {
    const auto a = addressAt(row, col);
    if (!a || ctx_.mask(*a) == 0) return false;
    edit(notes_[*a]);
    Refresh();
    return true;
}

bool RamViewModel::setMark(int row, int col) {
    return editNote(row, col, [this](RamAnnotation& n) {
        n.mark = true;
        n.colour = markColour_;
    });
}

bool RamViewModel::resetMark(int row, int col) {
    return editNote(row, col, [](RamAnnotation& n) { n.mark = false; });
}

void RamViewModel::resetAllMarks() {
    for (RamAnnotation& n : notes_)
        n.mark = false;
    Refresh();
}

bool RamViewModel::setHint(int row, int col, const std::string& text) {
    return editNote(row, col, [&text](RamAnnotation& n) {
        n.hint = true;
        n.hintText = text;
    });
}

bool RamViewModel::resetHint(int row, int col) {
    return editNote(row, col, [](RamAnnotation& n) {
        n.hint = false;
        n.hintText.clear();
    });
}

void RamViewModel::resetAllHints() {
    for (RamAnnotation& n : notes_) {
        n.hint = false;
        n.hintText.clear();
    }
    Refresh();
}

void RamViewModel::applySymbolHints(std::span<const ViewSymbol> symbols) {
    for (const ViewSymbol& s : symbols) {
        if (s.kind != 'D' && s.kind != 'd') continue;
        if (s.value < 0 || s.value >= int32_t(kDataAddressCount)) continue;
        const uint32_t first = uint32_t(s.value);
        notes_[first].hint = true;
        if (s.length < 2) {
            notes_[first].hintText = s.name;
            continue;
        }
        for (int32_t i = 0; i < s.length && first + uint32_t(i) < kDataAddressCount; ++i)
            notes_[first + uint32_t(i)].hintText = s.name + "[" + std::to_string(i) + "]";
    }
    Refresh(true);
}

std::string RamViewModel::hoverText(int row, int col) const {
    const auto a = addressAt(row, col);
    if (!a) return {};
    std::string text = "<" + hex(*a & 0xFF, 2) + ">";
    const RamAnnotation& note = notes_[*a];
    if (!note.hintText.empty()) text += ": " + note.hintText;
    return text;
}

ScreenPoint RamViewModel::hoverPosition(int cellLeft, int cellBottom, int windowWidth,
                                        int windowHeight) {
    const int x = windowWidth - cellLeft < 58 ? cellLeft - 28 : cellLeft + 10;
    const int y = windowHeight - cellBottom < 58 ? cellBottom - 28 : cellBottom + 10;
    return {x, y};
}

uint32_t RamViewModel::layoutBytes() const {
    return EmulatorRunSettings::fromChip(ctx_.chip).dataBytes;
}

RamFileData RamViewModel::fileData() const {
    const uint32_t n = layoutBytes();
    RamFileData data;
    const CpuState& cpu = ctx_.cpu();
    for (uint32_t a = 0; a < n / 16 * 16; ++a)
        data.values.push_back(ctx_.mask(a) == 0 ? -1 : int(cpu.ReadData(a)));
    data.annotations.assign(notes_.begin(), notes_.begin() + n);
    return data;
}

bool RamViewModel::saveRam(const std::filesystem::path& path, std::string* error) const {
    return writeFileAtomic(path, formatRamFile(fileData()), error);
}

bool RamViewModel::loadRam(const std::filesystem::path& path, std::string* error) {
    std::string text;
    if (!readFileBytes(path, text)) {
        if (error) *error = "File " + path.filename().string() + " can not be read!";
        return false;
    }
    std::string why;
    auto data = parseRamFile(text, layoutBytes(), &why);
    if (!data) {
        if (error) *error = "File " + path.filename().string() + " is not RAM data (" + why + ")!";
        return false;
    }
    applyFileData(*data);
    return true;
}

void RamViewModel::applyFileData(const RamFileData& data) {
    loading_ = true; // one refresh at the end, not one per byte
    for (uint32_t a = 0; a < data.values.size() && a < kDataAddressCount; ++a) {
        const bool implemented = ctx_.mask(a) != 0;
        ctx_.up.WriteRegister(a, implemented && data.values[a] > 0 ? uint8_t(data.values[a]) : 0);
    }
    loading_ = false;
    Refresh(true);
    for (uint32_t a = 0; a < data.annotations.size() && a < kDataAddressCount; ++a)
        if (ctx_.mask(a) != 0) notes_[a] = data.annotations[a];
    Refresh(true);
}

std::vector<SheetCell> RamViewModel::sheetCells() const {
    return ramSheetCells(fileData().values);
}

bool RamViewModel::saveExcel(const std::filesystem::path& path, std::string* error) const {
    return writeWorkbook(path, kRamSheetName, sheetCells(), error);
}

} // namespace zerka
