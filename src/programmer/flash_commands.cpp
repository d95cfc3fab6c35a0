#include "core/text.h"
#include "programmer/prog_settings.h"
#include "programmer/programmer.h"

#include <algorithm>

namespace zerka {

ProgOutcome Programmer::DownloadCommand(const std::filesystem::path& file) {
    ProgOutcome out;
    const uint32_t codeBytes = (env_.chip.romWords / 256) * 512;
    env_.ui.busy(true);
    if (env_.reloadChip) env_.reloadChip();
    env_.log.ClearLog();
    env_.log.BringToFront();
    link_.clearLinkLost();
    lostReported_ = false;
    const std::string name = file.string();
    auto done = [&] {
        env_.ui.busy(false);
        env_.ui.progress(-1);
        return out;
    };
    // Everything is checked before the erase: a refused file costs the flash nothing.
    if (!imageAccepted(file) || !calibrationAccepted()) {
        add("Fail", name + "   Download Fail !!!");
        out.refused = true;
        return done();
    }
    if (!env_.usbInterface) {
        env_.state.programmerHexFile = file;
        const DownloadResult r = DownloadImage(nullptr, file, codeBytes, env_.chip.sbmAddr,
                                               env_.chip.chipId, env_.state.image, {false, {}});
        if (!r.ok) {
            reportDownloadFailure(r, "Fail", name + "   Download Fail !!!");
            return done();
        }
        add("OK", name + "   Read File OK");
        env_.state.imageChecksum = env_.state.image.infoBlock[123];
        env_.ui.statusText(name);
        out.started = out.success = true;
        return done();
    }
    if (!takeProgrammer()) return done();
    out.started = true;
    const DownloadResult r = eraseAndDownload(file, codeBytes);
    if (!r.ok) {
        reportDownloadFailure(r, "Fail", name + "   Download Fail !!!");
    } else {
        if (env_.calibration)
            env_.calibration->calSendSetup(link_, env_.log, link_.progFirmwareAtLeast2());
        env_.state.programmerHexFile = file;
        env_.state.imageChecksum = env_.state.image.infoBlock[123];
        add("OK", name + "   Download OK");
        env_.ui.statusText(name);
        ProgrammerSettingsCommands settings(link_);
        ProgrammerSettingsPage page;
        settings.ResetProgrammerSettings(page);
        out.success = true;
    }
    link_.progRelease();
    return done();
}

DownloadResult Programmer::eraseAndDownload(const std::filesystem::path& file, uint32_t codeBytes) {
    const bool display = link_.hasDisplay();
    if (display) link_.progShow("Erase Flash Memory...           ");
    EraseProgrammerFlash(link_, codeBytes);
    if (display) link_.progShow("Down Load to Flash memory...    ");
    DownloadOptions options;
    options.progress = [this](int p) { env_.ui.progress(p); };
    return DownloadImage(&link_, file, codeBytes, env_.chip.sbmAddr, env_.chip.chipId,
                         env_.state.image, options);
}

ProgOutcome Programmer::buildDownload(const std::filesystem::path& hexName, uint32_t codeBytes) {
    ProgOutcome out;
    const std::string name = hexName.string();
    link_.clearLinkLost();
    lostReported_ = false;
    // The image and the project's calibration values are checked before the unit is reached.
    if (const ProgOutcome checked = buildChecks(hexName); checked.refused) return checked;
    if (!env_.usb.ensureConnected(env_.ui, env_.languageIndex)) {
        add("ERROR", connectErrorText(env_.languageIndex));
        return out;
    }
    out.started = true;
    if (env_.calibration)
        env_.calibration->calSendSetup(link_, env_.log, link_.progFirmwareAtLeast2());
    const DownloadResult r = eraseAndDownload(hexName, codeBytes);
    env_.ui.progress(-1);
    if (r.ok) {
        env_.state.programmerHexFile = hexName;
        env_.state.imageChecksum = r.imageChecksum;
        add("OK", name + "   Download OK");
        out.success = true;
    } else {
        // A code word that differed is named by the Compiller line alone.
        reportDownloadFailure(r, "Fail",
                              r.failure == DownloadResult::Failure::CodeDiffers
                                  ? std::string()
                                  : name + "   Download Fail !!!");
    }
    return out;
}

ProgOutcome Programmer::buildChecks(const std::filesystem::path& hexName) {
    ProgOutcome out;
    if (imageAccepted(hexName) && calibrationAccepted()) {
        out.success = true;
    } else {
        add("Fail", hexName.string() + "   Download Fail !!!");
        out.refused = true;
    }
    return out;
}

ProgOutcome Programmer::ReadBackCommand(FlashReadBack& result) {
    ProgOutcome out;
    result = {};
    link_.clearLinkLost();
    lostReported_ = false;
    if (!env_.usbInterface) {
        env_.ui.messageBox(MessageType::Error, "Interface not USB !!", Buttons::Cancel);
        return out;
    }
    if (!takeProgrammer()) return out;
    out.started = true;
    env_.ui.busy(true);
    auto read = [&]() -> bool {
        uint16_t second[128] = {};
        uint16_t area[3] = {};
        uint16_t checksum[1] = {};
        if (!link_.readWords(kFlashInfoSecondHalf, second) ||
            !link_.readWords(kFlashIdArea, area) ||
            !link_.readWords(kFlashStoredChecksum, checksum))
            return fail("ERROR", "The programmer's flash did not answer the read");
        // An erased flash says FFFFh: the area names no code that fits the flash.
        const uint32_t start = area[0];
        const uint32_t count = area[1];
        if (count == 0 || start + count > kChipCodeWords)
            return fail("ERROR", "The programmer's flash holds no image (nothing was downloaded "
                                 "into it, or the download did not finish)");
        result.checksum = checksum[0];
        result.code.assign(count, 0xFFFF);
        std::vector<uint8_t> bytes(size_t(count) * 2);
        const uint32_t low =
            start < kFlashLowCodeWords ? std::min(count, kFlashLowCodeWords - start) : 0;
        auto progress = [this](int p) { env_.ui.progress(p); };
        env_.ui.progress(0);
        if (low &&
            !link_.blockRead(flashCodeAddress(start), std::span<uint8_t>(bytes).first(2 * low),
                             progress, 0, bytes.size()))
            return fail("ERROR", "The programmer's flash did not answer the read of the code");
        if (count > low && !link_.blockRead(flashCodeAddress(start + low),
                                            std::span<uint8_t>(bytes).subspan(2 * low), progress,
                                            2 * low, bytes.size()))
            return fail("ERROR", "The programmer's flash did not answer the read of the code");
        for (size_t k = 0; k < count; ++k)
            result.code[k] = static_cast<uint16_t>(bytes[2 * k] << 8 | bytes[2 * k + 1]);
        env_.ui.statusText("Checksum = 0x" + hexText(result.checksum, 4));
        return true;
    };
    result.ok = read();
    out.success = result.ok;
    link_.progRelease();
    env_.ui.progress(-1);
    env_.ui.busy(false);
    return out;
}

} // namespace zerka
