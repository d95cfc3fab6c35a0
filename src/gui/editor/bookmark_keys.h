#pragma once
// The bookmark digit of Ctrl+digit and Ctrl+Shift+digit, shared by the editor and the source
// view: Shift turns the digit into its symbol on most keyboard layouts.
#include <Qt>

#include <array>

namespace zerka::gui {

inline int digitOfKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
    // The shifted digits 0 to 9 of a US keyboard.
    constexpr std::array<int, 10> kShifted = {
        Qt::Key_ParenRight, Qt::Key_Exclam,   Qt::Key_At,          Qt::Key_NumberSign,
        Qt::Key_Dollar,     Qt::Key_Percent,  Qt::Key_AsciiCircum, Qt::Key_Ampersand,
        Qt::Key_Asterisk,   Qt::Key_ParenLeft};
    for (int digit = 0; digit < 10; ++digit)
        if (kShifted[size_t(digit)] == key) return digit;
    return -1;
}

} // namespace zerka::gui
