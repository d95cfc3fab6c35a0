#pragma once
// Every command of the main window's menus declared once: its caption in the text table, its
// shortcut, the rule that enables it and, for the commands that act on "the active window", the
// windows that may take it. The menus, their shortcuts and the routing are built from this table;
// the window only says where each item sits and what it does.
#include "shell/command_routing.h"
#include "shell/commands.h"
#include "uitext/text_id.h"

#include <QKeyCombination>
#include <QKeySequence>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

namespace zerka::gui {

// How a command's item is enabled.
enum class Enabling {
    Shell,  // by the shell's command state (open files, debug mode, the IDE mode)
    Always, // always: the edit and window commands act on whatever is there
};

// A set of window slots.
using WindowKinds = uint32_t;
constexpr WindowKinds windowKinds(std::initializer_list<Slot> kinds) {
    WindowKinds k = 0;
    for (Slot s : kinds)
        k |= WindowKinds(1) << int(s);
    return k;
}
constexpr bool hasKind(WindowKinds kinds, Slot s) { return (kinds >> int(s)) & 1u; }

inline constexpr QKeyCombination kNoKey = QKeyCombination::fromCombined(0);

struct CommandEntry {
    Command command;
    TextId caption;         // TextId::None: `ownCaption` is the caption
    const char* ownCaption; // an item the text table has no entry for keeps this caption
    QKeyCombination key;
    Enabling enabling;
    // The debug keys work wherever the focus is, child windows included.
    Qt::ShortcutContext context;
    // A command for the active window: the routed command and the windows that may take it.
    std::optional<WindowCommand> routed;
    WindowKinds windows;
};

// Every command with a menu item, in no particular order.
std::span<const CommandEntry> commandTable();
// The declaration of `c`; null for the commands that are a whole menu or toolbar.
const CommandEntry* commandEntry(Command c);

} // namespace zerka::gui
