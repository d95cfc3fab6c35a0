#include "analog/analog_calculator.h"

#include "upcentre/run/up_centre.h"

#include <algorithm>

namespace zerka {

AnalogCalculator::AnalogCalculator(const ChipModel& chip, AnalogBlockKind kind, TZk_UP* up)
    : chip_(chip), kind_(kind), up_(up) {}

const AnalogBlock& AnalogCalculator::block() const {
    switch (kind_) {
    case AnalogBlockKind::Adc:
        return chip_.adc;
    case AnalogBlockKind::OpAmp:
        return chip_.op;
    default:
        return chip_.cmp;
    }
}

AnalogControl& AnalogCalculator::addToggle(std::string field, std::string caption) {
    AnalogControl& c = controls_.emplace_back();
    c.field = std::move(field);
    c.caption = std::move(caption);
    c.kind = ControlKind::Toggle;
    return c;
}

AnalogControl& AnalogCalculator::addDisplay(std::string field, std::string caption) {
    AnalogControl& c = addToggle(std::move(field), std::move(caption));
    c.kind = ControlKind::Display;
    return c;
}

AnalogControl& AnalogCalculator::addSelector(std::string field, unsigned digits) {
    AnalogControl& c = addToggle(std::move(field), std::string());
    c.kind = ControlKind::Selector;
    c.digits = digits;
    for (unsigned code = 0; code < (1u << digits); ++code)
        c.choices.push_back(binaryText(code, digits));
    c.codeLabels.assign(c.choices.size(), std::string());
    return c;
}

AnalogControl& AnalogCalculator::addChipSelector(std::string field) {
    // Entries and labels come from the chip description at every load.
    AnalogControl& c = addToggle(std::move(field), std::string());
    c.kind = ControlKind::Selector;
    c.textIsCodeLabel = true;
    return c;
}

void AnalogCalculator::addVdda() {
    addToggle("ENVDDA", "VDDA");
    AnalogControl& x = addSelector("VDDAX", 2);
    x.labelChoices = true;
}

AnalogControl* AnalogCalculator::find(std::string_view field) {
    for (AnalogControl& c : controls_)
        if (c.field == field) return &c;
    return nullptr;
}

const AnalogControl* AnalogCalculator::control(std::string_view field) const {
    for (const AnalogControl& c : controls_)
        if (c.field == field) return &c;
    return nullptr;
}

uint8_t AnalogCalculator::code(std::string_view field) const {
    const AnalogControl* c = control(field);
    return c ? c->code : 0;
}

void AnalogCalculator::chipChanged() {
    const AnalogBlock& b = block();
    for (AnalogControl& c : controls_) {
        const AnalogField* f = b.field(c.field);
        c.desc = f ? *f : AnalogField{};
        adjustField(c);
        c.enabled = c.desc.available();
        if (c.kind != ControlKind::Selector) continue;
        if (c.labelChoices) {
            // VDDAX: the drop-down lists the four voltage labels.
            c.choices = c.desc.labels;
            c.choices.resize(4);
            c.codeLabels = c.choices;
        } else if (c.digits == 0) {
            c.choices = c.desc.choiceCodes();
            const size_t n = c.desc.codeExists.size();
            c.codeLabels.assign(n, std::string());
            for (size_t code = 0; code < n; ++code)
                if (c.desc.codeExists[code])
                    c.codeLabels[code] =
                        code < c.desc.labels.size() ? c.desc.labels[code] : std::string();
        }
        updateChoiceIndex(c);
    }
    derive();
    bump();
}

void AnalogCalculator::updateChoiceIndex(AnalogControl& c) {
    if (c.kind != ControlKind::Selector) return;
    if (c.labelChoices) {
        c.choiceIndex = int(c.code & 3);
        return;
    }
    unsigned digits = c.digits;
    if (digits == 0) digits = c.choices.empty() ? 1 : unsigned(c.choices.front().size());
    const std::string text = binaryText(c.code, digits);
    const auto it = std::find(c.choices.begin(), c.choices.end(), text);
    // A code wider than the entries has no entry: nothing is selected.
    c.choiceIndex =
        (c.code >> digits) == 0 && it != c.choices.end() ? int(it - c.choices.begin()) : -1;
}

void AnalogCalculator::DataUpdate() {
    if (!up_) return;
    bool changed = false;
    for (AnalogControl& c : controls_) {
        const uint8_t now = readAnalogField(up_, c.desc);
        if (now != c.code) changed = true;
        c.code = now;
        updateChoiceIndex(c);
    }
    const std::vector<std::string> before = [&] {
        std::vector<std::string> t;
        t.reserve(controls_.size());
        for (const AnalogControl& c : controls_)
            t.push_back(c.text);
        return t;
    }();
    derive();
    if (!changed)
        for (size_t i = 0; i < controls_.size(); ++i)
            if (controls_[i].text != before[i]) changed = true;
    if (changed) bump();
}

bool AnalogCalculator::writeCode(AnalogControl& c, unsigned code) {
    if (!up_ || !c.enabled || c.kind == ControlKind::Display) return false;
    if (!writeAnalogField(up_, c.desc, code)) return false;
    c.code = uint8_t(code);
    updateChoiceIndex(c);
    derive();
    bump();
    return true;
}

bool AnalogCalculator::clickPanel(std::string_view field) {
    AnalogControl* c = find(field);
    if (!c || c->kind != ControlKind::Toggle) return false;
    return writeCode(*c, c->code == 1 ? 0 : 1);
}

bool AnalogCalculator::selectCode(std::string_view field, unsigned code) {
    AnalogControl* c = find(field);
    if (!c || c->kind != ControlKind::Selector) return false;
    return writeCode(*c, code);
}

bool AnalogCalculator::chooseEntry(std::string_view field, int index) {
    AnalogControl* c = find(field);
    if (!c || c->kind != ControlKind::Selector) return false;
    if (index < 0 || size_t(index) >= c->choices.size()) {
        updateChoiceIndex(*c);
        return false;
    }
    const unsigned code =
        c->labelChoices ? unsigned(index) : binaryCodeOf(c->choices[size_t(index)]);
    if (!writeCode(*c, code)) {
        updateChoiceIndex(*c); // the drop-down goes back to the current code
        return false;
    }
    return true;
}

bool AnalogCalculator::chooseText(std::string_view field, std::string_view text) {
    AnalogControl* c = find(field);
    if (!c || c->kind != ControlKind::Selector) return false;
    const auto it = std::find(c->choices.begin(), c->choices.end(), text);
    if (it != c->choices.end()) return chooseEntry(field, int(it - c->choices.begin()));
    // A text that is no entry stands for its binary code (0 when it is none).
    if (c->labelChoices) return false;
    if (!writeCode(*c, binaryCodeOf(text))) {
        updateChoiceIndex(*c);
        return false;
    }
    return true;
}

bool AnalogCalculator::deriveSharedText(AnalogControl& c) const {
    if (c.kind != ControlKind::Selector) c.on = c.code == 1;
    if (c.textIsCodeLabel) {
        c.text = c.code < c.codeLabels.size() ? c.codeLabels[c.code] : std::string();
        return true;
    }
    if (c.field == "VDDAX" || c.field == "ENVDDA") {
        c.text = vddaText();
        return true;
    }
    return false;
}

std::string AnalogCalculator::vddaText() const {
    const AnalogControl* en = control("ENVDDA");
    const AnalogControl* x = control("VDDAX");
    if (!en || en->code != 1) return "VDDA = External";
    const unsigned code = x ? x->code : 0;
    // A VDDAX field wider than two bits has codes without a label.
    if (!x || code > 3) return "VDDA = code " + binaryText(code, x ? x->desc.width : 2);
    return "VDDA = " + x->codeLabels[code] + " V";
}

} // namespace zerka
