#include "upcentre/core/instruction_tables.h"

#include "upcentre/core/cpu_state.h"

#include <array>

namespace zerka {
namespace {

// The two-word column's words.
namespace two_word {
constexpr TwoWordKind One = TwoWordKind::None;
constexpr TwoWordKind Mvff = TwoWordKind::Mvff;
constexpr TwoWordKind Jmp = TwoWordKind::Jmp;
constexpr TwoWordKind Call = TwoWordKind::Call;
constexpr TwoWordKind Mvlp = TwoWordKind::Mvlp;
constexpr TwoWordKind Ldpr = TwoWordKind::Ldpr;
} // namespace two_word

// "Z OV N DC C" as STATUS bits; a word that names no flag is 0xFF, which fails the build.
constexpr uint8_t flagBits(std::string_view names) {
    uint8_t bits = 0;
    while (!names.empty()) {
        const size_t end = names.find(' ');
        const std::string_view name = names.substr(0, end);
        if (name == "Z")
            bits |= flag::kZ;
        else if (name == "OV")
            bits |= flag::kOV;
        else if (name == "N")
            bits |= flag::kN;
        else if (name == "DC")
            bits |= flag::kDC;
        else if (name == "C")
            bits |= flag::kC;
        else
            return 0xFF;
        names = end == std::string_view::npos ? std::string_view{} : names.substr(end + 1);
    }
    return bits;
}

struct Line {
    uint8_t id;
    std::string_view patterns[2]; // CX4A, CX4B; empty where the core lacks the instruction
    OperationTraits traits;
};

constexpr Line kList[] = {
#define ZK_LINE(U, mnemonic, id, cx4a, cx4b, operands, last, twoWord, handler, cycles, cond,       \
                flags)                                                                             \
    {id,                                                                                           \
     {cx4a, cx4b},                                                                                 \
     {#mnemonic, OperandKind::operands, LastOperand::last, two_word::twoWord, cycles,              \
      Conditional::cond, flagBits(flags)}},
    ZK_INSTRUCTIONS(ZK_LINE, _)
#undef ZK_LINE
};

constexpr bool listIsSound() {
    std::array<bool, kOpIdCount> seen{};
    for (const Line& l : kList) {
        if (seen[l.id] || l.traits.flags == 0xFF) return false;
        seen[l.id] = true;
        for (std::string_view p : l.patterns)
            if (!p.empty() && p.size() < 16) return false;
    }
    return true;
}
static_assert(listIsSound(), "an id twice, a short pattern or an unknown flag name");

constexpr std::array<OperationTraits, kOpIdCount> kTraits = [] {
    std::array<OperationTraits, kOpIdCount> t{};
    for (const Line& l : kList)
        t[l.id] = l.traits;
    return t;
}();

// The table lines of one core: the mnemonic padded to 8 characters, then the pattern.
constexpr size_t kLineWidth = 32;

template <size_t Core> constexpr size_t lineCount() {
    size_t n = 0;
    for (const Line& l : kList)
        n += l.patterns[Core].empty() ? 0 : 1;
    return n;
}

template <size_t Core> struct LineTexts {
    std::array<std::array<char, kLineWidth>, lineCount<Core>()> text{};
    std::array<size_t, lineCount<Core>()> length{};
};

template <size_t Core> constexpr LineTexts<Core> makeLineTexts() {
    LineTexts<Core> t;
    size_t i = 0;
    for (const Line& l : kList) {
        const std::string_view pattern = l.patterns[Core];
        if (pattern.empty()) continue;
        size_t n = 0;
        for (char c : l.traits.mnemonic)
            t.text[i][n++] = c;
        while (n < 8)
            t.text[i][n++] = ' ';
        if (n == l.traits.mnemonic.size()) t.text[i][n++] = ' ';
        for (char c : pattern)
            t.text[i][n++] = c;
        t.length[i++] = n;
    }
    return t;
}

constexpr LineTexts<0> kCx4aTexts = makeLineTexts<0>();
constexpr LineTexts<1> kCx4bTexts = makeLineTexts<1>();

template <size_t Core>
constexpr std::array<std::string_view, lineCount<Core>()> makeLines(const LineTexts<Core>& t) {
    std::array<std::string_view, lineCount<Core>()> lines{};
    for (size_t i = 0; i < lines.size(); ++i)
        lines[i] = std::string_view(t.text[i].data(), t.length[i]);
    return lines;
}

constexpr auto kCx4aLines = makeLines<0>(kCx4aTexts);
constexpr auto kCx4bLines = makeLines<1>(kCx4bTexts);

const OperationTraits kUnassigned{};

} // namespace

const OperationTraits& operationTraits(OpId id) {
    const auto i = static_cast<size_t>(id);
    return i < kTraits.size() ? kTraits[i] : kUnassigned;
}

std::span<const std::string_view> builtInTableLines(CoreType core) {
    if (core == CoreType::CX4B) return kCx4bLines;
    return kCx4aLines;
}

std::string_view opIdMnemonic(int id) {
    if (id < 0 || id >= kOpIdCount) return {};
    return kTraits[static_cast<size_t>(id)].mnemonic;
}

int opIdFromMnemonic(std::string_view mnemonic) {
    if (mnemonic.empty()) return -1;
    for (size_t i = 0; i < kTraits.size(); ++i)
        if (kTraits[i].mnemonic == mnemonic) return static_cast<int>(i);
    return -1;
}

bool opIdHasNoFileOperand(int id) {
    if (id < 0 || id >= kOpIdCount) return false;
    return !kTraits[static_cast<size_t>(id)].mnemonic.empty() &&
           fileOperationGroup(static_cast<OpId>(id)) == FileOperationGroup::None;
}

FileOperationGroup fileOperationGroup(OpId id) {
    switch (operationTraits(id).operands) {
    case OperandKind::FileBank:
        return FileOperationGroup::FileBankInOperand2;
    case OperandKind::FileDest:
        return FileOperationGroup::ByteWithDestination;
    case OperandKind::FileBit:
        return FileOperationGroup::Bit;
    default:
        return FileOperationGroup::None;
    }
}

std::string_view coreTypeName(CoreType core) {
    return core == CoreType::CX4B ? "CX4B" : "CX4A";
}

} // namespace zerka
