#include "programmer/programmer.h"

#include "core/text.h"
#include "programmer/lpt_programmer.h"

#include <algorithm>

namespace zerka {

namespace {

constexpr const char* kBusyText = "ZK-IDE Buzy !!";
constexpr auto kBetweenJobs = std::chrono::milliseconds(200);
constexpr auto kAfterVerify = std::chrono::milliseconds(500);

std::string hex4(uint32_t v) {
    return hexText(v & 0xFFFF, 4);
}

} // namespace

Programmer::Programmer(ProgrammerEnv env)
    : env_(std::move(env)),
      link_(env_.usb, env_.wait ? env_.wait : clockWait(env_.yield), env_.now) {}

void Programmer::add(const std::string& caption, const std::string& text) {
    env_.log.AddEntry(caption, 0, text);
}

bool Programmer::beginFrame() {
    env_.log.ClearLog();
    env_.ui.busy(true);
    if (env_.reloadChip) env_.reloadChip();
    if (!env_.usbInterface) return true;
    if (!env_.usb.ensureConnected(env_.ui, env_.languageIndex)) {
        add("ERROR", connectErrorText(env_.languageIndex));
        env_.ui.busy(false);
        return false;
    }
    if (!link_.progTake()) {
        env_.ui.messageBox(MessageType::Error, kBusyText, Buttons::Cancel);
        endFrame();
        return false;
    }
    return true;
}

void Programmer::endFrame() {
    if (env_.usbInterface) link_.progRelease();
    env_.ui.busy(false);
    env_.ui.progress(-1);
}

bool Programmer::chipIdMatches(const std::string& caption, ChipIdReply& id) {
    const auto reply = link_.progReadChipId();
    if (!reply) {
        add("ERROR", "Chip Not Ready !!");
        return false;
    }
    id = *reply;
    if (id.id != env_.chip.chipId) {
        add(caption, "Chip ID Error!!  Program Chip ID = 0x" + hex4(id.id));
        return false;
    }
    return true;
}

bool Programmer::flashIdMatches(uint16_t id) {
    const FlashIdReply flash = link_.progReadFlashId();
    if (!flash.ok) {
        add("Blank", "Read Flash ID Error!!  Program Chip ID = 0x" + hex4(id));
        return false;
    }
    if (flash.flashId != id) {
        add("Blank", "Flash ID Different with Chip ID!!  Chip ID = 0x" + hex4(id) +
                         ";  Flash ID = 0x" + hex4(flash.flashId));
        return false;
    }
    return true;
}

void Programmer::errorReport() {
    const JobError e = link_.progJobError();
    if (!e.ok && e.flags == 0) return;
    if (e.flags & 0x10)
        add("Blank", "VPP Error");
    else if (e.flags & 0x20)
        add("Blank", "VDD Error");
    else if (e.ok)
        add("Blank", "Error at 0x" + hex4(e.errorAddress) + "H");
}

bool Programmer::calibrationEnabled(bool firmware2) const {
    if (!firmware2 || !env_.calibration || !env_.chip.hasHao) return false;
    return env_.calibration->inputs().hardware;
}

ProgOutcome Programmer::progBlank() {
    ProgOutcome out;
    if (!beginFrame()) return out;
    out.started = true;
    if (!env_.usbInterface) {
        out.success = env_.lpt && env_.lpt->blankCheck(env_.chip, env_.log);
        endFrame();
        return out;
    }
    ChipIdReply id;
    auto run = [&]() -> bool {
        if (!chipIdMatches("Blank", id)) return false;
        if (id.status != 0xFFFF) {
            add("Blank", "Chip Blank Fail");
            return false;
        }
        if (!flashIdMatches(id.id)) return false;
        const uint8_t result =
            link_.progRunJob(kJobBlank, mainCount(), [this](int p) { env_.ui.progress(p); });
        if (result != 0) {
            add("Blank", "Chip Blank Fail");
            if (result <= 3) errorReport();
            return false;
        }
        add("Blank", "Chip Blank OK");
        if (link_.progRunJob(kJobBlankSbm, kSbmJobWords) != 0) {
            add("Blank", "SBM Blank Fail");
            return false;
        }
        add("Blank", "SBM Blank OK");
        return true;
    };
    out.success = run();
    endFrame();
    return out;
}

// Program step 3: the flash gets the image again when its stored checksum is not the image's.
bool Programmer::downloadStale() {
    uint16_t stored[128] = {};
    if (!link_.readWords(kFlashInfoFirstHalf, stored)) {
        add("ERROR", "Programmer Not Ready !!");
        return false;
    }
    if (stored[123] == env_.state.imageChecksum) return true;
    const auto& file = env_.state.programmerHexFile;
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
        add("ERROR", "Programmer File not Found !!");
        return false;
    }
    const uint32_t codeBytes = (env_.chip.romWords / 256) * 512;
    // A flash only takes a new image after an erase.
    EraseProgrammerFlash(link_, codeBytes);
    DownloadOptions options;
    options.progress = [this](int p) { env_.ui.progress(p); };
    const DownloadResult r = DownloadImage(&link_, file, codeBytes, env_.chip.sbmAddr,
                                           env_.chip.chipId, env_.state.image, options);
    if (!r.ok) {
        add("Fail", file.string() + "   DownLoad Fail !!!");
        return false;
    }
    env_.state.imageChecksum = r.imageChecksum;
    return true;
}

ProgOutcome Programmer::programSequence(bool withBlank, const std::string& idCaption) {
    ProgOutcome out;
    if (!beginFrame()) return out;
    out.started = true;
    if (!env_.usbInterface) {
        out.success = env_.lpt && (!withBlank || env_.lpt->blankCheck(env_.chip, env_.log)) &&
                      env_.lpt->program(env_.chip, env_.state, env_.log);
        endFrame();
        return out;
    }
    auto progress = [this](int p) { env_.ui.progress(p); };
    auto run = [&]() -> bool {
        const bool firmware2 = link_.progFirmwareAtLeast2();
        std::optional<CalibrationOutcome> calibration;
        // "Enable H/W Calibration" takes its saved state before every run.
        if (firmware2 && env_.calibration) env_.calibration->restoreSavedSwitch();
        if (calibrationEnabled(firmware2)) {
            calibration = runCalibrationJob(link_, env_.log);
            if (!calibration->proceed) return false;
        }
        if (!downloadStale()) return false;
        ChipIdReply id;
        if (!chipIdMatches(idCaption, id)) return false;
        if (id.protectedChip()) {
            add("Program", "Chip Had been Protect!!");
            return false;
        }
        if (!flashIdMatches(id.id)) return false;
        if (withBlank) {
            const uint8_t blank = link_.progRunJob(kJobBlank, mainCount(), progress);
            if (blank != 0) {
                add("Blank", "Chip Blank Fail");
                if (blank <= 3) errorReport();
                return false;
            }
            add("Blank", "Chip Blank OK");
            if (link_.progRunJob(kJobBlankSbm, kSbmJobWords) != 0) {
                add("Blank", "SBM Blank Fail");
                return false;
            }
            add("Blank", "SBM Blank OK");
        }
        const uint8_t burned = link_.progRunJob(kJobProgram, mainCount(), progress);
        if (burned != 0) {
            add("Program", "Program Chip Fail");
            if (burned <= 3) errorReport();
            return false;
        }
        add("Program", "Program Chip OK");
        link_.wait(kBetweenJobs);
        if (link_.progRunJob(kJobProgramSbm, kSbmJobWords) != 0) {
            add("Program", "Program SBM Fail");
            return false;
        }
        add("Program", "Program SBM OK");
        link_.wait(kBetweenJobs);
        const uint8_t verified = link_.progRunJob(kJobVerify, mainCount(), progress);
        if (verified != 0) {
            add("Verify", "Verify Chip Fail");
            if (verified <= 3) errorReport();
            return false;
        }
        add("Verify", "Verify Chip OK");
        link_.wait(kBetweenJobs);
        if (link_.progRunJob(kJobVerifySbm, kSbmJobWords) != 0) {
            add("Verify", "Verify SBM Fail");
            return false;
        }
        add("Verify", "Verify SBM OK");
        bool ok = true;
        if (link_.progRunJob(kJobProtect, 1) != 0) {
            add("Protect", "Protect Fail");
            ok = false;
        }
        if (calibration && calibration->ran) {
            IoBuffer& b = env_.usb.ioBuffer;
            b[0] = 0xB8;
            b[1] = 0x80;
            b[2] = calibration->flags;
            link_.exchange(3, 10);
        }
        return ok;
    };
    out.success = run();
    endFrame();
    return out;
}

ProgOutcome Programmer::progProgram() {
    return programSequence(false, "Program");
}

ProgOutcome Programmer::progAuto() {
    return programSequence(true, "Auto");
}

ProgOutcome Programmer::progVerify() {
    ProgOutcome out;
    if (!beginFrame()) return out;
    out.started = true;
    if (!env_.usbInterface) {
        out.success = env_.lpt && env_.lpt->verify(env_.chip, env_.state, env_.log);
        endFrame();
        return out;
    }
    auto run = [&]() -> bool {
        env_.ui.progress(0);
        const uint8_t result =
            link_.progRunJob(kJobVerify, mainCount(), [this](int p) { env_.ui.progress(p); });
        env_.ui.progress(-1);
        link_.wait(kAfterVerify);
        ChipIdReply id;
        if (!chipIdMatches("Verify", id)) return false;
        if (!flashIdMatches(id.id)) return false;
        if (id.protectedChip()) {
            add("Verify", "Chip Had been Protect!!");
            return false;
        }
        if (result != 0) {
            add("Verify", "Verify Chip Fail");
            if (result <= 3) errorReport();
            return false;
        }
        add("Verify", "Verify Chip OK");
        // The SBM words the image sets, from the information block kept with it.
        uint16_t second[128] = {}, chip[128] = {}, first[128] = {};
        bool same = link_.readWords(kFlashInfoSecondHalf, second) && link_.chipRead(0x4000, chip) &&
                    link_.readWords(kFlashInfoFirstHalf, first);
        const uint32_t from = (second[116] >> 1) & 0x7F;
        const uint32_t n = second[117] >> 8;
        for (uint32_t i = from; same && i <= from + n && i < 128; ++i) {
            if (i >= 109 && i <= 111) continue;
            same = chip[i] == first[i];
        }
        add("Verify", same ? "Verify SBM OK" : "Verify SBM Fail");
        return same;
    };
    out.success = run();
    endFrame();
    return out;
}

} // namespace zerka
