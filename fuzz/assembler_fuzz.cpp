// Arbitrary bytes as the main source file through the whole assembler: reading, expansion, the
// encoding pass, the smart compiler, the checks after the passes and every output file, in a
// temporary folder that also holds an include file and an object module.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include "asm/assembler.h"
#include "chip/chip_model.h"
#include "upcentre/core/instruction_set.h"

namespace {
namespace fs = std::filesystem;

void writeFile(const fs::path& p, std::string_view content) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(content.data(), std::streamsize(content.size()));
}

struct FuzzFolder {
    fs::path root;
    zerka::InstructionSet cx4a{zerka::CoreType::CX4A};
    zerka::InstructionSet cx4b{zerka::CoreType::CX4B};

    FuzzFolder() {
        // Every execution writes the output files: keep them in memory when the system can.
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "zerka-asmfuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl;
        writeFile(root / "A.INC", "WAIT MACRO N\nL1: DCSZ N, 1, 0\n RJ L1\n ENDM\nK EQU 5\n");
        const std::string none = std::string("\x8D") + "0000";
        writeFile(root / "LIB.OBJ", std::string("\x84") + "L0005START" + "\x85\x86" + "00000000" +
                                        "\x87" + "\x89" + "03EXT" + "\x8A\x8B" + "00000000" +
                                        "\x8C" + "\x80" + "00000001" + "\x81" + "\x82" + "\x8E" +
                                        "   1" + none + none + "0612" + "\x90" + "   1" + none +
                                        none + "7812" + "\x88");
    }
    ~FuzzFolder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFolder folder;
    const fs::path main = folder.root / "MAIN.ASM";
    writeFile(main, std::string_view(reinterpret_cast<const char*>(data), size));

    // The first byte picks the core, the chip's size and the options.
    const uint8_t pick = size > 0 ? data[0] : 0;
    zerka::ChipModel chip;
    chip.coreVariant = pick & 1;
    chip.chipId = (pick & 2) ? 0x71 : 0x21;
    chip.romWords = (pick & 4) ? 2560 : 512;
    chip.selfEromMode = (pick >> 3) & 1;
    chip.selfEromPage = 0x60;
    for (size_t a = 0; a < 0x200; ++a)
        chip.implementedBits[a] = (a % 7) ? 0xFF : 0x0F;

    zerka::AssemblyOptions options;
    options.mode =
        (pick & 16) ? zerka::AssemblyMode::AssembleOnly : zerka::AssemblyMode::BuildAndLoad;
    options.asciiFile = options.objectFile = options.eehFile = true;
    options.fill = zerka::ImageFill((pick >> 5) % 3);
    options.smartCompiler = true;
    options.optimization = (pick & 128) != 0;
    options.wdtJmp0 = true;
    options.acmGroupEnabled = true;

    zerka::AssemblyContext ctx;
    ctx.chip = &chip;
    ctx.instructions = chip.coreVariant ? &folder.cx4b : &folder.cx4a;
    ctx.includeRoot = folder.root;
    ctx.maxLines = 20000;
    const zerka::AssemblyResult r = zerka::Assemble(main, ctx, options);
    if (r.success && r.errorCount != 0) std::abort(); // a failure must never pass as success
    return 0;
}
