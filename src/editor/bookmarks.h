#pragma once
// The editor's ten bookmarks (0..9): each a slot and a 0-based line. They follow the text of
// their slot when lines are inserted or deleted and follow their slot when an earlier slot
// closes.
#include <array>

namespace zerka {

struct Bookmark {
    bool set = false;
    int slot = 0;
    int line = 0;
};

class Bookmarks {
  public:
    static constexpr int kCount = 10;

    const Bookmark& operator[](int n) const { return marks_[n]; }
    bool isSet(int n) const { return valid(n) && marks_[n].set; }

    // Setting n where it already is clears it (twice toggles off); elsewhere it moves there.
    // Returns true when n is set afterwards.
    bool toggle(int n, int slot, int line);
    void clear(int n);
    void clearAll();

    // `count` lines were inserted into `slot` at (line, column): a break inside a line pushes
    // only the lines below it.
    void linesInserted(int slot, int line, int column, int count);
    // `count` lines were removed from `slot` starting below `line`: marks at or below it move
    // up, never above it.
    void linesDeleted(int slot, int line, int count);
    // Slot `slot` closed: its marks go, marks of later slots move down by one.
    void slotClosed(int slot);

  private:
    static bool valid(int n) { return n >= 0 && n < kCount; }
    std::array<Bookmark, kCount> marks_{};
};

} // namespace zerka
