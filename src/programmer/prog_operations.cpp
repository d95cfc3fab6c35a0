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

void Programmer::prepareFrame() {
    env_.log.ClearLog();
    env_.ui.busy(true);
    if (env_.reloadChip) env_.reloadChip();
    link_.clearLinkLost();
    lostReported_ = false;
}

bool Programmer::takeProgrammer() {
    if (!env_.usb.ensureConnected(env_.ui, env_.languageIndex)) {
        add("ERROR", connectErrorText(env_.languageIndex));
        return false;
    }
    if (link_.progTake()) return true;
    // A unit that stopped answering is not a busy one.
    if (link_.linkLost())
        reportLinkLost();
    else
        env_.ui.messageBox(MessageType::Error, kBusyText, Buttons::Cancel);
    link_.progRelease();
    return false;
}

bool Programmer::connectFrame() {
    if (!env_.usbInterface) return true;
    if (takeProgrammer()) return true;
    env_.ui.busy(false);
    env_.ui.progress(-1);
    return false;
}

void Programmer::endFrame() {
    if (env_.usbInterface) link_.progRelease();
    env_.ui.busy(false);
    env_.ui.progress(-1);
}

bool Programmer::imageAccepted(const std::filesystem::path& file) {
    std::error_code ec;
    if (file.empty() || !std::filesystem::exists(file, ec)) return true;
    const std::string problem = wordImageProblem(file, env_.chip);
    if (problem.empty()) return true;
    add("ERROR", problem);
    return false;
}

bool Programmer::calibrationAccepted() {
    if (!env_.calibration) return true;
    const auto problem = env_.calibration->setupProblem();
    if (!problem) return true;
    add("ERROR", *problem);
    return false;
}

bool Programmer::fail(const std::string& caption, const std::string& text) {
    if (link_.linkLost())
        reportLinkLost();
    else
        add(caption, text);
    return false;
}

void Programmer::reportLinkLost() {
    if (lostReported_ || !link_.linkLost()) return;
    lostReported_ = true;
    add("ERROR", kLinkLostText);
}

void Programmer::reportDownloadFailure(const DownloadResult& r, const std::string& caption,
                                       const std::string& line) {
    if (link_.linkLost()) {
        reportLinkLost();
        return;
    }
    if (r.failure == DownloadResult::Failure::CodeDiffers)
        add("Compiller", "DownLoad Flash Memory Fail  address at  " + r.address +
                             ",  error data = " + r.expected + " --- " + r.read);
    else
        add("ERROR", downloadFailureText(r));
    if (!line.empty()) add(caption, line);
}

bool Programmer::chipIdMatches(const std::string& caption, ChipIdReply& id) {
    const auto reply = link_.progReadChipId();
    if (!reply) return fail("ERROR", "Chip Not Ready !!");
    id = *reply;
    if (id.id != env_.chip.chipId) {
        add(caption, "Chip ID Error!!  Program Chip ID = 0x" + hex4(id.id));
        return false;
    }
    return true;
}

bool Programmer::flashIdMatches(uint16_t id) {
    const FlashIdReply flash = link_.progReadFlashId();
    if (!flash.ok) return fail("Blank", "Read Flash ID Error!!  Program Chip ID = 0x" + hex4(id));
    if (flash.flashId != id) {
        add("Blank", "Flash ID Different with Chip ID!!  Chip ID = 0x" + hex4(id) +
                         ";  Flash ID = 0x" + hex4(flash.flashId));
        return false;
    }
    return true;
}

void Programmer::errorReport() {
    const JobError e = link_.progJobError();
    if (link_.linkLost() || (!e.ok && e.flags == 0)) return;
    if (e.flags & kJobVppError)
        add("Blank", "VPP Error");
    else if (e.flags & kJobVddError)
        add("Blank", "VDD Error");
    else if (e.ok)
        add("Blank", "Error at 0x" + hex4(e.errorAddress) + "H");
}

bool Programmer::calibrationEnabled(bool firmware2) const {
    if (!firmware2 || !env_.calibration || !env_.chip.hasHao) return false;
    return env_.calibration->inputs().hardware;
}

bool Programmer::mainJobDone(uint8_t result, const std::string& caption, const char* failText,
                             const char* okText) {
    if (result != 0) {
        fail(caption, failText);
        if (result <= 3) errorReport();
        return false;
    }
    add(caption, okText);
    return true;
}

bool Programmer::sbmJob(uint8_t job, const std::string& caption, const char* failText,
                        const char* okText) {
    if (link_.progRunJob(job, kSbmJobWords) != 0) return fail(caption, failText);
    add(caption, okText);
    return true;
}

bool Programmer::blankJobs() {
    return mainJobDone(
               link_.progRunJob(kJobBlank, mainCount(), [this](int p) { env_.ui.progress(p); }),
               "Blank", "Chip Blank Fail", "Chip Blank OK") &&
           sbmJob(kJobBlankSbm, "Blank", "SBM Blank Fail", "SBM Blank OK");
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
        if (id.status != 0xFFFF) return fail("Blank", "Chip Blank Fail");
        if (!flashIdMatches(id.id)) return false;
        return blankJobs();
    };
    out.success = run();
    if (!out.success) reportLinkLost();
    endFrame();
    return out;
}

// Program step 3: the flash gets the image again when its stored checksum is not the image's.
bool Programmer::downloadStale() {
    uint16_t stored[128] = {};
    if (!link_.readWords(kFlashInfoFirstHalf, stored))
        return fail("ERROR", "Programmer Not Ready !!");
    if (stored[123] == env_.state.imageChecksum) return true;
    const auto& file = env_.state.programmerHexFile;
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec))
        return fail("ERROR", "Programmer File not Found !!");
    // The image was checked before anything was sent (programSequence).
    const uint32_t codeBytes = (env_.chip.romWords / 256) * 512;
    // A flash only takes a new image after an erase.
    EraseProgrammerFlash(link_, codeBytes);
    DownloadOptions options;
    options.progress = [this](int p) { env_.ui.progress(p); };
    const DownloadResult r = DownloadImage(&link_, file, codeBytes, env_.chip.sbmAddr,
                                           env_.chip.chipId, env_.state.image, options);
    if (!r.ok) {
        reportDownloadFailure(r, "Fail", file.string() + "   DownLoad Fail !!!");
        return false;
    }
    env_.state.imageChecksum = r.imageChecksum;
    return true;
}

ProgOutcome Programmer::programSequence(bool withBlank, const std::string& idCaption) {
    ProgOutcome out;
    prepareFrame();
    // Nothing goes to the unit before the image (and the calibration the command line brings)
    // passed the checks.
    if (!imageAccepted(env_.state.programmerHexFile) ||
        (env_.sendCalibrationSetup && !calibrationAccepted())) {
        out.refused = true;
        env_.ui.busy(false);
        return out;
    }
    if (!connectFrame()) return out;
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
        if (env_.sendCalibrationSetup && env_.calibration) {
            const CalibrationInputs in = env_.calibration->inputs();
            if ((in.hardware || in.softwareHao || in.softwareLpo) && !firmware2)
                return fail("ERROR", "The programmer's firmware is older than 2.0: it cannot "
                                     "calibrate");
            if (firmware2 && !env_.calibration->calSendSetup(link_, env_.log, true))
                return fail("ERROR", "The programmer did not take the calibration set-up");
        }
        // The calibration job checks the chip against the image in the flash: a stale flash
        // gets the image first.
        if (!downloadStale()) return false;
        if (calibrationEnabled(firmware2)) {
            calibration = runCalibrationJob(link_, env_.log);
            if (link_.linkLost()) return false;
            if (!calibration->proceed) return false;
        }
        ChipIdReply id;
        if (!chipIdMatches(idCaption, id)) return false;
        if (id.protectedChip()) return fail("Program", "Chip Had been Protect!!");
        if (!flashIdMatches(id.id)) return false;
        if (withBlank && !blankJobs()) return false;
        if (!mainJobDone(link_.progRunJob(kJobProgram, mainCount(), progress), "Program",
                         "Program Chip Fail", "Program Chip OK"))
            return false;
        link_.wait(kBetweenJobs);
        if (!sbmJob(kJobProgramSbm, "Program", "Program SBM Fail", "Program SBM OK")) return false;
        link_.wait(kBetweenJobs);
        if (!mainJobDone(link_.progRunJob(kJobVerify, mainCount(), progress), "Verify",
                         "Verify Chip Fail", "Verify Chip OK"))
            return false;
        link_.wait(kBetweenJobs);
        if (!sbmJob(kJobVerifySbm, "Verify", "Verify SBM Fail", "Verify SBM OK")) return false;
        bool ok = true;
        if (link_.progRunJob(kJobProtect, 1) != 0) ok = fail("Protect", "Protect Fail");
        if (calibration && calibration->ran) {
            IoBuffer& b = env_.usb.ioBuffer;
            b[0] = kProgJob;
            b[1] = kJobCloseCalibration;
            b[2] = calibration->flags;
            link_.exchange(3, 10);
        }
        return ok;
    };
    out.success = run();
    if (!out.success) reportLinkLost();
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
        if (link_.linkLost()) return false;
        link_.wait(kAfterVerify);
        ChipIdReply id;
        if (!chipIdMatches("Verify", id)) return false;
        if (!flashIdMatches(id.id)) return false;
        if (id.protectedChip()) return fail("Verify", "Chip Had been Protect!!");
        if (!mainJobDone(result, "Verify", "Verify Chip Fail", "Verify Chip OK")) return false;
        // The SBM words the image sets, from the information block kept with it.
        uint16_t second[128] = {}, chip[128] = {}, first[128] = {};
        bool same = link_.readWords(kFlashInfoSecondHalf, second) &&
                    link_.chipRead(kChipSbmAddress, chip) &&
                    link_.readWords(kFlashInfoFirstHalf, first);
        const uint32_t from = (second[116] >> 1) & 0x7F;
        const uint32_t n = second[117] >> 8;
        for (uint32_t i = from; same && i <= from + n && i < 128; ++i) {
            if (i >= kOwnInfoFirst && i <= kOwnInfoLast) continue;
            same = chip[i] == first[i];
        }
        if (!same) return fail("Verify", "Verify SBM Fail");
        add("Verify", "Verify SBM OK");
        return true;
    };
    out.success = run();
    if (!out.success) reportLinkLost();
    endFrame();
    return out;
}

} // namespace zerka
