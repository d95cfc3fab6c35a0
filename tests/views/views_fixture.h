#pragma once
// A uP centre in simulator mode with a small hand-made chip: two banks, a few bit, byte and
// word registers, and every debug-window model over them.
#include "views/debug_views.h"

#include <memory>

namespace zerka::test {

inline ChipModel smallChip() {
    ChipModel chip;
    chip.romWords = 4096;
    chip.stackDepth = 8;
    chip.lastBankIndex = 2;
    chip.ramBank[0] = {0, 0xFF};
    chip.ramBank[1] = {0x100, 0x1FF};
    chip.ramBank[2] = {0x200, 0x2FF};
    chip.specialRange0 = {0x00, 0x7F};
    chip.specialRange1 = {0xF00, 0xFFF};
    for (uint32_t a = 0; a < 0x300; ++a)
        chip.implementedBits[a] = 0xFF;
    chip.implementedBits[0x50] = 0x0F; // a 4-bit register
    chip.implementedBits[0x150] = 0;   // a hole in bank 1

    BitRegister status;
    status.name = "STATUS";
    status.description = "Status flags";
    status.address = 0x2B;
    status.bits = {BitEntry{"-", ""}, {"-", ""}, {"-", ""},  {"C", "carry"},
                   {"DC", ""},        {"N", ""}, {"OV", ""}, {"Z", "zero"}};
    BitRegister portA;
    portA.name = "PORTA";
    portA.address = 0x50;
    portA.bits = {BitEntry{"-", ""}, {"-", ""},   {"-", ""},   {"-", ""},
                  {"PA3", ""},       {"PA2", ""}, {"PA1", ""}, {"PA0", ""}};
    BitRegister timer;
    timer.name = "TMRC";
    timer.address = 0x41;
    chip.bitRegisters.append(status);
    chip.bitRegisters.append(portA);
    chip.bitRegisters.append(timer); // page 2
    chip.bitPageCount = {2, 1, 0, 0};

    auto byteReg = [&](const char* name, uint16_t address, bool unnamed = false) {
        ByteRegister r;
        r.name = unnamed ? "=" : name;
        r.unnamed = unnamed;
        r.address = address;
        r.description = std::string(name) + " register";
        chip.byteRegisters.append(r);
    };
    byteReg("IND0", 0x00);
    byteReg("FSR0H", 0x0F);
    byteReg("SPTR", 0x18);
    byteReg("TBLPTRU", 0x1C);
    byteReg("HIDDEN", 0x1D, true);
    byteReg("WREG", 0x29);
    byteReg("PORTA", 0x50);

    WordRegister product;
    product.name = "PROD";
    product.highAddress = 0x21;
    product.lowAddress = 0x22;
    product.highMask = 0xFF;
    product.lowMask = 0x0F;
    chip.wordRegisters.append(product);
    WordRegister transfer;
    transfer.name = "CHKSUM";
    transfer.highAddress = 7;
    transfer.noMemory = true;
    chip.wordRegisters.append(transfer);
    return chip;
}

struct ViewsFixture {
    ViewsFixture() : chip(smallChip()) {
        up.setInstructionSet(InstructionSet(CoreType::CX4A));
        up.applyChip(chip);
        views = std::make_unique<DebugViews>(up, chip);
        views->chipChanged();
    }
    CpuState& cpu() { return up.cpu(); }

    ChipModel chip;
    TZk_UP up;
    std::unique_ptr<DebugViews> views;
};

} // namespace zerka::test
