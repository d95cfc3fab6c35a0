// Arbitrary bytes as a "ZkSRAM.CSV" file, read into a record with room for 0 to 1,024 entries
// (chosen by the first byte). Whatever parses stays within the room and the data memory, and
// survives a write and a second read unchanged.
#include "views/sram_csv.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t room = size ? (size_t(data[0]) * 8) % (zerka::TRegRecord::kCapacity + 1) : 1024;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    bool more = false;
    auto parsed = zerka::parseSramCsv(text, room, &more, &error);
    if (!parsed) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (parsed->size() > room) __builtin_trap();
    for (const auto& e : *parsed)
        if (e.address >= 4096 || e.name.size() > zerka::TRegRecord::kNameLength) __builtin_trap();
    bool moreAgain = true;
    auto again = zerka::parseSramCsv(zerka::formatSramCsv(*parsed), zerka::TRegRecord::kCapacity,
                                     &moreAgain, nullptr);
    if (!again || *again != *parsed || moreAgain) __builtin_trap();
    return 0;
}
