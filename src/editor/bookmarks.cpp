#include "editor/bookmarks.h"

#include <algorithm>

namespace zerka {

bool Bookmarks::toggle(int n, int slot, int line) {
    if (!valid(n)) return false;
    Bookmark& mark = marks_[n];
    const bool sameSpot = mark.set && mark.slot == slot && mark.line == line;
    mark = Bookmark{};
    if (sameSpot) return false;
    mark = Bookmark{true, slot, line};
    return true;
}

void Bookmarks::clear(int n) {
    if (valid(n)) marks_[n] = Bookmark{};
}

void Bookmarks::clearAll() {
    marks_.fill(Bookmark{});
}

void Bookmarks::linesInserted(int slot, int line, int column, int count) {
    if (count <= 0) return;
    const int from = column == 0 ? line : line + 1;
    for (Bookmark& mark : marks_) {
        if (mark.set && mark.slot == slot && mark.line >= from) mark.line += count;
    }
}

void Bookmarks::linesDeleted(int slot, int line, int count) {
    if (count <= 0) return;
    for (Bookmark& mark : marks_) {
        if (mark.set && mark.slot == slot && mark.line >= line)
            mark.line = std::max(line, mark.line - count);
    }
}

void Bookmarks::slotClosed(int slot) {
    for (Bookmark& mark : marks_) {
        if (!mark.set) continue;
        if (mark.slot == slot)
            mark = Bookmark{};
        else if (mark.slot > slot)
            --mark.slot;
    }
}

} // namespace zerka
