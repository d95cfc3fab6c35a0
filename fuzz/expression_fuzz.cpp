// Fuzzes the expression evaluator and the symbol table.
// First byte even: the rest is an operand text, evaluated against a small table; a success
// must rewrite to a text that evaluates again to the same value and the same text.
// First byte odd: the rest drives adds and lookups, checked against an in-order scan.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "asm/expression.h"
#include "asm/sym_def_pack.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void fuzzExpression(std::string_view text) {
    static const zerka::TSymDefPack table = [] {
        zerka::TSymDefPack t;
        t.add("K", "0010H", 0, 'C', 0x10);
        t.add("L", "L", 0, 'L', 0x234);
        t.add("BIG", "0A000H", 0, 'C', 0xA000);
        t.add("NEG", "0-0005H", 0, 'C', -5);
        t.add("LAB@1", "LAB@1", 0, 'L', 0x7FFFFFFF);
        t.add("D_1", "D_1", 0, 'V', 3);
        t.add(std::string(32, 'N'), std::string(32, 'N'), 0, 'L', 1);
        return t;
    }();
    const zerka::Evaluation first = zerka::evaluateExpression(text, table);
    if (!first.ok) return;
    const zerka::Evaluation again = zerka::evaluateExpression(first.text, table);
    check(again.ok);
    check(again.value == first.value);
    check(again.text == first.text);

    std::string rewritten(text);
    int32_t value = 0;
    check(zerka::rewriteExpression(rewritten, table, &value));
    check(rewritten == first.text && value == first.value);
}

void fuzzTable(const uint8_t* data, size_t size) {
    static const char kinds[] = {'L', 'C', 'V', 'D', 'E', 'M', 'X', 0};
    zerka::TSymDefPack t;
    std::vector<zerka::SymbolEntry> shadow;
    // 300 operations reach every rule; longer inputs only make the shadow scans slow.
    size = std::min<size_t>(size, 900);
    for (size_t i = 0; i + 2 < size; i += 3) {
        const char kind = kinds[data[i] & 7];
        // Names from a small set, some longer than 32 characters so cutting matters.
        std::string name(size_t(data[i + 1] & 0x3F) % 36 + 1, char('A' + (data[i + 1] >> 6)));
        const int32_t value = int8_t(data[i + 2]);
        if (data[i] & 0x80) {
            int expected = 0;
            for (size_t j = 0; j < shadow.size() && expected == 0; ++j)
                if (shadow[j].name == name.substr(0, 32)) expected = int(j) + 1;
            check(t.findName(name) == expected);
            continue;
        }
        int expected = zerka::kSymAdded;
        zerka::SymbolEntry* overwrite = nullptr;
        if (kind != 'M') {
            for (auto& e : shadow) {
                if (e.name != name.substr(0, 32)) continue;
                if (e.kind == 'C' || e.kind == 'L') {
                    expected = zerka::kSymDuplicate;
                    break;
                }
                if (e.kind == 'V') {
                    overwrite = &e;
                    break;
                }
            }
        }
        check(t.add(name, name, value, kind, value) == expected);
        if (expected != zerka::kSymAdded) continue;
        if (overwrite) {
            overwrite->value = value;
            overwrite->kind = kind;
        } else {
            shadow.push_back({name.substr(0, 32), name.substr(0, 32), value, kind, value});
        }
    }
    check(t.count() == int(shadow.size()));
    for (size_t j = 0; j < shadow.size(); ++j) {
        const zerka::SymbolEntry* e = t.entry(int(j) + 1);
        check(e && e->name == shadow[j].name && e->kind == shadow[j].kind &&
              e->value == shadow[j].value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0)
        fuzzExpression(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    else
        fuzzTable(data + 1, size - 1);
    return 0;
}
