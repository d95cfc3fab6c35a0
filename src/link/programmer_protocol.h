#pragma once
// The programmer's wire, named once for both ends: the host's programmer commands send it and
// the virtual unit's programmer answers it. USB commands, job codes and result flags, the
// settings sub-commands, the layout of an image in the programmer's flash, and the word
// commands of the printer-port programmer.
#include <cstdint>

namespace zerka {

// First byte of a USB packet.
constexpr uint8_t kProgFlashTransfer = 0xAA; // then kFlashTransferWrite or kFlashTransferRead
constexpr uint8_t kProgFlashReadPiece = 0xAB;
constexpr uint8_t kProgFlashCommand = 0xAC; // then a serial-flash command byte
constexpr uint8_t kProgReadChipWords = 0xB4;
constexpr uint8_t kProgChipRead = 0xB6;
constexpr uint8_t kProgChipReadPiece = 0xB7;
constexpr uint8_t kProgJob = 0xB8;

constexpr uint8_t kFlashTransferWrite = 0x02;
constexpr uint8_t kFlashTransferRead = 0x03;
// Serial-flash commands of kProgFlashCommand.
constexpr uint8_t kFlashReadStatus = 0x05;
constexpr uint8_t kFlashWriteEnable = 0x06;
constexpr uint8_t kFlashSectorErase = 0xD8;
// The first byte of an answer the programmer cannot give.
constexpr uint8_t kProgRefused = 0xEE;

// Job codes of kProgJob.
enum ProgJob : uint8_t {
    kJobProgram = 0,
    kJobProgramSbm = 1,
    kJobBlank = 2,
    kJobBlankSbm = 3,
    kJobVerify = 4,
    kJobVerifySbm = 5,
    kJobProtect = 6,
    kJobCalibrate = 7,
};
constexpr uint8_t kJobStatus = 0x10;
constexpr uint8_t kJobCloseCalibration = 0x80;

// Result flags of a finished job (byte 2 of the status).
constexpr uint8_t kJobFailWord = 0x01;   // a word differs
constexpr uint8_t kJobFailChip = 0x02;   // the chip is not the one the image is for
constexpr uint8_t kJobFailSocket = 0x04; // no chip, or no image in the flash
constexpr uint8_t kJobSuccess = 0x08;
constexpr uint8_t kJobVppError = 0x10;
constexpr uint8_t kJobVddError = 0x20;

// The programmer's own settings: system-command sub-commands, set then get.
constexpr uint8_t kSettingSetKey = 0x0D, kSettingGetKey = 0x0E;
constexpr uint8_t kSettingSetBuzzer = 0x13, kSettingGetBuzzer = 0x14;
constexpr uint8_t kSettingSetChecksum = 0x18, kSettingGetChecksum = 0x19;
constexpr uint8_t kSettingSetNumber = 0x1A, kSettingGetNumber = 0x1B;
// The calibration set-up (two 64-byte transfers) and skipping the trim.
constexpr uint8_t kSystemCalibrationSetup = 0x10;
constexpr uint8_t kSystemSkipTrim = 0x12;
// A stored switch: on is AAh, off FFh.
constexpr uint8_t kSettingOn = 0xAA;
constexpr uint8_t kSettingOff = 0xFF;

// A chip's words as the programmer reads them (kProgChipRead, kProgReadChipWords): the code
// from 0, the SBM area from 4000h (128 words, then the BIE banks), and the identifier and the
// status word at 80FEh and 80FFh.
constexpr uint32_t kChipCodeWords = 0x8000;
constexpr uint32_t kChipSbmAddress = 0x4000;
constexpr uint32_t kChipSbmWords = 0x100;
constexpr uint32_t kChipIdAddress = 0x80FE;
constexpr uint32_t kChipStatusAddress = 0x80FF;
// Status word: bit 11 clear = protected; bit 0 clear = programmed (the checksum then stands in
// SBM word 123). An image's information word 127 asks for protection the same way.
constexpr uint16_t kChipStatusProtectBit = 0x0800;

// An image in the programmer's flash.
constexpr uint32_t kSbmJobWords = 128;
constexpr uint32_t kFlashInfoFirstHalf = 0x8000;
constexpr uint32_t kFlashInfoSecondHalf = 0xFF00;
constexpr uint32_t kFlashIdArea = 0xFFE0;
constexpr uint32_t kFlashStoredChecksum = kFlashInfoFirstHalf + 2 * 123; // information word 123
// The flash byte address of program word k: words from 4000h on lie above the information
// block, so a 32K-word program fits beside it.
constexpr uint32_t kFlashLowCodeWords = 0x4000;
constexpr uint32_t flashCodeAddress(uint32_t k) {
    return k < kFlashLowCodeWords ? 2 * k : 2 * k + kFlashInfoFirstHalf;
}
// Information words the programmer writes itself (identifier, chip code number): verifying the
// SBM passes over them.
constexpr uint32_t kOwnInfoFirst = 109, kOwnInfoLast = 111;

// Word commands of the printer-port programmer.
constexpr uint16_t kLptProgNothing = 0x0000, kLptProgReadId = 0x1000, kLptProgReadStatus = 0x2000,
                   kLptProgSetAddress = 0x3000, kLptProgRead = 0x4000, kLptProgProgram = 0x5000,
                   kLptProgCodeSpace = 0x6000, kLptProgSbmSpace = 0x6001, kLptProgProtect = 0x7000;

} // namespace zerka
