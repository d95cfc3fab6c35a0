#include "core/atomic_file.h"
#include "core/number.h"
#include "core/text.h"
#include "programmer/programmer.h"

#include <algorithm>
#include <sstream>

namespace zerka {

namespace {

// w1 of the first non-empty line after each keyword of a description file.
struct TableValues {
    std::optional<std::string> product, id, rom;
};

TableValues scanDescription(const std::string& text) {
    TableValues v;
    std::istringstream in(text);
    std::string line;
    std::optional<std::string>* waiting = nullptr;
    while (std::getline(in, line)) {
        std::istringstream words(std::string(stripCarriageReturn(line)));
        std::string w1;
        if (!(words >> w1)) continue;
        if (waiting) {
            if (!*waiting) *waiting = w1;
            waiting = nullptr;
            continue;
        }
        const std::string key = toUpperAscii(w1);
        if (key == "#PRODUCT")
            waiting = &v.product;
        else if (key == "#ID")
            waiting = &v.id;
        else if (key == "#ROM")
            waiting = &v.rom;
    }
    return v;
}

} // namespace

std::vector<ChipTableEntry> buildChipTable(const ChipLibrary& library) {
    std::vector<ChipTableEntry> table;
    for (const ChipEntry& e : library.entries()) {
        const auto path = library.resolveFile(e.fileName);
        std::string text;
        if (!path || !readFileBytes(*path, text)) continue;
        const TableValues v = scanDescription(text);
        ChipTableEntry t;
        t.name = v.product.value_or("");
        t.id = static_cast<uint16_t>(v.id ? parseNumber(*v.id).value_or(0) : 0);
        const int32_t rom = v.rom ? parseNumber(*v.rom).value_or(0) : 0;
        t.words = rom < 256 ? 4096 : static_cast<uint32_t>(std::min(rom, 32768));
        table.push_back(t);
    }
    return table;
}

ProgOutcome Programmer::progRead(ChipReadResult& out) {
    ProgOutcome outcome;
    out = {};
    std::vector<ChipTableEntry> table;
    const bool haveList = env_.library && env_.library->chipListFound();
    if (haveList) table = buildChipTable(*env_.library);
    env_.log.ClearLog();
    link_.clearLinkLost();
    lostReported_ = false;
    bool taken = false;
    auto finish = [&] {
        // A read cut short by a lost link says so.
        if (outcome.started && !outcome.success) reportLinkLost();
        if (taken) link_.progRelease();
        env_.ui.progress(-1);
        env_.ui.busy(false);
        env_.log.BringToFront();
        return outcome;
    };
    if (!haveList) return finish();
    if (env_.usbInterface) {
        if (!takeProgrammer()) return finish();
        taken = true;
    } else {
        // The parallel-port programmer has no chip read.
        return finish();
    }
    outcome.started = true;
    env_.ui.busy(true);
    env_.ui.progress(0);
    const bool display = link_.hasDisplay();
    auto show = [&](const char* text) {
        if (display) link_.progShow(text);
    };
    show("OTP Chip Code Reading...        ");
    const auto id = link_.progReadChipId();
    if (!id) {
        fail("ERROR", "Chip Not Ready !!");
        show("Chip Not Ready !!               ");
        return finish();
    }
    if (id->protectedChip()) add("Read", "Code had been protected !!");
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [&](const ChipTableEntry& t) { return t.id == id->id; });
    if (entry == table.end()) {
        add("ERROR", "Chip Not Ready !! ");
        env_.ui.messageBox(MessageType::Error, "Chip Not Ready !!", Buttons::Cancel);
        return finish();
    }
    out.found = true;
    out.chipName = entry->name;
    add("Read", "OTP Chip is " + entry->name);
    out.program.assign(entry->words, 0xFFFF);
    if (!link_.chipRead(0, out.program, [this](int p) { env_.ui.progress(p); })) return finish();
    const size_t shown = std::min<size_t>(out.program.size(), (env_.chip.romWords / 256) * 256);
    const bool programBlank =
        std::all_of(out.program.begin(), out.program.begin() + static_cast<long>(shown),
                    [](uint16_t w) { return w == 0xFFFF; });
    uint16_t tail[4] = {};
    if (!link_.chipRead(0x407B, tail)) return finish();
    show("OTP Chip Code Read OK           ");
    outcome.success = true;
    const uint8_t low = id->statusLow();
    if (low & 0x08) {
        const char* checksum = nullptr;
        uint16_t value = 0;
        if (!(low & 0x04)) {
            value = tail[2];
            checksum = "";
        } else if (!(low & 0x02)) {
            value = tail[1];
            checksum = "";
        } else if (!(low & 0x01)) {
            value = tail[0];
            checksum = "";
        }
        if (checksum) {
            add("Read", "Read Checksum = 0x" + hexText(value, 4));
        } else {
            uint16_t sbm[128] = {};
            const bool read = link_.chipRead(kChipSbmAddress, sbm);
            out.allBlank =
                read && programBlank &&
                std::all_of(std::begin(sbm), std::end(sbm), [](uint16_t w) { return w == 0xFFFF; });
            if (out.allBlank) {
                add("Read", "OTP Chip Empty");
                show("OTP Chip Empty !!               ");
            } else {
                add("Read", "Read SBM Fail");
                show("Read SBM Fail !!                ");
            }
        }
    }
    out.bieWords.assign(size_t(std::min<uint32_t>(env_.chip.bieBank, 256)) * 16, 0xFFFF);
    if (!out.bieWords.empty()) link_.chipRead(kChipSbmAddress, out.bieWords);
    uint16_t info[18] = {};
    if (link_.chipRead(0x406D, info)) {
        if (info[114 - 109] == 0x067F) out.acmSelection = 0;
        if (info[114 - 109] == 0x0680) out.acmSelection = 1;
    }
    return finish();
}

} // namespace zerka
