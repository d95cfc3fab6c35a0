// Reading and writing the configuration file through IdeState, the options and the editor.
#include "core/atomic_file.h"
#include "core/path_lookup.h"
#include "core/text.h"
#include "shell/config_file.h"
#include "shell/shell.h"
#include "uitext/text_id.h"

#include <charconv>
#include <filesystem>

namespace zerka {

namespace fs = std::filesystem;

namespace {

// An option text box holding a number: unparsable text counts as 0.
int textValue(const std::string& text) {
    int v = 0;
    const char* b = text.data();
    while (b < text.data() + text.size() && *b == ' ')
        ++b;
    std::from_chars(b, text.data() + text.size(), v);
    return v;
}

bool isUntitled(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    return toUpperAscii(name).rfind("~NEW", 0) == 0;
}

} // namespace

std::string Shell::configPath() const {
    return s_.programDir + kConfigFileName;
}

std::string Shell::resolve(const std::string& path, const std::string& baseDir) const {
    if (path.empty()) return path;
    fs::path p(path);
    if (p.is_absolute()) return path;
    // Relative paths (a project kept in version control) count from the file's folder.
    fs::path base(baseDir);
    if (auto found = findFileCaseInsensitive(base, normalizeSeparators(path)))
        return found->lexically_normal().string();
    return (base / normalizeSeparators(path)).lexically_normal().string();
}

ConfigurationFile Shell::captureConfiguration() const {
    const OptionsModel& o = p_.options;
    const OptionsControls& c = o.controls();
    ConfigurationFile f;
    f.versionLine = p_.library.chipListVersion();
    f.ckAsc = c.CkASC.checked, f.ckList = c.CkList.checked, f.ckBin = c.CkBin.checked;
    f.simulator = s_.simulatorMode;
    f.ckAscInv = c.CkASCInv.checked, f.ckBinInv = c.CkBinInv.checked;
    f.ckMask = c.CkMask.checked, f.ckBin2 = c.CkBin2.checked;
    f.onTop = s_.onTopFlags;
    const int current = p_.editor.currentSlot();
    for (int slot = 1; slot <= p_.editor.slotCount(); ++slot) {
        const std::string path = p_.editor.pathOf(slot);
        // An untitled file is not on disk; it cannot be opened again.
        if (isUntitled(path)) continue;
        f.files.push_back(fs::absolute(path).lexically_normal().string());
        if (slot == current) f.activeFile = int(f.files.size());
    }
    f.mainFile = s_.mainFile;
    f.serviceWord1 = s_.serviceWord1, f.serviceWord2 = s_.serviceWord2;
    f.chipIndex = o.chipIndex(), f.languageIndex = o.languageIndex();
    f.portDriverMode = s_.portDriverMode, f.editToolbar = c.CkToolEdit.checked;
    f.portBase = o.portBase(), f.interfaceIndex = o.interfaceIndex();
    f.serviceFlag = s_.serviceFlag & 0xFF, f.romSelect = 0;
    f.font = s_.editorFont;
    f.reopen = s_.reopenFlags;
    f.fillMode = o.fillMode();
    f.watchAddress = o.watchTrigger().address, f.watchData = o.watchTrigger().data;
    f.watchMask = o.watchTrigger().mask, f.stopOnStackOverflow = o.stopOnStackOverflow();
    f.smartCompiler = c.SmartCompiler.checked;
    f.programmer = o.ideMode() == IdeMode::Programmer;
    f.programProtect = c.CProtect.checked;
    f.coreVariant = c.PCX4B.checked ? 1 : 0;
    f.programmerHexFile = s_.programmerHexFile;
    f.checksum = s_.imageChecksum;
    f.registerPage = s_.views.registerPage, f.ramBank = s_.views.ramBank;
    f.watchFormat = s_.views.watchFormat, f.stackOverReset = c.STKOVRST.checked;
    f.adcOutputMode = s_.views.adcOutputMode, f.adcOutputBits = s_.views.adcOutputBits;
    f.sramContinue = s_.views.sramContinue;
    f.acm12 = !c.RACM10.checked, f.wdtJmp0 = c.ChWDTJMPOO.checked;
    f.optimization = c.COptimization.checked;
    f.stackOverStop = c.STKOVSTOP.checked;
    f.enHao = c.EnHAO.checked, f.ehao = textValue(c.EHAO.text);
    f.enShao = c.EnSHAO.checked, f.enSlao = c.EnSLAO.checked, f.elao = textValue(c.ELAO.text);
    return f;
}

std::string Shell::applyConfiguration(const ConfigurationFile& f, int r,
                                      const std::string& baseDir) {
    std::string problem;
    OptionsModel& o = p_.options;
    OptionsControls& c = o.controls();
    if (r >= 4) {
        c.CkASC.checked = f.ckAsc, c.CkList.checked = f.ckList, c.CkBin.checked = f.ckBin;
        c.CkASCInv.checked = f.ckAscInv, c.CkBinInv.checked = f.ckBinInv;
        c.CkMask.checked = f.ckMask, c.CkBin2.checked = f.ckBin2;
        s_.onTopFlags = f.onTop;
    }
    if (r >= 6) {
        for (const std::string& file : f.files) {
            const std::string path = resolve(file, baseDir);
            if (!p_.editor.openFile(path))
                message(MessageType::Warning, "Can not open file: " + path, Buttons::Ok);
        }
        if (f.activeFile > 0 && f.activeFile <= p_.editor.slotCount())
            p_.editor.select(f.activeFile);
    }
    if (r >= 7) s_.mainFile = resolve(f.mainFile, baseDir);
    if (r >= 12) {
        s_.serviceWord1 = f.serviceWord1, s_.serviceWord2 = f.serviceWord2;
        const size_t chips = c.CbSeluP.items.size();
        if (f.chipIndex >= 0 && size_t(f.chipIndex) < chips)
            o.restoreChipIndex(f.chipIndex);
        else
            // Another chip in its place would build for a chip the file does not name.
            problem = configRecordName(9) + ": chip index " + std::to_string(f.chipIndex) +
                      " is not in the chip list (0 to " + std::to_string(int(chips) - 1) + ")";
        o.selectLanguage(f.languageIndex);
        s_.portDriverMode = uint8_t(f.portDriverMode);
        c.CkToolEdit.checked = f.editToolbar;
        if (f.interfaceIndex >= 0 && size_t(f.interfaceIndex) < c.SelLPT.items.size())
            o.restoreInterface(f.interfaceIndex, uint16_t(f.portBase));
        s_.serviceFlag = f.serviceFlag & 0xFF;
        s_.editorFont = f.font;
        if (s_.editorFont.size <= 0) s_.editorFont.size = 10;
        p_.editor.applyFont(s_.editorFont);
        p_.windows.applyFont(s_.editorFont);
    }
    if (r >= 14) {
        s_.reopenFlags = f.reopen;
        o.setFillMode(f.fillMode);
        s_.configLoaded = true;
    }
    if (r >= 15)
        o.restoreWatch(
            WatchTrigger{uint16_t(f.watchAddress), uint8_t(f.watchData), uint8_t(f.watchMask)},
            f.stopOnStackOverflow);
    if (r >= 16) c.SmartCompiler.checked = f.smartCompiler;
    if (r >= 17) o.selectIdeMode(f.programmer ? IdeMode::Programmer : IdeMode::Debugger);
    if (r >= 18) c.CProtect.checked = f.programProtect;
    if (r >= 19) o.setCoreVariant(uint8_t(f.coreVariant));
    if (r >= 20) {
        s_.programmerHexFile = resolve(f.programmerHexFile, baseDir);
        if (!s_.programmerHexFile.empty() && !fs::exists(s_.programmerHexFile))
            s_.programmerHexFile.clear();
    }
    if (r >= 21) s_.imageChecksum = uint16_t(f.checksum);
    if (r >= 22) s_.views.registerPage = f.registerPage;
    if (r >= 23) s_.views.ramBank = f.ramBank;
    if (r >= 24) s_.views.watchFormat = f.watchFormat;
    if (r >= 25) c.STKOVRST.checked = f.stackOverReset;
    if (r >= 26) s_.views.adcOutputMode = f.adcOutputMode;
    if (r >= 27) s_.views.adcOutputBits = f.adcOutputBits;
    if (r >= 30) s_.views.sramContinue = f.sramContinue;
    if (r >= 31) {
        o.selectAcm(f.acm12);
        c.ChWDTJMPOO.checked = f.wdtJmp0;
        c.COptimization.checked = f.optimization;
    }
    if (r >= 32) c.STKOVSTOP.checked = f.stackOverStop;
    if (r >= 33) {
        c.EnHAO.checked = f.enHao;
        o.restoreHardwareCalibration(f.enHao);
        c.EHAO.text = std::to_string(f.ehao);
    }
    if (r >= 34) {
        c.EnSHAO.checked = f.enShao, c.EnSLAO.checked = f.enSlao;
        c.ELAO.text = std::to_string(f.elao);
    }
    return problem;
}

std::string Shell::ReadConfiguration(const std::string& path) {
    s_.configLoaded = false;
    if (!fs::exists(path)) {
        s_.editorFont = EditorFont{};
        WriteConfiguration(path);
    }
    std::string text;
    if (!readFileBytes(path, text)) return "the file cannot be read";
    ConfigurationFile f = captureConfiguration();
    const ConfigReadResult r = parseConfiguration(text, p_.library.chipListVersion(), f);
    const std::string baseDir = fs::absolute(path).parent_path().string();
    std::string problem = r.problem(p_.library.chipListVersion());
    if (r.versionMatched) {
        const std::string chipProblem = applyConfiguration(f, r.lastRecord, baseDir);
        if (problem.empty()) problem = chipProblem;
    }
    if (!r.has(2)) f.simulator = s_.simulatorMode; // a target the file does not name
    if (r.endedAtEof) {
        if (!s_.mainFile.empty()) s_.dialogDir = fs::path(s_.mainFile).parent_path().string();
        p_.options.reloadChip();
        p_.up.applyChip(p_.chip);
        SelectTarget(f.simulator);
        p_.options.selectRom(0);
        const bool programmer = p_.options.ideMode() == IdeMode::Programmer;
        if (!s_.programmerHexFile.empty() && programmer && p_.options.usbInterface()) {
            s_.linkState = p_.emulator ? p_.emulator->connectCheck() : 255;
            if (s_.linkState == 255) {
                message(MessageType::Error, TextOf(TextId::ConnectError), Buttons::Cancel);
            } else if (!fs::exists(s_.programmerHexFile)) {
                message(MessageType::Error, shell_text::kFileNotFound, Buttons::Cancel);
                changed();
                return shell_text::kFileNotFound;
            } else {
                p_.ui.busy(true);
                p_.ui.busy(false);
                showOnDevice(padRight("Zerka-IDE Program Mode", 32));
                p_.emulator->switchProgrammerMode();
            }
        } else if (!programmer && p_.options.usbInterface() && !f.simulator && p_.emulator) {
            showOnDevice(padRight("Zerka-IDE Debug Mode", 32));
            p_.emulator->switchDebugMode();
        }
    }
    if (!s_.configLoaded)
        message(MessageType::Information, TextOf(TextId::PleaseSetConfiguration), Buttons::Ok);
    else if (!problem.empty())
        // The settings the file does not hold keep other values: a build would not be the
        // file's.
        message(MessageType::Warning, path + ": " + problem + ".", Buttons::Ok);
    changed();
    return problem;
}

bool Shell::WriteConfiguration(const std::string& path) {
    p_.options.selectRom(0);
    std::string error;
    if (!writeFileAtomic(path, formatConfiguration(captureConfiguration()), &error)) {
        message(MessageType::Error, TextOf(TextId::CantSaveConfiguration), Buttons::Cancel);
        return false;
    }
    return true;
}

void Shell::saveConfigurationCommand() {
    auto path = p_.windows.saveFileDialog({"*.cfg|*.cfg|*.*|*.*", ".cfg", s_.dialogDir});
    if (path) WriteConfiguration(*path);
}

void Shell::loadConfigurationCommand() {
    auto path = p_.windows.openFileDialog({"*.cfg|*.cfg|*.*|*.*", ".cfg", s_.dialogDir});
    if (!path) return;
    EnterEditMode(true);
    if (!SaveModifiedFiles("", false)) return;
    p_.editor.closeAll();
    setFileCommands(false);
    ReadConfiguration(*path);
    if (p_.editor.slotCount() > 0) {
        p_.windows.showAsChild(Slot::Editor, true);
        setFileCommands(true);
    }
    SetMainFile(s_.mainFile);
    ApplyIdeMode();
}

} // namespace zerka
