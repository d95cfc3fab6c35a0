#pragma once
// Putting a word image (".hex") into the programmer's flash: the sector erase, the download of
// the code and the 256-word information block, and the read-back check.
#include "chip/chip_model.h"
#include "programmer/prog_link.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zerka {

using InfoBlock = std::array<uint16_t, 256>;

// The host's copy of what goes into the flash (the code buffer and the information block).
struct ProgrammerImage {
    std::vector<uint16_t> code;     // one word per program address
    std::vector<uint16_t> readBack; // what the flash gave back
    InfoBlock infoBlock{};
    InfoBlock infoReadBack{};
};

// Reads the file as big-endian words: `codeWords` code words, then information words from word
// 0 (at most 256). Words the file does not reach are FFFFh in the code and keep their value in
// the block. False when the file cannot be read.
bool readWordImage(const std::filesystem::path& file, size_t codeWords, ProgrammerImage& image);

// The bytes of the chip's word image: its code words, (`romWords` div 256) x 256, two
// bytes each, then the 256-word information block.
uint32_t wordImageBytes(const ChipModel& chip);

// The one check every path makes before it sends a word image towards the unit (the download
// command, Program and Auto, the programmer-mode build): the file must be exactly the chip's
// image (wordImageBytes) and its information word 109 must be the chip's identifier. Empty when
// it is; otherwise what is wrong, in words for the user.
std::string wordImageProblem(const std::filesystem::path& file, const ChipModel& chip);

// The sectors erased before a download; a code of more than 32 KB also needs the sector above
// the information block.
bool EraseProgrammerFlash(ProgLink& link, uint32_t codeBytes = 0);

struct DownloadResult {
    enum class Failure {
        None,
        NoFile,
        TooLong,
        Unreadable,
        FlashBusy,
        Transfer,
        CodeDiffers,
        InfoDiffers
    };
    bool ok = false;
    Failure failure = Failure::None;
    // A code word that read back differently: its address and both values, 4 hex digits each.
    std::string address;
    std::string expected;
    std::string read;
    uint16_t imageChecksum = 0; // word 123 as read back
};

// Why a download failed, in words for the user (empty for a success).
std::string downloadFailureText(const DownloadResult& result);

struct DownloadOptions {
    bool usb = true;       // interface index 4; otherwise only the file is read
    ProgressHook progress; // -1 hides the bar
};

DownloadResult DownloadImage(ProgLink* link, const std::filesystem::path& file, uint32_t codeBytes,
                             uint8_t sbmAddr, uint16_t chipId, ProgrammerImage& image,
                             const DownloadOptions& options = {});

// The second half of the information block as the download fills it (words 128 to 255).
void fillInfoSecondHalf(InfoBlock& info, const std::string& fullPath, uint32_t codeBytes,
                        uint8_t sbmAddr, uint16_t chipId);

} // namespace zerka
