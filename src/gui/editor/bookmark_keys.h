#pragma once
// The bookmark digit of Ctrl+digit and Ctrl+Shift+digit, shared by the editor and the source
// view: Shift turns the digit into its symbol on most keyboard layouts.
#include <Qt>

namespace zerka::gui {

inline int digitOfKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
    switch (key) {
    case Qt::Key_Exclam:
        return 1;
    case Qt::Key_At:
        return 2;
    case Qt::Key_NumberSign:
        return 3;
    case Qt::Key_Dollar:
        return 4;
    case Qt::Key_Percent:
        return 5;
    case Qt::Key_AsciiCircum:
        return 6;
    case Qt::Key_Ampersand:
        return 7;
    case Qt::Key_Asterisk:
        return 8;
    case Qt::Key_ParenLeft:
        return 9;
    case Qt::Key_ParenRight:
        return 0;
    default:
        return -1;
    }
}

} // namespace zerka::gui
