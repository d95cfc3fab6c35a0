#pragma once
// One item of a debug window's pop-up menu as the view shows it.
#include <string>

namespace zerka {

struct MenuItem {
    std::string text;
    bool enabled = true;
    bool checked = false;
    bool operator==(const MenuItem&) const = default;
};

} // namespace zerka
