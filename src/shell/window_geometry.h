#pragma once
// Window slots, the fit-to-screen rule and the two tilings of the main window's children.
#include <array>
#include <vector>

namespace zerka {

// The main window's table of windows: the 11 numbered child-window positions, then the
// breakpoint list and the programmer's read-result grid, which are kept in the same table so
// that every walk over the windows (tiling, always on top, the layout file, the reopen flags)
// finds each one in its place. New kinds go at the end: the numbers of the others stay.
enum class Slot : int {
    Editor = 0,
    ProgramMemory = 1,
    Source = 2,
    Ram = 3,
    Stack = 4,
    Register = 5,
    Watch = 6,
    Log = 7,
    Adc = 8,
    OpAmp = 9,
    Comparator = 10,
    Breakpoints = 11,
    ReadResult = 12,
};
inline constexpr int kSlotCount = 13;

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// The fit-to-screen rule every window applies when it is created.
Rect fitToScreen(Rect r, int screenWidth, int screenHeight);

// The order in which tiling places the showing windows.
inline constexpr std::array<Slot, kSlotCount> kTileOrder = {
    Slot::Editor,     Slot::Source,      Slot::ProgramMemory, Slot::Ram, Slot::Stack,
    Slot::Register,   Slot::Watch,       Slot::Log,           Slot::Adc, Slot::OpAmp,
    Slot::Comparator, Slot::Breakpoints, Slot::ReadResult};

struct TilePlacement {
    Slot slot;
    Rect rect;
};

// The tilings share out the area the child windows live in: the description's "main width
// − 12" and "main height − 106" are that area in the original's frame, whose menus, toolbars
// and status line do not measure the same here.
// Two columns ("Tile Horizontally"): nothing below two windows. `showing` in any order.
std::vector<TilePlacement> tileTwoColumns(const std::vector<Slot>& showing, int areaWidth,
                                          int areaHeight);
// One column ("Tile Verticlly"): nothing without a window.
std::vector<TilePlacement> tileOneColumn(const std::vector<Slot>& showing, int areaWidth,
                                         int areaHeight);

// The main window's first-run placement: 80 % of the screen, centred.
Rect firstRunMainWindow(int screenWidth, int screenHeight);

} // namespace zerka
