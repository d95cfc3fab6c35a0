#pragma once
// A key typed into a grid cell, settled the same way by the register, RAM and stack models.
#include "views/cell_typing.h"

namespace zerka {

// Feeds `key` to `typing`: a commit calls `commit` (which writes the value) and ends the edit,
// Escape ends it; every key taken calls `redraw`. False for a refused key.
template <typename Commit, typename Redraw>
bool typeIntoCell(CellTyping& typing, int key, size_t maxDigits, Commit&& commit,
                  Redraw&& redraw) {
    switch (typing.key(key, maxDigits)) {
    case CellTyping::Result::Refused:
        return false;
    case CellTyping::Result::Commit:
        commit();
        typing.begin(-1, -1);
        break;
    case CellTyping::Result::Cancelled:
        typing.begin(-1, -1);
        break;
    case CellTyping::Result::Typed:
        break;
    }
    redraw();
    return true;
}

} // namespace zerka
