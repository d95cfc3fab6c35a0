#include "target/programmer_unit.h"

#include "core/text.h"
#include "link/ice_protocol.h"
#include "link/programmer_protocol.h"

#include <algorithm>

namespace zerka {

namespace {

// Where the programmer keeps its settings: the top flash sector, which no image reaches.
constexpr uint32_t kSettingsAddress = 0x1F000;
constexpr uint8_t kSettingsMark = 0x53;

uint32_t bytes24(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) << 16 | static_cast<uint32_t>(b[1]) << 8 | b[2];
}

// Unit times of the jobs; a 32K-word program takes about 3.3 s.
std::chrono::microseconds jobTime(uint8_t code, uint32_t words) {
    using us = std::chrono::microseconds;
    switch (code) {
    case kJobProgram:
        return us(20000 + 100 * uint64_t(words));
    case kJobBlank:
        return us(10000 + 10 * uint64_t(words));
    case kJobVerify:
        return us(10000 + 20 * uint64_t(words));
    case kJobProgramSbm:
        return us(20000 + 100 * kSbmJobWords);
    case kJobProtect:
        return us(50000);
    default:
        return us(10000);
    }
}

} // namespace

ProgrammerUnit::ProgrammerUnit(ProgrammerConfig config)
    : config_(std::move(config)), flash_(config_.clock, config_.timeScale) {
    // A state that could not be kept would be lost at the end without a word: refused now.
    if (!config_.flashState.empty() && flash_.load(config_.flashState, problem_))
        SerialFlash::canSave(config_.flashState, problem_);
    loadSettings();
    flash_.setStuckBusy(config_.faults.flashBusy);
    const SocketSetup& s = config_.socket;
    if (s.kind == SocketSetup::Kind::Empty) {
        chip_.remove();
    } else {
        chip_.insertBlank(s.kind == SocketSetup::Kind::Blank ? s.chipId : 0xFFFF);
        if (!s.imageCode.empty() || !s.imageInfo.empty()) chip_.loadImage(s.imageCode, s.imageInfo);
        if (s.protectedChip) chip_.status &= static_cast<uint16_t>(~kChipStatusProtectBit);
    }
    chip_.setWeakCell(config_.faults.verifyFailAddress);
}

ProgrammerUnit::~ProgrammerUnit() {
    std::string ignored;
    if (flash_.dirty()) saveState(ignored);
}

std::chrono::steady_clock::time_point ProgrammerUnit::now() const {
    return config_.clock ? config_.clock() : std::chrono::steady_clock::now();
}

bool ProgrammerUnit::saveState(std::string& problem) {
    if (config_.flashState.empty() || !problem_.empty()) return true;
    if (!flash_.save(config_.flashState, problem)) return false;
    flash_.markClean();
    return true;
}

bool ProgrammerUnit::saveIfChanged(std::string& problem) {
    return !flash_.dirty() || saveState(problem);
}

void ProgrammerUnit::modeChanged() {
    std::string ignored;
    if (flash_.dirty()) saveState(ignored);
}

void ProgrammerUnit::connectionOpened() {
    transfer_ = {};
}

void ProgrammerUnit::loadSettings() {
    if (flash_.read(kSettingsAddress) != kSettingsMark) return;
    auto at = [this](uint32_t i) { return flash_.read(kSettingsAddress + i); };
    settings_.key = at(1);
    settings_.buzzer = at(2);
    settings_.checksum = at(3);
    settings_.numberOn = at(4);
    settings_.number =
        uint32_t(at(5)) | uint32_t(at(6)) << 8 | uint32_t(at(7)) << 16 | uint32_t(at(8)) << 24;
    settings_.numberParam = at(9);
    flash_.markClean();
}

void ProgrammerUnit::storeSettings() {
    const uint8_t bytes[10] = {kSettingsMark,
                               settings_.key,
                               settings_.buzzer,
                               settings_.checksum,
                               settings_.numberOn,
                               static_cast<uint8_t>(settings_.number),
                               static_cast<uint8_t>(settings_.number >> 8),
                               static_cast<uint8_t>(settings_.number >> 16),
                               static_cast<uint8_t>(settings_.number >> 24),
                               settings_.numberParam};
    for (uint32_t i = 0; i < 10; i += 2)
        flash_.store(kSettingsAddress + i, static_cast<uint16_t>(bytes[i] << 8 | bytes[i + 1]));
}

// A chip that takes the type of the image: fixed by the first look once the flash has one.
void ProgrammerUnit::refreshSocket() {
    if (config_.socket.kind != SocketSetup::Kind::FollowFlash || chip_.id != 0xFFFF) return;
    const uint16_t flashId = flashWord(kFlashIdArea + 4);
    if (flashId != 0xFFFF && flashId != 0) chip_.id = flashId;
}

bool ProgrammerUnit::handleSystem(uint8_t sub, const uint8_t* p, size_t n,
                                  std::vector<uint8_t>& r) {
    auto arg = [p, n](size_t i) -> uint8_t { return i < n ? p[i] : 0; };
    auto setting = [&](uint8_t& value, bool set) {
        if (set) {
            value = arg(2);
            storeSettings();
        }
        r.assign(8, 0);
        r[0] = kUnitAck;
        r[1] = value;
    };
    switch (sub) {
    case kSettingSetKey:
    case kSettingGetKey:
        setting(settings_.key, sub == kSettingSetKey);
        return true;
    case kSettingSetBuzzer:
    case kSettingGetBuzzer:
        setting(settings_.buzzer, sub == kSettingSetBuzzer);
        return true;
    case kSettingSetChecksum:
    case kSettingGetChecksum:
        setting(settings_.checksum, sub == kSettingSetChecksum);
        return true;
    case kSettingSetNumber:
        settings_.numberOn = arg(2);
        if (n >= 8) {
            settings_.number = uint32_t(arg(3)) | uint32_t(arg(4)) << 8 | uint32_t(arg(5)) << 16 |
                               uint32_t(arg(6)) << 24;
            settings_.numberParam = arg(7);
        }
        storeSettings();
        r = {kUnitAck, settings_.numberOn, 0};
        return true;
    case kSettingGetNumber:
        r.assign(8, 0);
        r[0] = kUnitAck;
        r[1] = settings_.numberOn;
        for (int i = 0; i < 4; ++i)
            r[2 + i] = static_cast<uint8_t>(settings_.number >> (8 * i));
        return true;
    case kSystemCalibrationSetup: {
        // The calibration set-up comes as two 64-byte transfers; the second confirms the first.
        std::copy_n(p, std::min<size_t>(n, setup_.size()), setup_.begin());
        r.assign(64, 0);
        r[0] = kUnitAck;
        r[1] = kSystemCalibrationSetup;
        r[2] = arg(2);
        return true;
    }
    case kSystemSkipTrim:
        settings_.skipTrim = true;
        r.assign(8, 0);
        r[0] = kUnitAck;
        return true;
    default:
        return false;
    }
}

bool ProgrammerUnit::handlePacket(const uint8_t* p, size_t n, size_t packetLimit,
                                  std::optional<std::vector<uint8_t>>& reply) {
    reply.reset();
    if (transfer_.kind == Transfer::Kind::FlashWrite) {
        const size_t piece = std::min<size_t>({n, packetLimit, transfer_.remaining});
        for (size_t i = 0; i < piece; ++i)
            flash_.program(transfer_.address + static_cast<uint32_t>(i), p[i]);
        transfer_.address += static_cast<uint32_t>(piece);
        transfer_.remaining -= static_cast<uint32_t>(piece);
        if (transfer_.remaining == 0) transfer_ = {};
        reply = std::vector<uint8_t>{kUnitAck, static_cast<uint8_t>(transfer_.remaining >> 8),
                                     static_cast<uint8_t>(transfer_.remaining)};
        return true;
    }
    auto arg = [p, n](size_t i) -> uint8_t { return i < n ? p[i] : 0; };
    switch (p[0]) {
    case kProgFlashCommand:
        reply = flashCommand(p, n);
        return true;
    case kProgFlashTransfer: {
        transfer_ = {};
        const uint8_t header[6] = {arg(2), arg(3), arg(4), arg(5), arg(6), arg(7)};
        const uint32_t address = bytes24(header);
        const uint32_t count = bytes24(header + 3);
        const bool write = arg(1) == kFlashTransferWrite;
        if ((arg(1) != kFlashTransferWrite && arg(1) != kFlashTransferRead) || n < 8 ||
            address + count > SerialFlash::kSize) {
            reply = std::vector<uint8_t>{kProgRefused};
            return true;
        }
        // The flash answers nothing while it is busy; a write needs the write enable.
        if (write ? !flash_.beginWrite() : flash_.busy()) {
            reply = std::vector<uint8_t>{kProgRefused};
            return true;
        }
        if (count > 0) {
            transfer_.kind = write ? Transfer::Kind::FlashWrite : Transfer::Kind::FlashRead;
            transfer_.address = address;
            transfer_.remaining = count;
        }
        reply = std::vector<uint8_t>{kUnitBlockAck};
        return true;
    }
    case kProgFlashReadPiece:
    case kProgChipReadPiece: {
        const bool flash = p[0] == kProgFlashReadPiece;
        if (transfer_.kind != (flash ? Transfer::Kind::FlashRead : Transfer::Kind::ChipRead))
            return true; // no transfer: no answer
        const size_t piece = std::min<size_t>(packetLimit, transfer_.remaining);
        std::vector<uint8_t> data(piece);
        for (size_t i = 0; i < piece; ++i) {
            if (flash) {
                data[i] = flash_.read(transfer_.address + static_cast<uint32_t>(i));
            } else {
                const uint32_t byte = transfer_.offset + static_cast<uint32_t>(i);
                const uint16_t w = chip_.read(transfer_.start, byte / 2);
                data[i] = static_cast<uint8_t>(byte % 2 ? w : w >> 8);
            }
        }
        transfer_.address += static_cast<uint32_t>(piece);
        transfer_.offset += static_cast<uint32_t>(piece);
        transfer_.remaining -= static_cast<uint32_t>(piece);
        if (transfer_.remaining == 0) transfer_ = {};
        reply = std::move(data);
        return true;
    }
    case kProgReadChipWords: {
        refreshSocket();
        const uint8_t a[3] = {arg(1), arg(2), arg(3)};
        const uint32_t start = bytes24(a);
        std::vector<uint8_t> r(8, 0xFF);
        for (uint32_t i = 0; i < 4; ++i) {
            const uint16_t w = chip_.read(start, i);
            r[2 * i] = static_cast<uint8_t>(w >> 8);
            r[2 * i + 1] = static_cast<uint8_t>(w);
        }
        reply = std::move(r);
        return true;
    }
    case kProgChipRead: {
        refreshSocket();
        transfer_ = {};
        const uint8_t a[6] = {arg(1), arg(2), arg(3), arg(4), arg(5), arg(6)};
        const uint32_t words = bytes24(a + 3);
        if (words > 0) {
            transfer_.kind = Transfer::Kind::ChipRead;
            transfer_.start = bytes24(a) / 2;
            transfer_.remaining = 2 * words;
        }
        reply = std::vector<uint8_t>{kUnitAck, kProgChipRead, 0, 0, 0};
        return true;
    }
    case kProgJob: {
        const uint8_t code = arg(1);
        if (code == kJobStatus)
            reply = jobStatus();
        else if (code == kJobCloseCalibration)
            reply =
                std::vector<uint8_t>{kUnitAck, kJobCloseCalibration, arg(2), 0, 0, 0, 0, 0, 0, 0};
        else
            reply = startJob(code);
        return true;
    }
    default:
        return false;
    }
}

std::vector<uint8_t> ProgrammerUnit::flashCommand(const uint8_t* p, size_t n) {
    const uint8_t sub = n > 1 ? p[1] : 0;
    switch (sub) {
    case kFlashReadStatus:
        return {static_cast<uint8_t>(flash_.busy() ? 0x01 : 0x00)};
    case kFlashWriteEnable:
        return {static_cast<uint8_t>(flash_.writeEnable() ? kUnitAck : kProgRefused),
                kFlashWriteEnable, 0};
    case kFlashSectorErase: {
        const uint32_t a = n >= 5 ? bytes24(p + 2) : 0;
        return {static_cast<uint8_t>(flash_.eraseSector(a) ? kUnitAck : kProgRefused),
                kFlashSectorErase, 0};
    }
    default:
        return {kProgRefused, sub, 0};
    }
}

std::vector<uint8_t> ProgrammerUnit::startJob(uint8_t code) {
    std::vector<uint8_t> r(10, 0);
    if (code == kJobCalibrate) return calibrate();
    if (job_.active && now() < job_.end) {
        r[0] = kProgRefused;
        return r;
    }
    refreshSocket();
    job_ = {};
    if (code > kJobProtect) {
        r[0] = kProgRefused;
        return r;
    }
    runJob(code, job_);
    job_.active = true;
    job_.code = code;
    uint32_t words = flashWord(kFlashIdArea + 2);
    if (words > kChipCodeWords) words = 0;
    job_.end = now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           jobTime(code, words) * config_.timeScale);
    r[0] = kUnitAck;
    r[1] = code;
    return r;
}

// The whole job is done at its start; the status answers "busy" until its time is over.
void ProgrammerUnit::runJob(uint8_t code, Job& job) {
    const uint16_t base = flashWord(kFlashIdArea + 2);
    job.base = base;
    auto fail = [&job](uint8_t flags, uint32_t address, uint16_t data) {
        job.flags = flags;
        job.address = static_cast<uint16_t>(address);
        job.data = data;
    };
    if (config_.faults.vdd) return fail(kJobFailWord | kJobVddError, 0, 0);
    if (!chip_.present) return fail(kJobFailSocket, 0, 0);
    const uint32_t words = base;
    if (words == 0 || words > kChipCodeWords || flash_.busy()) return fail(kJobFailSocket, 0, 0);
    if (flashWord(kFlashIdArea + 4) != chip_.id) return fail(kJobFailChip, 0, chip_.id);
    const bool needsVpp = code == kJobProgram || code == kJobProgramSbm || code == kJobProtect;
    if (needsVpp && config_.faults.vpp) return fail(kJobFailWord | kJobVppError, 0, 0);
    const bool isProtected = (chip_.status & kChipStatusProtectBit) == 0;
    if (needsVpp && isProtected) return fail(kJobFailWord, 0, chip_.status);
    const bool numberOn = settings_.numberOn == kSettingOn;
    auto sbmImage = [&](uint32_t i) -> uint16_t {
        if (numberOn && i == 110) return static_cast<uint16_t>(settings_.number >> 16);
        if (numberOn && i == 111) return static_cast<uint16_t>(settings_.number);
        return infoWord(i);
    };
    switch (code) {
    case kJobProgram:
        for (uint32_t k = 0; k < words; ++k)
            chip_.burnCode(k, imageWord(k));
        // Marks the chip programmed, with its checksum in SBM word 123.
        chip_.status &= static_cast<uint16_t>(0xFF00 | infoWord(127));
        break;
    case kJobProgramSbm:
        for (uint32_t i = 0; i < kSbmJobWords; ++i)
            chip_.burnSbm(i, sbmImage(i));
        if (numberOn) {
            ++settings_.number;
            storeSettings();
        }
        break;
    case kJobBlank:
        for (uint32_t k = 0; k < words; ++k)
            if (chip_.code(k) != 0xFFFF) return fail(kJobFailWord, k, chip_.code(k));
        break;
    case kJobBlankSbm:
        for (uint32_t i = 0; i < kSbmJobWords; ++i)
            if (chip_.sbm(i) != 0xFFFF) return fail(kJobFailWord, i, chip_.sbm(i));
        break;
    case kJobVerify:
        for (uint32_t k = 0; k < words; ++k)
            if (chip_.code(k) != imageWord(k)) return fail(kJobFailWord, k, chip_.code(k));
        break;
    case kJobVerifySbm:
        for (uint32_t i = 0; i < kSbmJobWords; ++i) {
            if (i >= kOwnInfoFirst && i <= kOwnInfoLast) continue;
            if (chip_.sbm(i) != infoWord(i)) return fail(kJobFailWord, i, chip_.sbm(i));
        }
        break;
    case kJobProtect:
        chip_.status &= static_cast<uint16_t>(infoWord(127) | 0x00FF);
        break;
    default:
        break;
    }
    job.flags = kJobSuccess;
}

std::vector<uint8_t> ProgrammerUnit::jobStatus() {
    std::vector<uint8_t> r(10, 0);
    r[0] = kUnitAck;
    if (!job_.active) {
        r[2] = kJobFailSocket; // no job was started
        return r;
    }
    if (now() < job_.end) {
        r[1] = 1;
        return r;
    }
    // Error address = bytes 3..4 + word 1 of FFE0h - bytes 5..6.
    r[2] = job_.flags;
    r[3] = static_cast<uint8_t>(job_.address >> 8);
    r[4] = static_cast<uint8_t>(job_.address);
    r[5] = static_cast<uint8_t>(job_.base >> 8);
    r[6] = static_cast<uint8_t>(job_.base);
    r[7] = static_cast<uint8_t>(job_.data >> 8);
    r[8] = static_cast<uint8_t>(job_.data);
    return r;
}

// Calibration answers at once: code in byte 1, flags byte 4, detail byte 5, value bytes 6..9.
std::vector<uint8_t> ProgrammerUnit::calibrate() {
    refreshSocket();
    std::vector<uint8_t> r(10, 0);
    r[0] = kUnitAck;
    const uint32_t target = uint32_t(setup_[5]) | uint32_t(setup_[6]) << 8 |
                            uint32_t(setup_[7]) << 16 | uint32_t(setup_[8]) << 24;
    uint8_t code = 0;
    uint8_t flags = 0;
    uint32_t value = 0;
    const bool blank = [this] {
        for (uint32_t k = 0; k < 256; ++k)
            if (chip_.code(k) != 0xFFFF) return false;
        return true;
    }();
    if (!chip_.present || chip_.id != flashWord(kFlashIdArea + 4)) {
        code = 254;
        flags = 0x40;
    } else if (chip_.calibrated) {
        code = 1;
    } else if (!blank) {
        code = 254;
        flags = 0x10;
    } else if (target < 500000 || target > 16000000) {
        // The oscillator's trim reaches no further: the value is the trim register.
        code = 253;
        value = target < 500000 ? 0 : 255;
    } else {
        // Trimmed to within 0.1 %.
        value = target + target / 1000;
        chip_.calibrated = true;
    }
    if (calResult_) {
        code = *calResult_;
        flags = calFlags_;
        if (code == 0) value = target;
    }
    r[1] = code;
    r[4] = flags;
    r[5] = code == 254 ? 3 : 0;
    for (int i = 0; i < 4; ++i)
        r[6 + i] = static_cast<uint8_t>(value >> (8 * i));
    return r;
}

std::string ProgrammerUnit::describeJobs() const {
    return "job " + std::to_string(job_.code) + " flags " + hexText(job_.flags, 2);
}

} // namespace zerka
