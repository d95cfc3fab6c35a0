#pragma once
// Typing a new value for a watched symbol: what the hexadecimal editor is opened with, and how
// the accepted number becomes data bytes. Byte watches take one byte, bit watches one bit of the
// referred byte, data symbols up to four bytes in the order the display mode shows them. Every
// byte goes through the uP centre's register-edit path.
#include "views/watch_list.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zerka {

struct ViewContext;

struct WatchValueEdit {
    std::string limit;
    std::string range;
    std::string caption;
};

class WatchValueEditor {
  public:
    static constexpr int32_t kMaxBytes = 4;

    WatchValueEditor(WatchListModel& list, ViewContext& context) : list_(list), ctx_(context) {}
    // Nothing for a row without a symbol or a data run longer than the editor takes.
    std::optional<WatchValueEdit> request(int row) const;
    // Writes an accepted value and refreshes the list.
    void apply(int row, uint32_t value);

  private:
    WatchListModel& list_;
    ViewContext& ctx_;
};

} // namespace zerka
