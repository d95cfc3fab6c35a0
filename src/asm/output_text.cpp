// The text output files: listing, map and ASCII dump.
#include <algorithm>
#include <cstdio>

#include "asm/output_files.h"
#include "core/text.h"

namespace zerka {
namespace {

bool anyOf(const std::array<bool, 5>& flags) {
    return std::any_of(flags.begin(), flags.end(), [](bool b) { return b; });
}

// The columns are appended in place: a listing has a line for every line of the program.
void appendNumberColumn(std::string& out, int32_t n) {
    if (n >= 0 && n <= 9999) {
        const char digits[] = {char('0' + n / 1000),
                               char('0' + n / 100 % 10),
                               char('0' + n / 10 % 10),
                               char('0' + n % 10),
                               ' ',
                               ' '};
        out.append(digits, sizeof digits);
        return;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d  ", int(n));
    out += buf;
}

// `value` as at least four upper-case hexadecimal digits.
void appendHex4(std::string& out, uint32_t value) {
    if (value > 0xFFFF) {
        out += hexText(value, 4);
        return;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char digits[] = {kDigits[value >> 12], kDigits[(value >> 8) & 0xF],
                           kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
    out.append(digits, sizeof digits);
}

void appendAddressAndCode(std::string& out, const SourceLine& l, const ProgramImage& image) {
    appendHex4(out, uint32_t(l.address));
    out += "  ";
    appendHex4(out, image.word(l.address));
    out += "    ";
}

const std::string kEmptyCode(14, ' ');

// The main file line by line, as typed (a carriage return before the newline dropped).
class MainFileLines {
  public:
    explicit MainFileLines(std::string_view text) : text_(text) {}
    // The next line; empty after the end of the file.
    std::string_view next() {
        if (pos_ >= text_.size()) return {};
        size_t nl = text_.find('\n', pos_);
        if (nl == std::string_view::npos) nl = text_.size();
        std::string_view line = stripCarriageReturn(text_.substr(pos_, nl - pos_));
        pos_ = nl + 1;
        return line;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

std::string rightAligned32(std::string_view s) {
    std::string out;
    if (s.size() < 32) out.assign(32 - s.size(), ' ');
    out.append(s);
    return out;
}

const std::string kRule(98, '=');

void mapHeaders(std::string& out) {
    out += rightAligned32("Name") + "     Location    " + "Address\n";
    out += rightAligned32("----") + "     --------    " + "-------\n";
}

void mapBanner(std::string& out, std::string_view title) {
    out += kRule + "\n";
    out.append(title);
    out += "\n" + kRule + "\n";
}

// A section of program addresses: the labels of `table`, each at its value, plus the load
// address kept in `extra` where the labels come from an included object file.
void mapProgramSection(std::string& out, std::string_view title, const TSymDefPack& table,
                       bool relocated) {
    mapBanner(out, title);
    if (table.count() == 0) return;
    mapHeaders(out);
    for (int i = 1; i <= table.count(); ++i) {
        const SymbolEntry& e = *table.entry(i);
        if (e.kind != 'L') continue;
        const uint32_t address = uint32_t(e.value) + (relocated ? uint32_t(e.extra) : 0u);
        out += rightAligned32(e.name) + "     Program      0x" + hexText(address, 4) + "\n";
    }
}

std::string binaryGroups(uint16_t word) {
    std::string s;
    for (int bit = 15; bit >= 0; --bit) {
        s.push_back((word >> bit) & 1 ? '1' : '0');
        if (bit % 4 == 0 && bit != 0) s.push_back('-');
    }
    return s;
}

} // namespace

LineIndex::LineIndex(const TLinePack& lines) {
    byNumber_.assign(size_t(lines.count()) + 1, nullptr);
    for (const SourceLine& l : lines) {
        const auto seq = size_t(std::max<int32_t>(l.sequenceNumber, 0));
        if (seq >= byNumber_.size()) byNumber_.resize(seq + 1, nullptr);
        byNumber_[seq] = &l;
    }
}

std::string listingText(const TLinePack& lines, std::string_view mainText,
                        const ProgramImage& image) {
    std::string out;
    // Room for the main file and the columns of every line, so the text is never copied to
    // grow.
    out.reserve(mainText.size() + lines.count() * 48 + 128);
    out += "\nline--addr--code----instruction-------------------------------------\n\n";
    MainFileLines main(mainText);
    int32_t n = 1;
    for (const SourceLine& l : lines) {
        const bool secondWord = anyOf(l.secondWord);
        const bool marker = l.isShortened;
        const bool inserted = l.isInserted && !marker;
        const bool hasAddress = l.address != SourceLine::kNoAddress;
        if (l.fileIndex == 0 && !l.expanded) {
            while (n < l.lineNumber) {
                appendNumberColumn(out, n);
                out += kEmptyCode;
                out.append(main.next());
                out += '\n';
                ++n;
            }
            std::string_view text;
            if (marker) {
                n = std::max<int32_t>(n - 1, 0);
            } else if (secondWord || inserted) {
                text = l.storedText;
            } else {
                main.next(); // stay in step with the main file
                text = l.storedText;
            }
            if (!marker) {
                if (hasAddress) {
                    if (secondWord)
                        out += "I    ";
                    else if (inserted)
                        out += "IM   ";
                    else
                        appendNumberColumn(out, n);
                    appendAddressAndCode(out, l, image);
                } else {
                    appendNumberColumn(out, n);
                    out += kEmptyCode;
                }
                out.append(text);
                out += '\n';
            }
            if (!secondWord && !inserted) ++n;
        } else if (hasAddress) {
            if (secondWord)
                out += "I    ";
            else if (inserted)
                out += "IM   ";
            else
                out += "  M   ";
            appendAddressAndCode(out, l, image);
            out += l.workingText;
            out += '\n';
            if (inserted && l.fileIndex == 0 && l.expanded) ++n;
        }
    }
    return out;
}

std::string mapText(const SymbolTables& tables) {
    std::string out;
    mapBanner(out, "Memory , Register and Const ");
    mapHeaders(out);
    for (int i = 1; i <= tables.debugger.count(); ++i) {
        const SymbolEntry& e = *tables.debugger.entry(i);
        out += rightAligned32(e.name);
        out += e.kind == 'D' ? "     Memory      0x" : "     Const       0x";
        out += hexText(uint32_t(e.value), 4) + "\n";
    }
    mapProgramSection(out, "Local  Program  Address ", tables.assembly, false);
    mapProgramSection(out, "Extern  Program  Address ", tables.objectSymbols, true);
    return out;
}

std::string asciiText(const ProgramImage& image, int32_t size, const LineIndex& lines) {
    std::string out;
    out.reserve(size_t(std::max(size, 0)) * 48);
    for (int32_t a = 0; a < size; ++a) {
        const ProgramImage::Cell cell = image.cell(a);
        out += binaryGroups(cell.word);
        out += "        //  ";
        out += hexText(uint32_t(a), 4);
        const SourceLine* l = cell.line != 0 ? lines.find(cell.line) : nullptr;
        if (l) {
            out += "  ";
            out += l->storedText;
        } else {
            out += " <Empty>";
        }
        out += '\n';
    }
    return out;
}

} // namespace zerka
