#include "asm/expression.h"

#include "core/number.h"
#include "core/text.h"

namespace zerka {
namespace {

bool isTermChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '@' || c == '_';
}

bool endsTerm(char c) {
    return c == ' ' || c == '\t' || c == '+' || c == '-';
}

enum class Modifier { None, Low, High, Up };

} // namespace

std::string constantText(int32_t value) {
    const bool negative = value < 0;
    // Magnitude in unsigned arithmetic: the most negative value has no positive counterpart.
    const uint32_t magnitude = negative ? 0u - uint32_t(value) : uint32_t(value);
    std::string digits = hexText(magnitude, 4);
    // A leading letter would make the text a name, not a number, when it is evaluated again.
    if (digits.front() > '9') digits.insert(digits.begin(), '0');
    return (negative ? "0-" : "") + digits + "H";
}

Evaluation evaluateExpression(std::string_view text, const TermLookup& lookup) {
    Evaluation result;
    result.ok = false;
    uint32_t value = 0; // unsigned: sums wrap like the machine's 32-bit integers
    std::string rewritten;
    Modifier modifier = Modifier::None;
    char pending = 0; // '+', '-' or none
    bool expectFirst = true;

    size_t pos = 0;
    const size_t n = text.size();
    while (true) {
        while (pos < n && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        if (pos >= n) break;
        const char c = text[pos];
        if (c == '+' || c == '-') {
            if (expectFirst || pending != 0) return result;
            pending = c;
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < n && isTermChar(text[end]))
            ++end;
        // A term must be closed by a blank, a tab, an operator or the end; anything else stops
        // the expression before that term.
        if (end == pos || (end < n && !endsTerm(text[end]))) break;
        const std::string_view term = text.substr(pos, end - pos);
        pos = end;

        if (pending == 0 && !expectFirst) return result;
        if (term == "LOW" || term == "HIGH" || term == "UP") {
            modifier = term == "LOW"    ? Modifier::Low
                       : term == "HIGH" ? Modifier::High
                                        : Modifier::Up;
            expectFirst = true;
            continue;
        }

        uint32_t termValue = 0;
        std::string_view termText;
        const NumberTest number = testNumber(term);
        if (number.isNumber) {
            termValue = uint32_t(number.value);
            termText = term;
        } else {
            const std::optional<TermBinding> bound = lookup ? lookup(term) : std::nullopt;
            if (!bound) return result;
            termValue = uint32_t(bound->value);
            termText = bound->text;
        }

        if (pending == 0) {
            value = termValue;
            rewritten.assign(termText);
        } else {
            const NumberTest sofar = testNumber(rewritten);
            if (sofar.isNumber) {
                const uint32_t base = uint32_t(sofar.value);
                value = pending == '+' ? base + termValue : base - termValue;
                rewritten = constantText(int32_t(value));
            } else {
                value = pending == '+' ? value + termValue : value - termValue;
                rewritten.push_back(pending);
                rewritten.append(termText);
            }
        }
        pending = 0;
        expectFirst = false;
    }

    switch (modifier) {
    case Modifier::Low:
        value &= 0xFFu;
        rewritten.insert(0, "LOW ");
        break;
    case Modifier::High:
        value = (value >> 8) & 0xFFu;
        rewritten.insert(0, "HIGH ");
        break;
    case Modifier::Up:
        value = (value >> 16) & 0xFFu;
        rewritten.insert(0, "UP ");
        break;
    case Modifier::None:
        break;
    }
    result.ok = true;
    result.value = int32_t(value);
    result.text = std::move(rewritten);
    return result;
}

Evaluation evaluateExpression(std::string_view text, const TSymDefPack& table) {
    return evaluateExpression(text, [&table](std::string_view name) -> std::optional<TermBinding> {
        const SymbolEntry* e = table.findEntry(name);
        if (!e) return std::nullopt;
        return TermBinding{e->value, e->text};
    });
}

bool rewriteExpression(std::string& text, const TSymDefPack& table, int32_t* value) {
    Evaluation e = evaluateExpression(text, table);
    if (!e.ok) return false;
    text = std::move(e.text);
    if (value) *value = e.value;
    return true;
}

} // namespace zerka
