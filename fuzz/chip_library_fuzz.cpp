// Arbitrary bytes as a chip library. Up to the first 0 byte: "ZkSel.INC"; after it: the
// description file that every entry resolves to. Without a 0 byte the whole input is the
// description of a fixed two-chip list. Loads every entry in both languages and with both
// emulator bodies, and searches the list by identifier.
#include "chip/chip_library.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

const fs::path& workDir() {
    // Never destroyed, so the exit handler below can still use it.
    static const fs::path* dir = [] {
        // Memory-backed when possible: millions of rewrites of the same files.
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "zerka-chip-fuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(workDir(), ignored);
        });
        return new fs::path(tmpl);
    }();
    return *dir;
}

void writeFile(const fs::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t zero = input.find('\0');
    const std::string_view list = zero == std::string_view::npos
                                      ? "V1.0\nA.INC A (1K)\nB.INC B (2K)\n"
                                      : input.substr(0, zero);
    const std::string_view description =
        zero == std::string_view::npos ? input : input.substr(zero + 1);

    const fs::path& dir = workDir();
    writeFile(dir / "ZkSel.INC", list);
    writeFile(dir / "A.INC", description);
    writeFile(dir / "b.inc", description);

    zerka::ChipLibrary library(dir);
    library.buildChipList();
    zerka::ChipModel model;
    zerka::ChipViewSelection view;
    zerka::LastSeenValues lastSeen;
    view.selectedRamBank = 3;
    view.selectedBitPage = 2;
    // From files: the first entries, alternating language and emulator body.
    const size_t chips = std::min<size_t>(library.entries().size(), 3);
    for (size_t i = 0; i < chips; ++i) {
        zerka::ChipLoadContext ctx;
        ctx.languageIndex = int(i % 2);
        ctx.iceBodyId = i % 2 ? 0x8024 : 0;
        ctx.programmerFirmware2 = i % 2 == 1;
        ctx.view = &view;
        ctx.lastSeen = &lastSeen;
        library.GetSELUP(int(i), model, ctx);
    }
    library.GetSELUP(int(size % 5) - 1, model);
    // In memory: the other language and body, over what the previous loads left.
    zerka::ChipLoadContext other;
    other.languageIndex = 1;
    other.iceBodyId = 0x8024;
    other.view = &view;
    zerka::loadChipDescription(description, model, other);
    for (const zerka::AnalogBlock* b : {&model.adc, &model.op, &model.cmp})
        for (const zerka::AnalogField& f : b->fields)
            (void)f.choiceCodes();
    library.FindChipById(model.chipId);
    return 0;
}
