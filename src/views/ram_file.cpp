#include "views/ram_file.h"

#include "core/chars.h"
#include "views/view_text.h"

#include <charconv>
#include <cstdio>

namespace zerka {

namespace {

class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {}
    std::optional<std::string_view> next() {
        if (pos_ >= text_.size()) return std::nullopt;
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos) end = text_.size();
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }
    size_t lineNumber() const { return line_; }

  private:
    std::string_view text_;
    size_t pos_ = 0;
    size_t line_ = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Decimal integers separated by any white space.
bool readIntegers(std::string_view line, long long* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        line = trim(line);
        if (line.empty()) return false;
        size_t len = 0;
        while (len < line.size() && !isBlank(line[len]))
            ++len;
        const std::string_view word = line.substr(0, len);
        const char* first = word.data();
        if (!word.empty() && word.front() == '+') ++first;
        auto [ptr, ec] = std::from_chars(first, word.data() + word.size(), out[i]);
        if (ec != std::errc() || ptr != word.data() + word.size()) return false;
        line.remove_prefix(len);
    }
    return trim(line).empty();
}

int hexByte(std::string_view s) {
    s = trim(s);
    if (s == "-") return -1;
    if (s.empty() || s.size() > 2) return -2;
    int v = 0;
    for (char c : s) {
        const int d = hexDigitValue(c);
        if (d < 0) return -2;
        v = v * 16 + d;
    }
    return v;
}

std::optional<RamFileData> fail(std::string* error, const char* what, size_t index) {
    if (error) *error = std::string(what) + " " + std::to_string(index);
    return std::nullopt;
}

} // namespace

std::string formatRamFile(const RamFileData& data) {
    std::string out;
    out.reserve(data.values.size() * 3 + data.annotations.size() * 16);
    for (int v : data.values) {
        out += v < 0 ? std::string("-") : viewtext::hex(uint32_t(v) & 0xFF, 2);
        out += "\n";
    }
    char flags[32];
    for (const RamAnnotation& a : data.annotations) {
        std::snprintf(flags, sizeof flags, "%2d%2d\n", a.mark ? 1 : 0, a.hint ? 1 : 0);
        out += flags;
        out += std::to_string(a.colour & 0xFFFFFF);
        out += "\n";
        for (char c : a.hintText)
            out += (c == '\r' || c == '\n') ? ' ' : c;
        out += "\n";
    }
    return out;
}

std::optional<RamFileData> parseRamFile(std::string_view text, uint32_t n, std::string* error) {
    if (n < 16) return fail(error, "no value part for a layout of", n);
    RamFileData data;
    LineReader lines(text);
    const uint32_t valueCount = n / 16 * 16;
    data.values.reserve(valueCount);
    for (uint32_t a = 0; a < valueCount; ++a) {
        auto line = lines.next();
        if (!line) return fail(error, "missing value of address", a);
        const int v = hexByte(*line);
        if (v < -1) return fail(error, "bad value of address", a);
        data.values.push_back(v);
    }
    data.annotations.resize(n);
    for (uint32_t a = 0; a < n; ++a) {
        RamAnnotation& r = data.annotations[a];
        auto flagLine = lines.next();
        auto colourLine = lines.next();
        auto hintLine = lines.next();
        if (!hintLine) return fail(error, "missing mark and hint of address", a);
        long long flags[2];
        long long colour = 0;
        if (!readIntegers(*flagLine, flags, 2) || !readIntegers(*colourLine, &colour, 1) ||
            colour < 0 || colour > 0xFFFFFF)
            return fail(error, "bad mark or hint of address", a);
        r.mark = flags[0] != 0;
        r.hint = flags[1] != 0;
        r.colour = uint32_t(colour);
        r.hintText = std::string(*hintLine);
    }
    return data;
}

} // namespace zerka
