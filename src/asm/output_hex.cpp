// The byte images: the ".hex" word image with its information block, and the ".EEH" image
// for the emulator's program-memory device.
#include <algorithm>

#include "asm/output_files.h"

namespace zerka {
namespace {

void putWord(std::string& out, uint16_t w) {
    out.push_back(char(w >> 8));
    out.push_back(char(w & 0xFF));
}

} // namespace

std::string hexImage(const ProgramImage& image, int32_t size, std::array<uint16_t, 256>& block,
                     const HexInformation& info) {
    std::string out;
    out.reserve(size_t(std::max(size, 0)) * 2 + 512);
    for (int32_t a = 0; a < size; ++a)
        putWord(out, image.word(a));

    block[109] = info.chipId;
    const uint16_t m = uint16_t((1u << (info.acmBit & 7)) & 0xFF);
    const uint16_t r = info.acmAddress & 0xFF;
    // "ACM = 1.0V" clears the ACM bit, 1.2 V sets it.
    const std::array<uint16_t, 2> clearPair = {uint16_t(0x0600 + (~m & 0xFF)),
                                               uint16_t(0x2A00 + r)};
    const std::array<uint16_t, 2> setPair = {uint16_t(0x0600 + m), uint16_t(0x2E00 + r)};
    std::array<uint16_t, 2> filePair{0, 0};
    std::array<uint16_t, 2> blockPair{0, 0};
    if (info.acmGroupEnabled) {
        filePair = info.acm10 ? clearPair : setPair;
        // A chip whose ACM bit works the other way round gets the other pair in the block.
        blockPair = !info.acmFlag ? filePair : (info.acm10 ? setPair : clearPair);
    }
    std::array<uint16_t, 14> words{};
    words[0] = filePair[0];
    words[1] = filePair[1];
    words[2] = uint16_t(0x7800 + (info.acmCount == 0 ? 7 : info.acmCount));
    words[5] = uint16_t(info.chipListVersion);
    words[6] = info.iceBodyId;
    words[9] = info.checksum;
    words[10] = 0x642E;
    words[11] = 0x01BF;
    words[12] = 0x662E;
    words[13] = info.programProtect ? 0xF7FE : 0xFFFE;
    for (size_t i = 0; i < words.size(); ++i)
        block[114 + i] = words[i];
    for (int i = 0; i < 256; ++i)
        putWord(out, block[size_t(i)]);
    block[114] = blockPair[0];
    block[115] = blockPair[1];
    return out;
}

std::string eehImage(const ProgramImage& image, int32_t size,
                     const std::array<uint16_t, 256>& block,
                     const std::array<uint16_t, 14>& runWords, uint8_t coreVariant) {
    constexpr int32_t kDeviceWords = 8192;
    std::string out;
    out.reserve(size_t(std::max(size, kDeviceWords)) * 2 + 256);
    for (int32_t a = 0; a < size; ++a)
        putWord(out, image.word(a));
    for (int32_t a = size; a < kDeviceWords; ++a)
        putWord(out, 0);
    for (int i = 0; i < 114; ++i)
        putWord(out, block[size_t(i)]);
    std::array<uint16_t, 14> words = runWords;
    words[2] = coreVariant == 1 ? 0x787F : 0x780A;
    words[10] = words[11] = words[12] = 0xFFFF;
    for (uint16_t w : words)
        putWord(out, w);
    return out;
}

} // namespace zerka
