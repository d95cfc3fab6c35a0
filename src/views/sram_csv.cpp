#include "views/sram_csv.h"

#include "core/chars.h"
#include "core/split.h"
#include "core/text.h"

#include <cstdio>

namespace zerka {

namespace {

constexpr uint32_t kDataAddresses = 4096;

// A hexadecimal number with an optional trailing "h".
std::optional<uint32_t> hexField(std::string_view s) {
    s = trimBlanks(s);
    if (!s.empty() && (s.back() == 'h' || s.back() == 'H')) s.remove_suffix(1);
    if (s.empty() || s.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (char c : s) {
        const int d = hexDigitValue(c);
        if (d < 0) return std::nullopt;
        v = v * 16 + uint32_t(d);
    }
    return v;
}

} // namespace

std::string formatSramCsv(std::span<const RegRecordEntry> entries) {
    std::string out = std::string(kSramCsvHeader) + "\r\n";
    char item[24];
    for (size_t i = 0; i < entries.size(); ++i) {
        const RegRecordEntry& e = entries[i];
        std::snprintf(item, sizeof item, "%4zu", i + 1);
        out += item;
        out += ", ";
        // A comma or a line break inside a name would split the record when it is read back.
        std::string name = padRight(e.name, TRegRecord::kNameLength);
        for (char& c : name)
            if (c == ',' || c == '\r' || c == '\n') c = ' ';
        out += name;
        out += ", ";
        out += padRight(hexText(e.address, 4) + "h", 7);
        out += ", ";
        out += padRight(hexText(e.newValue, 2) + "h", 9);
        out += ", ";
        out += hexText(e.oldValue, 2) + "h";
        out += "\r\n";
    }
    return out;
}

std::optional<std::vector<RegRecordEntry>> parseSramCsv(std::string_view text, size_t limit,
                                                        bool* more, std::string* error) {
    std::vector<RegRecordEntry> entries;
    if (more) *more = false;
    size_t lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = stripCarriageReturn(text.substr(pos, end - pos));
        pos = end + 1;
        if (++lineNumber == 1 || trimBlanks(line).empty()) continue;
        if (entries.size() >= limit) {
            if (more) *more = true;
            break;
        }

        auto bad = [&](const char* why) {
            if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
            return std::nullopt;
        };
        const std::vector<std::string_view> f = splitAt(line, ',');
        if (f.size() != 5) return bad("not a record of 5 comma-separated fields");
        const std::optional<uint32_t> address = hexField(f[2]);
        const std::optional<uint32_t> newValue = hexField(f[3]);
        const std::optional<uint32_t> oldValue = hexField(f[4]);
        if (!address || *address >= kDataAddresses) return bad("bad address");
        if (!newValue || *newValue > 0xFF || !oldValue || *oldValue > 0xFF)
            return bad("bad data byte");
        const std::string_view name = trimBlanks(f[1]);
        if (name.size() > TRegRecord::kNameLength) return bad("name longer than 32 characters");
        for (char c : name)
            if (uint8_t(c) < 0x20 && c != '\t') return bad("control character in the name");
        entries.push_back({std::string(name), *address, uint8_t(*newValue), uint8_t(*oldValue)});
    }
    return entries;
}

} // namespace zerka
