#pragma once
// Re-creating source lines from an object module (the ".obj" byte format): global symbols,
// externals, the header count and the 19-byte code records with their operand sub-records.
#include <cstdint>
#include <string_view>

#include "asm/preproc_env.h"

namespace zerka {

// Marker bytes of the object module.
namespace obj_marker {
inline constexpr uint8_t kHeader = 0x80;
inline constexpr uint8_t kHeaderEnd = 0x81;
inline constexpr uint8_t kCode = 0x82;
inline constexpr uint8_t kEnd = 0x83;
inline constexpr uint8_t kGlobal = 0x84;
inline constexpr uint8_t kGlobalNameEnd = 0x85;
inline constexpr uint8_t kGlobalValue = 0x86;
inline constexpr uint8_t kGlobalValueEnd = 0x87;
inline constexpr uint8_t kModuleEnd = 0x88;
inline constexpr uint8_t kExtern = 0x89;
inline constexpr uint8_t kExternNameEnd = 0x8A;
inline constexpr uint8_t kExternValue = 0x8B;
inline constexpr uint8_t kExternValueEnd = 0x8C;
inline constexpr uint8_t kOperandLocal = 0x8D; // first operand marker
inline constexpr uint8_t kOperandLast = 0x9B;  // last operand marker
} // namespace obj_marker

// Bytes of one code record: three 5-byte operand sub-records and the 4-digit code word.
inline constexpr size_t kObjectRecordSize = 19;

// Reads the object module `bytes` (already entered in the file list as `fileIndex`): symbols go
// to the object-symbol table, externals to the EXTERN table (emptied again when the module
// ends, also on failure), lines to the line list. Every failure is reported; malformed bytes
// never make it read past the data.
bool readObjectModule(PreprocEnv& env, std::string_view bytes, uint8_t fileIndex,
                      const LineClassifier& classifier);

} // namespace zerka
