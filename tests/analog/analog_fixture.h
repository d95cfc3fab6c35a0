#pragma once
// A shipped chip loaded into a model and a uP centre over it, for the calculator models.
#include "chip/chip_library.h"
#include "support/temp_dir.h"
#include "upcentre/run/up_centre.h"

#include <gtest/gtest.h>

#include <string>

namespace zerka::test {

class AnalogChipTest : public ::testing::Test {
  protected:
    // KXA1608 names every field of the three analog sections.
    void load(const std::string& name = "KXA1608") {
        ChipLibrary library(sourceDir() / "chips");
        ASSERT_TRUE(library.buildChipList());
        const auto index = library.findChipByName(name);
        ASSERT_TRUE(index.has_value()) << name;
        ASSERT_TRUE(library.GetSELUP(*index, chip));
        up.applyChip(chip);
    }
    uint8_t data(uint32_t address) const { return up.cpu().ReadData(address); }
    void poke(uint32_t address, uint8_t value) { up.cpu().WriteData(address, value); }
    size_t recorded() const { return up.cpu().registerRecord().size(); }

    ChipModel chip;
    TZk_UP up;
};

} // namespace zerka::test
