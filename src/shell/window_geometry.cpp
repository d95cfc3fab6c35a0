#include "shell/window_geometry.h"

#include <algorithm>

namespace zerka {

Rect fitToScreen(Rect r, int sw, int sh) {
    r.width = std::min(r.width, sw);
    r.height = std::min(r.height, sh);
    if (r.left > sw) r.left = sw - r.width;
    if (r.left > sw - 20) r.left = sw - 20;
    if (r.top > sh) r.top = sh - r.height;
    if (r.top > sh - 20) r.top = sh - 20;
    return r;
}

namespace {

std::vector<Slot> ordered(const std::vector<Slot>& showing) {
    std::vector<Slot> out;
    for (Slot s : kTileOrder)
        if (std::find(showing.begin(), showing.end(), s) != showing.end()) out.push_back(s);
    return out;
}

} // namespace

std::vector<TilePlacement> tileTwoColumns(const std::vector<Slot>& showing, int areaWidth,
                                          int areaHeight) {
    const std::vector<Slot> slots = ordered(showing);
    const int n = int(slots.size());
    if (n < 2) return {};
    const int rows = (n + 1) / 2;
    const int w = areaWidth / 2;
    const int h = areaHeight / rows;
    std::vector<TilePlacement> out;
    for (int i = 0; i < n; ++i)
        out.push_back({slots[size_t(i)], Rect{(i % 2) * w, (i / 2) * h, w, h}});
    return out;
}

std::vector<TilePlacement> tileOneColumn(const std::vector<Slot>& showing, int areaWidth,
                                         int areaHeight) {
    const std::vector<Slot> slots = ordered(showing);
    const int n = int(slots.size());
    if (n < 1) return {};
    const int w = areaWidth;
    const int h = areaHeight / n;
    std::vector<TilePlacement> out;
    for (int i = 0; i < n; ++i)
        out.push_back({slots[size_t(i)], Rect{0, i * h, w, h}});
    return out;
}

Rect firstRunMainWindow(int sw, int sh) {
    const int w = sw * 8 / 10, h = sh * 8 / 10;
    return Rect{(sw - w) / 2, (sh - h) / 2, w, h};
}

} // namespace zerka
