#pragma once
// The hand-over of an assembly run into the uP centre. The source view keeps its own copy of
// the result (the main window loads it when debugging starts), so its part accepts every file
// and asks for no macro table. The command line uses the same hand-over.
#include "asm/assembler.h"
#include "upcentre/run/up_centre.h"

#include <functional>

namespace zerka {

class UpCentreReceiver : public AssemblyReceiver {
  public:
    explicit UpCentreReceiver(TZk_UP& up, std::function<void(uint16_t)> checksum = {})
        : up_(up), checksum_(std::move(checksum)) {}
    void ClearProgramMemory() override { up_.ClearProgramMemory(); }
    bool LoadProgramCell(uint32_t address, uint16_t code, uint16_t line,
                         uint8_t fileIndex) override {
        return up_.LoadProgramCell(address, code, line, fileIndex);
    }
    void ShowChecksum(uint16_t checksum) override {
        if (checksum_) checksum_(checksum);
    }
    void SetInformationWord(int index, uint16_t word) override {
        up_.SetInformationWord(index, word);
    }
    void ResetCpu() override { up_.ResetCpu(); }
    void ClearSymbols() override { up_.ClearSymbols(); }
    void AddSymbol(const SymbolEntry& s) override { up_.AddSymbol(s.name, s.value, s.kind); }
    bool AddSourceFile(const std::string&) override { return true; }
    bool CreateMacroTable() override { return false; }
    void SetRowValue(int, int32_t, uint32_t, int) override {}
    void SetAddressRecord(uint32_t, uint16_t) override {}
    void SetMacroRecord(uint16_t, const MacroRecord&) override {}

  private:
    TZk_UP& up_;
    std::function<void(uint16_t)> checksum_;
};

} // namespace zerka
