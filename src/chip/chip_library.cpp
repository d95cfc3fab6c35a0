#include "chip/chip_library.h"

#include "chip/chip_lines.h"
#include "core/atomic_file.h"
#include "core/chars.h"
#include "core/number.h"
#include "core/path_lookup.h"
#include "core/text.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <unordered_map>

namespace zerka {
namespace fs = std::filesystem;

namespace {

constexpr uint16_t kBodyWithBitRegistersA = 0x8024;

// Calls fn(line) for every line of `text` ("\r\n" or "\n"); stops when fn returns false.
// A UTF-8 byte-order mark that an editor put in front of the first line is not part of it.
template <typename Fn> void forEachLine(std::string_view text, Fn&& fn) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) nl = text.size();
        if (!fn(stripCarriageReturn(text.substr(pos, nl - pos)))) return;
        pos = nl + 1;
    }
}

// At most n bytes of s, without leaving half a UTF-8 character at the end.
std::string cutDescription(std::string_view s, size_t n) {
    if (s.size() <= n) return std::string(s);
    size_t k = n;
    for (int back = 0; back < 3 && k > 0 && (uint8_t(s[k]) & 0xC0) == 0x80; ++back)
        --k;
    if ((uint8_t(s[k]) & 0xC0) == 0x80) k = n; // not UTF-8 after all: plain byte cut
    return std::string(s.substr(0, k));
}

// The numbers of words `from`..`to` of a line; false when one of them is missing or is not a
// number (the line then counts as absent).
template <size_t N> bool numbers(const ChipLineWords& l, size_t from, std::array<int32_t, N>& out) {
    for (size_t i = 0; i < N; ++i) {
        const NumberTest t = testNumber(l.w(from + i));
        if (!t.isNumber) return false;
        out[i] = t.value;
    }
    return true;
}

std::optional<int32_t> number(const ChipLineWords& l, size_t n) {
    const NumberTest t = testNumber(l.w(n));
    if (!t.isNumber) return std::nullopt;
    return t.value;
}

uint8_t clampByte(int32_t v, int32_t low, int32_t high) {
    return uint8_t(std::clamp(v, low, high));
}

// Step 1 of a load: resets done before the chip list is even opened.
void resetForLoad(ChipModel& m) {
    m.emulatorIds.clear();
    m.hasHao = false;
    m.hao.w2 = 0;
    m.hao.w3 = 0;
    m.acm.address = 0;
    m.adc.resetFields();
    m.op.resetFields();
    m.cmp.resetFields();
    m.implementedBits.fill(0);
}

// Reads one description file into the model (steps 3 to 5b).
class DescriptionLoader {
  public:
    DescriptionLoader(ChipModel& model, const ChipLoadContext& context)
        : m_(model), ctx_(context) {}

    void run(std::string_view text) {
        resetForDescription();
        forEachLine(text, [this](std::string_view raw) {
            line(raw);
            return true;
        });
        finish();
    }

  private:
    // Step 3.
    void resetForDescription() {
        section_ = kSecNone;
        m_.chipId = 0;
        m_.romWords = 4096;
        m_.specialRange0 = {};
        m_.specialRange1 = {};
        m_.ramBank.fill({});
        m_.lastBankIndex = 0;
        m_.bitPageCount.fill(0);
        m_.byteCount = 0;
        m_.wordCount = 0;
        m_.reg3ByteCount = 0;
        m_.hasAdc = m_.hasOp = m_.hasCmp = false;
        for (AnalogBlock* b : {&m_.adc, &m_.op, &m_.cmp})
            for (AnalogField& f : b->fields)
                f.optionFlag = false;
        m_.selfEromMode = 0;
        m_.fixedBitRules.fill(false);
        if (ctx_.view) {
            ctx_.view->ramBankPageVisible.fill(false);
            ctx_.view->bitPageVisible.fill(false);
        }
    }

    void line(std::string_view raw) {
        const ChipLineWords l = CutLIPara(raw);
        const uint8_t code = IsPseudo(l.w(1));
        if (code != kNotKeyword) {
            openSection(code);
            return;
        }
        if (section_ == kSecNone) return;
        if (isDescriptionSection(section_)) {
            descriptionLine(l, raw);
            return;
        }
        if (l.words.empty()) return; // #PRODUCT would only refresh a caption
        dataLine(l);
    }

    static bool isDescriptionSection(uint8_t s) {
        return s >= kSecRegBitStr && s <= kSecRegWordStrCn;
    }

    void openSection(uint8_t code) {
        section_ = code;
        switch (code) {
        case kSecRegBit:
            m_.bitRegisters.clear();
            bitIndex_.reset();
            break;
        case kSecRegByte:
            m_.byteRegisters.clear();
            byteIndex_.reset();
            break;
        case kSecRegWord:
            m_.wordRegisters.clear();
            wordIndex_.reset();
            break;
        case kSecAdc0s:
            m_.hasAdc = true;
            break;
        case kSecOp0s:
            m_.hasOp = true;
            break;
        case kSecCmp0s:
            m_.hasCmp = true;
            break;
        default:
            break;
        }
    }

    void dataLine(const ChipLineWords& l) {
        std::array<int32_t, 1> n1{};
        std::array<int32_t, 2> n2{};
        switch (section_) {
        case kSecProduct:
            m_.productName = l.w(1);
            break;
        case kSecCompiler:
            m_.compilerName = l.w(1);
            m_.coreVariant = l.w(1) == "CX4A" ? 0 : 1;
            break;
        case kSecId:
            if (numbers(l, 1, n1)) m_.chipId = uint16_t(n1[0]);
            break;
        case kSecSubId:
            break;
        case kSecRom:
            // Sizes below 256 words mean the default; more than the 16-bit program address
            // space cannot exist.
            if (numbers(l, 1, n1))
                m_.romWords = n1[0] < 256 ? 4096u : uint32_t(std::min(n1[0], 65536));
            break;
        case kSecReg0:
        case kSecReg1:
            if (numbers(l, 1, n2)) {
                AddressRange& r = section_ == kSecReg0 ? m_.specialRange0 : m_.specialRange1;
                r = {uint16_t(n2[0]), uint16_t(n2[1])};
            }
            break;
        case kSecRegBit:
        case kSecRegBit1:
        case kSecRegBit2:
        case kSecRegBit3:
            bitRegisterLine(l, uint8_t(section_ - kSecRegBit));
            break;
        case kSecRegBitA:
            if (ctx_.iceBodyId == kBodyWithBitRegistersA) bitRegisterLine(l, 0);
            break;
        case kSecRegBitB:
            if (ctx_.iceBodyId != kBodyWithBitRegistersA) bitRegisterLine(l, 0);
            break;
        case kSecRegByte:
            byteRegisterLine(l);
            break;
        case kSecRegWord:
            wordRegisterLine(l);
            break;
        case kSecReg3Byte:
            ++m_.reg3ByteCount;
            break;
        case kSecStack:
            // Kept as a byte without wrapping: a depth of 256 must not become 0.
            if (numbers(l, 1, n1)) m_.stackDepth = clampByte(n1[0], 4, 255);
            break;
        case kSecSbmAddr:
            if (numbers(l, 1, n1)) m_.sbmAddr = clampByte(n1[0], 0, 115);
            break;
        case kSecSimic:
            if (numbers(l, 1, n1)) m_.emulatorIds.push_back(uint16_t(n1[0]));
            break;
        case kSecAdc0s:
            analogLine(l, m_.adc);
            break;
        case kSecOp0s:
            analogLine(l, m_.op);
            break;
        case kSecCmp0s:
            analogLine(l, m_.cmp);
            break;
        case kSecSbmBank:
            if (numbers(l, 1, n1)) m_.sbmBankWords = uint32_t(n1[0]) * 128u;
            break;
        case kSecSelfErom:
            if (numbers(l, 1, n2)) {
                m_.selfEromMode = uint8_t(n2[0]);
                m_.selfEromPage = uint16_t(n2[1]);
                m_.selfEromBase = uint16_t((n2[1] & 0xFF) + 1024);
                for (size_t i = 0; i < 4; ++i)
                    if (auto v = number(l, 3 + i)) m_.selfEromParam[i] = *v;
            }
            break;
        case kSecSbmRom: {
            std::array<int32_t, 5> n{};
            if (numbers(l, 1, n))
                for (size_t i = 0; i < 5; ++i)
                    m_.sbmRom[i] = uint8_t(n[i]);
            break;
        }
        case kSecSbmStart:
            if (numbers(l, 1, n1)) m_.sbmStart = uint32_t(n1[0]);
            break;
        case kSecSbmSector:
            if (numbers(l, 1, n1)) m_.sbmSector = uint32_t(n1[0]);
            break;
        case kSecHao: {
            std::array<int32_t, 7> n{};
            if (numbers(l, 1, n)) {
                m_.hao = {uint16_t(n[0]), uint8_t(n[1]),  uint8_t(n[2]), uint32_t(n[3]),
                          uint32_t(n[4]), uint32_t(n[5]), uint16_t(n[6])};
                m_.hasHao = true;
            }
            break;
        }
        case kSecLao:
            if (numbers(l, 1, n2)) m_.laoRange = {n2[0], n2[1]};
            break;
        case kSecTrisc:
        case kSecMckcn:
            if (numbers(l, 1, n2)) {
                RegisterBitCode& b = section_ == kSecTrisc ? m_.triscBit : m_.mckcnBit;
                b = {uint8_t(n2[0]), uint8_t((uint32_t(n2[1]) * 2u) & 0x0F)};
            }
            break;
        case kSecAcm: {
            std::array<int32_t, 6> n{};
            if (numbers(l, 1, n)) {
                m_.acm = {uint16_t(n[0]), uint8_t(n[1]), n[4] != 0, n[5] == 0 ? 7 : n[5]};
                m_.acmSelectable = n[2] != 0;
                m_.acmDefaultHigh = n[3] != 0;
            }
            break;
        }
        case kSecStackOver: {
            std::array<int32_t, 4> n{};
            if (numbers(l, 1, n)) {
                m_.stackOver = {uint16_t(n[0]), uint8_t(n[1]), n[3] != 0};
                m_.stackOverResetAvailable = n[2] != 0;
            }
            break;
        }
        case kSecBieBank:
            if (numbers(l, 1, n1)) m_.bieBank = uint32_t(n1[0]);
            break;
        case kSecNumber:
            if (numbers(l, 1, n1)) m_.serialNumberParam = uint32_t(n1[0]);
            break;
        case kSecFixBits: {
            // Exactly six words, each 0 or 1; anything else leaves the rules as they were.
            std::array<int32_t, 6> n{};
            if (l.words.size() == 6 && numbers(l, 1, n) &&
                std::all_of(n.begin(), n.end(), [](int32_t v) { return v == 0 || v == 1; }))
                for (size_t i = 0; i < n.size(); ++i)
                    m_.fixedBitRules[i] = n[i] == 1;
            break;
        }
        default:
            if (section_ >= kSecRamBank0 && section_ <= kSecRamBank15 && numbers(l, 1, n2))
                ramBankLine(size_t(section_ - kSecRamBank0), uint16_t(n2[0]), uint16_t(n2[1]));
            break;
        }
    }

    void ramBankLine(size_t k, uint16_t start, uint16_t end) {
        m_.ramBank[k] = {start, end};
        if (start < end) {
            // Addresses beyond data memory have no cells to mark.
            const size_t last = std::min<size_t>(end, kDataAddressCount - 1);
            for (size_t a = start; a <= last; ++a)
                m_.implementedBits[a] = 0xFF;
            if (ctx_.view) ctx_.view->ramBankPageVisible[k] = true;
        }
        m_.lastBankIndex = uint8_t(k);
    }

    void clearLastSeen(uint32_t address) {
        if (ctx_.lastSeen && address < kDataAddressCount) ctx_.lastSeen->lastSeen[address] = 0;
    }

    void setImplemented(uint32_t address, uint8_t mask) {
        if (address < kDataAddressCount) m_.implementedBits[address] = mask;
    }

    void bitRegisterLine(const ChipLineWords& l, uint8_t page) {
        const auto address = number(l, 1);
        if (!address) return;
        BitRegister r;
        r.address = uint16_t(*address);
        r.name = cutText(l.w(2), kRegisterNameLength);
        r.page = page;
        uint8_t mask = 0xFF;
        for (size_t i = 0; i < 8; ++i) {
            const std::string& bit = l.w(3 + i);
            r.bits[i].name = cutText(bit, kRegisterNameLength);
            if (bit == "-") mask &= uint8_t(~(0x80u >> i));
        }
        setImplemented(r.address, mask);
        clearLastSeen(r.address);
        if (m_.bitRegisters.append(std::move(r))) {
            ++m_.bitPageCount[page];
            if (ctx_.view) ctx_.view->bitPageVisible[page] = true;
        }
    }

    void byteRegisterLine(const ChipLineWords& l) {
        const auto address = number(l, 1);
        const auto mask = number(l, 3);
        if (!address || !mask) return;
        ByteRegister r;
        r.address = uint16_t(*address);
        r.name = l.w(2);
        r.unnamed = r.name == "=";
        r.mask = uint8_t(*mask);
        setImplemented(r.address, r.mask);
        clearLastSeen(r.address);
        if (m_.byteRegisters.append(std::move(r))) ++m_.byteCount;
    }

    void wordRegisterLine(const ChipLineWords& l) {
        const auto high = number(l, 1);
        const auto low = number(l, 3);
        const auto highMask = number(l, 5);
        const auto lowMask = number(l, 6);
        if (!high || !low || !highMask || !lowMask) return;
        WordRegister r;
        r.highAddress = uint16_t(*high);
        r.lowAddress = uint16_t(*low);
        r.name = l.w(2);
        r.highMask = uint8_t(*highMask);
        r.lowMask = uint8_t(*lowMask);
        r.noMemory = l.w(7) == "1";
        if (!r.noMemory) {
            setImplemented(r.highAddress, r.highMask);
            setImplemented(r.lowAddress, r.lowMask);
            clearLastSeen(r.highAddress);
            clearLastSeen(r.lowAddress);
        }
        if (m_.wordRegisters.append(std::move(r))) ++m_.wordCount;
    }

    void analogLine(const ChipLineWords& l, AnalogBlock& block) {
        const auto address = number(l, 1);
        if (!address) return;
        AnalogField* f = block.field(l.w(2));
        if (!f) return; // unknown field names are ignored
        const bool adc = block.kind == AnalogBlockKind::Adc;
        std::array<int32_t, 2> wl{};
        switch (f->kind) {
        case AnalogFieldKind::AddressOnly:
        case AnalogFieldKind::Presence:
            break;
        case AnalogFieldKind::Captioned:
            if (!numbers(l, 4, wl)) return;
            f->caption = l.w(3);
            break;
        default:
            if (!numbers(l, 3, wl)) return;
            break;
        }
        f->address = uint16_t(*address);
        f->present = true;
        if (f->kind != AnalogFieldKind::AddressOnly && f->kind != AnalogFieldKind::Presence) {
            // A register byte has 8 bits: wider fields or higher positions cannot exist.
            f->width = clampByte(wl[0], 0, 8);
            f->lowBit = clampByte(wl[1], 0, 7);
        }
        switch (f->kind) {
        case AnalogFieldKind::Selector:
            selectorLabels(l, *f, block.kind);
            break;
        case AnalogFieldKind::Vdda:
            f->labels.assign(4, std::string());
            for (size_t i = 0; i < 4; ++i)
                f->labels[i] = cutText(l.w(5 + i), 8);
            if (adc)
                if (auto flag = number(l, 9); flag && *flag >= 1) f->optionFlag = true;
            break;
        case AnalogFieldKind::Plain:
            if (adc) adcOptionWord(l, *f);
            break;
        default:
            break;
        }
    }

    static void selectorLabels(const ChipLineWords& l, AnalogField& f, AnalogBlockKind kind) {
        if (f.selectorDigits == 0) {
            // "INX0": every one of its 2^width inputs exists; no labels.
            f.labels.clear();
            f.codeExists.assign(size_t(1) << std::min<unsigned>(f.width, 3), true);
            return;
        }
        const size_t slots = f.selectorDigits == 2 ? 4 : 8;
        f.labels.assign(slots, std::string());
        f.codeExists.assign(slots, false);
        for (size_t c = 0; c < slots; ++c) {
            const std::string& label = l.w(5 + c);
            if (label.empty() || label == "-") continue;
            f.codeExists[c] = true;
            f.labels[c] = kind == AnalogBlockKind::Comparator && label == "--" ? "Float" : label;
        }
    }

    static void adcOptionWord(const ChipLineWords& l, AnalogField& f) {
        const auto w5 = number(l, 5);
        if (!w5) return;
        if (f.name == "ENADC0") {
            if (*w5 >= 1) f.optionFlag = true;
            return;
        }
        static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kCaptions = {
            {{"INBUF0", "INBUF"}, {"VRBUF0", "VRBUF"}, {"ENCHP0", "ENCHP"}, {"ENHIGN0", "ENHIGN"}}};
        for (const auto& [name, caption] : kCaptions) {
            if (f.name != name) continue;
            if (*w5 >= 1) {
                f.optionFlag = true;
                f.caption.clear();
            } else {
                f.caption = std::string(caption);
            }
        }
    }

    void descriptionLine(const ChipLineWords& l, std::string_view raw) {
        const bool chinese = ctx_.languageIndex == 1;
        const bool cnSection = section_ == kSecRegBitStrCn || section_ == kSecRegByteStrCn ||
                               section_ == kSecRegWordStrCn;
        if (cnSection != chinese) return;

        if (const auto key = number(l, 1)) {
            selectRegister(uint32_t(*key), *key >= 0);
            return;
        }
        if (!l.hasComment()) return;
        const std::string_view text = raw.empty() ? raw : raw.substr(1);
        switch (section_) {
        case kSecRegBitStr:
        case kSecRegBitStrCn:
            if (bitSelected_ < 0) return;
            if (bitTextCounter_ == 0) {
                m_.bitRegisters.at(size_t(bitSelected_)).description =
                    cutDescription(text, kRegisterDescriptionLength);
            } else if (bitTextCounter_ <= 8) {
                m_.bitRegisters.at(size_t(bitSelected_))
                    .bits[size_t(bitTextCounter_ - 1)]
                    .description = cutDescription(text, kBitDescriptionLength);
            }
            if (bitTextCounter_ <= 8) ++bitTextCounter_;
            break;
        case kSecRegByteStr:
        case kSecRegByteStrCn:
            if (byteSelected_ >= 0)
                m_.byteRegisters.at(size_t(byteSelected_)).description =
                    cutDescription(text, kRegisterDescriptionLength);
            break;
        default:
            if (wordSelected_ >= 0)
                m_.wordRegisters.at(size_t(wordSelected_)).description =
                    cutDescription(text, kRegisterDescriptionLength);
            break;
        }
    }

    // Key -> first record with it, extended as the list grows; reset when the list is emptied.
    // Headers of description sections name every register, so a linear search per header would
    // make large files quadratic.
    struct KeyIndex {
        std::unordered_map<uint32_t, int> first;
        size_t indexed = 0;
        void reset() {
            first.clear();
            indexed = 0;
        }
        template <typename List> int find(const List& list, uint32_t key) {
            for (; indexed < list.count(); ++indexed)
                first.emplace(list.key(indexed), int(indexed));
            const auto it = first.find(key);
            return it == first.end() ? -1 : it->second;
        }
    };

    void selectRegister(uint32_t key, bool valid) {
        if (!valid) return;
        switch (section_) {
        case kSecRegBitStr:
        case kSecRegBitStrCn:
            if (int i = bitIndex_.find(m_.bitRegisters, key); i >= 0) {
                bitSelected_ = i;
                bitTextCounter_ = 0;
            }
            break;
        case kSecRegByteStr:
        case kSecRegByteStrCn:
            if (int i = byteIndex_.find(m_.byteRegisters, key); i >= 0) byteSelected_ = i;
            break;
        default:
            if (int i = wordIndex_.find(m_.wordRegisters, key); i >= 0) wordSelected_ = i;
            break;
        }
    }

    // Steps 5a and 5b, and the model part of 5f.
    void finish() {
        if (ChipViewSelection* v = ctx_.view) {
            const int bank = v->selectedRamBank;
            if (bank < 0 || bank > 4 ||
                m_.ramBank[size_t(bank)].start == m_.ramBank[size_t(bank)].end)
                v->selectedRamBank = 0;
            const int page = v->selectedBitPage;
            if (page < 1 || page > 3 || m_.bitPageCount[size_t(page)] == 0) v->selectedBitPage = 0;
        }
        if (ctx_.programmerFirmware2 && !m_.hasHao) m_.hao.w7 = uint16_t(m_.sbmStart & 0xFFFF);
    }

    ChipModel& m_;
    const ChipLoadContext& ctx_;
    uint8_t section_ = kSecNone;
    // Description sections: the selected register of each kind (-1: none yet).
    int bitSelected_ = -1;
    int byteSelected_ = -1;
    int wordSelected_ = -1;
    int bitTextCounter_ = 0;
    KeyIndex bitIndex_;
    KeyIndex byteIndex_;
    KeyIndex wordIndex_;
};

} // namespace

uint32_t chipListVersionNumberOf(std::string_view versionLine) {
    if (versionLine.size() < 4) return 0;
    const int a = hexDigitValue(versionLine[1]);
    const int b = hexDigitValue(versionLine[3]);
    if (a < 0 || b < 0) return 0;
    return uint32_t(a) * 0x100 + uint32_t(b) * 0x10;
}

void loadChipDescription(std::string_view text, ChipModel& model, const ChipLoadContext& context) {
    DescriptionLoader(model, context).run(text);
}

ChipLibrary::ChipLibrary(fs::path libraryDir) : dir_(std::move(libraryDir)) {}

std::optional<fs::path> ChipLibrary::resolveFile(std::string_view name) const {
    try {
        auto path = findFileCaseInsensitive(dir_, name);
        // Only plain files: a list naming a device or a pipe must not hang the load.
        std::error_code ec;
        if (path && !fs::is_regular_file(*path, ec)) return std::nullopt;
        return path;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool ChipLibrary::buildChipList(std::string* error) {
    entries_.clear();
    listFound_ = false;
    chipListVersion_.clear();
    chipListVersionNumber_ = 0;
    std::string text;
    const auto path = resolveFile(kChipListFileName);
    if (!path) {
        if (error) *error = "The chip list \"ZkSel.INC\" was not found in " + dir_.string() + ".";
        return false;
    }
    if (!readFileBytes(*path, text)) {
        if (error) *error = "The chip list " + path->string() + " cannot be read.";
        return false;
    }
    listFound_ = true;
    // One entry per line at most: no reallocation while a long list is read.
    entries_.reserve(size_t(std::count(text.begin(), text.end(), '\n')) + 1);
    bool first = true;
    forEachLine(text, [&](std::string_view raw) {
        if (first) {
            first = false;
            chipListVersion_ = std::string(raw);
            chipListVersionNumber_ = chipListVersionNumberOf(raw);
            return true;
        }
        ChipLineWords l = CutLIPara(raw);
        if (l.w(1).size() < 3) return false; // a short first word ends the list
        ChipEntry e;
        e.fileName = l.w(1);
        e.name = l.w(2);
        e.sizeNote = l.w(3);
        e.listText = e.name + "  " + e.sizeNote;
        entries_.push_back(std::move(e));
        return true;
    });
    return true;
}

std::vector<std::string> ChipLibrary::chipSelectorTexts() const {
    if (!listFound_) return {"CHIPA (16k)", "CHIPB  (8k)", "CHIPC  (4k)", "CHIPD  (2k)"};
    return otherSelectorTexts();
}

std::vector<std::string> ChipLibrary::otherSelectorTexts() const {
    std::vector<std::string> texts;
    texts.reserve(entries_.size());
    for (const ChipEntry& e : entries_)
        texts.push_back(e.listText);
    return texts;
}

std::optional<int> ChipLibrary::findChipByName(std::string_view name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (equalsIgnoreCase(entries_[i].name, name)) return int(i);
    return std::nullopt;
}

bool ChipLibrary::GetSELUP(int chipIndex, ChipModel& model, const ChipLoadContext& context,
                           std::string* error) {
    try {
        resetForLoad(model);
        chipReset.emit(ChipReset{model});

        const auto listPath = resolveFile(kChipListFileName);
        std::string text;
        if (!listPath) {
            if (error)
                *error = "The chip list \"ZkSel.INC\" was not found in " + dir_.string() + ".";
            return false;
        }
        if (!readFileBytes(*listPath, text)) {
            if (error) *error = "The chip list " + listPath->string() + " cannot be read.";
            return false;
        }
        // Line 1 is the version; the entry is chipIndex lines further on.
        std::string entryLine;
        bool haveEntry = false;
        long lineNo = 0;
        forEachLine(text, [&](std::string_view raw) {
            if (lineNo == 0) {
                chipListVersion_ = std::string(raw);
                chipListVersionNumber_ = chipListVersionNumberOf(raw);
            } else if (lineNo == long(chipIndex) + 1) {
                entryLine = std::string(raw);
                haveEntry = true;
                return false;
            }
            ++lineNo;
            return true;
        });
        const std::string fileName =
            haveEntry && chipIndex >= 0 ? CutLIPara(entryLine).w(1) : std::string();
        const auto descPath = fileName.empty() ? std::nullopt : resolveFile(fileName);
        if (!descPath) {
            if (error)
                *error = fileName.empty()
                             ? "The chip list has no chip number " + std::to_string(chipIndex) + "."
                             : "The chip description file \"" + fileName + "\" was not found.";
            return false;
        }
        std::string description;
        if (!readFileBytes(*descPath, description)) {
            if (error)
                *error = "The chip description file " + descPath->string() + " cannot be read.";
            return false;
        }

        loadChipDescription(description, model, context);

        ChipLoaded loaded{model};
        loaded.chipIndex = chipIndex;
        loaded.view = context.view;
        for (size_t k = 0; k < 16; ++k)
            loaded.ramBankPageVisible[k] = context.view
                                               ? context.view->ramBankPageVisible[k]
                                               : model.ramBank[k].start < model.ramBank[k].end;
        loaded.bitPageCount = model.bitPageCount;
        loaded.hasAdc = model.hasAdc;
        loaded.resetAdcSetting = !model.hasAdc;
        loaded.stackOverResetAvailable = model.stackOverResetAvailable;
        loaded.acmSelectable = model.acmSelectable;
        loaded.acmDefaultHigh = model.acmDefaultHigh;
        loaded.coreVariant = model.coreVariant;
        loaded.chipId = model.chipId;
        loaded.hasHao = model.hasHao;
        loaded.programmerFirmware2 = context.programmerFirmware2;
        chipLoaded.emit(loaded);
        return true;
    } catch (const std::exception& e) {
        if (error) *error = std::string("The chip could not be loaded: ") + e.what();
        return false;
    }
}

FindChipResult ChipLibrary::FindChipById(uint16_t chipId) const {
    try {
        for (size_t i = 0; i < entries_.size(); ++i) {
            const auto path = resolveFile(entries_[i].fileName);
            std::string text;
            if (!path || !readFileBytes(*path, text)) return {};
            bool afterId = false;
            std::optional<int32_t> id;
            bool decided = false;
            forEachLine(text, [&](std::string_view raw) {
                const ChipLineWords l = CutLIPara(raw);
                if (!afterId) {
                    afterId = l.w(1) == "#ID";
                    return true;
                }
                if (l.words.empty()) return true;
                id = number(l, 1);
                decided = true;
                return false;
            });
            if (decided && id && uint16_t(*id) == chipId) return {true, int(i)};
        }
    } catch (const std::exception&) {
    }
    return {};
}

} // namespace zerka
