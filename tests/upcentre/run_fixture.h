#pragma once
// A uP centre in simulator mode with programs encoded through the instruction table, a message
// recorder and counters for its notifications.
#include "upcentre/run/up_centre.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zerka::test {

class RecordingHost : public UiHost {
  public:
    struct Box {
        MessageType type;
        std::string text;
    };
    Button messageBox(MessageType type, const std::string& text, Buttons) override {
        boxes.push_back({type, text});
        return Button::Ok;
    }
    void statusText(const std::string&) override {}
    void progress(int) override {}
    void busy(bool) override {}
    std::vector<Box> boxes;
};

class RunFixture {
  public:
    explicit RunFixture(CoreType core = CoreType::CX4A) : up(&host) {
        up.setInstructionSet(InstructionSet(core));
        up.setRunTimerInterval(TZk_UP::kSimulatorInterval);
        up.OnStopped().connect([this] { ++stopped; });
        up.OnTraceStep().connect([this] { ++traced; });
    }

    uint16_t enc(std::string_view mnemonic, std::initializer_list<uint32_t> operands = {}) const {
        const InstructionDef* def = up.instructions().findByMnemonic(mnemonic);
        if (!def) throw std::invalid_argument("no instruction " + std::string(mnemonic));
        uint16_t w = def->matchValue;
        size_t i = 0;
        for (uint32_t v : operands)
            w = def->operands.at(i++).insert(w, v);
        return w;
    }
    void load(uint32_t address, std::initializer_list<uint16_t> words) {
        for (uint16_t w : words)
            ASSERT_TRUE(up.LoadProgramCell(address++, w, 0, 0));
    }
    // RJ/RCALL offset field for a jump from `at` to `to`.
    static uint32_t rel11(uint32_t at, uint32_t to) { return (to - (at + 1)) & 0x7FF; }

    CpuState& cpu() { return up.cpu(); }
    uint32_t pc() { return up.cpu().GetPC(); }

    RecordingHost host;
    TZk_UP up;
    int stopped = 0;
    int traced = 0;
};

} // namespace zerka::test
