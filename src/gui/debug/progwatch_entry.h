#pragma once
// Small value entry for the program-memory and watch windows: a hexadecimal editor over the
// HexEntry model (digits limited position by position, Enter, Escape, Backspace) and a one-line
// text box over TextInput. Kept private to these two windows so that the shared pop-up editor
// and input box can replace it later: both calls take what those take and return the same.
#include "views/hex_entry.h"
#include "views/text_input.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zerka::gui::progwatch {

// Opens the editor modally at `at` (kept on the screen); the value when accepted.
std::optional<uint32_t> askHex(QWidget* parent, QPoint at, const std::string& limit,
                               const std::string& range, const std::string& caption);

// Asks for a short text; the box keeps its previous text (selected) between uses.
std::optional<std::string> askText(QWidget* parent, QPoint at, TextInput& input);

// Tests answer the editor without a modal loop: the hook receives the opened entry, types into
// it and the entry's state decides. Empty restores the dialog.
void setHexAnswerHook(std::function<void(HexEntry&)> hook);

} // namespace zerka::gui::progwatch
