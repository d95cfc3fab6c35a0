#include "upcentre/core/inst_aliases.h"

#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/program_dir.h"
#include "core/text.h"

namespace zerka {
namespace {

constexpr size_t kMaxLineLength = 160;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next blank-separated word from `pos`; `pos` ends after it.
std::string_view nextWord(std::string_view s, size_t& pos) {
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    size_t start = pos;
    while (pos < s.size() && !isBlank(s[pos]))
        ++pos;
    return s.substr(start, pos - start);
}

// The first operand from `pos`: separated by blanks, tabs, "," or "=", ending at "," or "=",
// without its trailing blanks.
std::string_view firstOperand(std::string_view s, size_t pos) {
    while (pos < s.size() && (isBlank(s[pos]) || s[pos] == ',' || s[pos] == '='))
        ++pos;
    size_t start = pos;
    while (pos < s.size() && s[pos] != ',' && s[pos] != '=')
        ++pos;
    size_t end = pos;
    while (end > start && isBlank(s[end - 1]))
        --end;
    return s.substr(start, end - start);
}

bool applyLine(InstructionSet& set, std::string_view line) {
    line = stripCarriageReturn(line);
    line = line.substr(0, kMaxLineLength);
    if (size_t semi = line.find(';'); semi != std::string_view::npos) line = line.substr(0, semi);

    size_t pos = 0;
    std::string_view operation = nextWord(line, pos);
    if (operation.empty()) return false;
    // The comparison is case-sensitive: "addf" is a label, and the next word is the operation.
    if (!set.isMnemonic(operation)) operation = nextWord(line, pos);
    if (!set.isMnemonic(operation)) return false;

    std::string alias = toUpperAscii(firstOperand(line, pos));
    // An alias that is some mnemonic would take over that mnemonic's lookups in list order, so
    // the check is made on the alias as it will be stored.
    if (alias.empty() || set.isMnemonic(alias)) return false;
    return set.setAlias(operation, alias);
}

} // namespace

int applyInstAliasesText(InstructionSet& set, std::string_view text) {
    int applied = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (applyLine(set, text.substr(start, end - start))) ++applied;
        start = end + 1;
    }
    return applied;
}

int applyInstAliases(InstructionSet& set, const std::filesystem::path& instTxt) {
    // Only a regular file is read (a folder of that name counts as unreadable).
    std::error_code ec;
    if (!std::filesystem::is_regular_file(instTxt, ec)) return 0;
    std::string text;
    try {
        if (!readFileBytes(instTxt, text)) return 0;
    } catch (const std::exception&) {
        return 0;
    }
    return applyInstAliasesText(set, text);
}

std::filesystem::path defaultInstTxtPath() {
    std::filesystem::path dir = programDir();
    if (auto found = findFileCaseInsensitive(dir, "Inst.txt")) return *found;
    return dir / "Inst.txt";
}

} // namespace zerka
