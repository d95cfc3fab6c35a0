#pragma once
// The emulator reads and writes the debug views make themselves, over the emulator command
// layer: the PC straight from the emulator, and writing a stack entry through the top-of-stack
// registers.
#include "views/view_context.h"

namespace zerka {

class IceCommands;

// Hooks that use `ice`, which must outlive them.
EmulatorViewHooks makeIceViewHooks(IceCommands& ice);

} // namespace zerka
