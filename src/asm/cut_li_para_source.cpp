#include "asm/cut_li_para_source.h"

#include <array>

#include "asm/line_pack.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {
namespace {

constexpr std::array<std::string_view, 18> kDirectiveWords = {
    "DB",  "DW",     "END",   "ENDM", "EQU",    "INCLUDE", "LOCAL", "MACRO", "ORG",
    "SET", "GLOBAL", "MEMAR", "DS",   "EXTERN", "IF",      "ELSE",  "ENDIF", "DEFINE"};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isOperandSeparator(char c) {
    return c == ',' || c == '=';
}

void setField(SourceLine& line, int k, size_t start0, size_t length) {
    line.fieldStart[size_t(k - 1)] = uint8_t(start0 + 1);
    line.fieldLength[size_t(k - 1)] = uint8_t(length);
}

// Next blank-separated word at or after pos (in [0, end)); false when only blanks remain.
bool nextWord(std::string_view text, size_t end, size_t& pos, size_t& start, size_t& length) {
    while (pos < end && isBlank(text[pos]))
        ++pos;
    if (pos >= end) return false;
    start = pos;
    while (pos < end && !isBlank(text[pos]))
        ++pos;
    length = pos - start;
    return true;
}

enum class WordKind { Instruction, Directive, Macro, Other };

WordKind classify(std::string_view word, const LineClassifier& words, int& operationId) {
    if (words.instructions) {
        const int id = words.instructions->findIdByMnemonicOrAlias(word);
        if (id >= 0) {
            operationId = id;
            return WordKind::Instruction;
        }
    }
    if (isDirectiveWord(word)) return WordKind::Directive;
    if (words.isMacroName && words.isMacroName(word)) return WordKind::Macro;
    return WordKind::Other;
}

// Marks the operation field from its classification.
void markOperation(SourceLine& line, WordKind kind, int operationId) {
    switch (kind) {
    case WordKind::Instruction:
        line.operationId = operationId;
        break;
    case WordKind::Directive:
        line.isDirective = true;
        break;
    case WordKind::Macro:
        line.isMacroCall = true;
        break;
    case WordKind::Other:
        break;
    }
}

} // namespace

bool isDirectiveWord(std::string_view word) {
    for (std::string_view d : kDirectiveWords)
        if (d == word) return true;
    return false;
}

LineClassifier makeLineClassifier(const InstructionSet* instructions, TLinePackLink* macros) {
    LineClassifier c;
    c.instructions = instructions;
    if (macros) {
        c.isMacroName = [macros](std::string_view name) {
            for (size_t i = 0; i < macros->count(); ++i)
                if (macros->at(i)->name() == name) return true;
            return false;
        };
    }
    return c;
}

bool CutLIParasource(SourceLine& line, const LineClassifier& words) {
    line.clearFields();
    const std::string_view text = line.workingText;

    // The comment runs from the first ";" to the end; a ";" inside quotes is no different.
    size_t end = text.find(';');
    if (end != std::string_view::npos) {
        setField(line, SourceLine::kCommentField, end, text.size() - end);
    } else {
        end = text.size();
    }

    size_t pos = 0, start = 0, length = 0;
    if (!nextWord(text, end, pos, start, length)) return true;
    int operationId = -1;
    WordKind kind = classify(text.substr(start, length), words, operationId);
    if (kind != WordKind::Other) {
        setField(line, SourceLine::kOperationField, start, length);
        markOperation(line, kind, operationId);
    } else {
        setField(line, SourceLine::kLabelField, start, length);
        line.isLabel = true;
        if (!nextWord(text, end, pos, start, length)) return true;
        setField(line, SourceLine::kOperationField, start, length);
        operationId = -1;
        kind = classify(text.substr(start, length), words, operationId);
        markOperation(line, kind, operationId);
    }

    // Operands: separated by "," or "=", inner blanks kept, trailing blanks dropped.
    for (int k = SourceLine::kFirstOperandField;; ++k) {
        while (pos < end && (isBlank(text[pos]) || isOperandSeparator(text[pos])))
            ++pos;
        if (pos >= end) return true;
        if (k > SourceLine::kFieldCount) return false;
        start = pos;
        while (pos < end && !isOperandSeparator(text[pos]))
            ++pos;
        size_t last = pos;
        while (last > start && isBlank(text[last - 1]))
            --last;
        setField(line, k, start, last - start);
    }
}

} // namespace zerka
