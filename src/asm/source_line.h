#pragma once
// One stored line of the assembler's line list, with the fields the preprocessor splits out
// and the bookkeeping the encoding pass and the listing rely on.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zerka {

struct SourceLine {
    // Longest stored or working text; longer lines are cut without a report.
    static constexpr size_t kTextMax = 160;
    static constexpr int kFieldCount = 32;
    // Address fields hold this while the line has no program address.
    static constexpr int32_t kNoAddress = 0xFFFFF;
    static constexpr uint8_t kNoFile = 255;

    // Field numbering: 1 comment, 2 label, 3 operation, 4.. operands (operand k is field k + 3).
    static constexpr int kCommentField = 1;
    static constexpr int kLabelField = 2;
    static constexpr int kOperationField = 3;
    static constexpr int kFirstOperandField = 4;

    std::string storedText;  // the line as stored (ASCII file)
    std::string workingText; // the text the fields point into
    // Position in its list, 1 for the first line. Read it through the list's current line:
    // the list numbers lazily and brings it up to date when the line is reached.
    int32_t sequenceNumber = 0;
    uint16_t recordNumber = 0; // macro record number; 0 = none
    int16_t outerRecord = 0;
    int16_t nextRecord = 0;
    uint8_t callSiteFile = kNoFile;
    uint8_t stepFile = kNoFile;
    uint16_t callSiteLine = 0;
    uint16_t stepLine = 0;
    int32_t expansionStart = kNoAddress;
    int32_t expansionEnd = kNoAddress;
    uint8_t fileIndex = kNoFile;
    int32_t lineNumber = 0; // 1-based in its file; 0 for assembler-made and object lines
    int32_t address = kNoAddress;
    bool expanded = false;            // a copy made by macro expansion
    bool callOpen = false;            // a macro call line whose expansion has started
    std::array<bool, 5> twoWord{};    // first word of a two-word instruction of kind 1..5
    std::array<bool, 5> secondWord{}; // generated second word of such an instruction
    int32_t segment = 0;              // ORG section number when encoded
    int32_t lastAddress = kNoAddress;
    std::array<uint8_t, kFieldCount> fieldStart{}; // 1-based start in workingText; 0 = absent
    std::array<uint8_t, kFieldCount> fieldLength{};
    bool isLabel = false;           // field 2 holds a label
    bool isDirective = false;       // the operation field is a directive word
    bool isMacroCall = false;       // the operation field names a macro known when read
    bool isObject = false;          // re-created from an object file
    bool isInserted = false;        // inserted by the assembler itself
    bool isShortened = false;       // inserted by the smart compiler
    std::array<bool, 4> relocate{}; // object line: add the object's base to operand 1..4
    uint8_t relocationModifier = 0; // object line: 1 UP, 2 HIGH, 3 LOW after relocation
    int32_t operationId = -1;

    // Sets both texts, cut to kTextMax.
    void setText(std::string_view text) {
        storedText.assign(text.substr(0, kTextMax));
        workingText = storedText;
    }

    // True when field k (1..32) is present and lies inside the working text.
    bool hasField(int k) const {
        if (k < 1 || k > kFieldCount) return false;
        const size_t start = fieldStart[size_t(k - 1)];
        return start != 0 && start <= workingText.size();
    }

    // The text of field k (1..32); empty when absent. Clamped to the working text, so a stale
    // field never reads outside it.
    std::string_view field(int k) const {
        if (!hasField(k)) return {};
        const size_t start = fieldStart[size_t(k - 1)] - 1u;
        return std::string_view(workingText).substr(start, fieldLength[size_t(k - 1)]);
    }

    // Operand k (1-based), that is field k + 3.
    std::string_view operand(int k) const { return field(k + 3); }

    // Consecutive present fields from field 4.
    int operandCount() const {
        int n = 0;
        while (kFirstOperandField + n <= kFieldCount && hasField(kFirstOperandField + n))
            ++n;
        return n;
    }

    // Replaces the text of field k in workingText and moves the starts of the fields behind it;
    // the text stays within kTextMax (fields pushed past it are dropped). False when the field
    // is absent. Callers that need the flags again split the line anew.
    bool replaceField(int k, std::string_view text) {
        if (!hasField(k)) return false;
        const size_t idx = size_t(k - 1);
        const size_t start = fieldStart[idx] - 1u;
        const size_t oldLen = std::string_view(workingText).substr(start, fieldLength[idx]).size();
        workingText.replace(start, oldLen, text);
        if (workingText.size() > kTextMax) workingText.resize(kTextMax);
        const size_t newLen = std::min(text.size(), workingText.size() - start);
        fieldLength[idx] = uint8_t(newLen);
        const long delta = long(newLen) - long(oldLen);
        for (size_t i = 0; i < size_t(kFieldCount); ++i) {
            if (i == idx || fieldStart[i] == 0 || fieldStart[i] - 1u < start + oldLen) continue;
            const long moved = long(fieldStart[i]) + delta;
            if (moved < 1 || size_t(moved) > workingText.size()) {
                fieldStart[i] = 0;
                fieldLength[i] = 0;
                continue;
            }
            fieldStart[i] = uint8_t(moved);
            const size_t room = workingText.size() - size_t(moved - 1);
            if (fieldLength[i] > room) fieldLength[i] = uint8_t(room);
        }
        return true;
    }

    // Forgets every field and the three operation flags (before splitting again).
    void clearFields() {
        fieldStart.fill(0);
        fieldLength.fill(0);
        isLabel = false;
        isDirective = false;
        isMacroCall = false;
        operationId = -1;
    }
};

} // namespace zerka
