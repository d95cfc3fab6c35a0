#pragma once
// What a debug-window cell looks like, independent of any widget toolkit: its text, a colour
// role and the underline of cells that carry a hint. A view maps roles to its palette; the
// colours below are the ones the windows use.
#include <cstdint>
#include <string>

namespace zerka {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
    uint32_t value() const { return uint32_t(r) << 16 | uint32_t(g) << 8 | b; }
    static Rgb fromValue(uint32_t v) { return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
};

enum class CellRole : uint8_t {
    Normal,     // the window colours (black on white)
    Header,     // fixed headings (black on silver)
    Changed,    // changed since the previous refresh: white on blue
    BitOne,     // a bit that is 1: white on blue
    BitZero,    // a bit that is 0: black on silver
    Marked,     // white on the cell's mark colour
    Breakpoint, // red text on white
    CurrentSim, // the current row in simulator mode: white on green
    CurrentEmu, // the current row in emulator mode: white on blue
    Busy,       // grey text while the uP centre is busy
};

struct CellColours {
    Rgb text;
    Rgb background;
};

namespace colour {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kSilver{192, 192, 192};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGrey{128, 128, 128};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kLime{0, 255, 0};
} // namespace colour

// The colours of a role; `mark` is used by Marked only.
inline CellColours roleColours(CellRole role, Rgb mark = colour::kGrey) {
    using namespace colour;
    switch (role) {
    case CellRole::Header:
        return {kBlack, kSilver};
    case CellRole::Changed:
    case CellRole::BitOne:
    case CellRole::CurrentEmu:
        return {kWhite, kBlue};
    case CellRole::BitZero:
        return {kBlack, kSilver};
    case CellRole::Marked:
        return {kWhite, mark};
    case CellRole::Breakpoint:
        return {kRed, kWhite};
    case CellRole::CurrentSim:
        return {kWhite, kGreen};
    case CellRole::Busy:
        return {kGrey, kWhite};
    case CellRole::Normal:
        break;
    }
    return {kBlack, kWhite};
}

struct Cell {
    Cell() = default;
    Cell(std::string t, CellRole r = CellRole::Normal) : text(std::move(t)), role(r) {}
    std::string text;
    CellRole role = CellRole::Normal;
    Rgb mark;               // Marked cells
    bool underline = false; // the address carries a hint
};

} // namespace zerka
