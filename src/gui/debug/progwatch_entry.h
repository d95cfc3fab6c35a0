#pragma once
// Value entry for the program-memory and watch windows: the shared hexadecimal pop-up editor
// (hex_editor_popup.h) with a hook for tests, and a one-line text box over TextInput.
#include "views/hex_entry.h"
#include "views/text_input.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zerka::gui::progwatch {

// Opens the hexadecimal pop-up editor modally at `at` (kept on the screen); the value when
// accepted.
std::optional<uint32_t> askHex(QWidget* parent, QPoint at, const std::string& limit,
                               const std::string& range, const std::string& caption);

// Asks for a short text; the box keeps its previous text (selected) between uses.
std::optional<std::string> askText(QWidget* parent, QPoint at, TextInput& input);

// Tests answer the editor without a modal loop: the hook receives the opened entry, types into
// it and the entry's state decides. Empty restores the dialog.
void setHexAnswerHook(std::function<void(HexEntry&)> hook);

} // namespace zerka::gui::progwatch
