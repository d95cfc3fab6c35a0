#include "link/unit_system.h"

#include <algorithm>

namespace zerka {

namespace {
// Older firmware answers the mode switch with this letter instead of FAh 00h.
constexpr uint8_t kOldFirmwareYes = 0x49;
} // namespace

size_t putSystemCommand(IoBuffer& io, uint8_t sub, std::initializer_list<uint8_t> params) {
    io[0] = kUnitSystemCommand;
    io[1] = sub;
    std::copy(params.begin(), params.end(), io.begin() + 2);
    return 2 + params.size();
}

bool switchUnitMode(IoBuffer& io, uint8_t mode, const UnitExchange& exchange) {
    if (!exchange(putSystemCommand(io, kSystemModeSwitch, {mode}), kSystemReplyBytes)) return false;
    return (io[0] == kUnitAck && io[1] == 0) || io[0] == kOldFirmwareYes;
}

std::optional<int> readFirmwareVersion(IoBuffer& io, const UnitExchange& exchange) {
    if (!exchange(putSystemCommand(io, kSystemFirmwareText), kSystemReplyBytes))
        return std::nullopt;
    if (io[0] != 'W' || io[1] != 'R' || io[2] != 'I' || io[3] != 'V') return std::nullopt;
    int version = 0;
    for (size_t i = 4; i < 8; ++i) {
        if (io[i] < '0' || io[i] > '9') return std::nullopt;
        version = version * 10 + (io[i] - '0');
    }
    return version;
}

} // namespace zerka
