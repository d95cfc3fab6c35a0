#include "views/edit_request.h"

#include "views/view_context.h"

namespace zerka {

void writeStackEntry(ViewContext& context, uint32_t n, uint32_t value) {
    CpuState& cpu = context.cpu();
    if (context.simulator() || !context.emulator.writeStackEntry) {
        cpu.SetStackEntry(n, value);
        return;
    }
    if (auto readBack = context.emulator.writeStackEntry(n, value)) cpu.SetStackEntry(n, *readBack);
}

void applyEdit(ViewContext& context, const EditTarget& target, uint32_t value) {
    TZk_UP& up = context.up;
    switch (target.kind) {
    case EditKind::Register:
        up.SetRegister(target.address, uint8_t(value));
        break;
    case EditKind::Pc:
        up.SetPCFromView(value);
        break;
    case EditKind::Pointer:
        up.SetRegister(target.address, uint8_t(value / 256));
        up.SetRegister(target.address + 1, uint8_t(value % 256));
        break;
    case EditKind::Word:
        up.SetRegister(target.address, uint8_t(value >> 8));
        up.SetRegister(target.low, uint8_t(value));
        break;
    case EditKind::StackEntry:
        writeStackEntry(context, target.address, value);
        break;
    }
}

} // namespace zerka
