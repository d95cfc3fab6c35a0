#include "views/watch_list.h"

#include "core/atomic_file.h"
#include "core/number.h"
#include "core/text.h"
#include "views/view_context.h"
#include "views/view_text.h"

#include <algorithm>

namespace zerka {

using viewtext::hex;

namespace {

bool offered(char kind) {
    return std::string_view("CDRcdr").find(kind) != std::string_view::npos;
}
bool isData(char kind) {
    return kind == 'D' || kind == 'd';
}

// Big-endian bytes as a decimal number of any length.
std::string decimalOf(std::vector<uint8_t> bytes) {
    std::string digits;
    size_t first = 0;
    while (first < bytes.size()) {
        unsigned remainder = 0;
        for (size_t i = first; i < bytes.size(); ++i) {
            const unsigned cur = remainder * 256 + bytes[i];
            bytes[i] = uint8_t(cur / 10);
            remainder = cur % 10;
        }
        digits.push_back(char('0' + remainder));
        while (first < bytes.size() && bytes[first] == 0)
            ++first;
    }
    if (digits.empty()) digits = "0";
    std::reverse(digits.begin(), digits.end());
    return digits;
}

std::vector<std::string_view> splitBlanks(std::string_view line, size_t maxFields) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size() && fields.size() < maxFields) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size()) break;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t')
            ++j;
        fields.push_back(line.substr(i, j - i));
        i = j;
    }
    return fields;
}

} // namespace

WatchListModel::WatchListModel(ViewContext& context) : ctx_(context) {}

void WatchListModel::setSymbols(std::span<const ViewSymbol> symbols) {
    entries_.clear();
    watched_.clear();
    entries_.reserve(symbols.size());
    for (const ViewSymbol& s : symbols) {
        WatchEntry e;
        e.name = s.name;
        e.symbolValue = s.value;
        e.symbolLength = s.length;
        e.kind = s.kind;
        makeByteWatch(e);
        entries_.push_back(std::move(e));
    }
    for (WatchEntry& e : entries_)
        if (e.kind == 'A') setListed(e, true);
    Refresh();
}

const WatchEntry* WatchListModel::find(std::string_view name) const {
    for (const WatchEntry& e : entries_)
        if (e.name == name) return &e;
    return nullptr;
}

WatchEntry* WatchListModel::findEntry(std::string_view name) {
    return const_cast<WatchEntry*>(std::as_const(*this).find(name));
}

void WatchListModel::makeByteWatch(WatchEntry& e) {
    e.bitWatch = false;
    e.reserve = "0";
    e.address = hex(uint32_t(e.symbolValue), 3);
    e.referred.clear();
    e.length = hex(uint32_t(std::max<int32_t>(e.symbolLength, 0)), 2);
    e.type = std::string(1, e.kind);
    e.referredAddress = 0;
    e.bit = 0;
}

void WatchListModel::setListed(WatchEntry& e, bool listed) {
    const size_t index = size_t(&e - entries_.data());
    auto it = std::find(watched_.begin(), watched_.end(), index);
    if (listed && it == watched_.end()) watched_.push_back(index);
    if (!listed && it != watched_.end()) watched_.erase(it);
    e.list = listed ? 'A' : 'R';
}

const WatchEntry* WatchListModel::watchedEntry(int row) const {
    if (row < 1 || row > int(watched_.size())) return nullptr;
    return &entries_[watched_[size_t(row - 1)]];
}

const char* WatchListModel::modeHeading(WatchMode mode) {
    switch (mode) {
    case WatchMode::HexHighLow:
        return "Hex(H --> L)";
    case WatchMode::HexLowHigh:
        return "Hex(L --> H)";
    case WatchMode::DecHighLow:
        return "Dec(H --> L)";
    case WatchMode::DecLowHigh:
        return "Dec(L --> H)";
    }
    return "";
}

Cell WatchListModel::cell(int row, int col) const {
    if (col < 0 || col >= kColumns) return {};
    if (row == 0) {
        static constexpr const char* kHeadings[kColumns] = {
            "Name", "Addr", "", "Bin/Refered Symbol", "Reserve", "Length", "Type"};
        return {col == 2 ? modeHeading(mode_) : kHeadings[col], CellRole::Header};
    }
    const WatchEntry* e = watchedEntry(row);
    if (!e) return {};
    switch (col) {
    case 0:
        return {e->name};
    case 1:
        return {e->address};
    case 2:
        return {e->value};
    case 3:
        if (e->bitWatch) return {e->referred};
        return {isData(e->kind) && e->symbolLength > 1
                    ? std::string()
                    : viewtext::binary8(ctx_.cpu().ReadData(uint32_t(e->symbolValue)))};
    case 4:
        return {e->reserve};
    case 5:
        return {e->length};
    default:
        return {e->type};
    }
}

int WatchListModel::columnWidth(int col) const {
    static constexpr int kWidths[kColumns] = {120, 80, 60, 120, 0, 0, 0};
    if (col == 1 && hideAddress_) return 0;
    return col >= 0 && col < kColumns ? kWidths[col] : 0;
}

void WatchListModel::toggleHideAddress() {
    hideAddress_ = !hideAddress_;
    changed_.emit();
}

void WatchListModel::setMode(WatchMode mode) {
    mode_ = mode;
    Refresh();
}

void WatchListModel::nextMode() {
    setMode(WatchMode((int(mode_) + 1) % 4));
}

void WatchListModel::refreshEntry(WatchEntry& e) {
    const CpuState& cpu = ctx_.cpu();
    if (e.bitWatch) {
        e.value = (cpu.ReadData(e.referredAddress) >> e.bit) & 1 ? "1" : "0";
        return;
    }
    const uint32_t address = uint32_t(e.symbolValue);
    if (!isData(e.kind)) {
        e.value = hex(cpu.ReadData(address), 2);
        return;
    }
    const int32_t length = std::clamp<int32_t>(e.symbolLength, 1, kMaxShownBytes);
    const bool highFirst = mode_ == WatchMode::HexHighLow || mode_ == WatchMode::DecHighLow;
    std::vector<uint8_t> bytes(size_t(length), 0);
    for (int32_t i = 0; i < length; ++i) {
        const uint8_t b = cpu.ReadData(address + uint32_t(i));
        bytes[highFirst ? size_t(length - 1 - i) : size_t(i)] = b;
    }
    if (mode_ == WatchMode::HexHighLow || mode_ == WatchMode::HexLowHigh) {
        e.value.clear();
        for (uint8_t b : bytes)
            e.value += hex(b, 2);
    } else {
        e.value = decimalOf(std::move(bytes));
    }
}

void WatchListModel::Refresh() {
    for (size_t index : watched_)
        refreshEntry(entries_[index]);
    changed_.emit();
}

std::vector<MenuItem> WatchListModel::contextMenu() const {
    const bool any = !watched_.empty();
    using enum MenuAction;
    return {{AddDeleteWatches, "Add/Delete Watches"},
            {EditWatch, "Edit Watch", any},
            {DeleteWatch, "Delete Watch", any},
            {DeleteAllWatches, "Delete All Watches", any},
            {HideAddress, "Hide Addr", true, hideAddress_},
            {LoadProperties, "Load Properties"},
            {SaveProperties, "Save Properties As"},
            {ClearAllProperties, "Clear All Properties"}};
}

bool WatchListModel::add(std::string_view name) {
    WatchEntry* e = findEntry(toUpperAscii(name));
    if (!e || e->list == 'A') return false;
    setListed(*e, true);
    Refresh();
    return true;
}

bool WatchListModel::remove(std::string_view name) {
    WatchEntry* e = findEntry(toUpperAscii(name));
    if (!e || e->list != 'A') return false;
    setListed(*e, false);
    Refresh();
    return true;
}

void WatchListModel::removeAll() {
    for (size_t index : watched_)
        entries_[index].list = 'R';
    watched_.clear();
    Refresh();
}

void WatchListModel::moveAllIn() {
    for (WatchEntry& e : entries_)
        if (e.list != 'A' && (offered(e.kind) || e.kind == 'A')) setListed(e, true);
    Refresh();
}

std::vector<std::string> WatchListModel::watchListBox() const {
    std::vector<std::string> names;
    for (size_t index : watched_)
        names.push_back(entries_[index].name);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> WatchListModel::otherBox() const {
    std::vector<std::string> names;
    for (const WatchEntry& e : entries_)
        if (e.list != 'A' && offered(e.kind)) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

WatchListModel::EditResult WatchListModel::applyEdit(std::string_view name, bool bit,
                                                     std::string_view referred, char list) {
    WatchEntry* e = findEntry(name);
    if (!e) return {EditOutcome::Error, "Refered Address " + std::string(name) + " is error!"};
    EditResult result;
    if (bit && (e->symbolValue < 0 || e->symbolValue >= 8)) {
        bit = false;
        result.outcome = EditOutcome::Beeped;
    }
    if (!bit) {
        makeByteWatch(*e);
    } else {
        const std::string text = toUpperAscii(referred);
        uint32_t address = 0;
        std::string referredName;
        if (auto n = parseNumber(text)) {
            // A number outside the data memory would watch nothing; say so like a bad name.
            if (*n < 0 || uint32_t(*n) >= kDataAddressCount)
                return {EditOutcome::Error,
                        "Refered Address " + std::string(referred) + " is error!"};
            address = uint32_t(*n);
        } else if (const WatchEntry* s = find(text)) {
            address = uint32_t(s->symbolValue);
            referredName = text;
        } else {
            return {EditOutcome::Error, "Refered Address " + std::string(referred) + " is error!"};
        }
        e->bitWatch = true;
        e->reserve = "1";
        e->referredAddress = address;
        e->bit = e->symbolValue;
        e->address = hex(address, 3) + "[" + std::to_string(e->bit) + "]";
        e->length = hex(address, 1);
        e->type = std::to_string(e->bit);
        e->referred = referredName;
    }
    setListed(*e, list == 'A');
    Refresh();
    return result;
}

void WatchListModel::clearAllProperties() {
    for (WatchEntry& e : entries_)
        if (e.bitWatch) makeByteWatch(e);
    Refresh();
}

std::string WatchListModel::proText() const {
    std::string out;
    for (const WatchEntry& e : entries_) {
        out += e.reserve + " " + e.name + " " + e.list + " ";
        if (e.bitWatch)
            // A typed address is written as "0..H" so that reading it back gives the same number.
            out += (e.referred.empty() ? "0" + hex(e.referredAddress, 1) + "H" : e.referred) + " " +
                   std::to_string(e.bit) + " ";
        out += "\n";
    }
    return out;
}

std::vector<std::string> WatchListModel::loadProText(std::string_view text) {
    std::vector<std::string> problems;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = stripCarriageReturn(text.substr(pos, end - pos));
        pos = end + 1;
        const auto f = splitBlanks(line, 5);
        if (f.size() < 3) continue;
        const std::string name = cutText(f[1], 64);
        if (!find(name)) continue;
        const bool bit = cutText(f[0], 32) == "1";
        const std::string referred = f.size() > 3 ? cutText(f[3], 64) : std::string("000");
        const char list = f[2].substr(0, 1) == "A" ? 'A' : 'R';
        EditResult r = applyEdit(name, bit, referred, list);
        if (r.outcome == EditOutcome::Error) problems.push_back(r.message);
    }
    return problems;
}

bool WatchListModel::savePro(const std::filesystem::path& path, std::string* error) const {
    return writeFileAtomic(path, proText(), error);
}

std::vector<std::string> WatchListModel::loadPro(const std::filesystem::path& path) {
    std::string text;
    if (!readFileBytes(path, text)) return {};
    return loadProText(text);
}

// --- edit dialog

WatchEditDialog::WatchEditDialog(WatchListModel& list, std::string_view name)
    : list_(list), name_(name) {
    if (const WatchEntry* e = list_.find(name_)) {
        bit_ = e->bitWatch;
        if (e->bitWatch) referred_ = e->referred.empty() ? hex(e->referredAddress, 3) : e->referred;
    }
    openBit_ = bit_;
    openReferred_ = referred_;
}

std::string WatchEditDialog::valueText() const {
    const WatchEntry* e = list_.find(name_);
    return e ? std::to_string(e->symbolValue) : std::string();
}

bool WatchEditDialog::modified() const {
    return bit_ != openBit_ || referred_ != openReferred_;
}

bool WatchEditDialog::chooseBit(bool bit) {
    const WatchEntry* e = list_.find(name_);
    if (bit && (!e || e->symbolValue < 0 || e->symbolValue >= 8)) {
        bit_ = false;
        return false;
    }
    bit_ = bit;
    return true;
}

WatchListModel::EditResult WatchEditDialog::apply() {
    const WatchEntry* e = list_.find(name_);
    const char list = e ? e->list : 'R';
    WatchListModel::EditResult r = list_.applyEdit(name_, bit_, referred_, list);
    if (r.outcome != WatchListModel::EditOutcome::Error) {
        if (r.outcome == WatchListModel::EditOutcome::Beeped) bit_ = false;
        openBit_ = bit_;
        openReferred_ = referred_;
    }
    return r;
}

void WatchEditDialog::restore() {
    bit_ = openBit_;
    referred_ = openReferred_;
}

} // namespace zerka
