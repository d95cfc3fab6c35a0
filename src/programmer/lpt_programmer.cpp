#include "programmer/lpt_programmer.h"

#include "core/text.h"
#include "link/programmer_protocol.h"
#include "programmer/programmer.h"

namespace zerka {

namespace {

std::string errorAt(uint32_t address) {
    return "Error at 0x" + hexText(address & 0xFFFF, 4) + "H";
}

std::optional<uint32_t> firstNot(std::span<const uint16_t> words, uint16_t value) {
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] != value) return static_cast<uint32_t>(i);
    return std::nullopt;
}

} // namespace

bool LptProgrammer::powerUp(const ChipModel& chip, MessageLog& log, const char* caption,
                            uint16_t& status) {
    lpt_.lptInit();
    lpt_.lptReset();
    exchange(kLptProgReadId);
    const uint16_t id = exchange(kLptProgReadStatus);
    status = exchange(kLptProgNothing);
    if (id != chip.chipId) {
        log.AddEntry(caption, 0, "Chip ID Error!!  Program Chip ID = 0x" + hexText(id, 4));
        powerDown();
        return false;
    }
    return true;
}

void LptProgrammer::select(bool sbm, uint32_t address) {
    exchange(sbm ? kLptProgSbmSpace : kLptProgCodeSpace);
    exchange(kLptProgSetAddress);
    exchange(static_cast<uint16_t>(address));
}

std::vector<uint16_t> LptProgrammer::readWords(bool sbm, uint32_t count) {
    select(sbm, 0);
    std::vector<uint16_t> words(count);
    if (count == 0) return words;
    exchange(kLptProgRead);
    for (uint32_t i = 1; i < count; ++i)
        words[i - 1] = exchange(kLptProgRead);
    words[count - 1] = exchange(kLptProgNothing);
    return words;
}

std::optional<uint32_t> LptProgrammer::burn(bool sbm, std::span<const uint16_t> words) {
    select(sbm, 0);
    std::optional<uint32_t> bad;
    for (size_t k = 0; k < words.size(); ++k) {
        const uint16_t after = exchange(kLptProgProgram);
        if (k > 0 && after != words[k - 1] && !bad) bad = static_cast<uint32_t>(k - 1);
        exchange(words[k]);
    }
    const uint16_t last = exchange(kLptProgNothing);
    if (!words.empty() && last != words.back() && !bad)
        bad = static_cast<uint32_t>(words.size() - 1);
    return bad;
}

bool LptProgrammer::blankCheck(const ChipModel& chip, MessageLog& log) {
    uint16_t status = 0;
    if (!powerUp(chip, log, "Blank", status)) return false;
    bool ok = status == 0xFFFF;
    if (!ok) log.AddEntry("Blank", 0, "Chip Blank Fail");
    if (ok) {
        const auto code = readWords(false, (chip.romWords / 256) * 256);
        if (const auto at = firstNot(code, 0xFFFF)) {
            log.AddEntry("Blank", 0, "Chip Blank Fail");
            log.AddEntry("Blank", 0, errorAt(*at));
            ok = false;
        } else {
            log.AddEntry("Blank", 0, "Chip Blank OK");
        }
    }
    if (ok) {
        ok = !firstNot(readWords(true, kSbmJobWords), 0xFFFF);
        log.AddEntry("Blank", 0, ok ? "SBM Blank OK" : "SBM Blank Fail");
    }
    powerDown();
    return ok;
}

bool LptProgrammer::loadImage(const ChipModel& chip, ProgrammerState& state, MessageLog& log) {
    const size_t words = (chip.romWords / 256) * 256;
    if (state.image.code.size() >= words) return true;
    std::error_code ec;
    if (state.programmerHexFile.empty() ||
        !std::filesystem::is_regular_file(state.programmerHexFile, ec) ||
        !readWordImage(state.programmerHexFile, words, state.image)) {
        log.AddEntry("ERROR", 0, "Programmer File not Found !!");
        return false;
    }
    return true;
}

bool LptProgrammer::program(const ChipModel& chip, ProgrammerState& state, MessageLog& log) {
    if (!loadImage(chip, state, log)) return false;
    uint16_t status = 0;
    if (!powerUp(chip, log, "Program", status)) return false;
    const InfoBlock& info = state.image.infoBlock;
    const std::span<const uint16_t> code(state.image.code.data(), (chip.romWords / 256) * 256);
    auto run = [&]() -> bool {
        if ((status & kChipStatusProtectBit) == 0) {
            log.AddEntry("Program", 0, "Chip Had been Protect!!");
            return false;
        }
        if (const auto bad = burn(false, code)) {
            log.AddEntry("Program", 0, "Program Chip Fail");
            log.AddEntry("Blank", 0, errorAt(*bad));
            return false;
        }
        log.AddEntry("Program", 0, "Program Chip OK");
        if (burn(true, std::span<const uint16_t>(info.data(), kSbmJobWords))) {
            log.AddEntry("Program", 0, "Program SBM Fail");
            return false;
        }
        log.AddEntry("Program", 0, "Program SBM OK");
        return verifyPowered(chip, state, log);
    };
    bool ok = run();
    // Protection as the image's word 127 asks for it (F7FEh).
    if (ok && (info[127] & kChipStatusProtectBit) == 0) {
        exchange(kLptProgProtect);
        if ((exchange(kLptProgNothing) & kChipStatusProtectBit) != 0) {
            log.AddEntry("Protect", 0, "Protect Fail");
            ok = false;
        }
    }
    powerDown();
    return ok;
}

bool LptProgrammer::verify(const ChipModel& chip, ProgrammerState& state, MessageLog& log) {
    if (!loadImage(chip, state, log)) return false;
    uint16_t status = 0;
    if (!powerUp(chip, log, "Verify", status)) return false;
    const bool ok = verifyPowered(chip, state, log);
    powerDown();
    return ok;
}

bool LptProgrammer::verifyPowered(const ChipModel& chip, ProgrammerState& state, MessageLog& log) {
    const uint32_t words = (chip.romWords / 256) * 256;
    const auto read = readWords(false, words);
    for (uint32_t k = 0; k < words; ++k) {
        if (read[k] != state.image.code[k]) {
            log.AddEntry("Verify", 0, "Verify Chip Fail");
            log.AddEntry("Blank", 0, errorAt(k));
            return false;
        }
    }
    log.AddEntry("Verify", 0, "Verify Chip OK");
    const auto sbm = readWords(true, kSbmJobWords);
    for (uint32_t i = 0; i < kSbmJobWords; ++i) {
        if (i >= kOwnInfoFirst && i <= kOwnInfoLast) continue;
        if (sbm[i] != state.image.infoBlock[i]) {
            log.AddEntry("Verify", 0, "Verify SBM Fail");
            return false;
        }
    }
    log.AddEntry("Verify", 0, "Verify SBM OK");
    return true;
}

} // namespace zerka
