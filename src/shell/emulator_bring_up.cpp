#include "shell/emulator_bring_up.h"
#include "uitext/text_id.h"

#include "shell/shell.h"
#include "upcentre/run/up_centre.h"

namespace zerka {

BringUp connectUnit(EmulatorTarget& e, bool usb) {
    if (!usb) return BringUp::Ok;
    return e.connectCheck() == 255 ? BringUp::ConnectFailed : BringUp::Ok;
}

BringUp identifyChip(EmulatorTarget& e) {
    switch (e.chipIdCheck()) {
    case 0:
        return BringUp::Ok;
    case 1:
        return BringUp::ChipIdMismatch;
    default:
        return BringUp::ChipIdMissing;
    }
}

LoadOutcome loadProgram(EmulatorTarget& e, uint8_t coreVariant,
                        const std::array<uint16_t, 256>& informationBlock,
                        const LoadQuestions& questions) {
    if (!e.switchDebugMode()) return {BringUp::Busy};
    if (!e.selectCore(coreVariant)) return {BringUp::CoreSelect};
    if (!e.writeInfoBlock(informationBlock)) return {BringUp::InfoBlock};
    e.haltAndStartMonitor();
    if (questions.afterMonitorStart && !questions.afterMonitorStart()) return {BringUp::Refused};
    if (!e.rangeGuard(TZk_UP::kRangeGuardLimit) &&
        !(questions.continueAfterRunAway && questions.continueAfterRunAway()))
        return {BringUp::Refused};
    switch (e.memoryTest()) {
    case 0:
        break;
    case 1:
        return {BringUp::ProgramMemory};
    case 2:
        return {BringUp::Ram};
    default:
        return {BringUp::LinkFailed};
    }
    if (!e.downloadAndVerify()) {
        if (!e.mirrorTest8K()) return {BringUp::ProgramMemory};
        return {BringUp::Ok, true};
    }
    return {};
}

const char* bringUpText(BringUp status) {
    using namespace shell_text;
    switch (status) {
    case BringUp::ConnectFailed:
        return TextOf(TextId::ConnectError).c_str();
    case BringUp::ChipIdMismatch:
        return kChipIdError;
    case BringUp::ChipIdMissing:
        return TextOf(TextId::CanNotBeFoundChip).c_str();
    case BringUp::Busy:
        return kBusy;
    case BringUp::CoreSelect:
        return TextOf(TextId::CanNotSelectCx4aOr).c_str();
    case BringUp::InfoBlock:
    case BringUp::ProgramMemory:
        return TextOf(TextId::ProgramMemoryAccessedError).c_str();
    case BringUp::Ram:
        return TextOf(TextId::RamAccessedError).c_str();
    case BringUp::LinkFailed:
        return TextOf(TextId::ProgramMemoryAccessedError).c_str();
    default:
        return "";
    }
}

} // namespace zerka
