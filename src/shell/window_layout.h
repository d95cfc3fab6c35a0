#pragma once
// The window layout file (program name + ".wst"): the position, size, state and visibility of
// every window by its component name. Records of windows that do not exist are kept and
// written back unchanged.
#include <string>
#include <string_view>
#include <vector>

namespace zerka {

inline constexpr const char* kLayoutFormatTag = "1.10";
inline constexpr int kMaxLayoutRecords = 40;

enum class WindowState : int { Normal = 0, Maximized = 1, Minimized = 2 };

struct WindowPlacement {
    std::string name;
    int left = 0, top = 0, width = 0, height = 0;
    WindowState state = WindowState::Normal;
    bool visible = false;
    bool operator==(const WindowPlacement&) const = default;
};

class WindowLayout {
  public:
    // Reads the file's text. False (and no records) when the format tag is not "1.10"; at most
    // 40 records are taken, and a record cut short or with a non-number ends the list.
    bool parse(std::string_view text);
    std::string format() const;

    const std::vector<WindowPlacement>& records() const { return records_; }
    const WindowPlacement* find(std::string_view name) const;
    // Replaces the record of that name, or adds it.
    void store(const WindowPlacement& placement);

  private:
    std::vector<WindowPlacement> records_;
};

} // namespace zerka
