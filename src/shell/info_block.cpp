#include "shell/info_block.h"

#include "chip/chip_model.h"
#include "core/atomic_file.h"

namespace zerka {

namespace {

// Stores the words of `file` (high byte first) after skipping `skip` words, from index `from`
// until index `until`. Returns the index after the last stored word.
size_t copyWords(InformationBlock& block, const std::filesystem::path& file, uint64_t skip,
                 size_t from, size_t until) {
    std::string bytes;
    if (!readFileBytes(file, bytes)) return from;
    const uint64_t words = bytes.size() / 2;
    size_t at = from;
    for (uint64_t w = skip; w < words && at < until; ++w, ++at)
        block[at] =
            uint16_t(uint8_t(bytes[size_t(w * 2)]) << 8 | uint8_t(bytes[size_t(w * 2 + 1)]));
    return at;
}

} // namespace

void fillInformationBlock(InformationBlock& block, const ChipModel& chip,
                          const InfoBlockOptions& options, const std::filesystem::path& dir) {
    copyWords(block, dir / (chip.coreVariant == 1 ? "InformationB.ifo" : "InformationA.ifo"),
              chip.sbmBankWords, 0, 128);
    size_t d = copyWords(block, dir / "Information.ifo", uint64_t(chip.sbmSector) * 128, 128, 240);

    const auto& rom = chip.sbmRom;
    uint16_t stub[12] = {uint16_t(rom[0] + 0x0600),
                         0x6600,
                         uint16_t(rom[1] + 0x0600),
                         0x6601,
                         uint16_t(rom[2] + 0x0600),
                         0x6602,
                         uint16_t(rom[3] + 0x0600),
                         0x6603,
                         uint16_t((options.stackOverStop ? rom[4] : (rom[4] & ~0x04)) + 0x0600),
                         0x6604,
                         0,
                         0};
    const uint16_t start = uint16_t(chip.sbmStart & 0xFF);
    if (rom[0] & 0x80) {
        stub[10] = uint16_t(0x7800 + start);
        stub[11] = 0x0000;
    } else {
        stub[10] = 0xC200;
        stub[11] = uint16_t(0xF000 + start);
    }
    for (uint16_t w : stub) {
        if (d >= block.size()) break;
        block[d++] = w;
    }

    if (chip.stackOverResetAvailable) {
        const uint8_t m = uint8_t(1u << (chip.stackOver.bit & 7));
        const uint16_t a = chip.stackOver.address & 0xFF;
        if (options.stackOverReset) {
            block[112] = uint16_t(0x0600 + m);
            block[113] = uint16_t(0x2E00 + a);
        } else {
            block[112] = uint16_t(0x0600 + (m ^ 0xFF));
            block[113] = uint16_t(0x2A00 + a);
        }
    } else {
        block[112] = 0;
        block[113] = 0;
    }
}

void fillCalibrationBlock(InformationBlock& block, ChipModel& chip, const CalibrationBlockInputs& in) {
    if (!chip.hasHao) chip.hao.w7 = uint16_t(chip.sbmStart);
    if (chip.hao.w3 == 0) chip.hao.w3 = 8;
    const HaoConstants& h = chip.hao;
    std::array<uint8_t, 44> b{};
    auto be32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
    };
    b[0] = (in.enHao || in.enShao || in.enSlao) ? 0x27 : 0x00;
    b[1] = 0x0B;
    be32(2, in.targetFrequency);
    b[6] = in.permissibleError;
    b[7] = 0;
    be32(8, h.w4);
    b[12] = h.w2;
    b[13] = h.w3;
    b[14] = uint8_t(h.w7);
    b[15] = uint8_t(in.modeCode);
    for (int i = 0; i < 4; ++i)
        b[16 + size_t(i)] = uint8_t(in.lowPowerFrequency >> (8 * i));
    b[20] = 0xFF, b[21] = 0x06, b[22] = 0xFF, b[23] = 0xFF;
    b[24] = in.enHao ? uint8_t(h.w1) : 0xFF;
    b[25] = in.enHao ? 0x66 : 0xFF;
    b[26] = chip.mckcnBit.address, b[27] = uint8_t(chip.mckcnBit.bitCode + 0x90);
    b[28] = chip.triscBit.address, b[29] = uint8_t(chip.triscBit.bitCode + 0x90);
    b[30] = uint8_t(chip.triscBit.address - 1), b[31] = uint8_t(chip.triscBit.bitCode + 0xE0);
    if (in.cx4a) {
        b[32] = 0xFE, b[33] = 0x7F;
    } else {
        b[32] = uint8_t(uint8_t(h.w7) + 5), b[33] = 0x78;
    }
    const int m = in.modeCode;
    const bool high = m == 1 || m == 3 || m == 4 || m == 6;
    const bool low = m == 2 || m == 3 || m == 5 || m == 6;
    const uint8_t hi[4] = {0xFF, 0x06, 0xFF, 0x66}, lo[4] = {0xFF, 0x06, 0xFE, 0x66};
    for (size_t i = 0; i < 4; ++i) {
        b[34 + i] = high ? hi[i] : 0xFF;
        b[38 + i] = low ? lo[i] : 0xFF;
    }
    // b42 and b43 get no value: word 229 carries 0.
    for (size_t k = 0; k < 22; ++k)
        block[208 + k] = uint16_t(b[2 * k] << 8 | b[2 * k + 1]);
}

} // namespace zerka
