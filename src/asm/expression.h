#pragma once
// The expression evaluator: computes an operand's value and rewrites its text, replacing names
// by their texts. Macro expansion uses only the rewriting; encoding uses both.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "asm/sym_def_pack.h"

namespace zerka {

struct Evaluation {
    bool ok = false;
    int32_t value = 0;
    std::string text; // the rewritten text (meaningful when ok)
};

// What a name stands for in an expression.
struct TermBinding {
    int32_t value = 0;
    std::string_view text;
};

// Resolves a name (not a number) to its value and text; nullopt when it is unknown.
using TermLookup = std::function<std::optional<TermBinding>(std::string_view name)>;

// Evaluates `text`, names looked up in `table` (first entry of that name).
Evaluation evaluateExpression(std::string_view text, const TSymDefPack& table);
// The same with a caller's lookup (object symbols with their base, externals as 0, ...).
Evaluation evaluateExpression(std::string_view text, const TermLookup& lookup);

// Evaluates `text` and, on success, replaces it with the rewritten text; on failure the text
// stays as it was. Returns success; the value goes to *value when given.
bool rewriteExpression(std::string& text, const TSymDefPack& table, int32_t* value = nullptr);

// The text the evaluator gives a folded constant: 4 or more upper-case hexadecimal digits and
// "H", "0-" before the magnitude when negative; a leading "0" when the first digit is a letter.
std::string constantText(int32_t value);

} // namespace zerka
