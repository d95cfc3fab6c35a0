#pragma once
// The state of the options dialog's controls, without any widget: what each control shows
// (checked, selected item, text), whether it can be used and whether it is shown. The dialog
// binds its widgets to these records; everything else reads the settings through OptionsModel.
#include <string>
#include <vector>

namespace zerka {

struct OptionControl {
    std::string name;    // the component name, e.g. "CkList"
    std::string caption; // the caption the control carries when the program starts
    bool enabled = true;
    bool visible = true;
};

// A check box or a radio button.
struct CheckControl : OptionControl {
    bool checked = false;
    bool defaultChecked = false;
};

// A group box; its enabled and visible states are the group's own, not its members'.
struct GroupControl : OptionControl {};

// A drop-down selector.
struct ChoiceControl : OptionControl {
    std::vector<std::string> items;
    int itemIndex = 0;
    int defaultIndex = 0;
    // The text of the selected item ("" when nothing valid is selected).
    std::string text() const {
        if (itemIndex < 0 || size_t(itemIndex) >= items.size()) return {};
        return items[size_t(itemIndex)];
    }
};

// An edit box.
struct EditControl : OptionControl {
    std::string text;
    std::string defaultText;
};

// A group of radio buttons that stands for one integer setting; each button carries the value
// it selects.
struct RadioGroupControl : OptionControl {
    struct Button {
        std::string caption;
        int value = 0;
        bool enabled = true;
        bool visible = true;
    };
    std::vector<Button> buttons;
    int value = 0;
    int defaultValue = 0;
};

} // namespace zerka
