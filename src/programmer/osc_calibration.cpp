#include "programmer/osc_calibration.h"

#include <charconv>
#include <string>

namespace zerka {

namespace {

constexpr uint32_t kDefaultLpo = 28000;
constexpr uint32_t kLpoLow = 22000, kLpoHigh = 35000;

std::optional<uint32_t> decimal(const std::string& text) {
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return v;
}

void put32(std::array<uint8_t, 64>& p, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr const char* kHaoMessage = "Input HAO over Range! Please Check Input HAO!!";
constexpr const char* kErrorMessage =
    "Permissable Error Input Over Range! Please Check Input Permissable error!!";
constexpr const char* kLpoMessage = "Input LPO over Range! Please Check Input LPO!!";

} // namespace

std::optional<std::string> calibrationInputProblem(const std::string& haoText,
                                                   const std::string& errorText,
                                                   const std::string& lpoText,
                                                   const ChipModel& chip, bool hardware,
                                                   bool softwareHao, bool softwareLpo) {
    if (hardware || (softwareHao && chip.hasHao)) {
        const auto hao = decimal(haoText);
        if (!hao || *hao < chip.hao.w5 || *hao > chip.hao.w6) return kHaoMessage;
    }
    if (hardware) {
        const auto error = decimal(errorText);
        if (!error || *error < 1 || *error > 100) return kErrorMessage;
    }
    if (hardware || softwareLpo) {
        const auto lpo = decimal(lpoText);
        if (!lpo || *lpo < kLpoLow || *lpo > kLpoHigh) return kLpoMessage;
    }
    return std::nullopt;
}

std::string calibrationRangeText(const std::string& message, const ChipModel& chip) {
    if (message == kHaoMessage)
        return "(" + std::to_string(chip.hao.w5) + " to " + std::to_string(chip.hao.w6) + " Hz)";
    if (message == kErrorMessage) return "(1 to 100 %)";
    if (message == kLpoMessage)
        return "(" + std::to_string(kLpoLow) + " to " + std::to_string(kLpoHigh) + " Hz)";
    return {};
}

std::optional<uint8_t> calibrationModeOf(bool h, bool s, bool l) {
    if (h) return static_cast<uint8_t>((s ? 2 : 0) + (l ? 1 : 0));
    if (l && s) return 6;
    if (s) return 5;
    if (l) return 4;
    return std::nullopt;
}

std::array<uint8_t, 64> calibrationSetupPacket(const CalibrationInputs& in, uint8_t mode,
                                               const ChipModel& chip, bool cx4aSelected,
                                               uint8_t transfer) {
    std::array<uint8_t, 64> p{};
    const HaoConstants& hao = chip.hao;
    const uint16_t w7 = chip.hasHao ? hao.w7 : static_cast<uint16_t>(chip.sbmStart);
    p[0] = kUnitSystemCommand;
    p[1] = kSystemCalibrationSetup;
    p[2] = transfer;
    p[3] = (in.hardware || in.softwareHao || in.softwareLpo) ? 39 : 0;
    p[4] = 11;
    put32(p, 5, in.haoTarget);
    p[9] = static_cast<uint8_t>(in.permissibleError);
    p[10] = 0;
    put32(p, 11, hao.w4);
    p[15] = hao.w2;
    p[16] = hao.w3 == 0 ? 8 : hao.w3;
    p[17] = static_cast<uint8_t>(w7);
    p[18] = mode;
    put32(p, 19, in.lpoTarget);
    const uint8_t fixed[6] = {0xFF, 0x06, 0xFF, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(fixed), std::end(fixed), p.begin() + 23);
    if (in.hardware) {
        p[27] = static_cast<uint8_t>(hao.w1);
        p[28] = 0x66;
    }
    p[29] = chip.mckcnBit.address;
    p[30] = static_cast<uint8_t>(chip.mckcnBit.bitCode + 0x90);
    p[31] = chip.triscBit.address;
    p[32] = static_cast<uint8_t>(chip.triscBit.bitCode + 0x90);
    p[33] = static_cast<uint8_t>(chip.triscBit.address - 1);
    p[34] = static_cast<uint8_t>(chip.triscBit.bitCode + 0xE0);
    p[35] = cx4aSelected ? 254 : static_cast<uint8_t>((w7 & 0xFF) + 5);
    p[36] = cx4aSelected ? 127 : 120;
    std::fill(p.begin() + 37, p.begin() + 45, 0xFF);
    if (mode == 1 || mode == 3 || mode == 4 || mode == 6) {
        p[38] = 0x06;
        p[40] = 0x66;
    }
    if (mode == 2 || mode == 3 || mode == 5 || mode == 6) {
        p[42] = 0x06;
        p[43] = 0xFE;
        p[44] = 0x66;
    }
    return p;
}

OscCalibration::OscCalibration(OptionsModel& options, const ChipModel& chip, UiHost& ui)
    : options_(options), chip_(chip), ui_(ui) {}

CalibrationInputs OscCalibration::inputs() const {
    const OptionsControls& c = options_.controls();
    CalibrationInputs in;
    in.hardware = c.EnHAO.checked;
    in.softwareHao = c.EnSHAO.checked;
    in.softwareLpo = c.EnSLAO.checked;
    in.haoTarget = decimal(c.EHAO.text).value_or(0);
    const auto error = decimal(c.EPERMISS.text);
    in.permissibleError = error && *error >= 1 && *error <= 100 ? *error : 1;
    const auto lpo = decimal(c.ELAO.text);
    in.lpoTarget = lpo && *lpo >= kLpoLow && *lpo <= kLpoHigh ? *lpo : kDefaultLpo;
    return in;
}

void OscCalibration::recomputeMode() {
    OptionsControls& c = options_.controls();
    if (!chip_.hasHao) c.EnHAO.checked = false;
    const CalibrationInputs in = inputs();
    c.EPERMISS.text = std::to_string(in.permissibleError);
    c.ELAO.text = std::to_string(in.lpoTarget);
    // The permissible error only matters to the hardware calibration.
    c.EPERMISS.visible = c.EnHAO.checked;
    if (const auto m = calibrationModeOf(c.EnHAO.checked, c.EnSHAO.checked, c.EnSLAO.checked))
        mode_ = *m;
}

bool OscCalibration::validateAndComputeMode() {
    const OptionsControls& c = options_.controls();
    if (const auto problem = calibrationInputProblem(c.EHAO.text, c.EPERMISS.text, c.ELAO.text,
                                                     chip_, true, false, false)) {
        ui_.messageBox(MessageType::Error, *problem, Buttons::Cancel);
        return false;
    }
    recomputeMode();
    return true;
}

std::optional<std::string> OscCalibration::setupProblem() const {
    const OptionsControls& c = options_.controls();
    // calSendSetup restores H from its saved state; a chip without #HAO has it off.
    const bool h = options_.savedHardwareCalibration() && chip_.hasHao;
    const bool s = c.EnSHAO.checked, l = c.EnSLAO.checked;
    if (!h && !s && !l) return std::nullopt;
    return calibrationInputProblem(c.EHAO.text, c.EPERMISS.text, c.ELAO.text, chip_, h, s, l);
}

void OscCalibration::restoreSavedSwitch() {
    options_.controls().EnHAO.checked = options_.savedHardwareCalibration();
    recomputeMode();
}

bool OscCalibration::calSendSetup(ProgLink& link, MessageLog& log, bool firmware2) {
    if (!firmware2) return true;
    restoreSavedSwitch();
    const CalibrationInputs in = inputs();
    const bool cx4a = options_.coreVariant() == 0;
    for (uint8_t transfer = 0; transfer < 2; ++transfer) {
        const auto packet = calibrationSetupPacket(in, mode_, chip_, cx4a, transfer);
        std::copy(packet.begin(), packet.end(), link.usb().ioBuffer.begin());
        if (!link.exchange(64, 64)) return false;
    }
    if (in.hardware) log.AddEntry("OK", 0, "H/W HAO Calibration Function ON!");
    if (in.softwareHao) log.AddEntry("OK", 0, "S/W HAO Calibration Function ON!");
    if (in.softwareLpo) log.AddEntry("OK", 0, "S/W LPO Calibration Function ON!");
    return true;
}

CalibrationOutcome runCalibrationJob(ProgLink& link, MessageLog& log) {
    CalibrationOutcome out;
    IoBuffer& b = link.usb().ioBuffer;
    b[0] = kProgJob;
    b[1] = kJobCalibrate;
    if (!link.exchange(2, 10)) return out; // a transfer failure skips the messages
    out.ran = true;
    out.code = b[1];
    out.flags = b[4];
    const uint8_t detail = b[5];
    const uint32_t value =
        uint32_t(b[6]) | uint32_t(b[7]) << 8 | uint32_t(b[8]) << 16 | uint32_t(b[9]) << 24;
    switch (out.code) {
    case 0:
        log.AddEntry("Next", 0, "HAO Calibration OK");
        log.AddEntry("Next", 0, "HAO Clock = " + std::to_string(value / 1000) + " KHz");
        break;
    case 1:
        log.AddEntry("Next", 0, "HAO had been Calibrated");
        break;
    case 253:
        log.AddEntry("ERROR", 0,
                     "Frequency is out of range\xEF\xBC\x8CHAOSYS=" + std::to_string(value));
        out.proceed = false;
        break;
    case 254: {
        const char* what = (out.flags & 0x40)   ? "CHIPID Check Error!! - "
                           : (out.flags & 0x10) ? "Blank Check Error!! - "
                           : (out.flags & 0x80) ? "HAO output Error!! - "
                                                : nullptr;
        if (what) log.AddEntry("ERROR", 0, what + std::to_string(detail));
        link.displayPosition(40);
        out.proceed = false;
        break;
    }
    default:
        break;
    }
    return out;
}

} // namespace zerka
