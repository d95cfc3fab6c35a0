#include "shell/config_file.h"

#include "core/text.h"

#include <charconv>
#include <optional>

namespace zerka {

namespace {

// Thrown inside the parser when a record is read past the end of the file: what the file does
// not hold is not read as 0.
struct PastEnd {};

// A cursor over the file: integers skip any white space (also line ends), lines are read up to
// the line end.
class Reader {
  public:
    explicit Reader(std::string_view text) : t_(text) {}

    bool eof() const { return p_ >= t_.size(); }

    std::string line() {
        if (eof()) throw PastEnd{};
        const size_t end = t_.find('\n', p_);
        std::string_view s =
            t_.substr(p_, end == std::string_view::npos ? std::string_view::npos : end - p_);
        p_ = end == std::string_view::npos ? t_.size() : end + 1;
        return std::string(stripCarriageReturn(s));
    }

    // Skips the rest of the current line (after integers).
    void endLine() {
        const size_t end = t_.find('\n', p_);
        p_ = end == std::string_view::npos ? t_.size() : end + 1;
    }

    std::optional<long long> integer() {
        while (p_ < t_.size() && isSpace(t_[p_]))
            ++p_;
        if (p_ >= t_.size()) throw PastEnd{};
        size_t e = p_;
        while (e < t_.size() && !isSpace(t_[e]))
            ++e;
        std::string_view token = t_.substr(p_, e - p_);
        if (!token.empty() && token.front() == '+') token.remove_prefix(1);
        long long v = 0;
        auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
        if (ec != std::errc() || ptr != token.data() + token.size()) return std::nullopt;
        p_ = e;
        return v;
    }

  private:
    static bool isSpace(char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
    }
    std::string_view t_;
    size_t p_ = 0;
};

// Thrown inside the parser when a value is not an integer.
struct BadValue {};

int toInt(long long v) {
    if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
    if (v < -0x7FFFFFFF) return -0x7FFFFFFF;
    return int(v);
}

} // namespace

std::string field(long long n, int width) {
    std::string s = std::to_string(n);
    if (int(s.size()) < width) s.insert(0, size_t(width) - s.size(), ' ');
    return s;
}

std::string fields(std::initializer_list<std::pair<long long, int>> values) {
    std::string s;
    for (const auto& [n, width] : values) {
        std::string f = field(n, width);
        if (!s.empty() && f.front() != ' ') s += ' ';
        s += f;
    }
    return s;
}

ConfigReadResult parseConfiguration(std::string_view text, std::string_view currentVersion,
                                    ConfigurationFile& f) {
    ConfigReadResult r;
    Reader in(text);
    auto num = [&]() -> int {
        std::optional<long long> v = in.integer();
        if (!v) throw BadValue{};
        return toInt(*v);
    };
    auto one = [&](int v) { return v == 1; };

    if (in.eof()) return r;
    f.versionLine = in.line();
    r.lastRecord = 1;
    if (f.versionLine != currentVersion) return r;
    r.versionMatched = true;

    try {
        // Each step is one group; the end of the file is checked before every group.
        if (in.eof()) goto atEof;
        f.ckAsc = one(num()), f.ckList = one(num()), f.ckBin = one(num());
        f.simulator = one(num());
        in.endLine();
        r.lastRecord = 2;
        f.ckAscInv = one(num()), f.ckBinInv = one(num()), f.ckMask = one(num());
        f.ckBin2 = one(num());
        in.endLine();
        r.lastRecord = 3;
        for (bool& b : f.onTop)
            b = one(num());
        in.endLine();
        r.lastRecord = 4;

        if (in.eof()) goto atEof;
        {
            const int n = num();
            f.activeFile = num();
            in.endLine();
            r.lastRecord = 5;
            f.files.clear();
            for (int i = 0; i < n; ++i)
                f.files.push_back(in.line());
        }
        r.lastRecord = 6;

        if (in.eof()) goto atEof;
        f.mainFile = in.line();
        r.lastRecord = 7;

        if (in.eof()) goto atEof;
        in.line(); // "None"
        r.lastRecord = 8;

        if (in.eof()) goto atEof;
        f.serviceWord1 = num(), f.serviceWord2 = num(), f.chipIndex = num();
        f.languageIndex = num(), f.portDriverMode = num(), f.editToolbar = one(num());
        in.endLine();
        r.lastRecord = 9;
        f.portBase = num(), f.interfaceIndex = num(), f.serviceFlag = num(), f.romSelect = num();
        in.endLine();
        r.lastRecord = 10;
        f.font.name = in.line();
        r.lastRecord = 11;
        f.font.size = num(), f.font.style = num();
        in.endLine();
        r.lastRecord = 12;

        if (in.eof()) goto atEof;
        for (bool& b : f.reopen)
            b = toUpperAscii(in.line()) == "TRUE";
        r.lastRecord = 13;
        f.fillMode = num();
        in.endLine();
        r.lastRecord = 14;

        if (in.eof()) goto atEof;
        f.watchAddress = num(), f.watchData = num(), f.watchMask = num();
        f.stopOnStackOverflow = one(num());
        in.endLine();
        r.lastRecord = 15;

        if (in.eof()) goto atEof;
        f.smartCompiler = one(num());
        in.endLine();
        r.lastRecord = 16;

        if (in.eof()) goto atEof;
        f.programmer = num() != 0;
        in.endLine();
        r.lastRecord = 17;
        f.programProtect = num() == 0;
        in.endLine();
        r.lastRecord = 18;
        f.coreVariant = num() != 0 ? 1 : 0;
        in.endLine();
        r.lastRecord = 19;

        if (in.eof()) goto atEof;
        f.programmerHexFile = in.line();
        r.lastRecord = 20;

        if (in.eof()) goto atEof;
        f.checksum = num();
        in.endLine();
        r.lastRecord = 21;

        if (in.eof()) goto atEof;
        f.registerPage = num();
        in.endLine();
        r.lastRecord = 22;
        f.ramBank = num();
        in.endLine();
        r.lastRecord = 23;
        f.watchFormat = num();
        in.endLine();
        r.lastRecord = 24;
        f.stackOverReset = num() != 0;
        in.endLine();
        r.lastRecord = 25;

        if (in.eof()) goto atEof;
        f.adcOutputMode = num();
        in.endLine();
        r.lastRecord = 26;
        f.adcOutputBits = num();
        in.endLine();
        r.lastRecord = 27;

        if (in.eof()) goto atEof;
        num();
        in.endLine();
        r.lastRecord = 28;
        num();
        in.endLine();
        r.lastRecord = 29;

        if (in.eof()) goto atEof;
        f.sramContinue = one(num());
        in.endLine();
        r.lastRecord = 30;

        if (in.eof()) goto atEof;
        f.acm12 = num() != 0, f.wdtJmp0 = one(num()), f.optimization = one(num());
        in.endLine();
        r.lastRecord = 31;

        if (in.eof()) goto atEof;
        f.stackOverStop = num() != 0;
        in.endLine();
        r.lastRecord = 32;

        if (in.eof()) goto atEof;
        f.enHao = one(num()), f.ehao = num();
        in.endLine();
        r.lastRecord = 33;

        if (in.eof()) goto atEof;
        f.enShao = num() != 0, f.enSlao = num() != 0, f.elao = num();
        in.endLine();
        r.lastRecord = 34;
        // Anything after record 34 is ignored; the loop ends as at the end of the file.
        r.endedAtEof = true;
        return r;
    } catch (const BadValue&) {
        r.badValue = true;
        return r;
    } catch (const PastEnd&) {
        r.endedAtEof = true;
        return r;
    }
atEof:
    r.endedAtEof = true;
    return r;
}

std::string configRecordName(int record) {
    static const char* const names[] = {"",
                                        "chip-library version line",
                                        "output files and target",
                                        "output files",
                                        "always-on-top flags",
                                        "number of editor files",
                                        "editor files",
                                        "main file",
                                        "\"None\" line",
                                        "chip and language",
                                        "interface",
                                        "font name",
                                        "font size and style",
                                        "debug windows",
                                        "fill of unused program memory",
                                        "watch trigger",
                                        "Smart Compiler",
                                        "IDE mode",
                                        "Program Protect",
                                        "core",
                                        "programmer hex file",
                                        "checksum",
                                        "register-window page",
                                        "RAM-window bank",
                                        "watch display format",
                                        "Stack over reset",
                                        "ADC output mode",
                                        "ADC output bits",
                                        "reserved value",
                                        "reserved value",
                                        "SRAM record continuation",
                                        "ACM voltage and WDT reset vector",
                                        "STOP When OV Stack",
                                        "hardware calibration",
                                        "software calibration"};
    if (record < 1 || record > 34) return "record " + std::to_string(record);
    return "record " + std::to_string(record) + " (" + names[record] + ")";
}

std::string ConfigReadResult::problem(std::string_view currentVersion) const {
    if (lastRecord == 0) return "the file is empty";
    if (!versionMatched)
        return configRecordName(1) + " differs from this chip library's \"" +
               std::string(currentVersion) + "\"";
    if (badValue) return configRecordName(lastRecord + 1) + " holds a word where a number belongs";
    if (lastRecord < kLastNeededRecord)
        return "the file ends before " + configRecordName(lastRecord + 1);
    return {};
}

std::string formatConfiguration(const ConfigurationFile& f) {
    std::string s;
    auto line = [&s](const std::string& text) {
        s += text;
        s += "\r\n";
    };
    auto flag = [](bool b) { return b ? 1 : 0; };

    line(f.versionLine);
    line(fields(
        {{flag(f.ckAsc), 2}, {flag(f.ckList), 2}, {flag(f.ckBin), 2}, {flag(f.simulator), 2}}));
    line(fields(
        {{flag(f.ckAscInv), 2}, {flag(f.ckBinInv), 2}, {flag(f.ckMask), 2}, {flag(f.ckBin2), 2}}));
    std::string onTop;
    for (bool b : f.onTop)
        onTop += field(flag(b), 2);
    line(onTop + " ");
    line(fields({{static_cast<long long>(f.files.size()), 6}, {f.activeFile, 6}}));
    for (const std::string& file : f.files)
        line(file);
    line(f.mainFile);
    line("None");
    line(fields({{f.serviceWord1, 8},
                 {f.serviceWord2, 4},
                 {f.chipIndex, 4},
                 {f.languageIndex, 4},
                 {f.portDriverMode, 4},
                 {flag(f.editToolbar), 4}}));
    line(fields({{f.portBase, 8}, {f.interfaceIndex, 4}, {f.serviceFlag & 0xFF, 4}, {0, 4}}));
    line(f.font.name);
    line(fields({{f.font.size, 8}, {f.font.style, 8}}));
    for (bool b : f.reopen)
        line(b ? "TRUE" : "FALSE");
    line(std::to_string(f.fillMode));
    line(fields({{f.watchAddress, 4},
                 {f.watchData, 4},
                 {f.watchMask, 4},
                 {flag(f.stopOnStackOverflow), 4}}));
    line(field(flag(f.smartCompiler), 4));
    line(f.programmer ? "1" : "0");
    line(f.programProtect ? "0" : "1");
    line(f.coreVariant == 0 ? "0" : "1");
    line(f.programmerHexFile);
    line(field(f.checksum, 4));
    line(field(f.registerPage, 2));
    line(field(f.ramBank, 2));
    line(field(f.watchFormat, 2));
    line(f.stackOverReset ? "1" : "0");
    line(std::to_string(f.adcOutputMode));
    line(std::to_string(f.adcOutputBits));
    line(field(0, 4));
    line(field(0, 8));
    line(field(flag(f.sramContinue), 4));
    line(fields({{flag(f.acm12), 4}, {flag(f.wdtJmp0), 4}, {flag(f.optimization), 4}}));
    line(field(flag(f.stackOverStop), 4));
    line(fields({{flag(f.enHao), 4}, {f.ehao, 8}}));
    line(fields({{flag(f.enShao), 4}, {flag(f.enSlao), 4}, {f.elao, 8}}));
    return s;
}

} // namespace zerka
