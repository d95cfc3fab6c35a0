#pragma once
// The commands that act on "the active window" — find, find next, replace, next and previous
// file, the bookmark digits and the page menu — routed to the window that handles them. Each
// window registers what it does for a command; a command goes to the most recently activated
// showing window that handles it, so the same key or button serves the editor in edit mode and
// the source view while debugging, and never a hidden window.
#include "shell/window_geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace zerka {

enum class WindowCommand {
    Find,         // "Find(&F)", Ctrl+F
    QuickFind,    // the edit toolbar's "find string" button
    FindNext,     // "Find Next", F3, the toolbar's "find next string" button
    Replace,      // "Replace(&R)", Ctrl+R
    NextFile,     // Alt+Right
    PreviousFile, // Alt+Left
    PageMenu,     // the toolbar's "goto page" button: the file list at (x, y)
    SetBookmark,  // a digit with "set bookmark" down
    GotoBookmark, // a digit with "goto bookmark" down
    HasBookmark,  // asks whether bookmark `number` is set (the digits' colours)
};
inline constexpr int kWindowCommandCount = int(WindowCommand::HasBookmark) + 1;

struct CommandArgument {
    int number = 0;   // a bookmark digit
    int x = 0, y = 0; // a global screen position (the page menu)
};

class CommandRouter {
  public:
    // A command's work in one window; the answer matters for queries (HasBookmark), commands
    // answer true.
    using Handler = std::function<bool(const CommandArgument&)>;
    // Whether a slot's window shows now: a hidden window takes no commands.
    using Showing = std::function<bool(Slot)>;

    explicit CommandRouter(Showing showing) : showing_(std::move(showing)) {}

    // `slot`'s window does `command` with `handler` (a second registration replaces the first).
    void add(Slot slot, WindowCommand command, Handler handler);
    // A window became the active child.
    void activated(Slot slot);

    // The window `command` would go to now, among the slots in `windows` (bit i: Slot(i)).
    std::optional<Slot> target(WindowCommand command, uint32_t windows = kAnyWindow) const;
    // Runs `command` in its target window: the handler's answer, or false without a target.
    bool run(WindowCommand command, const CommandArgument& argument = {},
             uint32_t windows = kAnyWindow) const;
    static constexpr uint32_t kAnyWindow = ~0u;

  private:
    const Handler* handler(Slot slot, WindowCommand command) const;

    Showing showing_;
    std::array<std::array<Handler, kWindowCommandCount>, kSlotCount> handlers_{};
    std::vector<Slot> recent_; // most recently activated first
};

} // namespace zerka
