#pragma once
// What the three calculators share: one control per register field, kept in refresh order,
// each with the code it shows (the window's cache of the field), its texts and its drop-down
// entries. Widgets draw the controls and forward clicks and drop-down choices here; every edit
// becomes a field write through the uP centre's register-edit path.
#include "analog/analog_field.h"
#include "chip/chip_model.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

class TZk_UP;

enum class ControlKind : uint8_t {
    Toggle,   // a one-bit panel: a click sets the other value
    Selector, // a drop-down of codes with a picture and a label per code
    Display,  // shown only, never written
};

struct AnalogControl {
    std::string field;   // the chip description's field name
    std::string caption; // the panel's caption
    ControlKind kind = ControlKind::Toggle;
    AnalogField desc;     // where the field lives (copied from the chip at every load)
    bool enabled = false; // the chip has the field
    bool visible = true;
    uint8_t code = 0; // the cache: the code last read or set
    bool on = false;  // toggles and displays: drawn in the "on" look
    std::string text; // what the current setting means
    // Selectors: the drop-down entries, the entry showing (-1: none) and the label of each code
    // on the diagram (empty for a code that does not exist).
    std::vector<std::string> choices;
    int choiceIndex = -1;
    std::vector<std::string> codeLabels;
    bool textIsCodeLabel = false; // the text is the label of the current code
    unsigned digits = 0;          // selectors with binary entries: digits of an entry
    bool labelChoices = false;    // the entries are the code labels themselves (VDDAX)
};

class AnalogCalculator {
  public:
    AnalogCalculator(const ChipModel& chip, AnalogBlockKind kind, TZk_UP* up);
    virtual ~AnalogCalculator() = default;
    AnalogCalculator(const AnalogCalculator&) = delete;
    AnalogCalculator& operator=(const AnalogCalculator&) = delete;

    // The uP centre is created after the calculators; until it is set nothing reads or writes.
    void setUpCentre(TZk_UP* up) { up_ = up; }
    TZk_UP* upCentre() const { return up_; }

    // A chip was loaded: where the fields live, which exist, their labels.
    void chipChanged();
    // Re-reads every field from data memory and works out every text.
    void DataUpdate();

    const std::vector<AnalogControl>& controls() const { return controls_; }
    const AnalogControl* control(std::string_view field) const;
    // Counts the refreshes and edits that changed something shown.
    uint64_t revision() const { return revision_; }

    // A click on a one-bit panel or on one of its pictures: 1 becomes 0, anything else 1.
    bool clickPanel(std::string_view field);
    // A click on a selector's picture or label for `code`.
    bool selectCode(std::string_view field, unsigned code);
    // A drop-down choice. A code the field cannot hold is refused: nothing is written and the
    // drop-down keeps showing the current code.
    bool chooseEntry(std::string_view field, int index);
    bool chooseText(std::string_view field, std::string_view text);

  protected:
    AnalogControl& addToggle(std::string field, std::string caption);
    AnalogControl& addDisplay(std::string field, std::string caption);
    // Binary entries "00".. for every code of a `digits`-digit list.
    AnalogControl& addSelector(std::string field, unsigned digits);
    // Binary entries for the codes the chip description names, with its labels.
    AnalogControl& addChipSelector(std::string field);
    // The VDDA pair every calculator has: ENVDDA panel and VDDAX selector.
    void addVdda();
    AnalogControl* find(std::string_view field);
    // Writes `code` into the control's field, takes it as the cache and works out the texts.
    bool writeCode(AnalogControl& c, unsigned code);
    // The texts of every control from the caches, and the derived texts of the window.
    virtual void derive() = 0;
    // A chance to adjust a field description copied from the chip.
    virtual void adjustField(AnalogControl&) {}
    // What every calculator works out alike: the on look of panels and displays, and the text
    // of an input selector (the label of its code) and of the VDDA pair (the supply). True when
    // it set the text; the other texts are the calculator's own.
    bool deriveSharedText(AnalogControl& c) const;
    // "VDDA = External" or "VDDA = <label> V".
    std::string vddaText() const;
    uint8_t code(std::string_view field) const;
    void updateChoiceIndex(AnalogControl& c);

    const ChipModel& chip_;
    AnalogBlockKind kind_;
    TZk_UP* up_;
    std::vector<AnalogControl> controls_;
    uint64_t revision_ = 0;

  private:
    const AnalogBlock& block() const;
    void bump() { ++revision_; }
};

} // namespace zerka
