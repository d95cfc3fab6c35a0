#include "asm/expression.h"
#include "asm/preproc_env.h"

namespace zerka {

bool applyIfLine(const SourceLine& line, const PreprocEnv& env, IfState& state, bool& handled) {
    handled = false;
    if (!line.isDirective) return true;
    const std::string_view op = line.field(SourceLine::kOperationField);
    if (op == "ELSE") {
        handled = true;
        state.elseState = !state.condition;
        state.condition = false;
        return true;
    }
    if (op == "ENDIF") {
        handled = true;
        state = IfState{};
        return true;
    }
    if (op != "IF") return true;
    handled = true;

    const int count = line.operandCount();
    if (count != 1 && count != 2) {
        env.fail(preproc_code::kMissingArgument, false, "IF", &line);
        return false;
    }
    auto evaluate = [&](int k, int32_t& value) {
        const Evaluation ev = evaluateExpression(line.operand(k), env.tables->defines);
        if (!ev.ok) {
            env.fail(preproc_code::kUndefined, false, std::string(line.operand(k)), &line);
            return false;
        }
        value = ev.value;
        return true;
    };
    bool condition = false;
    if (count == 1) {
        int32_t value = 0;
        if (line.operand(1) == "FALSE") {
            condition = false;
        } else {
            if (!evaluate(1, value)) return false;
            condition = value > 0;
        }
    } else {
        int32_t a = 0, b = 0;
        if (!evaluate(1, a) || !evaluate(2, b)) return false;
        condition = a == b;
    }
    // A second IF before ENDIF starts the state anew.
    state.active = true;
    state.condition = condition;
    state.elseState = false;
    return true;
}

} // namespace zerka
