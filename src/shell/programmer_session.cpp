#include "shell/programmer_session.h"

#include "core/text.h"
#include "shell/shell.h"

namespace zerka {

ProgrammerSession::ProgrammerSession(Shell& shell, UsbLink& usb, WaitHook wait, SteadyNow now)
    : shell_(shell), usb_(usb), wait_(wait ? std::move(wait) : clockWait(shell.parts().yield)),
      now_(std::move(now)), link_(usb, wait_, now_), ui_(shell.parts().ui, progressShown),
      calibration_(shell.parts().options, shell.parts().chip, shell.parts().ui) {
    // The options dialog's calibration page validates and computes its mode through us.
    shell.parts().options.setCalibrationRules(&calibration_);
}

ProgrammerSession::~ProgrammerSession() {
    shell_.parts().options.setCalibrationRules(nullptr);
}

void ProgrammerSession::ProgressUi::progress(int percent) {
    inner_.progress(percent);
    progress_.emit(percent);
}

const ChipModel& ProgrammerSession::chip() const {
    return shell_.parts().chip;
}

ProgrammerEnv ProgrammerSession::env() {
    ShellParts& p = shell_.parts();
    ProgrammerEnv e{usb_, p.chip, ui_, p.log, state_};
    e.usbInterface = p.options.usbInterface();
    e.languageIndex = p.options.languageIndex();
    e.wait = wait_;
    e.now = now_;
    e.yield = p.yield;
    OptionsModel* options = &p.options;
    e.reloadChip = [options] { return options->reloadChip(); };
    e.calibration = &calibration_;
    e.library = &p.library;
    return e;
}

// Every command starts from the shell's image and leaves the shell with what the flash holds.
template <typename Op> ProgOutcome ProgrammerSession::run(Op op) {
    IdeState& s = shell_.state();
    state_.imageChecksum = s.imageChecksum;
    state_.programmerHexFile = s.programmerHexFile;
    Programmer programmer(env());
    const ProgOutcome out = op(programmer);
    const bool changed = state_.imageChecksum != s.imageChecksum ||
                         state_.programmerHexFile.string() != s.programmerHexFile;
    s.imageChecksum = state_.imageChecksum;
    s.programmerHexFile = state_.programmerHexFile.string();
    if (changed)
        shell_.parts().windows.setChecksumPanel("Checksum = 0x" + hexText(s.imageChecksum, 4));
    return out;
}

ProgOutcome ProgrammerSession::blank() {
    return run([](Programmer& p) { return p.progBlank(); });
}

ProgOutcome ProgrammerSession::program() {
    return run([](Programmer& p) { return p.progProgram(); });
}

ProgOutcome ProgrammerSession::verify() {
    return run([](Programmer& p) { return p.progVerify(); });
}

ProgOutcome ProgrammerSession::autoProgram() {
    return run([](Programmer& p) { return p.progAuto(); });
}

ProgOutcome ProgrammerSession::read(ChipReadResult& result) {
    const ProgOutcome out = run([&result](Programmer& p) { return p.progRead(result); });
    if (result.acmSelection) {
        OptionsControls& c = shell_.parts().options.controls();
        c.RACM10.checked = *result.acmSelection == 0;
        c.RACM12.checked = *result.acmSelection == 1;
    }
    if (result.found) {
        // The SBM rows follow the program rows.
        std::vector<uint16_t> words = result.program;
        words.insert(words.end(), result.bieWords.begin(), result.bieWords.end());
        wordsShown.emit(words);
    }
    return out;
}

ProgOutcome ProgrammerSession::download(const std::string& hexFile) {
    const ProgOutcome out = run([&hexFile](Programmer& p) { return p.DownloadCommand(hexFile); });
    if (out.success) wordsShown.emit(state_.image.code);
    return out;
}

ProgOutcome ProgrammerSession::readBack(FlashReadBack& result) {
    const ProgOutcome out = run([&result](Programmer& p) { return p.ReadBackCommand(result); });
    if (result.ok) wordsShown.emit(result.code);
    return out;
}

ProgOutcome ProgrammerSession::buildDownload(const std::string& hexName) {
    // The code of the word image the assembler wrote: romWords rounded down to 256;
    // the same count for every chip of the library, and the size the image check expects.
    const uint32_t codeBytes = (chip().romWords / 256) * 512;
    return run([&](Programmer& p) { return p.buildDownload(hexName, codeBytes); });
}

ProgOutcome ProgrammerSession::checkBuildDownload(const std::string& hexName) {
    return run([&](Programmer& p) { return p.buildChecks(hexName); });
}

void ProgrammerSession::showImage(const std::string& hexName) {
    ProgrammerImage image;
    if (!readWordImage(hexName, (chip().romWords / 256) * 256, image)) return;
    wordsShown.emit(image.code);
}

bool ProgrammerSession::connect() {
    ShellParts& p = shell_.parts();
    return usb_.ensureConnected(p.ui, p.options.languageIndex());
}

} // namespace zerka
