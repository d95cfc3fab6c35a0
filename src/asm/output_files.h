#pragma once
// The assembler's output files as byte strings: listing, map, ASCII dump, ".hex" word image,
// ".EEH" emulator image and object module. The driver writes them beside the main file.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/line_pack.h"
#include "asm/program_image.h"
#include "asm/source_line.h"
#include "asm/symbol_tables.h"

namespace zerka {

class InstructionSet;
struct ChipModel;

// The lines of a list by sequence number (index 0 unused), for the cells' writers.
class LineIndex {
  public:
    LineIndex() = default;
    explicit LineIndex(const TLinePack& lines);
    const SourceLine* find(uint32_t sequence) const {
        return sequence < byNumber_.size() ? byNumber_[sequence] : nullptr;
    }

  private:
    std::vector<const SourceLine*> byNumber_;
};

// The listing: `mainText` is the main file as it is on disk (read again for the lines that
// were not stored).
std::string listingText(const TLinePack& lines, std::string_view mainText,
                        const ProgramImage& image);

// The symbol map: the debugger table, the local labels and the labels of included objects.
std::string mapText(const SymbolTables& tables);

// The ASCII dump of addresses 0 .. size - 1.
std::string asciiText(const ProgramImage& image, int32_t size, const LineIndex& lines);

// The values of information words 114..127 that the ".hex" file and the ".EEH" image need.
struct HexInformation {
    uint16_t chipId = 0;
    uint8_t coreVariant = 0;
    bool acmGroupEnabled = false;
    bool acm10 = true;
    uint16_t acmAddress = 0;
    uint8_t acmBit = 0;
    bool acmFlag = false;
    int32_t acmCount = 7;
    uint32_t chipListVersion = 0;
    uint16_t iceBodyId = 0;
    uint16_t checksum = 0;
    bool programProtect = false;
};

// The ".hex" word image: code words 0 .. size - 1, then the 256-word information block.
// Word 109 of `block` becomes chipId and words 114..127 are computed and stored back into it.
std::string hexImage(const ProgramImage& image, int32_t size, std::array<uint16_t, 256>& block,
                     const HexInformation& info);

// The ".EEH" image: code words padded with 0000h to 8192 words, then words 0..127 of the
// information block (114..127 as the run sets them, 116 and 124..126 for the device).
std::string eehImage(const ProgramImage& image, int32_t size,
                     const std::array<uint16_t, 256>& block,
                     const std::array<uint16_t, 14>& runWords, uint8_t coreVariant);

// `bytes` as Intel HEX from address 0: data records of 16 bytes, an extended linear address
// record at every 64 KiB boundary, and the end-of-file record. Upper-case digits, "\n" lines.
std::string intelHexText(std::string_view bytes);

// The object module: GLOBAL and EXTERN records, the header and one code record for every
// address 0 .. highest address reached.
std::string objectModule(const SymbolTables& tables, const ProgramImage& image,
                         const LineIndex& lines);

} // namespace zerka
