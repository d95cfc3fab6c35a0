#pragma once
// A request to open the hexadecimal pop-up editor for a clicked element, and what an accepted
// value is written to. Every write goes through the uP centre's register-edit path (or the PC
// and stack operations), so the record, fixed bits and the emulator write-through stay right.
#include "views/hex_entry.h"

#include <cstdint>
#include <string>

namespace zerka {

struct ViewContext;

enum class EditKind : uint8_t {
    Register,   // one data byte
    Pc,         // SetPCFromView
    Pointer,    // a 12-bit pointer: high byte at `address`, low byte at `address` + 1
    Word,       // a word register: high byte at `address`, low byte at `low`
    StackEntry, // stack entry `address`
};

struct EditTarget {
    EditKind kind = EditKind::Register;
    uint32_t address = 0;
    uint32_t low = 0;
    bool operator==(const EditTarget&) const = default;
};

struct HexEditRequest {
    std::string caption; // the editor's window caption, e.g. "Ram02B=1F"
    std::string limit;   // e.g. "FF"
    std::string range;   // the status line, e.g. "00~FF"
    EditTarget target;

    HexEntry entry() const { return HexEntry(limit, range, caption); }
};

// Writes an accepted value. Stack entries go through the stack writer of the context.
void applyEdit(ViewContext& context, const EditTarget& target, uint32_t value);

// Writes stack entry n: SetStackEntry in simulator mode; in emulator mode through the emulator,
// keeping the value read back (the mirror is left alone when the transfer fails).
void writeStackEntry(ViewContext& context, uint32_t n, uint32_t value);

} // namespace zerka
