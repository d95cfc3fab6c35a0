#pragma once
// What an instruction costs and touches, measured on the execution engine itself (the same
// engine the simulator runs), so hover never states a second opinion about an instruction.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "upcentre/core/engine.h"
#include "upcentre/core/instruction_set.h"

namespace zerka::lsp {

struct InstructionFacts {
    int minCycles = 0;
    int maxCycles = 0; // above minCycles for a branch taken or a skip
    uint8_t flags = 0; // STATUS bits the instruction may change (flag::kZ ...)
};

// "Z, OV, N, DC, C" for the bits of a STATUS mask; "none" for 0.
std::string flagNames(uint8_t flags);

class InstructionFactsCache {
  public:
    const InstructionFacts& facts(const InstructionSet& set, const InstructionDef& def);

  private:
    std::map<CoreType, std::unique_ptr<Engine>> engines_;
    std::map<std::pair<CoreType, std::string>, InstructionFacts> facts_;
};

} // namespace zerka::lsp
