#pragma once
// One item of a debug window's pop-up menu as the view shows it. The window acts on the item's
// action, never on its caption, so a caption can change without changing what the item does.
#include <string>

namespace zerka {

enum class MenuAction {
    None,
    // The RAM window.
    SetMark,
    SetMarkNewColour,
    ResetMark,
    ResetAllMarks,
    SetHint,
    ResetHint,
    ResetAllHints,
    LoadRamData,
    SaveRamData,
    SaveToExcel,
    ShowBank, // the bank in MenuItem::argument
    // The watch window.
    AddDeleteWatches,
    EditWatch,
    DeleteWatch,
    DeleteAllWatches,
    HideAddress,
    LoadProperties,
    SaveProperties,
    ClearAllProperties,
    ModifyValue,
};

struct MenuItem {
    MenuAction action = MenuAction::None;
    std::string text;
    bool enabled = true;
    bool checked = false;
    int argument = 0; // what the action works on (ShowBank: the bank)
    bool operator==(const MenuItem&) const = default;
};

} // namespace zerka
