#include "programmer/flash_download.h"

#include "core/atomic_file.h"
#include "core/checksum.h"
#include "core/text.h"

#include <algorithm>

namespace zerka {

namespace {

constexpr uint32_t kBlockWords = 128;
constexpr uint32_t kSectors[] = {0x0000, 0x1000, 0x3000, 0x7000, 0xF000};
constexpr uint32_t kUpperSector = 0x10000;
constexpr uint32_t kLowCodeBytes = 2 * kFlashLowCodeWords;

std::vector<uint8_t> bigEndian(std::span<const uint16_t> words) {
    std::vector<uint8_t> bytes(words.size() * 2);
    for (size_t i = 0; i < words.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(words[i] >> 8);
        bytes[2 * i + 1] = static_cast<uint8_t>(words[i]);
    }
    return bytes;
}

DownloadResult failed(DownloadResult::Failure why) {
    DownloadResult r;
    r.failure = why;
    return r;
}

std::string chipName(const ChipModel& chip) {
    return chip.productName.empty() ? "the chip (identifier " + hexText(chip.chipId, 4) + "h)"
                                    : chip.productName;
}

} // namespace

uint32_t wordImageBytes(const ChipModel& chip) {
    return (chip.romWords / 256) * 512 + 512;
}

std::string wordImageProblem(const std::filesystem::path& file, const ChipModel& chip) {
    const std::string name = file.string();
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return "no file " + name;
    if (!std::filesystem::is_regular_file(file, ec)) return name + " is not a word image file";
    std::string bytes;
    if (!readFileBytes(file, bytes)) return "cannot read " + name;
    const uint32_t codeWords = (chip.romWords / 256) * 256;
    const uint32_t expected = wordImageBytes(chip);
    const std::string size = std::to_string(expected) + " bytes (" + std::to_string(codeWords) +
                             " code words and the 256-word information block)";
    if (bytes.empty())
        return name + " is empty: a word image for " + chipName(chip) + " holds " + size;
    if (bytes.size() != expected)
        return name + " holds " + std::to_string(bytes.size()) + " bytes, but a word image for " +
               chipName(chip) + " holds " + size;
    const size_t at = 2 * (size_t(codeWords) + 109);
    const uint16_t id = static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) << 8 |
                                              static_cast<uint8_t>(bytes[at + 1]));
    if (id != chip.chipId)
        return name + " is an image for the chip with identifier " + hexText(id, 4) +
               "h (information word 109), not for " + chipName(chip) + " (" +
               hexText(chip.chipId, 4) + "h)";
    return {};
}

std::string downloadFailureText(const DownloadResult& r) {
    using Failure = DownloadResult::Failure;
    switch (r.failure) {
    case Failure::None:
        return {};
    case Failure::NoFile:
        return "the word image file does not exist";
    case Failure::TooLong:
        return "the word image file is larger than the chip's image";
    case Failure::Unreadable:
        return "the word image file cannot be read";
    case Failure::FlashBusy:
        return "the programmer's flash stayed busy for more than 5 seconds";
    case Failure::Transfer:
        return "a transfer to the programmer failed";
    case Failure::CodeDiffers:
        return "the code word at " + r.address + "h read back as " + r.read + ", not " + r.expected;
    case Failure::InfoDiffers:
        return "the information block did not read back as written";
    }
    return {};
}

bool readWordImage(const std::filesystem::path& file, size_t codeWords, ProgrammerImage& image) {
    std::string bytes;
    if (!readFileBytes(file, bytes)) return false;
    image.code.assign(codeWords, 0xFFFF);
    const size_t words = bytes.size() / 2;
    auto word = [&bytes](size_t i) {
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * i]) << 8 |
                                     static_cast<uint8_t>(bytes[2 * i + 1]));
    };
    for (size_t i = 0; i < std::min(words, codeWords); ++i)
        image.code[i] = word(i);
    for (size_t i = codeWords; i < words && i - codeWords < image.infoBlock.size(); ++i)
        image.infoBlock[i - codeWords] = word(i);
    return true;
}

bool EraseProgrammerFlash(ProgLink& link, uint32_t codeBytes) {
    std::vector<uint32_t> sectors(std::begin(kSectors), std::end(kSectors));
    if (codeBytes > kLowCodeBytes) sectors.push_back(kUpperSector);
    bool ok = true;
    for (uint32_t a : sectors) {
        ok = link.waitFlashReady() && ok;
        ok = link.flashWriteEnable() && ok;
        ok = link.flashErase(a) && ok;
    }
    ok = link.waitFlashReady() && ok;
    return link.flashWriteEnable() && ok;
}

void fillInfoSecondHalf(InfoBlock& info, const std::string& fullPath, uint32_t codeBytes,
                        uint8_t sbmAddr, uint16_t chipId) {
    Checksum16 sum;
    for (size_t i = 0; i < 128; ++i)
        sum.addWord(info[i]);
    std::fill(info.begin() + 128, info.begin() + 240, 0);
    for (size_t c = 0; c < fullPath.size() && c < 2 * 112; ++c) {
        const uint16_t ch = static_cast<uint8_t>(fullPath[c]);
        info[128 + c / 2] |= static_cast<uint16_t>(c % 2 == 0 ? ch << 8 : ch);
    }
    info[240] = 0;
    info[241] = static_cast<uint16_t>(codeBytes / 2);
    info[242] = chipId;
    info[243] = info[127];
    info[244] = static_cast<uint16_t>(sbmAddr * 2 - 0x8000);
    info[245] = static_cast<uint16_t>(0x7FFF - sbmAddr * 256);
    info[246] = info[123];
    info[247] = sum.value();
}

DownloadResult DownloadImage(ProgLink* link, const std::filesystem::path& file, uint32_t codeBytes,
                             uint8_t sbmAddr, uint16_t chipId, ProgrammerImage& image,
                             const DownloadOptions& options) {
    using Failure = DownloadResult::Failure;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return failed(Failure::NoFile);
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size > uint64_t(codeBytes) + 512) return failed(Failure::TooLong);
    const size_t codeWords = codeBytes / 2;
    if (!readWordImage(file, codeWords, image)) return failed(Failure::Unreadable);
    if (!options.usb || !link) {
        DownloadResult r;
        r.ok = true;
        r.imageChecksum = image.infoBlock[123];
        return r;
    }
    auto progress = [&options](int percent) {
        if (options.progress) options.progress(percent);
    };
    progress(0);
    auto ready = [link] { return link->waitFlashReady() && link->flashWriteEnable(); };
    if (!ready()) {
        progress(-1);
        return failed(Failure::FlashBusy);
    }
    for (uint32_t first = 0; first < codeWords; first += kBlockWords) {
        if (first > 0 && !ready()) {
            progress(-1);
            return failed(Failure::FlashBusy);
        }
        const uint32_t n = std::min<uint32_t>(kBlockWords, uint32_t(codeWords) - first);
        const auto bytes = bigEndian(std::span<const uint16_t>(image.code).subspan(first, n));
        if (!link->blockWrite(flashCodeAddress(first), bytes)) {
            progress(-1);
            return failed(Failure::Transfer);
        }
        progress(static_cast<int>((first + kBlockWords) * 100 / codeWords));
    }
    progress(-1);
    if (!ready()) return failed(Failure::FlashBusy);
    if (!link->blockWrite(kFlashInfoFirstHalf,
                          bigEndian(std::span<const uint16_t>(image.infoBlock).first(128))))
        return failed(Failure::Transfer);

    fillInfoSecondHalf(image.infoBlock, std::filesystem::absolute(file).string(), codeBytes,
                       sbmAddr, chipId);
    if (!ready()) return failed(Failure::FlashBusy);
    if (!link->blockWrite(kFlashInfoSecondHalf,
                          bigEndian(std::span<const uint16_t>(image.infoBlock).last(128))))
        return failed(Failure::Transfer);

    if (!link->waitFlashReady()) return failed(Failure::FlashBusy);
    // The code reads back in one piece below the information block and one above it.
    std::vector<uint8_t> back(codeBytes);
    const uint32_t low = std::min(codeBytes, kLowCodeBytes);
    progress(0);
    bool read = link->blockRead(0, std::span<uint8_t>(back).first(low), progress, 0, codeBytes);
    if (read && codeBytes > low)
        read = link->blockRead(flashCodeAddress(low / 2), std::span<uint8_t>(back).subspan(low),
                               progress, low, codeBytes);
    progress(-1);
    if (!read) return failed(Failure::Transfer);
    image.readBack.resize(codeWords);
    for (size_t k = 0; k < codeWords; ++k) {
        image.readBack[k] = static_cast<uint16_t>(back[2 * k] << 8 | back[2 * k + 1]);
        if (image.readBack[k] != image.code[k]) {
            DownloadResult r = failed(Failure::CodeDiffers);
            r.address = hexText(static_cast<uint32_t>(k), 4);
            r.expected = hexText(image.code[k], 4);
            r.read = hexText(image.readBack[k], 4);
            return r;
        }
    }
    if (!link->readWords(kFlashInfoFirstHalf, std::span<uint16_t>(image.infoReadBack).first(128)))
        return failed(Failure::Transfer);
    if (!std::equal(image.infoBlock.begin(), image.infoBlock.begin() + 128,
                    image.infoReadBack.begin()))
        return failed(Failure::InfoDiffers);
    DownloadResult r;
    r.imageChecksum = image.infoReadBack[123];
    if (!link->readWords(kFlashInfoSecondHalf, std::span<uint16_t>(image.infoReadBack).last(128)))
        return failed(Failure::Transfer);
    if (!std::equal(image.infoBlock.begin() + 128, image.infoBlock.end(),
                    image.infoReadBack.begin() + 128))
        return failed(Failure::InfoDiffers);
    // The block goes back to the file's own information words.
    readWordImage(file, codeWords, image);
    r.ok = true;
    return r;
}

} // namespace zerka
