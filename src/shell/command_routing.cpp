#include "shell/command_routing.h"

#include <algorithm>

namespace zerka {

void CommandRouter::add(Slot slot, WindowCommand command, Handler handler) {
    handlers_[size_t(slot)][size_t(command)] = std::move(handler);
}

void CommandRouter::activated(Slot slot) {
    recent_.erase(std::remove(recent_.begin(), recent_.end(), slot), recent_.end());
    recent_.insert(recent_.begin(), slot);
}

const CommandRouter::Handler* CommandRouter::handler(Slot slot, WindowCommand command) const {
    const Handler& h = handlers_[size_t(slot)][size_t(command)];
    return h ? &h : nullptr;
}

std::optional<Slot> CommandRouter::target(WindowCommand command, uint32_t windows) const {
    auto takes = [&](Slot slot) {
        return ((windows >> int(slot)) & 1u) && handler(slot, command) &&
               (!showing_ || showing_(slot));
    };
    for (Slot slot : recent_)
        if (takes(slot)) return slot;
    // A showing window that was never active (shown before the tracking began) still answers.
    for (int i = 0; i < kSlotCount; ++i)
        if (takes(Slot(i))) return Slot(i);
    return std::nullopt;
}

bool CommandRouter::run(WindowCommand command, const CommandArgument& argument,
                        uint32_t windows) const {
    const std::optional<Slot> slot = target(command, windows);
    return slot && (*handler(*slot, command))(argument);
}

} // namespace zerka
