// `zerka prog`: the programmer commands without the IDE, for production lines and CI.
//   zerka prog blank|program|verify|auto|read|download|readback [--lib DIR]
//              [--chip INDEX|NAME] [--connect unix:PATH|tcp:127.0.0.1:PORT] [--out FILE] [HEXFILE]
//   zerka prog program|auto [--calibrate] [--sw-hao] [--sw-lpo] [--hao HZ]
//              [--permissible-error PERCENT] [--lpo HZ] ...
//   zerka prog settings [--key on|off] [--buzzer on|off] [--checksum on|off]
//              [--chip-code N|off]
// The unit is the USB programmer, or the virtual unit named by ZERKA_TARGET or --connect. Every
// message-log line is printed as "caption: text". Exit 0 when the operation ended with its
// success line, 1 when it reported a failure (an image that is not the chip's among them:
// nothing is then sent to the unit), 2 for a usage error.
#include "cli/commands.h"
#include "cli/cli_options.h"
#include "cli/stderr_ui.h"
#include "chip/options_model.h"
#include "cli/prog_chip.h"
#include "core/atomic_file.h"
#include "core/program_dir.h"
#include "core/text.h"
#include "link/socket_transport.h"
#include "programmer/prog_settings.h"
#include "programmer/programmer.h"
#include "shell/workbench.h"

#include <charconv>
#include <memory>
#include <optional>

namespace zerka::cli {
namespace {

constexpr const char* kProgPrefix = "zerka prog: ";

struct ProgOptions {
    std::string operation;
    std::string hexFile;
    std::string lib;
    std::string chip;
    std::string connect;
    std::string out;
    std::string key, buzzer, checksum, chipCode;
    // The options dialog's "OSC Calibration" page.
    bool calibrate = false; // "Enable H/W Calibration"
    bool softwareHao = false, softwareLpo = false;
    std::string hao, permissibleError, lpo;
};

class PrintedLog : public MessageLog {
  public:
    explicit PrintedLog(std::ostream& out) : out_(out) {}
    void AddEntry(const std::string& file, int, const std::string& text) override {
        out_ << file << ": " << text << '\n';
    }
    void ClearLog() override {}

  private:
    std::ostream& out_;
};

std::optional<bool> onOff(const std::string& text, const char* what, std::ostream& err) {
    if (text == "on") return true;
    if (text == "off") return false;
    err << kProgPrefix << what << " \"" << text << "\": use on or off\n";
    return std::nullopt;
}

bool writeWords(const std::string& path, const std::vector<uint16_t>& words, std::ostream& err) {
    std::string bytes;
    bytes.reserve(words.size() * 2);
    for (uint16_t w : words) {
        bytes.push_back(static_cast<char>(w >> 8));
        bytes.push_back(static_cast<char>(w & 0xFF));
    }
    std::string problem;
    if (!writeFileAtomic(path, bytes, &problem)) {
        err << kProgPrefix << problem << '\n';
        return false;
    }
    return true;
}

// A connection that failed: the link's own words (a busy unit, a socket nobody serves).
void reportDiagnosis(const UsbLink& usb, CliContext& ctx) {
    if (!usb.diagnosis().empty()) ctx.err << kProgPrefix << usb.diagnosis() << '\n';
}

int runSettings(const ProgOptions& o, ProgLink& link, const ChipModel& chip, CliContext& ctx) {
    std::optional<bool> key, buzzer, check;
    std::optional<uint32_t> number;
    bool numberOff = false;
    if (!o.key.empty() && !(key = onOff(o.key, "--key", ctx.err))) return kExitUsage;
    if (!o.buzzer.empty() && !(buzzer = onOff(o.buzzer, "--buzzer", ctx.err))) return kExitUsage;
    if (!o.checksum.empty() && !(check = onOff(o.checksum, "--checksum", ctx.err)))
        return kExitUsage;
    if (o.chipCode == "off") {
        numberOff = true;
    } else if (!o.chipCode.empty()) {
        uint32_t n = 0;
        const auto [end, ec] =
            std::from_chars(o.chipCode.data(), o.chipCode.data() + o.chipCode.size(), n);
        if (ec != std::errc{} || end != o.chipCode.data() + o.chipCode.size()) {
            ctx.err << kProgPrefix << "--chip-code \"" << o.chipCode
                    << "\": use a decimal number or off\n";
            return kExitUsage;
        }
        number = n;
    }
    StderrUi ui(ctx.err, kProgPrefix);
    if (!link.usb().ensureConnected(ui, 0)) {
        reportDiagnosis(link.usb(), ctx);
        return kExitFailed;
    }
    ProgrammerSettingsCommands settings(link);
    bool ok = true;
    if (key) ok = settings.setKey(*key) && ok;
    if (buzzer) ok = settings.setBuzzer(*buzzer) && ok;
    if (check) ok = settings.setChecksum(*check) && ok;
    if (number || numberOff)
        ok = settings.setChipCode(!numberOff, number.value_or(0),
                                  static_cast<uint8_t>(chip.serialNumberParam)) &&
             ok;
    ProgrammerSettingsPage page;
    if (!settings.readAll(page) || !ok) {
        ctx.err << kProgPrefix << "the programmer did not answer\n";
        return kExitFailed;
    }
    ctx.out << "Firmware: " << page.firmware << '\n'
            << "Key: " << (page.blankOn ? "Blank ON" : "Blank OFF") << '\n'
            << "Buzzer: " << (page.buzzerOn ? "Buzzer ON" : "Buzzer OFF") << '\n'
            << "Checksum: " << (page.checkOn ? "Check ON" : "Check OFF") << '\n'
            << "Chip Code Number: "
            << (page.chipCode.on ? "Write Num ON " + std::to_string(page.chipCode.number)
                                 : std::string("Write Num OFF"))
            << '\n';
    return kExitOk;
}

// The calibration options: only for program and auto, values only with a switch, the switch
// only for a chip with #HAO, the values within the options dialog's ranges. False after a
// message.
bool checkCalibration(const ProgOptions& o, const ChipModel& chip, std::ostream& err) {
    const bool any = o.calibrate || o.softwareHao || o.softwareLpo;
    const bool values = !o.hao.empty() || !o.permissibleError.empty() || !o.lpo.empty();
    if ((any || values) && o.operation != "program" && o.operation != "auto") {
        err << kProgPrefix << "calibration options belong to program and auto\n";
        return false;
    }
    if (values && !any) {
        err << kProgPrefix
            << "--hao, --permissible-error and --lpo need --calibrate, --sw-hao or "
               "--sw-lpo\n";
        return false;
    }
    if (!any) return true;
    if ((o.calibrate || o.softwareHao) && !chip.hasHao) {
        err << kProgPrefix << "chip " << chip.productName
            << " has no #HAO oscillator to calibrate (--calibrate, --sw-hao)\n";
        return false;
    }
    const auto problem = calibrationInputProblem(
        o.hao.empty() ? "2000000" : o.hao, o.permissibleError.empty() ? "2" : o.permissibleError,
        o.lpo.empty() ? "28000" : o.lpo, chip, o.calibrate, o.softwareHao, o.softwareLpo);
    if (problem) {
        err << kProgPrefix << *problem << ' ' << calibrationRangeText(*problem, chip) << '\n';
        return false;
    }
    return true;
}

int runProg(const ProgOptions& o, CliContext& ctx) {
    const bool needsFile =
        o.operation == "program" || o.operation == "auto" || o.operation == "download";
    if (needsFile && o.hexFile.empty()) {
        ctx.err << kProgPrefix << o.operation << " needs the word image (.hex) to burn\n";
        return kExitUsage;
    }
    if (!needsFile && !o.hexFile.empty()) {
        ctx.err << kProgPrefix << o.operation << " takes no HEXFILE\n";
        return kExitUsage;
    }
    if (const auto problem = needsFile ? inputFileProblem(o.hexFile) : std::nullopt) {
        ctx.err << kProgPrefix << *problem << '\n';
        return kExitUsage;
    }
    if (const auto problem = o.out.empty() ? std::nullopt : inputFileProblem(o.out, true)) {
        ctx.err << kProgPrefix << "--out: " << *problem << '\n';
        return kExitUsage;
    }
    if (!o.connect.empty()) {
        TargetAddress address;
        std::string problem;
        if (!parseTargetAddress(o.connect, address, problem)) {
            ctx.err << kProgPrefix << "--connect \"" << o.connect << "\": " << problem << '\n';
            return kExitUsage;
        }
    }
    // The unit at --connect, else the USB programmer (or the one ZERKA_TARGET names).
    StderrUi ui(ctx.err, kProgPrefix);
    WorkbenchSetup setup;
    setup.programDir = programDir().string();
    setup.libraryDir = o.lib.empty() ? chipLibraryDir() : std::filesystem::path(o.lib);
    setup.ui = &ui;
    setup.unit = o.connect.empty() ? UnitChoice::hardware() : UnitChoice::socket(o.connect);
    Workbench bench(std::move(setup));
    ChipLibrary& library = bench.library();
    ChipModel& chip = bench.chip();
    if (!loadChosenChip(library, o.chip.empty() ? "0" : o.chip, chip, ctx.err, kProgPrefix))
        return kExitUsage;
    if (!checkCalibration(o, chip, ctx.err)) return kExitUsage;

    UsbLink& usb = bench.emulator().usb();
    PrintedLog log(ctx.out);
    ProgrammerState state;
    if (needsFile) {
        state.programmerHexFile = std::filesystem::absolute(o.hexFile);
        // The checksum the image carries: Program downloads when the flash holds another one.
        ProgrammerImage image;
        if (readWordImage(o.hexFile, (chip.romWords / 256) * 256, image))
            state.imageChecksum = image.infoBlock[123];
    }
    ProgrammerEnv env{usb, chip, ui, log, state};
    env.library = &library;
    // The calibration page as the options dialog would hold it, with the command's values.
    OptionsModel& options = bench.options();
    OscCalibration calibration(options, chip, ui);
    if (o.calibrate || o.softwareHao || o.softwareLpo) {
        OptionsControls& c = options.controls();
        c.EnHAO.checked = o.calibrate;
        c.EnSHAO.checked = o.softwareHao;
        c.EnSLAO.checked = o.softwareLpo;
        if (!o.hao.empty()) c.EHAO.text = o.hao;
        if (!o.permissibleError.empty()) c.EPERMISS.text = o.permissibleError;
        if (!o.lpo.empty()) c.ELAO.text = o.lpo;
        options.restoreHardwareCalibration(o.calibrate);
        env.calibration = &calibration;
        env.sendCalibrationSetup = true;
    }
    Programmer programmer(env);
    if (o.operation == "settings") return runSettings(o, programmer.link(), chip, ctx);

    ProgOutcome outcome;
    if (o.operation == "blank") {
        outcome = programmer.progBlank();
    } else if (o.operation == "program") {
        outcome = programmer.progProgram();
    } else if (o.operation == "verify") {
        outcome = programmer.progVerify();
    } else if (o.operation == "auto") {
        outcome = programmer.progAuto();
    } else if (o.operation == "download") {
        outcome = programmer.DownloadCommand(state.programmerHexFile);
    } else if (o.operation == "read") {
        ChipReadResult read;
        outcome = programmer.progRead(read);
        if (outcome.success && !o.out.empty() && !writeWords(o.out, read.program, ctx.err))
            return kExitFailed;
    } else if (o.operation == "readback") {
        FlashReadBack back;
        outcome = programmer.ReadBackCommand(back);
        if (outcome.success) {
            ctx.out << "Checksum = 0x" << hexText(back.checksum, 4) << '\n';
            if (!o.out.empty() && !writeWords(o.out, back.code, ctx.err)) return kExitFailed;
        }
    }
    if (!outcome.started && !outcome.refused) reportDiagnosis(usb, ctx);
    usb.close();
    return outcome.success ? kExitOk : kExitFailed;
}

} // namespace

void registerProgCommand(CLI::App& app, CliContext& ctx) {
    auto o = std::make_shared<ProgOptions>();
    CLI::App* cmd =
        app.add_subcommand("prog", "Programmer operations on the chip in the programmer's socket");
    cmd->add_option("operation", o->operation,
                    "blank, program, verify, auto, read, download, readback or settings")
        ->required()
        ->check(CLI::IsMember(
            {"blank", "program", "verify", "auto", "read", "download", "readback", "settings"}));
    cmd->add_option("hexfile", o->hexFile, "Word image (.hex) for program, auto and download");
    cmd->add_option("--lib", o->lib, "Chip library folder (default: the program's INCLUDE)");
    cmd->add_option("--chip", o->chip, "Chip (index or name; default: the first of the list)");
    cmd->add_option("--connect", o->connect,
                    "The virtual unit at unix:PATH or tcp:127.0.0.1:PORT (default: ZERKA_TARGET, "
                    "then USB)");
    cmd->add_option("--out", o->out, "read, readback: file for the program words");
    cmd->add_option("--key", o->key, "settings: key starts a blank check (on|off)");
    cmd->add_option("--buzzer", o->buzzer, "settings: buzzer (on|off)");
    cmd->add_option("--checksum", o->checksum, "settings: checksum check (on|off)");
    cmd->add_option("--chip-code", o->chipCode,
                    "settings: next chip code number to write (decimal), or off");
    cmd->add_flag("--calibrate", o->calibrate,
                  "program, auto: H/W calibration of the chip's HAO oscillator (chips with #HAO)");
    cmd->add_flag("--sw-hao", o->softwareHao, "program, auto: S/W calibration of the HAO");
    cmd->add_flag("--sw-lpo", o->softwareLpo, "program, auto: S/W calibration of the LPO");
    cmd->add_option("--hao", o->hao,
                    "program, auto: HAO target frequency in Hz (default 2000000; within the "
                    "chip's #HAO range)");
    cmd->add_option("--permissible-error", o->permissibleError,
                    "program, auto: permissible HAO error in percent, 1 to 100 (default 2)");
    cmd->add_option("--lpo", o->lpo,
                    "program, auto: LPO target frequency in Hz, 22000 to 35000 (default 28000)");
    cmd->callback([o, &ctx] { ctx.exitCode = runProg(*o, ctx); });
}

} // namespace zerka::cli
