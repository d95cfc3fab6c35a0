// The object module writer: GLOBAL and EXTERN records, the header, one 19-byte code record per
// address with the operand sub-records that tell the reader what to relocate.
#include <cstdio>

#include "asm/object_reader.h"
#include "asm/output_files.h"
#include "core/text.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {
namespace {

std::string index4(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%4d", n);
    return std::string(buf).substr(0, 4);
}

const std::string kPlainOperand = std::string(1, char(obj_marker::kOperandLocal)) + "0000";

bool isTermChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '@' || c == '_';
}

// The sub-record of one operand text.
std::string operandRecord(std::string_view operand, bool relativeBranch,
                          const SymbolTables& tables) {
    const int global = tables.globals.findName(operand);
    if (global > 0 && operand.size() <= SymbolEntry::kNameMax) {
        const SymbolEntry* e = tables.globals.entry(global);
        const bool label = e->kind == 'L';
        const uint8_t marker = (!label || relativeBranch) ? 0x8F : 0x90;
        return std::string(1, char(marker)) + index4(global);
    }

    int code = 0;
    const SymbolEntry* local = nullptr;
    int external = 0;
    size_t pos = 0;
    while (pos < operand.size()) {
        const char c = operand[pos];
        if (c == '+') {
            code += 16;
            ++pos;
            continue;
        }
        if (c == '-') {
            code += 32;
            ++pos;
            continue;
        }
        if (!isTermChar(c)) {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < operand.size() && isTermChar(operand[end]))
            ++end;
        const std::string_view term = operand.substr(pos, end - pos);
        pos = end;
        if (term == "UP") {
            code += 1;
        } else if (term == "HIGH") {
            code += 2;
        } else if (term == "LOW") {
            code += 3;
        } else {
            if (const int t = tables.assembly.findText(term); t > 0)
                local = tables.assembly.entry(t);
            if (const int x = tables.externs.findName(term); x > 0) external = x;
        }
    }

    if (external > 0) {
        uint8_t marker = 0x8E;
        if (!relativeBranch) {
            switch (code) {
            case 1:
                marker = 0x91;
                break;
            case 2:
                marker = 0x92;
                break;
            case 3:
                marker = 0x93;
                break;
            case 16:
                marker = 0x94;
                break;
            case 17:
                marker = 0x95;
                break;
            case 18:
                marker = 0x96;
                break;
            case 19:
                marker = 0x97;
                break;
            case 32:
                marker = 0x98;
                break;
            case 33:
                marker = 0x99;
                break;
            case 34:
                marker = 0x9A;
                break;
            case 35:
                marker = 0x9B;
                break;
            default:
                marker = 0x8E;
                break;
            }
        }
        return std::string(1, char(marker)) + index4(external);
    }
    if (local) {
        std::string_view digits = "0001";
        if (local->kind != 'L' || relativeBranch) {
            digits = "0000";
        } else {
            switch (code) {
            case 0:
                digits = "0001";
                break;
            case 1:
                digits = "0002";
                break;
            case 2:
                digits = "0003";
                break;
            case 3:
                digits = "0004";
                break;
            case 16:
                digits = "0005";
                break;
            case 17:
                digits = "0006";
                break;
            case 18:
                digits = "0007";
                break;
            case 19:
                digits = "0008";
                break;
            case 32:
                digits = "0009";
                break;
            case 33:
                digits = "000A";
                break;
            case 34:
                digits = "000B";
                break;
            case 35:
                digits = "000C";
                break;
            default:
                digits = "0001";
                break;
            }
        }
        return std::string(1, char(obj_marker::kOperandLocal)) + std::string(digits);
    }
    return kPlainOperand;
}

bool isDataLine(const SourceLine& l) {
    const std::string_view op = l.field(SourceLine::kOperationField);
    return l.isDirective && (op == "DB" || op == "DW");
}

// The three sub-records of the word a line wrote. Data words are copied as they are: the
// reader decodes every word as an instruction, so a data operand has no field to relocate.
std::string codeRecordOperands(const SourceLine* l, const SymbolTables& tables) {
    std::string out;
    int written = 0;
    if (l && !isDataLine(*l) && l->operationId >= 0) {
        const bool relative = l->operationId == int(OpId::RJ) || l->operationId == int(OpId::RCALL);
        // The first word of LDPR holds the pointer number (operand 2); its address operand
        // lives in the NOPF word that follows.
        const bool ldprFirst = l->twoWord[4];
        std::vector<std::string_view> ops;
        if (ldprFirst) {
            if (l->operandCount() >= 2) ops.push_back(l->operand(2));
        } else {
            for (int k = 1; k <= l->operandCount() && k <= 3; ++k)
                ops.push_back(l->operand(k));
        }
        for (std::string_view op : ops) {
            out += operandRecord(op, relative, tables);
            ++written;
        }
    }
    for (; written < 3; ++written)
        out += kPlainOperand;
    return out;
}

// The part global and extern records share: the name with its length, then the value, each
// closed by the record kind's own markers.
void appendNameAndValue(std::string& out, const SymbolEntry& e, uint8_t nameEnd, uint8_t valueMark,
                        uint8_t valueEnd) {
    out += hexText(uint32_t(e.name.size()) & 0xFF, 2);
    out += e.name;
    out.push_back(char(nameEnd));
    out.push_back(char(valueMark));
    out += hexText(uint32_t(e.value), 8);
    out.push_back(char(valueEnd));
}

} // namespace

std::string objectModule(const SymbolTables& tables, const ProgramImage& image,
                         const LineIndex& lines) {
    std::string out;
    for (int i = 1; i <= tables.globals.count(); ++i) {
        const SymbolEntry& e = *tables.globals.entry(i);
        out.push_back(char(obj_marker::kGlobal));
        out.push_back(e.kind ? e.kind : 'E');
        out += e.kind == 'D' ? hexText(uint32_t(e.extra) & 0xFF, 2) : std::string("00");
        appendNameAndValue(out, e, obj_marker::kGlobalNameEnd, obj_marker::kGlobalValue,
                           obj_marker::kGlobalValueEnd);
    }
    for (int i = 1; i <= tables.externs.count(); ++i) {
        const SymbolEntry& e = *tables.externs.entry(i);
        out.push_back(char(obj_marker::kExtern));
        appendNameAndValue(out, e, obj_marker::kExternNameEnd, obj_marker::kExternValue,
                           obj_marker::kExternValueEnd);
    }
    const int32_t highest = image.highestAddress();
    out.push_back(char(obj_marker::kHeader));
    out += hexText(uint32_t(highest), 8);
    out.push_back(char(obj_marker::kHeaderEnd));
    out.push_back(char(obj_marker::kCode));
    for (int32_t a = 0; a <= highest && ProgramImage::inImage(a); ++a) {
        const ProgramImage::Cell cell = image.cell(a);
        const SourceLine* l = cell.line != 0 ? lines.find(cell.line) : nullptr;
        out += codeRecordOperands(l, tables);
        out += hexText(cell.word, 4);
    }
    out.push_back(char(obj_marker::kModuleEnd));
    return out;
}

} // namespace zerka
