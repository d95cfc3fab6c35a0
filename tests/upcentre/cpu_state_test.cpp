// CpuState: memory bounds, PC and latch bytes, cycles, stack, program cells, history, reset and
// the register-edit path with its record, fixed bits and emulator write-through.
#include "upcentre/core/cpu_state.h"

#include "chip/chip_model.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace zerka {
namespace {

TEST(CpuStateMemory, OutOfRangeDataAndProgramAddressesNeverFail) {
    CpuState s;
    s.WriteData(4095, 0xAB);
    EXPECT_EQ(s.ReadData(4095), 0xAB);
    const auto before = s.dataMemory();
    s.WriteData(4096, 0x11);
    s.WriteData(0xFFFFFFFF, 0x11);
    EXPECT_EQ(s.dataMemory(), before);
    EXPECT_EQ(s.ReadData(4096), 0);

    EXPECT_EQ(s.programSize(), 4096u);
    EXPECT_TRUE(s.LoadProgramCell(4095, 0x1234, 17, 2));
    EXPECT_FALSE(s.LoadProgramCell(4096, 0x1234, 17, 2));
    EXPECT_FALSE(s.SetProgramWord(4096, 0x1234));
    EXPECT_EQ(s.ProgramWord(4095), 0x1234);
    EXPECT_EQ(s.SourceLineOf(4095), 17);
    EXPECT_EQ(s.SourceFileOf(4095), 2);
    EXPECT_EQ(s.ProgramWord(4096), 0);
    EXPECT_EQ(s.cellAt(4096), nullptr);
}

TEST(CpuStateMemory, ProgramSizeIsRomWordsRoundedDownAndCapped) {
    CpuState s;
    s.setProgramSize(1000);
    EXPECT_EQ(s.programSize(), 768u);
    s.setProgramSize(200);
    EXPECT_EQ(s.programSize(), 0u);
    EXPECT_FALSE(s.LoadProgramCell(0, 1, 1, 1));
    s.setProgramSize(100000);
    EXPECT_EQ(s.programSize(), 32768u);
    EXPECT_TRUE(s.LoadProgramCell(32767, 0x5555, 1, 1));
    // Shrinking hides cells without losing them.
    s.setProgramSize(4096);
    EXPECT_EQ(s.ProgramWord(32767), 0);
    s.setProgramSize(32768);
    EXPECT_EQ(s.ProgramWord(32767), 0x5555);
}

TEST(CpuStateMemory, ChipChangeSetsDepthAndSize) {
    CpuState s;
    ChipModel chip;
    chip.stackDepth = 16;
    chip.romWords = 8192 + 100;
    s.applyChipModel(chip);
    EXPECT_EQ(s.stackDepth(), 16);
    EXPECT_EQ(s.programSize(), 8192u);
}

TEST(CpuStateMemory, BreakpointMarksAndClearingProgramMemory) {
    CpuState s;
    ASSERT_TRUE(s.LoadProgramCell(10, 0x4242, 3, 1));
    s.SetReadBackWord(10, 0x4343);
    EXPECT_FALSE(s.BreakpointMarkAt(10, BreakpointKind::Any));
    EXPECT_TRUE(s.SetBreakpointMark(10, BreakpointKind::SourceLine, true));
    EXPECT_TRUE(s.BreakpointMarkAt(10, BreakpointKind::Any));
    EXPECT_TRUE(s.BreakpointMarkAt(10, BreakpointKind::SourceLine));
    EXPECT_FALSE(s.BreakpointMarkAt(10, BreakpointKind::Address));
    EXPECT_TRUE(s.SetBreakpointMark(10, BreakpointKind::Address, true));
    EXPECT_TRUE(s.SetBreakpointMark(10, BreakpointKind::SourceLine, false));
    EXPECT_TRUE(s.BreakpointMarkAt(10, BreakpointKind::Address));
    EXPECT_FALSE(s.SetBreakpointMark(10, BreakpointKind::Any, true));
    EXPECT_FALSE(s.SetBreakpointMark(4096, BreakpointKind::Address, true));
    EXPECT_FALSE(s.BreakpointMarkAt(4096, BreakpointKind::Any));

    s.ClearProgramMemory();
    EXPECT_EQ(s.ProgramWord(10), 0);
    EXPECT_EQ(s.SourceLineOf(10), 0);
    EXPECT_EQ(s.SourceFileOf(10), 0);
    EXPECT_FALSE(s.BreakpointMarkAt(10, BreakpointKind::Any));
    EXPECT_EQ(s.ReadBackWord(10), 0x4343); // the read-back word is the emulator's, kept
}

TEST(CpuStatePc, SetPcKeepsTwentyBitsAndWritesTheLatchInSimulatorMode) {
    CpuState s;
    s.SetPC(0x123456);
    EXPECT_EQ(s.GetPC(), 0x23456u);
    EXPECT_EQ(s.ReadData(reg::kPcLatchLow), 0x56);
    EXPECT_EQ(s.ReadData(reg::kPcLatchHigh), 0x34);
    EXPECT_EQ(s.ReadData(reg::kPcLatchUpper), 0x00);

    s.AdvancePC(0xAA);
    EXPECT_EQ(s.GetPC(), 0x23500u);
    EXPECT_EQ(s.ReadData(reg::kPcLatchLow), 0x00);
    EXPECT_EQ(s.ReadData(reg::kPcLatchHigh), 0x34); // AdvancePC leaves it
    s.SetPC(0xFFFFF);
    s.AdvancePC(1);
    EXPECT_EQ(s.GetPC(), 0u);

    CpuState mirror;
    mirror.setSimulatorMode(false);
    mirror.SetPC(0x1234);
    mirror.AdvancePC(1);
    EXPECT_EQ(mirror.GetPC(), 0x1235u);
    EXPECT_EQ(mirror.ReadData(reg::kPcLatchLow), 0);
    EXPECT_EQ(mirror.ReadData(reg::kPcLatchHigh), 0);

    s.WriteData(reg::kPcLatchUpper, 0xFF);
    s.WriteData(reg::kPcLatchHigh, 0x12);
    s.WriteData(reg::kPcLatchLow, 0x34);
    s.ReloadPCFromLatch();
    EXPECT_EQ(s.GetPC(), 0xF1234u);
}

TEST(CpuStatePc, CycleCounterHalvesCarry) {
    CpuState s;
    s.SetCycles(0x0001, 0xFFFF);
    s.AddCycles(2);
    EXPECT_EQ(s.cyclesHigh(), 0x0002);
    EXPECT_EQ(s.cyclesLow(), 0x0001);
    EXPECT_EQ(s.GetCycles(), 0x00020001u);
    s.SetCycles(0xFFFF, 0xFFFF);
    s.AddCycles(1);
    EXPECT_EQ(s.GetCycles(), 0u);
}

TEST(CpuStateStack, PushFillsThenOverflowsAtTheDepth) {
    CpuState s;
    ASSERT_EQ(s.stackDepth(), 8);
    for (uint32_t i = 1; i <= 7; ++i) {
        s.Push(0x100 + i);
        EXPECT_EQ(s.ReadData(reg::kStackPointer), i);
    }
    s.Push(0x108);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0x88); // pointer 8, full
    EXPECT_EQ(s.stackState().text, "Stack Full");
    EXPECT_EQ(s.stackState().colour, StackStateColour::Yellow);
    s.Push(0x999);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0xA8); // overflow, pointer stays
    EXPECT_EQ(s.StackEntry(8), 0x999u);
    EXPECT_EQ(s.StackEntry(7), 0x107u);
    EXPECT_EQ(s.stackState().text, "Stack Full and Over Flow");
    EXPECT_EQ(s.stackState().colour, StackStateColour::Red);

    // Pops keep the full and overflow bits.
    EXPECT_EQ(s.Pop(true), 0x999u);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0xA7);
    for (int i = 0; i < 7; ++i)
        s.Pop(true);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0xA0);
    EXPECT_EQ(s.Pop(true), 0u);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0xE0);
}

TEST(CpuStateStack, PopOfAnEmptyStack) {
    CpuState s;
    s.SetStackEntry(0, 0x777); // entry 0 is never a return address
    EXPECT_EQ(s.Pop(false), 0u);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0x00);
    EXPECT_EQ(s.Pop(true), 0u);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0x40);
    EXPECT_EQ(s.stackState().text, "Stack Under Flow");
    EXPECT_EQ(s.stackState().colour, StackStateColour::Red);
}

TEST(CpuStateStack, EntriesDepthAndStateTexts) {
    CpuState s;
    s.setStackDepth(4);
    s.SetStackEntry(4, 0x44);
    s.SetStackEntry(5, 0x55);
    EXPECT_EQ(s.StackEntry(4), 0x44u);
    EXPECT_EQ(s.StackEntry(5), 0u);
    for (int i = 0; i < 4; ++i)
        s.Push(i);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0x84);
    // A pointer edited beyond the depth still overflows into the top entry.
    s.WriteData(reg::kStackPointer, 0x14);
    s.Push(0xAB);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0x24);
    EXPECT_EQ(s.StackEntry(4), 0xABu);
    EXPECT_EQ(s.stackState().text, "Stack Over Flow");

    s.setStackDepth(200); // the pointer field cannot count that far
    EXPECT_EQ(s.stackDepth(), 31);
    s.setStackDepth(0);
    EXPECT_EQ(s.stackDepth(), 1);
    EXPECT_EQ(stackStateText(0x1F).text, "");
    EXPECT_EQ(stackStateText(0x1F).colour, StackStateColour::Normal);
}

TEST(CpuStateHistory, NewestFirstWithACursorThatStopsAtTheOldest) {
    CpuState s;
    for (uint32_t a = 1; a <= 20; ++a)
        s.RecordHistory(0x10000 + a); // low 16 bits kept
    EXPECT_EQ(s.HistoryEntry(0), 20);
    EXPECT_EQ(s.HistoryEntry(15), 5);
    EXPECT_EQ(s.HistoryEntry(16), 0);
    std::vector<uint16_t> shown;
    for (int i = 0; i < 20; ++i)
        shown.push_back(s.NextHistoryEntry());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(shown[i], 20 - i);
    for (int i = 16; i < 20; ++i)
        EXPECT_EQ(shown[i], 5);
    s.ResetHistoryCursor();
    EXPECT_EQ(s.NextHistoryEntry(), 20);
    s.ClearHistory();
    EXPECT_EQ(s.HistoryEntry(0), 0);
    EXPECT_EQ(s.historyCursor(), 0u);
}

TEST(CpuStateReset, ResetClearsTheCpuButKeepsProgramAndChip) {
    CpuState s;
    s.setStackDepth(6);
    s.LoadProgramCell(3, 0x1111, 1, 0);
    s.SetBreakpointMark(3, BreakpointKind::Address, true);
    s.WriteData(100, 1);
    s.Push(0x55);
    s.SetPC(0x777);
    s.AddCycles(99);
    s.setSleep(true);
    s.setIdle(true);
    s.setTimerPrescaler(77);
    s.RecordHistory(5);
    s.NextHistoryEntry();
    s.ResetCpu();
    EXPECT_EQ(s.ReadData(100), 0);
    EXPECT_EQ(s.ReadData(reg::kStackPointer), 0);
    EXPECT_EQ(s.StackEntry(1), 0u);
    EXPECT_EQ(s.GetPC(), 0u);
    EXPECT_EQ(s.GetCycles(), 0u);
    EXPECT_FALSE(s.sleeping());
    EXPECT_FALSE(s.idle());
    EXPECT_EQ(s.timerPrescaler(), 0);
    EXPECT_EQ(s.HistoryEntry(0), 0);
    EXPECT_EQ(s.historyCursor(), 0u);
    EXPECT_EQ(s.pendingOperation(), 0);
    EXPECT_EQ(s.ProgramWord(3), 0x1111);
    EXPECT_TRUE(s.BreakpointMarkAt(3, BreakpointKind::Address));
    EXPECT_EQ(s.stackDepth(), 6);
}

// The emulator side of the edit path, scripted: what it reads back per address.
class FakePort : public EmulatorRegisterPort {
  public:
    std::optional<uint8_t> writeRegister(uint32_t address, uint8_t value) override {
        writes.push_back({address, value});
        if (failAfter >= 0 && int(writes.size()) > failAfter) return std::nullopt;
        auto it = forced.find(address);
        return it != forced.end() ? it->second : value;
    }
    std::vector<std::pair<uint32_t, uint8_t>> writes;
    std::map<uint32_t, uint8_t> forced; // the emulator holds this value whatever is written
    int failAfter = -1;
};

TEST(CpuStateRegisterEdit, RecordsByModeWithTheSymbolName) {
    CpuState s;
    s.setRegisterNameLookup([](uint32_t a) { return a == 0x2B ? std::string("STATUS") : ""; });
    std::vector<uint32_t> notified;
    s.registerChanged().connect([&](uint32_t a) { notified.push_back(a); });

    s.SetRegister(0x2B, 0x55);
    s.SetRegister(0x2B, 0x57);
    s.SetRegister(0x60, 0x01);
    EXPECT_EQ(s.ReadData(0x2B), 0x57);
    ASSERT_EQ(s.registerRecord().size(), 2u); // "Not Continue": one entry per address
    EXPECT_EQ(s.registerRecord().at(0), (RegRecordEntry{"STATUS", 0x2B, 0x57, 0x55}));
    EXPECT_EQ(s.registerRecord().at(1), (RegRecordEntry{"", 0x60, 0x01, 0x00}));
    EXPECT_EQ(notified, (std::vector<uint32_t>{0x2B, 0x2B, 0x60}));

    s.registerRecord().Clear();
    s.registerRecord().setContinueMode(true);
    s.SetRegister(0x2B, 0x00);
    s.SetRegister(0x2B, 0x01);
    ASSERT_EQ(s.registerRecord().size(), 2u);
    EXPECT_EQ(s.registerRecord().at(1), (RegRecordEntry{"STATUS", 0x2B, 0x01, 0x00}));

    // WriteRegister stores and notifies but does not record; outside the memory: nothing.
    s.WriteRegister(0x61, 0x09);
    s.SetRegister(4096, 0x09);
    EXPECT_EQ(s.ReadData(0x61), 0x09);
    EXPECT_EQ(s.registerRecord().size(), 2u);
    EXPECT_EQ(notified.size(), 6u);
}

TEST(CpuStateRegisterEdit, FixedBitRulesApplyToEdits) {
    CpuState s;
    FixedBitRules rules;
    rules.on = {true, true, true, false, true, true};
    s.setFixedBits(rules);
    s.SetRegister(0x30, 0x00);
    EXPECT_EQ(s.ReadData(0x30), 0x60);
    s.SetRegister(0x3C, 0x48);
    EXPECT_EQ(s.ReadData(0x3C), 0x18); // 3 pulls 4 up; 6 cleared
    s.SetRegister(0x3C, 0x20);
    EXPECT_EQ(s.ReadData(0x3C), 0x20); // the bit-5 rule is off
    s.SetRegister(0x3D, 0xFF);
    EXPECT_EQ(s.ReadData(0x3D), 0xCF);
    s.SetRegister(0x31, 0x00);
    EXPECT_EQ(s.ReadData(0x31), 0x00);
    // The record holds what the user typed, not the adjusted byte.
    EXPECT_EQ(s.registerRecord().at(0).newValue, 0x00);
}

TEST(CpuStateRegisterEdit, EmulatorModeStoresTheReadBackAndRewritesFixedBits) {
    CpuState s;
    s.setSimulatorMode(false);
    FakePort port;
    s.setEmulatorPort(&port);
    FixedBitRules rules;
    rules.on[0] = true;
    s.setFixedBits(rules);

    port.forced[0x70] = 0x0F; // the emulator holds only the low nibble
    s.SetRegister(0x70, 0xFF);
    EXPECT_EQ(s.ReadData(0x70), 0x0F);
    s.SetRegister(0x30, 0x01);
    EXPECT_EQ(s.ReadData(0x30), 0x61);
    EXPECT_EQ(port.writes, (std::vector<std::pair<uint32_t, uint8_t>>{
                               {0x70, 0xFF}, {0x30, 0x01}, {0x30, 0x61}}));
    // A lost link keeps the mirror's old value.
    port.failAfter = int(port.writes.size());
    s.SetRegister(0x70, 0x05);
    EXPECT_EQ(s.ReadData(0x70), 0x0F);

    // Simulator mode never touches the emulator.
    s.setSimulatorMode(true);
    port.writes.clear();
    s.SetRegister(0x70, 0x05);
    EXPECT_EQ(s.ReadData(0x70), 0x05);
    EXPECT_TRUE(port.writes.empty());
}

TEST(RegisterRecord, CapacityIsEnforcedButUpdatesStillWork) {
    TRegRecord r;
    for (uint32_t a = 0; a < TRegRecord::kCapacity; ++a)
        ASSERT_TRUE(r.Record("", a, 0, 1));
    EXPECT_TRUE(r.full());
    EXPECT_FALSE(r.Record("", 5000, 0, 1));
    EXPECT_TRUE(r.Record("", 7, 1, 2)); // an existing address is updated in place
    EXPECT_EQ(r.at(7).newValue, 2);
    r.setContinueMode(true);
    EXPECT_FALSE(r.Record("", 7, 2, 3));
    EXPECT_EQ(r.size(), TRegRecord::kCapacity);
    r.Clear();
    EXPECT_TRUE(r.Append({std::string(40, 'X'), 1, 2, 3}));
    EXPECT_EQ(r.at(0).name.size(), TRegRecord::kNameLength);
}

TEST(FixedBits, ParseLineAcceptsSixZeroOrOneWords) {
    FixedBitsParse p = parseFixedBitsLine(std::vector<std::string>{"1", "0", "01", "1H", "0", "1"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.rules.on, (std::array<bool, 6>{true, false, true, true, false, true}));
    EXPECT_TRUE(p.rules.any());

    EXPECT_FALSE(parseFixedBitsLine(std::vector<std::string>{"1", "0", "1"}).ok);
    EXPECT_FALSE(
        parseFixedBitsLine(std::vector<std::string>{"1", "0", "1", "0", "1", "0", "1"}).ok);
    FixedBitsParse bad = parseFixedBitsLine(std::vector<std::string>{"1", "0", "2", "0", "1", "0"});
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("value 3"), std::string::npos);
    EXPECT_FALSE(parseFixedBitsLine(std::vector<std::string>{"1", "0", "ON", "0", "1", "0"}).ok);
    EXPECT_FALSE(bad.rules.any()); // a refused line switches nothing on
}

TEST(FixedBits, EachRuleTouchesOnlyItsAddressAndBits) {
    struct Case {
        int rule;
        uint32_t address;
        uint8_t in, out;
    };
    const Case cases[] = {{0, 0x30, 0x00, 0x60}, {1, 0x3C, 0x08, 0x18}, {1, 0x3C, 0x10, 0x18},
                          {1, 0x3C, 0x00, 0x00}, {2, 0x3C, 0xFF, 0xBF}, {3, 0x3C, 0xFF, 0xDF},
                          {4, 0x3D, 0xFF, 0xEF}, {5, 0x3D, 0xFF, 0xDF}};
    for (const Case& c : cases) {
        FixedBitRules r;
        r.on[c.rule] = true;
        EXPECT_EQ(r.apply(c.address, c.in), c.out) << "rule " << c.rule;
        EXPECT_TRUE(r.concerns(c.address));
        for (uint32_t other : {0x30u, 0x3Cu, 0x3Du, 0x31u}) {
            if (other != c.address) {
                EXPECT_EQ(r.apply(other, c.in), c.in);
            }
        }
    }
    EXPECT_EQ(FixedBitRules{}.apply(0x30, 0x00), 0x00);
}

} // namespace
} // namespace zerka

TEST(CpuStateRegisterEdit, FixedBitRulesComeFromTheChipModel) {
    zerka::ChipModel chip;
    chip.fixedBitRules = {true, false, false, false, false, false};
    zerka::CpuState s;
    s.applyChipModel(chip);
    s.SetRegister(0x30, 0x00);
    EXPECT_EQ(s.ReadData(0x30), 0x60);
    chip.fixedBitRules = {};
    s.applyChipModel(chip);
    s.SetRegister(0x30, 0x00);
    EXPECT_EQ(s.ReadData(0x30), 0x00);
}
