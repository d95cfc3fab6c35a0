#include "chip/options_model.h"

#include "chip/options_calibration_marker.h"
#include "core/chars.h"
#include "core/text.h"

#include <optional>

namespace zerka {

namespace {

CheckControl check(std::string name, std::string caption, bool checked = false,
                   bool visible = true) {
    CheckControl c;
    c.name = std::move(name);
    c.caption = std::move(caption);
    c.checked = c.defaultChecked = checked;
    c.visible = visible;
    return c;
}

GroupControl group(std::string name, std::string caption, bool visible = true) {
    GroupControl g;
    g.name = std::move(name);
    g.caption = std::move(caption);
    g.visible = visible;
    return g;
}

ChoiceControl choice(std::string name, std::string caption, std::vector<std::string> items,
                     int index) {
    ChoiceControl c;
    c.name = std::move(name);
    c.caption = std::move(caption);
    c.items = std::move(items);
    c.itemIndex = c.defaultIndex = index;
    return c;
}

EditControl edit(std::string name, std::string caption, std::string text) {
    EditControl e;
    e.name = std::move(name);
    e.caption = std::move(caption);
    e.text = e.defaultText = std::move(text);
    return e;
}

const std::vector<std::string> kInterfaceItems = {"(none)", "378h (LPT1)", "3BCh", "278h", "USB"};
const std::vector<std::string> kRomItems = {"RAM 62256"};
const std::vector<std::string> kEngineerRomItems = {"RAM 62256", "EEPROM 28C256"};

OptionsControls initialControls() {
    OptionsControls c;
    c.CbSeluP = choice("CbSeluP", "選取晶片版本", {}, 0);
    c.iceGroup = group("iceGroup", "ICE控制");
    c.SelLPT = choice("SelLPT", "", kInterfaceItems, kUsbInterfaceIndex);
    c.CbSelLang = choice("CbSelLang", "", {"English", "Chinese"}, 0);
    c.PICE = check("PICE", "Emulate and  Debug", false, false);
    c.PProg = check("PProg", "Programmer", true);
    c.romGroup = group("romGroup", "ROM", false);
    c.SELROM = choice("SELROM", "", kRomItems, 0);

    c.CkASC = check("CkASC", "ASCII檔");
    c.CkList = check("CkList", "List檔", true);
    c.CkBin = check("CkBin", "二進位檔", true);
    c.CkBinInv = check("CkBinInv", "二進位檔(反向)", false, false);
    c.CkMask = check("CkMask", "Mask檔(8k)", false, false);
    c.CkASCInv = check("CkASCInv", "ASCII檔(反向)", false, false);
    c.CkBin2 = check("CkBin2", "二進位檔(L/H分開)");
    c.CkToolEdit = check("CkToolEdit", "開啟編輯功能列", true, false);

    c.fillMode.name = "fillMode";
    c.fillMode.caption = "未使用區域填滿";
    c.fillMode.buttons = {
        {"  FF", 1, true, true}, {"  00", 0, true, true}, {"JMP 0", 2, true, false}};
    c.fillMode.value = c.fillMode.defaultValue = 0;

    c.SmartCompiler = check("SmartCompiler", "Smart Compiler", true, false);
    c.COptimization = check("COptimization", "Optimization", false, false);
    c.CProtect = check("CProtect", "Program Protect");
    c.coreGroup = group("coreGroup", "組譯選擇");
    // The chip decides the core; the buttons only show it.
    c.PCX4A = check("PCX4A", "CX4A", true);
    c.PCX4A.enabled = false;
    c.PCX4B = check("PCX4B", "CX4B");
    c.PCX4B.enabled = false;
    c.stackGroup = group("stackGroup", "堆疊操作");
    c.STKOVRST = check("STKOVRST", "Stack over reset");
    c.STKOVSTOP = check("STKOVSTOP", "Stack over STOP", true);
    c.acmGroup = group("acmGroup", "ACM Voltage");
    c.RACM10 = check("RACM10", "ACM = 1.0V", true);
    c.RACM12 = check("RACM12", "ACM = 1.2V");
    c.wdtGroup = group("wdtGroup", "WDT Reset Vector", false);
    c.wdtGroup.enabled = false;
    c.ChWDTJMPOO = check("ChWDTJMPOO", "JMP 0");
    c.ChWDTJMPOO.enabled = false;

    c.EWatchAddress = edit("EWatchAddress", "Watch   Address", "0000");
    c.EWatchData = edit("EWatchData", "Watch   Data", "00");
    for (size_t k = 0; k < c.CkWatchB.size(); ++k) {
        const std::string bit = std::to_string(k);
        c.CkWatchB[k] = check("CkWatchB" + bit, "Watch   enable   Bit" + bit);
    }
    c.STPOVSTAK = check("STPOVSTAK", "STOP When OV Stack");

    c.voltagePanel = group("voltagePanel", "", false);

    c.calibrationGroup = group("calibrationGroup", "OSC Calibration", false);
    c.EnHAO = check("EnHAO", "Enable H/W Calibration");
    c.EnSHAO = check("EnSHAO", "Enable S/W Calibration");
    c.EnSLAO = check("EnSLAO", "Enable S/W Calibration");
    c.EHAO = edit("EHAO", "Input HAO", "2000000");
    c.EPERMISS = edit("EPERMISS", "", "2");
    c.ELAO = edit("ELAO", "Input LPO", "28000");
    return c;
}

// The value of a hexadecimal text; nothing when it holds anything else or exceeds `limit`.
std::optional<uint32_t> hexValue(std::string_view text, uint32_t limit) {
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char ch : text) {
        const int d = hexDigitValue(ch);
        if (d < 0) return std::nullopt;
        value = value * 16 + uint64_t(d);
        if (value > limit) return std::nullopt;
    }
    return uint32_t(value);
}

// The CX4B core has neither the smart compiler nor its optimisation.
void compilerChoicesForCore(OptionsControls& c, bool cx4b) {
    if (cx4b) {
        c.SmartCompiler.checked = false;
        c.COptimization.checked = false;
    }
    c.SmartCompiler.enabled = !cx4b;
    c.COptimization.enabled = !cx4b;
}

} // namespace

uint32_t watchBoxValue(std::string_view text, uint32_t limit) {
    return hexValue(trimBlanks(text), limit).value_or(0);
}

OptionsModel::OptionsModel(ChipLibrary& library, ChipModel& chip)
    : library_(library), chip_(chip), c_(initialControls()) {
    library_.buildChipList();
    refreshChipList();
    setCoreVariant(chip_.coreVariant);
    resetConnection_ = library_.chipReset.connect([this](const ChipReset& r) { onChipReset(r); });
    loadedConnection_ =
        library_.chipLoaded.connect([this](const ChipLoaded& l) { onChipLoaded(l); });
}

OptionsModel::~OptionsModel() {
    library_.chipReset.disconnect(resetConnection_);
    library_.chipLoaded.disconnect(loadedConnection_);
}

void OptionsModel::refreshChipList() {
    c_.CbSeluP.items = library_.chipSelectorTexts();
}

ChipLoadContext OptionsModel::loadContext() const {
    ChipLoadContext context = host_ ? host_->chipLoadContext() : ChipLoadContext{};
    context.languageIndex = languageIndex();
    return context;
}

bool OptionsModel::reloadChip(std::string* error) {
    return library_.GetSELUP(chipIndex(), chip_, loadContext(), error);
}

bool OptionsModel::chooseChip(int index, std::string* error) {
    if (index < 0 || size_t(index) >= c_.CbSeluP.items.size()) {
        if (error) *error = "No chip " + std::to_string(index) + " in the chip list";
        return false;
    }
    c_.CbSeluP.itemIndex = index;
    c_.EnHAO.checked = false;
    c_.EnSHAO.checked = false;
    c_.EnSLAO.checked = false;

    const bool loaded = reloadChip(error);

    setSmartCompiler(chip_.coreVariant != 1);
    const bool wdt = chip_.chipId == kWdtVectorChipId;
    c_.wdtGroup.enabled = wdt;
    c_.ChWDTJMPOO.enabled = wdt;
    c_.ChWDTJMPOO.checked = wdt;
    // An emulator body that cannot stop on stack overflow keeps the box off.
    if (c_.STKOVSTOP.enabled) c_.STKOVSTOP.checked = true;
    // A locked "ACM Voltage" group stays at the 1.0V the load gave it.
    if (c_.acmGroup.enabled) selectAcm(chip_.acmDefaultHigh);
    return loaded;
}

void OptionsModel::onChipReset(const ChipReset& reset) {
    if (reset.calibrationPanelHidden) c_.calibrationGroup.visible = false;
}

void OptionsModel::onChipLoaded(const ChipLoaded& loaded) {
    applyChipOptionStates(loaded);
    if (loaded.programmerFirmware2 && loaded.hasHao) {
        c_.EnHAO.checked = savedHardwareCalibration_;
        if (ideMode() == IdeMode::Programmer && calibration_) calibration_->recomputeMode();
    }
}

void OptionsModel::applyChipOptionStates(const ChipLoaded& loaded) {
    c_.STKOVRST.enabled = loaded.stackOverResetAvailable;
    if (!loaded.stackOverResetAvailable) c_.STKOVRST.checked = false;

    c_.acmGroup.enabled = loaded.acmSelectable;
    c_.RACM10.enabled = loaded.acmSelectable;
    c_.RACM12.enabled = loaded.acmSelectable;
    if (!loaded.acmSelectable) selectAcm(false);

    const bool cx4b = loaded.coreVariant == 1;
    compilerChoicesForCore(c_, cx4b);

    const bool wdt = loaded.chipId == kWdtVectorChipId;
    c_.wdtGroup.enabled = wdt;
    c_.ChWDTJMPOO.enabled = wdt;

    c_.PCX4A.checked = !cx4b;
    c_.PCX4B.checked = cx4b;
}

bool OptionsModel::selectInterface(int index) {
    if (index < 0 || size_t(index) >= c_.SelLPT.items.size()) return false;
    c_.SelLPT.itemIndex = index;
    const std::string& text = c_.SelLPT.items[size_t(index)];
    portBase_ = uint16_t(hexValue(std::string_view(text).substr(0, 3), 0xFFF).value_or(0));
    return true;
}

void OptionsModel::restoreInterface(int index, uint16_t portBase) {
    c_.SelLPT.itemIndex = index;
    portBase_ = portBase;
}

bool OptionsModel::selectLanguage(int index) {
    if (index < 0 || size_t(index) >= c_.CbSelLang.items.size()) return false;
    c_.CbSelLang.itemIndex = index;
    return true;
}

void OptionsModel::selectIdeMode(IdeMode mode) {
    c_.PProg.checked = mode == IdeMode::Programmer;
    c_.PICE.checked = !c_.PProg.checked;
    if (mode == IdeMode::Programmer && host_) host_->enableConnectionPanel();
}

bool OptionsModel::selectRom(int index) {
    if (index < 0 || size_t(index) >= c_.SELROM.items.size()) return false;
    c_.SELROM.itemIndex = index;
    return true;
}

void OptionsModel::setSmartCompiler(bool checked) {
    c_.SmartCompiler.checked = checked;
    if (!checked) c_.COptimization.checked = false;
}

void OptionsModel::setOptimization(bool checked) {
    c_.COptimization.checked = checked;
    if (checked) c_.SmartCompiler.checked = true;
}

void OptionsModel::clickCX4A(bool checked) {
    setCoreVariant(checked ? 0 : 1);
}

void OptionsModel::clickCX4B(bool checked) {
    setCoreVariant(checked ? 1 : 0);
}

void OptionsModel::setCoreVariant(uint8_t variant) {
    chip_.coreVariant = variant == 0 ? 0 : 1;
    c_.PCX4A.checked = chip_.coreVariant == 0;
    c_.PCX4B.checked = chip_.coreVariant == 1;
}

bool OptionsModel::setFillMode(int mode) {
    if (mode < 0 || mode > 2) return false;
    c_.fillMode.value = mode;
    return true;
}

void OptionsModel::selectAcm(bool high) {
    c_.RACM12.checked = high;
    c_.RACM10.checked = !high;
}

void OptionsModel::restoreWatch(const WatchTrigger& trigger, bool stopOnStackOverflow) {
    watch_ = trigger;
    stopOnStackOverflow_ = stopOnStackOverflow;
    c_.STPOVSTAK.checked = stopOnStackOverflow;
}

void OptionsModel::clickCalibrationSwitch(CalibrationSwitch which, bool checked) {
    switch (which) {
    case CalibrationSwitch::Hardware:
        c_.EnHAO.checked = checked;
        break;
    case CalibrationSwitch::SoftwareHao:
        c_.EnSHAO.checked = checked;
        break;
    case CalibrationSwitch::SoftwareLpo:
        c_.EnSLAO.checked = checked;
        break;
    }
    if (calibration_) calibration_->recomputeMode();
}

void OptionsModel::openOptions() {
    const ChipLoadContext context = loadContext();
    const bool canStop = context.iceBodyId != kNoStackStopBodyId;
    c_.STKOVSTOP.enabled = canStop;
    if (!canStop) c_.STKOVSTOP.checked = false;
    c_.EnHAO.checked = savedHardwareCalibration_;
    if (context.programmerFirmware2 && chip_.hasHao && ideMode() == IdeMode::Programmer &&
        calibration_) {
        calibration_->recomputeMode();
    }
    open_ = true;
    page_ = OptionsPage::Interface;
    if (host_ && host_->debugMode()) showPage(OptionsPage::ChipWatch);
}

bool OptionsModel::showPage(OptionsPage page) {
    switch (page) {
    case OptionsPage::Interface:
    case OptionsPage::Configuration:
        if (host_ && host_->debugMode()) host_->enterEditMode();
        break;
    case OptionsPage::ChipWatch:
        for (size_t k = 0; k < c_.CkWatchB.size(); ++k) {
            c_.CkWatchB[k].checked = (watch_.mask >> k) & 1u;
        }
        if (watch_.mask != 0) {
            c_.EWatchAddress.text = hexText(watch_.address, 4);
            c_.EWatchData.text = hexText(watch_.data, 2);
        }
        stopOnStackOverflow_ = c_.STPOVSTAK.checked;
        break;
    case OptionsPage::DebugTool:
        if (usbInterface()) {
            if (!host_ || !host_->connectUsb()) return false;
            c_.voltagePanel.visible = true;
        } else {
            // "(none)" names no port, so nothing is opened for it.
            if (parallelInterface() && host_) host_->lptInit();
            c_.voltagePanel.visible = false;
        }
        break;
    case OptionsPage::Calibration: {
        if (ideMode() != IdeMode::Programmer) return false;
        c_.calibrationGroup.visible = true;
        const CalibrationMarker marker = readCalibrationMarker(library_.libraryDir(), chipText());
        c_.EnHAO.enabled = marker.hardwareSwitch;
        c_.EnSHAO.enabled = marker.softwareSwitches;
        c_.EnSLAO.enabled = marker.softwareSwitches;
        c_.EHAO.enabled = marker.editBoxes;
        c_.EPERMISS.enabled = marker.editBoxes;
        c_.ELAO.enabled = marker.editBoxes;
        break;
    }
    }
    page_ = page;
    return true;
}

bool OptionsModel::closeOptions() {
    savedHardwareCalibration_ = c_.EnHAO.checked;
    if (page_ == OptionsPage::Calibration && c_.EnHAO.checked && calibration_ &&
        !calibration_->validateAndComputeMode()) {
        return false;
    }

    uint8_t mask = 0;
    for (size_t k = 0; k < c_.CkWatchB.size(); ++k) {
        if (c_.CkWatchB[k].checked) mask = uint8_t(mask | (1u << k));
    }
    watch_.mask = mask;
    watch_.address = uint16_t(watchBoxValue(c_.EWatchAddress.text, 0xFFFF));
    watch_.data = uint8_t(watchBoxValue(c_.EWatchData.text, 0xFF));
    if (host_ && !host_->simulatorMode() && host_->debugMode()) {
        host_->iceSetWatch(watch_.address, watch_.data, watch_.mask);
    }

    stopOnStackOverflow_ = c_.STPOVSTAK.checked;

    if (host_) {
        if (parallelInterface()) {
            host_->lptInit();
        } else {
            host_->lptClose();
        }
        host_->refreshMainWindow();
        host_->applyIdeMode(ideMode(), usbInterface());
    }

    const bool cx4b = chip_.coreVariant == 1;
    compilerChoicesForCore(c_, cx4b);

    open_ = false;
    return true;
}

bool OptionsModel::keyTyped(char typed) {
    if (!keys_.feed(typed) || engineerMode_) return false;
    engineerMode_ = true;
    c_.SELROM.items = kEngineerRomItems;
    engineerModeEntered.emit();
    return true;
}

std::string OptionsModel::engineerCaption(std::string_view uiText,
                                          std::string_view projectFile) const {
    return zerka::engineerCaption(uiText, library_.chipListVersion(), chipText(), c_.SelLPT.text(),
                                  projectFile);
}

} // namespace zerka
