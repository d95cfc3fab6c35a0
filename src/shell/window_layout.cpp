#include "shell/window_layout.h"

#include "core/text.h"
#include "shell/config_file.h"

#include <charconv>
#include <sstream>

namespace zerka {

namespace {

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> out;
    size_t p = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string_view::npos) e = text.size();
        out.push_back(stripCarriageReturn(text.substr(p, e - p)));
        p = e + 1;
    }
    return out;
}

bool readInts(std::string_view line, int* out, int count) {
    size_t p = 0;
    for (int i = 0; i < count; ++i) {
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t'))
            ++p;
        size_t e = p;
        while (e < line.size() && line[e] != ' ' && line[e] != '\t')
            ++e;
        if (e == p) return false;
        auto [ptr, ec] = std::from_chars(line.data() + p, line.data() + e, out[i]);
        if (ec != std::errc() || ptr != line.data() + e) return false;
        p = e;
    }
    return true;
}

} // namespace

bool WindowLayout::parse(std::string_view text) {
    records_.clear();
    const std::vector<std::string_view> ls = lines(text);
    if (ls.empty() || ls[0] != kLayoutFormatTag) return false;
    int count = 0;
    if (ls.size() < 2 || !readInts(ls[1], &count, 1)) return true;
    if (count > kMaxLayoutRecords) count = kMaxLayoutRecords;
    for (int i = 0; i < count; ++i) {
        const size_t at = 2 + size_t(i) * 2;
        if (at + 1 >= ls.size()) break;
        int v[6] = {};
        if (!readInts(ls[at + 1], v, 6)) break;
        WindowPlacement w;
        w.name = std::string(ls[at]);
        w.left = v[0], w.top = v[1], w.width = v[2], w.height = v[3];
        w.state = v[4] == 1 ? WindowState::Maximized
                            : (v[4] == 2 ? WindowState::Minimized : WindowState::Normal);
        w.visible = v[5] == 1;
        store(w);
    }
    return true;
}

std::string WindowLayout::format() const {
    std::string s = std::string(kLayoutFormatTag) + "\r\n";
    s += std::to_string(records_.size()) + "\r\n";
    for (const WindowPlacement& w : records_) {
        s += w.name + "\r\n";
        s += fields({{w.left, 5},
                     {w.top, 5},
                     {w.width, 5},
                     {w.height, 5},
                     {int(w.state), 5},
                     {w.visible ? 1 : 0, 5}}) +
             "\r\n";
    }
    return s;
}

const WindowPlacement* WindowLayout::find(std::string_view name) const {
    for (const WindowPlacement& w : records_)
        if (w.name == name) return &w;
    return nullptr;
}

void WindowLayout::store(const WindowPlacement& placement) {
    for (WindowPlacement& w : records_)
        if (w.name == placement.name) {
            w = placement;
            return;
        }
    records_.push_back(placement);
}

} // namespace zerka
