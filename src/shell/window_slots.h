#pragma once
// The main window's window slots in one table: what the layout file calls each window, which
// reopen flag keeps it for the next debug session, its number in the always-on-top menu and its
// captions. Tiling, always-on-top, the layout file and the reopen flags all walk this table, so
// a window kind added here is handled by each of them.
#include "shell/ide_state.h"
#include "shell/window_geometry.h"
#include "uitext/text_id.h"

#include <array>
#include <optional>

namespace zerka {

struct SlotInfo {
    Slot slot;
    const char* layoutName; // its record in the layout file
    int reopenFlag;         // index into IdeState::reopenFlags, -1: not kept
    int onTopWindow;        // its number in the always-on-top menu, -1: not there
    TextId title;           // its window caption (TextId::None: the window names itself)
    TextId onTopCaption;    // its item in the always-on-top menu
};

inline constexpr std::array<SlotInfo, kSlotCount> kSlotTable = {{
    {Slot::Editor, "TZk_EDIT", -1, 1, TextId::EditorCaption, TextId::EditorCaption},
    {Slot::ProgramMemory, "TZk_HEX", kReopenProgramMemory, 3, TextId::ProgramMemoryCaption,
     TextId::ProgramMemoryCaption},
    {Slot::Source, "TZk_SOURCE", kReopenSource, 2, TextId::SourceCaption, TextId::SourceCaption},
    {Slot::Ram, "TZk_RAM", kReopenRam, 5, TextId::RamCaption, TextId::RamCaption},
    {Slot::Stack, "TZk_STACK", kReopenStack, 7, TextId::StackCaption, TextId::StackCaption},
    {Slot::Register, "TZk_REG", kReopenRegister, 6, TextId::RegisterCaption,
     TextId::RegisterCaption},
    {Slot::Watch, "TZk_WATCH", kReopenWatch, 4, TextId::None, TextId::ItemViewWatch},
    {Slot::Log, "TZk_ERR", -1, 9, TextId::MessageCaption, TextId::MessageCaption},
    {Slot::Adc, "TZk_ADC", kReopenAdc, 10, TextId::None, TextId::ItemAdcPanel},
    {Slot::OpAmp, "TZk_OP", kReopenOpAmp, -1, TextId::None, TextId::ItemOpPanel},
    {Slot::Comparator, "TZk_CMP", kReopenComparator, -1, TextId::None, TextId::ItemComparatorPanel},
    {Slot::Breakpoints, "TZk_BREAK", kReopenBreakpoints, 8, TextId::ItemViewBreakPoint,
     TextId::ItemViewBreakPoint},
    // The words a programmer read brought back: a place in the layout file under a name of its
    // own (older files have no record of it), no reopen flag and no always-on-top number, so
    // the configuration file and the menu stay as they were.
    {Slot::ReadResult, "TZk_READ", -1, -1, TextId::ProgramMemoryCaption, TextId::None},
}};

constexpr const SlotInfo& slotInfo(Slot slot) {
    return kSlotTable[size_t(slot)];
}

// The slot that reopen flag `flag` keeps.
constexpr std::optional<Slot> slotOfReopenFlag(int flag) {
    for (const SlotInfo& s : kSlotTable)
        if (s.reopenFlag == flag) return s.slot;
    return std::nullopt;
}

// The slot in the always-on-top menu under `window` (0 is the main window itself).
constexpr std::optional<Slot> slotOfOnTopWindow(int window) {
    for (const SlotInfo& s : kSlotTable)
        if (s.onTopWindow == window) return s.slot;
    return std::nullopt;
}

} // namespace zerka
