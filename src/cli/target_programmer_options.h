#pragma once
// The programmer side of `zerka target`: what sits in the socket and what goes wrong.
//   --socket NAME|INDEX|none   the blank chip in the socket (default: the --chip chip; without
//                              either, a blank chip of whatever type the flash image is for)
//   --socket-image FILE        the chip already holds this word image
//   --socket-protected         the chip is protected
//   --flash-state FILE         the programmer's flash (and settings) kept across restarts
//   --inject vpp|vdd|flash-busy|verify-fail=ADDR   (may be repeated)
#include "cli/cli_context.h"
#include "target/target_unit.h"

#include <string>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

namespace zerka::cli {

struct TargetProgrammerOptions {
    std::string socket;
    std::string socketImage;
    bool socketProtected = false;
    std::string flashState;
    std::vector<std::string> inject;
};

void addTargetProgrammerOptions(CLI::App* cmd, TargetProgrammerOptions& o);

// A hexadecimal value of `zerka target` ("1A2B", "1A2BH" or "0x1A2B") up to `max`.
std::optional<uint32_t> parseTargetHex(std::string text, uint32_t max);

// Fills config.programmer; `lib` and `chip` are the command's --lib and --chip. False after a
// message on a bad value.
bool applyTargetProgrammerOptions(const TargetProgrammerOptions& o, const std::string& lib,
                                  const std::string& chip, TargetConfig& config, std::ostream& err);

} // namespace zerka::cli
