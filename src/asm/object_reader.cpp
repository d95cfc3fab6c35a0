#include "asm/object_reader.h"

#include <string>

#include "core/chars.h"
#include "core/text.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {
using namespace preproc_code;

namespace {

// What a malformed module is reported with (code 16, like the other object failures).
constexpr std::string_view kBadObject = "Bad object file";
constexpr std::string_view kBadCodeWord = "Error Code";
constexpr std::string_view kSevenBlanks = "       ";

// Symbol names: printable text without blanks (a marker or a control byte is not a name).
bool isNameByte(uint8_t c) {
    return c > 0x20 && c < 0x7F;
}

bool isOperandMarker(uint8_t c) {
    return c >= obj_marker::kOperandLocal && c <= obj_marker::kOperandLast;
}

class ObjectParser {
  public:
    ObjectParser(PreprocEnv& env, std::string_view bytes, uint8_t fileIndex,
                 const LineClassifier& classifier)
        : env_(env), bytes_(bytes), fileIndex_(fileIndex), classifier_(classifier) {}

    bool run() {
        uint8_t b = 0;
        while (next(b)) {
            switch (b) {
            case obj_marker::kHeader:
                if (!header()) return false;
                break;
            case obj_marker::kGlobal:
                if (!global()) return false;
                break;
            case obj_marker::kExtern:
                if (!external()) return false;
                break;
            case obj_marker::kCode: {
                bool finished = false;
                if (!codeSection(finished)) return false;
                if (finished) return true;
                break;
            }
            case obj_marker::kEnd:
            case obj_marker::kModuleEnd:
                return true;
            default:
                break; // bytes outside the records are ignored
            }
        }
        return true;
    }

  private:
    bool next(uint8_t& b) {
        if (pos_ >= bytes_.size()) return false;
        b = uint8_t(bytes_[pos_++]);
        return true;
    }

    bool bad(std::string_view detail = kBadObject) {
        env_.fail(kIllegalMacro, true, std::string(detail));
        return false;
    }

    // Exactly n hexadecimal characters.
    bool hexFixed(int n, uint32_t& value) {
        value = 0;
        for (int i = 0; i < n; ++i) {
            uint8_t b = 0;
            if (!next(b)) return false;
            const int d = hexDigitValue(static_cast<char>(b));
            if (d < 0) return false;
            value = value * 16 + uint32_t(d);
        }
        return true;
    }

    // Up to 8 hexadecimal characters, then `endMarker`.
    bool hexUntil(uint8_t endMarker, uint32_t& value) {
        value = 0;
        for (int count = 0;; ++count) {
            uint8_t b = 0;
            if (!next(b)) return false;
            if (b == endMarker) return true;
            const int d = hexDigitValue(static_cast<char>(b));
            if (d < 0 || count == 8) return false;
            value = value * 16 + uint32_t(d);
        }
    }

    // A name of at most `maxLength` characters, then `endMarker`.
    bool name(uint8_t endMarker, size_t maxLength, std::string& out) {
        out.clear();
        while (true) {
            uint8_t b = 0;
            if (!next(b)) return false;
            if (b == endMarker) return !out.empty();
            if (!isNameByte(b) || out.size() == maxLength) return false;
            out.push_back(char(b));
        }
    }

    bool expect(uint8_t marker) {
        uint8_t b = 0;
        return next(b) && b == marker;
    }

    bool header() {
        uint32_t last = 0;
        if (!hexUntil(obj_marker::kHeaderEnd, last)) return bad();
        expected_ = uint64_t(last) + 1;
        haveHeader_ = true;
        return true;
    }

    bool global() {
        uint8_t kind = 0;
        uint32_t size = 0, length = 0, value = 0;
        std::string symbol;
        if (!next(kind) || !isNameByte(kind) || !hexFixed(2, size) || !hexFixed(2, length) ||
            !name(obj_marker::kGlobalNameEnd, length + 1, symbol) ||
            !expect(obj_marker::kGlobalValue) || !hexUntil(obj_marker::kGlobalValueEnd, value))
            return bad();
        TSymDefPack& table = env_.tables->objectSymbols;
        const int before = table.count();
        const int r = table.add(symbol, symbol, int32_t(size), char(kind), int32_t(value));
        if (r == kSymOutOfMemory) {
            env_.fail(kOutOfMemory, true, symbol);
            return false;
        }
        if (table.count() == before) return true; // known already: no second label line
        SourceLine line;
        line.setText(cutText(symbol, SymbolEntry::kNameMax)); // as the table holds it
        line.fileIndex = fileIndex_;
        line.isLabel = true;
        line.isObject = true;
        line.fieldStart[SourceLine::kLabelField - 1] = 1;
        line.fieldLength[SourceLine::kLabelField - 1] = uint8_t(line.workingText.size());
        return append(line);
    }

    bool external() {
        uint32_t length = 0, value = 0;
        std::string symbol;
        if (!hexFixed(2, length) || !name(obj_marker::kExternNameEnd, length + 1, symbol) ||
            !expect(obj_marker::kExternValue) || !hexUntil(obj_marker::kExternValueEnd, value))
            return bad();
        TSymDefPack& externs = env_.tables->externs;
        if (externs.findName(symbol) != 0) return true;
        if (externs.add(symbol, symbol, 0, 'E', 0) == kSymOutOfMemory) {
            env_.fail(kOutOfMemory, true, symbol);
            return false;
        }
        return true;
    }

    bool codeSection(bool& finished) {
        if (!haveHeader_) return bad();
        if (recordsRead_ >= expected_) {
            env_.fail(kIllegalMacro, true, std::nullopt);
            return false;
        }
        char record[kObjectRecordSize];
        while (recordsRead_ < expected_) {
            for (size_t i = 0; i < kObjectRecordSize; ++i) {
                uint8_t b = 0;
                // The module ends before the header's count of records: code is missing.
                if (!next(b)) return bad();
                if (b == obj_marker::kEnd || b == obj_marker::kModuleEnd) {
                    finished = true;
                    return true;
                }
                if (b >= 0x80 && !isOperandMarker(b)) return bad();
                record[i] = char(b);
            }
            if (!codeRecord(std::string_view(record, kObjectRecordSize))) return false;
            ++recordsRead_;
        }
        return true;
    }

    // A 4-character decimal index, right-aligned with leading blanks.
    static bool decimalIndex(std::string_view s, int& n) {
        size_t i = 0;
        while (i < s.size() && s[i] == ' ')
            ++i;
        bool negative = false;
        if (i < s.size() && s[i] == '-') {
            negative = true;
            ++i;
        }
        if (i == s.size()) return false;
        n = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            n = n * 10 + (s[i] - '0');
        }
        if (negative) n = -n;
        return true;
    }

    // The name of EXTERN entry n; empty when n < 1. False when there is no such entry.
    bool externName(int n, std::string& out) {
        out.clear();
        if (n < 1) return true;
        const SymbolEntry* e = env_.tables->externs.entry(n);
        if (!e) return false;
        out = e->name;
        return true;
    }

    // UP for 91h, 95h, 99h; HIGH for 92h, 96h, 9Ah; LOW for 93h, 97h, 9Bh.
    static std::string_view prefixFor(uint8_t marker) {
        switch ((marker - 0x91) % 4) {
        case 0:
            return "UP";
        case 1:
            return "HIGH";
        default:
            return "LOW";
        }
    }

    bool operandText(std::string_view sub, uint16_t field, int k, SourceLine& line,
                     std::string& out) {
        const auto marker = uint8_t(sub[0]);
        const std::string_view digits = sub.substr(1, 4);
        const std::string v = hexText(field, 4) + "h";
        if (marker == obj_marker::kOperandLocal) {
            uint32_t code = 0;
            for (char c : digits) {
                const int d = hexDigitValue(c);
                if (d < 0) return false;
                code = code * 16 + uint32_t(d);
            }
            if (code > 12) return false;
            if (code == 0) {
                out = v;
                return true;
            }
            line.relocate[size_t(k)] = true;
            const uint32_t form = (code - 1) % 4; // 0 plain, 1 UP, 2 HIGH, 3 LOW
            if (form == 0) {
                out = v;
            } else {
                line.relocationModifier = uint8_t(form);
                out = std::string(form == 1   ? "UP"
                                  : form == 2 ? "HIGH"
                                              : "LOW") +
                      std::string(kSevenBlanks) + v;
            }
            return true;
        }
        int n = 0;
        if (!decimalIndex(digits, n)) return false;
        if (marker == 0x8F || marker == 0x90) {
            if (marker == 0x90) line.relocate[size_t(k)] = true;
            out = v;
            return true;
        }
        std::string ext;
        if (!externName(n, ext)) return false;
        if (marker == 0x8E) {
            out = ext.empty() ? v : ext;
            return true;
        }
        // 91h-93h: modifier and name; 94h, 98h: name and offset; the others: all three.
        const bool modifier = marker != 0x94 && marker != 0x98;
        const bool offset = marker > 0x93;
        const std::string prefix =
            modifier ? std::string(prefixFor(marker)) + std::string(kSevenBlanks) : std::string();
        if (ext.empty()) {
            out = prefix + v;
        } else {
            out = prefix + ext + (offset ? "+" + v : std::string());
        }
        return true;
    }

    bool codeRecord(std::string_view record) {
        uint32_t word = 0;
        for (size_t i = 15; i < kObjectRecordSize; ++i) {
            const int d = hexDigitValue(record[i]);
            if (d < 0) return bad(kBadCodeWord);
            word = word * 16 + uint32_t(d);
        }
        const DisplayDecode decoded = env_.instructions
                                          ? env_.instructions->decodeForDisplay(uint16_t(word))
                                          : DisplayDecode{};
        if (!decoded.found) return bad(kBadCodeWord);

        SourceLine line;
        std::string text = decoded.mnemonic + std::string(kSevenBlanks);
        for (int k = 0; k < decoded.operandCount && k < 3; ++k) {
            std::string operand;
            if (!operandText(record.substr(size_t(k) * 5, 5), decoded.operands[size_t(k)], k, line,
                             operand))
                return bad();
            if (k > 0) text += ", ";
            text += operand;
        }
        line.setText(toUpperAscii(text));
        line.fileIndex = fileIndex_;
        line.isObject = true;
        CutLIParasource(line, classifier_);
        return append(line);
    }

    bool append(const SourceLine& line) {
        if (env_.storedLines >= env_.maxLines || !env_.lines->add(line, TLinePack::AtEnd)) {
            env_.fail(kIllegalMacro, true, std::nullopt);
            return false;
        }
        ++env_.storedLines;
        return true;
    }

    PreprocEnv& env_;
    std::string_view bytes_;
    size_t pos_ = 0;
    uint8_t fileIndex_;
    const LineClassifier& classifier_;
    bool haveHeader_ = false;
    uint64_t expected_ = 0;
    uint64_t recordsRead_ = 0;
};

} // namespace

bool readObjectModule(PreprocEnv& env, std::string_view bytes, uint8_t fileIndex,
                      const LineClassifier& classifier) {
    ObjectParser parser(env, bytes, fileIndex, classifier);
    const bool ok = parser.run();
    // The module's externals are its own: they must not leak into the next module.
    env.tables->externs.clear();
    return ok;
}

} // namespace zerka
