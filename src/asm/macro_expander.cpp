#include "asm/macro_expander.h"

#include <string>
#include <vector>

#include "asm/expression.h"
#include "core/text.h"

namespace zerka {
using namespace preproc_code;

namespace {

constexpr size_t kCallNameMax = 64;

bool isLabelOnlyOperation(std::string_view op) {
    return op == "EQU" || op == "SET" || op == "LOCAL";
}

// The label of a body line that is private to each expansion (a plain label, not a name made
// by EQU, SET or LOCAL).
bool isLocalLabelLine(const SourceLine& line) {
    return line.isLabel && !isLabelOnlyOperation(line.field(SourceLine::kOperationField));
}

std::string_view withoutColon(std::string_view label) {
    if (!label.empty() && label.back() == ':') label.remove_suffix(1);
    return label;
}

} // namespace

bool MacroExpander::ExpandMacros() {
    TLinePackLink& macros = *env_.macros;
    for (size_t i = 0; i < macros.count(); ++i) {
        env_.refreshUi();
        TLinePack* body = macros.at(i);
        const std::string name = body->name();
        if (!expandList(*body, &name)) return false;
    }
    env_.refreshUi();
    return expandList(*env_.lines, nullptr);
}

bool MacroExpander::expandList(TLinePack& list, const std::string* ownName) {
    if (!list.first()) return true;
    do {
        const SourceLine* line = list.current();
        if (!line->isMacroCall) continue;
        // The copies go in after the call line and become current, so the walk goes on after
        // them without scanning them again. Lines never move, so the call line stays put.
        if (!expandCall(list, *line, ownName)) return false;
    } while (list.next());
    return true;
}

bool MacroExpander::expandCall(TLinePack& list, const SourceLine& call,
                               const std::string* ownName) {
    const std::string name = cutText(call.field(SourceLine::kOperationField), kCallNameMax);
    if (ownName && name == *ownName) {
        env_.fail(kCircularMacro, false, name, &call);
        return false;
    }
    TLinePack* body = env_.macros->findByName(name);
    if (!body || body == &list) {
        env_.fail(body ? kCircularMacro : kUndefined, false, name, &call);
        return false;
    }
    auto it = body->begin();
    if (it == body->end()) {
        env_.fail(kIllegalMacro, false, name, &call);
        return false;
    }
    const SourceLine& head = *it;
    const int formals = head.operandCount();
    const int actuals = call.operandCount();
    if (actuals > formals) {
        env_.fail(kTooManyArguments, false, std::nullopt, &call);
        return false;
    }
    if (actuals < formals) {
        env_.fail(kMissingArgument, false, std::nullopt, &call);
        return false;
    }

    TSymDefPack& local = local_;
    local.clear();
    for (int k = 1; k <= formals; ++k) {
        const std::string_view actual = call.operand(k);
        if (actual.size() > SymbolEntry::kNameMax) {
            // The local table keeps 32 characters; a cut operand would change the program.
            env_.fail(kIllegalArgument, false, std::string(actual), &call);
            return false;
        }
        const int r = local.add(head.operand(k), actual, 0, 'C', 0);
        if (r == kSymDuplicate) {
            env_.fail(kDuplicate, false, std::string(head.operand(k)), &head);
            return false;
        }
    }

    // Labels defined in the body are private to this expansion.
    for (auto bit = ++body->begin(); bit != body->end(); ++bit) {
        const SourceLine& line = *bit;
        if (!isLocalLabelLine(line)) continue;
        const std::string_view label = line.field(SourceLine::kLabelField);
        if (label.size() < 2 || label.back() != ':') {
            env_.fail(kIllegalSymbol, false, std::string(label), &line);
            return false;
        }
        const std::string text = "Lab@" + std::to_string(env_.macroLabelCounter++);
        const int r = local.add(withoutColon(label), text, 0, 'C', 0);
        if (r == kSymDuplicate) {
            env_.fail(kDuplicate, false, std::string(withoutColon(label)), &line);
            return false;
        }
        if (r == kSymOutOfMemory) {
            env_.fail(kOutOfMemory, true, std::nullopt, &line);
            return false;
        }
    }

    IfState ifState;
    for (auto bit = ++body->begin(); bit != body->end(); ++bit) {
        SourceLine copy = *bit;
        const std::string op(copy.field(SourceLine::kOperationField));
        if (copy.isLabel && !isLabelOnlyOperation(op)) {
            const SymbolEntry* e =
                local.findEntry(withoutColon(copy.field(SourceLine::kLabelField)));
            if (!e) {
                env_.fail(kUndefined, false, std::string(copy.field(SourceLine::kLabelField)),
                          &copy);
                return false;
            }
            copy.replaceField(SourceLine::kLabelField, e->text + ":");
        } else if (copy.isLabel && op == "LOCAL") {
            const int count = copy.operandCount();
            if (count != 1) {
                env_.fail(count > 1 ? kTooManyArguments : kMissingArgument, false, std::nullopt,
                          &copy);
                return false;
            }
            const int r =
                local.add(copy.field(SourceLine::kLabelField), copy.operand(1), 0, 'C', 0);
            if (r == kSymDuplicate) {
                env_.fail(kDuplicate, false, std::string(copy.operand(1)), &copy);
                return false;
            }
            if (r == kSymOutOfMemory) {
                env_.fail(kOutOfMemory, true, std::nullopt, &copy);
                return false;
            }
        }
        if (copy.operationId >= 0 || copy.isDirective || copy.isMacroCall) {
            for (int k = 1; k <= copy.operandCount(); ++k) {
                std::string text(copy.operand(k));
                if (rewriteExpression(text, local)) copy.replaceField(k + 3, text);
            }
        }
        bool handled = false;
        if (!applyIfLine(copy, env_, ifState, handled)) return false;
        if (handled || !ifState.passes()) continue;

        copy.expanded = true;
        if (env_.storedLines >= env_.maxLines ||
            !list.add(std::move(copy), TLinePack::AfterCurrent)) {
            env_.fail(kOutOfMemory, true, name, &call);
            return false;
        }
        ++env_.storedLines;
    }
    return true;
}

} // namespace zerka
