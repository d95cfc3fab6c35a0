#pragma once
// The options settings: every control of the options dialog as plain state, and the rules
// that tie them to the selected chip, the interface and the closing of the dialog. The dialog
// binds its widgets to controls(); the assembler, the build pipeline, the emulator link and the
// configuration files read and restore the settings through the accessors below.
//
// The model owns no device: what needs one goes through OptionsHost, the calibration page's
// validation through CalibrationRules. Both may be left unset (tests, the command line); the
// steps that need them are then skipped.
#include "chip/chip_library.h"
#include "chip/chip_model.h"
#include "chip/options_controls.h"
#include "chip/options_engineer.h"
#include "chip/options_host.h"
#include "core/signal.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zerka {

inline constexpr uint16_t kWdtVectorChipId = 0x71;     // chips with the WDT reset-vector workaround
inline constexpr uint16_t kNoStackStopBodyId = 0x8024; // emulator body without "Stack over STOP"
inline constexpr int kUsbInterfaceIndex = 4;

enum class OptionsPage { Interface, Configuration, ChipWatch, DebugTool, Calibration };

// The three switches of the "OSC Calibration" page.
enum class CalibrationSwitch { Hardware, SoftwareHao, SoftwareLpo };

// The emulator's data-watch trigger.
struct WatchTrigger {
    uint16_t address = 0;
    uint8_t data = 0;
    uint8_t mask = 0; // bit k set: watch bit k
};

// Program-memory types of the "ROM" selector.
enum class RomSelect { Ram62256 = 0, Eeprom28C256 = 1 };

// Every control of the dialog, named by its component name; groups without one are named by
// their role.
struct OptionsControls {
    // "InterSetup"
    ChoiceControl CbSeluP;   // chip list
    GroupControl iceGroup;   // "ICE控制"
    ChoiceControl SelLPT;    // interface
    ChoiceControl CbSelLang; // message language
    CheckControl PICE;       // IDE mode: emulate and debug
    CheckControl PProg;      // IDE mode: programmer
    GroupControl romGroup;   // "ROM"
    ChoiceControl SELROM;    // program-memory type

    // "ConfigSetup"
    CheckControl CkASC, CkList, CkBin, CkBinInv, CkMask, CkASCInv, CkBin2, CkToolEdit;
    RadioGroupControl fillMode; // "未使用區域填滿"
    CheckControl SmartCompiler, COptimization, CProtect;
    GroupControl coreGroup; // "組譯選擇"
    CheckControl PCX4A, PCX4B;
    GroupControl stackGroup; // "堆疊操作"
    CheckControl STKOVRST, STKOVSTOP;
    GroupControl acmGroup; // "ACM Voltage"
    CheckControl RACM10, RACM12;
    GroupControl wdtGroup; // "WDT Reset Vector"
    CheckControl ChWDTJMPOO;

    // "Chip Watch"
    EditControl EWatchAddress, EWatchData;
    std::array<CheckControl, 8> CkWatchB; // CkWatchB0 ... CkWatchB7
    CheckControl STPOVSTAK;

    // "Debug Tool"
    GroupControl voltagePanel;

    // "OSC Calibration"
    GroupControl calibrationGroup;
    CheckControl EnHAO, EnSHAO, EnSLAO;
    EditControl EHAO, EPERMISS, ELAO;
};

class OptionsModel {
  public:
    // Creating the model reads the chip list of `library` and subscribes to its load
    // notifications; `chip` is the model that chip choices load into. Both must outlive this.
    OptionsModel(ChipLibrary& library, ChipModel& chip);
    ~OptionsModel();
    OptionsModel(const OptionsModel&) = delete;
    OptionsModel& operator=(const OptionsModel&) = delete;

    void setHost(OptionsHost* host) { host_ = host; }
    void setCalibrationRules(CalibrationRules* rules) { calibration_ = rules; }

    OptionsControls& controls() { return c_; }
    const OptionsControls& controls() const { return c_; }
    const ChipModel& chip() const { return chip_; }
    ChipLibrary& library() { return library_; }

    // Fills the chip selector again from the library's chip list.
    void refreshChipList();

    // --- Chip -------------------------------------------------------------------------------
    // Choosing a chip in the dialog: switches calibration off, loads the chip and sets the
    // compiler, watchdog, stack and analog-reference options for it. False when the index is
    // not in the list or the chip could not be loaded (the options are then set from the model
    // as it stands).
    bool chooseChip(int index, std::string* error = nullptr);
    // Loads the chip at chipIndex() without the dialog's own steps (configuration and project
    // loading, programmer operations).
    bool reloadChip(std::string* error = nullptr);
    // Restores the selected index without loading (configuration reading).
    void restoreChipIndex(int index) { c_.CbSeluP.itemIndex = index; }
    int chipIndex() const { return c_.CbSeluP.itemIndex; }
    std::string chipText() const { return c_.CbSeluP.text(); }
    // The context of a load: the host's, with this model's language.
    ChipLoadContext loadContext() const;

    // The option states a load sets; wired to the library's notifications.
    void onChipReset(const ChipReset& reset);
    void onChipLoaded(const ChipLoaded& loaded);

    // --- Interface page ---------------------------------------------------------------------
    // Selects an interface item; portBase() becomes the hexadecimal value of the item text's
    // first three characters (0 when they are not one). False for an index not in the list.
    bool selectInterface(int index);
    // Restores both values as stored (configuration reading).
    void restoreInterface(int index, uint16_t portBase);
    int interfaceIndex() const { return c_.SelLPT.itemIndex; }
    uint16_t portBase() const { return portBase_; }
    bool usbInterface() const { return interfaceIndex() == kUsbInterfaceIndex; }
    bool parallelInterface() const { return interfaceIndex() >= 1 && interfaceIndex() <= 3; }

    bool selectLanguage(int index);
    int languageIndex() const { return c_.CbSelLang.itemIndex; }

    void selectIdeMode(IdeMode mode);
    IdeMode ideMode() const { return c_.PProg.checked ? IdeMode::Programmer : IdeMode::Debugger; }

    bool selectRom(int index);
    RomSelect romSelect() const { return RomSelect(c_.SELROM.itemIndex); }

    // --- Configuration page -----------------------------------------------------------------
    // Unchecking "Smart Compiler" unchecks "Optimization"; checking "Optimization" checks
    // "Smart Compiler".
    void setSmartCompiler(bool checked);
    void setOptimization(bool checked);
    // Clicks on the core radio buttons, with the button's state after the click.
    void clickCX4A(bool checked);
    void clickCX4B(bool checked);
    // Sets the core and its radio buttons (configuration reading).
    void setCoreVariant(uint8_t variant);
    bool setFillMode(int mode);
    void selectAcm(bool high);

    bool asciiFileEnabled() const { return c_.CkASC.checked; }
    bool listingEnabled() const { return c_.CkList.checked; }
    bool hexFileEnabled() const { return c_.CkBin.checked; }
    bool objectFileEnabled() const { return c_.CkBin2.checked; }
    bool editToolbarVisible() const { return c_.CkToolEdit.checked; }
    int fillMode() const { return c_.fillMode.value; }
    bool smartCompiler() const { return c_.SmartCompiler.checked; }
    bool optimization() const { return c_.COptimization.checked; }
    bool programProtect() const { return c_.CProtect.checked; }
    uint8_t coreVariant() const { return chip_.coreVariant; }
    bool stackOverReset() const { return c_.STKOVRST.checked; }
    bool stackOverStop() const { return c_.STKOVSTOP.checked; }
    bool acmGroupEnabled() const { return c_.acmGroup.enabled; }
    bool acm10() const { return c_.RACM10.checked; }
    bool acm12() const { return c_.RACM12.checked; }
    bool wdtJmp0() const { return c_.ChWDTJMPOO.checked; }

    // --- Chip Watch page --------------------------------------------------------------------
    const WatchTrigger& watchTrigger() const { return watch_; }
    bool stopOnStackOverflow() const { return stopOnStackOverflow_; }
    // Restores the trigger and the "STOP When OV Stack" box (configuration reading).
    void restoreWatch(const WatchTrigger& trigger, bool stopOnStackOverflow);

    // --- Calibration ------------------------------------------------------------------------
    bool savedHardwareCalibration() const { return savedHardwareCalibration_; }
    void restoreHardwareCalibration(bool on) { savedHardwareCalibration_ = on; }
    // A click on one of the page's switches, with its state after the click: the calibration
    // rules recompute the mode at once (and may switch "Enable H/W Calibration" off again for a
    // chip without #HAO).
    void clickCalibrationSwitch(CalibrationSwitch which, bool checked);

    // --- The dialog -------------------------------------------------------------------------
    // Before the dialog is shown: first page, "Stack over STOP" for the emulator body, the
    // hardware calibration switch from its saved state.
    void openOptions();
    // A page button. False when the page could not be shown ("Debug Tool" without a USB
    // connection, "OSC Calibration" outside programmer mode); the visible page is then kept.
    bool showPage(OptionsPage page);
    OptionsPage visiblePage() const { return page_; }
    bool isOpen() const { return open_; }
    // The close button. False when the calibration inputs were refused: the dialog stays open
    // and nothing else changes.
    bool closeOptions();

    // --- Engineer mode ----------------------------------------------------------------------
    // A character typed while the dialog has the focus. True when it switched engineer mode on.
    bool keyTyped(char typed);
    bool engineerMode() const { return engineerMode_; }
    // The main window's caption in engineer mode.
    std::string engineerCaption(std::string_view uiText, std::string_view projectFile) const;
    Signal<> engineerModeEntered;

  private:
    void applyChipOptionStates(const ChipLoaded& loaded);

    ChipLibrary& library_;
    ChipModel& chip_;
    OptionsHost* host_ = nullptr;
    CalibrationRules* calibration_ = nullptr;
    OptionsControls c_;
    Signal<const ChipReset&>::Connection resetConnection_ = 0;
    Signal<const ChipLoaded&>::Connection loadedConnection_ = 0;

    uint16_t portBase_ = 0;
    WatchTrigger watch_;
    bool stopOnStackOverflow_ = false;
    bool savedHardwareCalibration_ = false;
    OptionsPage page_ = OptionsPage::Interface;
    bool open_ = false;
    bool engineerMode_ = false;
    EngineerKeySequence keys_;
};

// A watch box's text read as hexadecimal; 0 when it is not a hexadecimal number or does not fit
// below `limit`.
uint32_t watchBoxValue(std::string_view text, uint32_t limit);

} // namespace zerka
