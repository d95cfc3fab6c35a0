#pragma once
// Decode rules of run control that look at one instruction word: whether it writes PCLATL
// (the PC moves without a jump, so no breakpoint may follow it and the emulator must step it
// together with the next word) and how many words an emulator single step takes.
#include "upcentre/core/cpu_state.h"
#include "upcentre/core/instruction_set.h"

#include <cstdint>

namespace zerka {

// True when `word` writes address 27 ("PCLATL") as its unbanked destination: the byte
// instructions with destination 1, CLRF, SETF and the bit-setting instructions. A breakpoint
// after such a word is refused.
bool writesPclatl(const InstructionSet& set, uint16_t word);

// The PCLATL writers the emulator steps as two: the byte instructions with destination 1, CLRF,
// BCF and BSF. SETF and BTGF are not among them: the unit executes them in one step.
bool stepsAsPclatlWrite(const InstructionSet& set, uint16_t word);

// The words an emulator single step executes at the PC: 2 for a PCLATL write, a two-word
// instruction, or a skip or conditional jump whose condition holds in the mirrored state;
// otherwise 1.
uint32_t emulatorStepCount(const InstructionSet& set, const CpuState& cpu);

} // namespace zerka
