// The word image as Intel HEX, for programmers and tools that read that format.
#include "asm/output_files.h"

#include <algorithm>

#include "core/text.h"

namespace zerka {
namespace {

constexpr size_t kRecordBytes = 16;

// One record: ":", count, address, type, data, checksum (two's complement of the byte sum).
void putRecord(std::string& out, uint16_t address, uint8_t type, std::string_view data) {
    uint32_t sum = uint32_t(data.size()) + (address >> 8) + (address & 0xFF) + type;
    out += ':';
    out += hexText(uint32_t(data.size()), 2);
    out += hexText(address, 4);
    out += hexText(type, 2);
    for (char c : data) {
        out += hexText(uint8_t(c), 2);
        sum += uint8_t(c);
    }
    out += hexText((0x100 - (sum & 0xFF)) & 0xFF, 2);
    out += '\n';
}

} // namespace

std::string intelHexText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / kRecordBytes * 44 + 64);
    uint32_t upper = 0; // bits 31..16 of the addresses of the records that follow
    for (size_t at = 0; at < bytes.size(); at += kRecordBytes) {
        // Records never cross a 64 KiB boundary, so each starts with its upper address known.
        const uint32_t high = uint32_t(at >> 16);
        if (high != upper) {
            upper = high;
            const char ext[2] = {char(high >> 8), char(high & 0xFF)};
            putRecord(out, 0, 4, std::string_view(ext, 2));
        }
        const size_t n = std::min(kRecordBytes, bytes.size() - at);
        putRecord(out, uint16_t(at & 0xFFFF), 0, bytes.substr(at, n));
    }
    putRecord(out, 0, 1, {});
    return out;
}

} // namespace zerka
