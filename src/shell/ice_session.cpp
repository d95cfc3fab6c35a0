#include "shell/ice_session.h"

#include "shell/self_erom_breakpoints.h"
#include "upcentre/core/instruction_set.h"

namespace zerka {

IceSession::IceSession(TZk_UP& up, const ChipModel& chip, const OptionsModel& options, UiHost& ui,
                       UsbBackends backends, std::unique_ptr<PortProvider> port, WaitHook wait)
    : up_(up), chip_(chip), options_(options), ui_(ui), wait_(std::move(wait)),
      usb_(std::move(backends)), lpt_(usb_.ioBuffer, std::move(port)),
      ice_(usb_, lpt_, settings_, waits()),
      memory_(up.cpu(), ice_, usb_, lpt_, settings_, ui, waits()),
      run_(up, ice_, memory_, settings_, &ui, waits()) {}

WaitHook IceSession::waits() {
    // The parts wait through the session, whose hook follows the unit.
    return [this](std::chrono::milliseconds ms) {
        if (wait_) wait_(ms);
    };
}

void IceSession::setTransports(UsbBackends backends, std::unique_ptr<PortProvider> port,
                               WaitHook wait) {
    run_.detach();
    usb_.setBackends(std::move(backends));
    lpt_.setProvider(std::move(port));
    wait_ = std::move(wait);
}

IceSession::~IceSession() {
    run_.detach();
    usb_.close();
}

void IceSession::configure() {
    IceSettings& st = settings_;
    st.usb = options_.usbInterface();
    st.stopOnStackOverflow = options_.stopOnStackOverflow();
    st.romSelect =
        options_.romSelect() == RomSelect::Eeprom28C256 ? RomType::Eeprom28C256 : RomType::Ram62256;
    st.stackDepth = chip_.stackDepth;
    st.emulatorIds = chip_.emulatorIds;
    const ChipModel* chip = &chip_;
    st.bitRegisterMask = [chip](uint16_t a) -> std::optional<uint8_t> {
        if (a >= kDataAddressCount || !chip->findBitRegister(a)) return std::nullopt;
        return chip->implementedBits[a];
    };
    st.coreVariant = chip_.coreVariant;
    st.selfEromMode = chip_.selfEromMode;
    st.selfEromPage = chip_.selfEromPage;
    for (size_t i = 0; i < st.selfEromParam.size(); ++i)
        st.selfEromParam[i] = uint16_t(chip_.selfEromParam[i]);
}

uint8_t IceSession::connectCheck() {
    configure();
    if (!settings_.usb) return 0; // the printer port has no connect handshake
    return usb_.connect();
}

int IceSession::chipIdCheck() {
    configure();
    const uint8_t r = ice_.readIceBodyId();
    return r == 0 ? 0 : (r == 1 ? 1 : 2);
}

bool IceSession::firmware2() {
    configure();
    return ice_.iceFirmwareAtLeast2();
}

bool IceSession::switchDebugMode() {
    configure();
    return ice_.iceDebugMode();
}

bool IceSession::switchProgrammerMode() {
    configure();
    return ice_.iceProgrammerMode();
}

bool IceSession::selectCore(uint8_t coreVariant) {
    if (!ice_.iceWriteByte(kIceCoreSelect, coreVariant & 1)) return false;
    return (ice_.iceReadByte(kIceCoreSelect) & 1) == (coreVariant & 1);
}

bool IceSession::writeInfoBlock(const std::array<uint16_t, 256>& words) {
    EmulatorMemory::InfoBlock info{};
    std::copy(words.begin(), words.end(), info.begin());
    if (!memory_.WriteInfoBlock(kIceInfoBlockAddress, info)) return false;
    return memory_.infoReadBack() == info;
}

void IceSession::haltAndStartMonitor() {
    // A failed transfer here marks the link lost; the range guard that follows then fails.
    ice_.iceHalt();
    ice_.iceMonitorStart();
    if (wait_) wait_(std::chrono::milliseconds(100));
    ice_.iceMonitorFinish();
    if (wait_) wait_(std::chrono::milliseconds(100));
}

bool IceSession::rangeGuard(uint32_t limit) {
    run_.setSettings(EmulatorRunSettings::fromChip(chip_));
    return run_.EmulatorRangeGuard(limit);
}

int IceSession::memoryTest() {
    uint32_t position = 0;
    return memory_.EmulatorMemoryTest(false, position);
}

bool IceSession::downloadAndVerify() {
    return memory_.DownloadAndVerify(true);
}

bool IceSession::mirrorTest8K() {
    return memory_.MirrorTest8K();
}

void IceSession::enterDebug(uint16_t watchAddress, uint8_t watchData, uint8_t watchMask) {
    up_.setStopOnStackFull(options_.stopOnStackOverflow());
    run_.setSettings(EmulatorRunSettings::fromChip(chip_));
    run_.setWatch(watchMask, watchData, watchAddress);
    run_.attach();
    run_.refreshMirror();
    run_.resetCycleCounter();
}

bool IceSession::placeSelfEromBreakpoints(std::span<const uint32_t> accesses) {
    return zerka::placeSelfEromBreakpoints(up_, run_, accesses);
}

void IceSession::setWatch(uint16_t address, uint8_t data, uint8_t mask) {
    // The next run's preparation sends the settings again; this takes effect now.
    run_.setWatch(mask, data, address);
    ice_.iceSetWatch(mask, data, address);
}

void IceSession::leaveDebug() {
    run_.detach();
}

bool IceSession::linkAlive() {
    return !settings_.usb || usb_.connect() == kLinkConnected;
}

int IceSession::bodyCheck(uint16_t& word) {
    configure();
    const uint8_t r = ice_.readIceBodyId();
    // No answer is no sign of a sleeping body.
    word = r == 255 ? 0xFFFF : ice_.iceBodyId();
    return r == 0 ? 0 : (r == 1 ? 1 : 2);
}

bool IceSession::checkProgramMemory() {
    return memory_.CheckProgramMemory();
}

int IceSession::fullMemoryTest(uint32_t& position) {
    configure();
    // Edit mode has no session yet: the unit must answer before the test starts.
    if (settings_.usb && usb_.connect() != kLinkConnected) return kMemoryTestLinkFailed;
    return memory_.EmulatorMemoryTest(true, position);
}

bool IceSession::reloadProgram() {
    return memory_.ReloadProgram();
}

void IceSession::release() {
    run_.detach();
    usb_.close();
}

} // namespace zerka
