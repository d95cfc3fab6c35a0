// The program image: fill patterns, the store checks and the counters they keep.
#include <gtest/gtest.h>

#include "asm/program_image.h"

namespace zerka {
namespace {

TEST(ProgramImageTest, FillPatterns) {
    ProgramImage image;
    image.initialise(ImageFill::Jmp0);
    EXPECT_EQ(image.word(0), 0xC200);
    EXPECT_EQ(image.word(1), 0xF000);
    EXPECT_EQ(image.word(ProgramImage::kCellCount - 1), 0xF000);
    image.initialise(ImageFill::FF);
    EXPECT_EQ(image.word(100), 0xFFFF);
    EXPECT_EQ(image.lineOf(100), 0u);
    image.clear(0);
    EXPECT_EQ(image.word(100), 0x0000);
}

TEST(ProgramImageTest, StrictStoresRefuseOutOfRangeAndOccupiedCells) {
    ProgramImage image;
    image.initialise(ImageFill::Zero);
    const StoreRules strict{256, true, false};
    image.setLocationCounter(254);
    EXPECT_EQ(image.store(0x1111, 7, strict), StoreOutcome::Stored);
    EXPECT_EQ(image.store(0x2222, 8, strict), StoreOutcome::Stored);
    EXPECT_EQ(image.codeExtent(), 256);
    // Beyond the memory: nothing stored, the counter stays, the extent counts the word.
    EXPECT_EQ(image.store(0x3333, 9, strict), StoreOutcome::OutOfRange);
    EXPECT_EQ(image.store(0x3333, 9, strict), StoreOutcome::OutOfRange);
    EXPECT_EQ(image.locationCounter(), 256);
    EXPECT_EQ(image.codeExtent(), 258);
    EXPECT_EQ(image.word(256), 0x0000);
    EXPECT_EQ(image.highestAddress(), 256);
    // Once overflowed, the extent no longer follows the counter.
    image.setLocationCounter(10);
    EXPECT_EQ(image.store(0x4444, 10, strict), StoreOutcome::Stored);
    EXPECT_EQ(image.codeExtent(), 258);

    image.setLocationCounter(254);
    EXPECT_EQ(image.store(0x5555, 11, strict), StoreOutcome::Occupied);
    EXPECT_EQ(image.word(254), 0x1111);
    EXPECT_EQ(image.lineOf(254), 7u);
    EXPECT_EQ(image.locationCounter(), 254);

    image.setLocationCounter(-1);
    EXPECT_EQ(image.store(0x6666, 12, strict), StoreOutcome::OutOfRange);
}

TEST(ProgramImageTest, AssembleOnlyAndRelaxedStoresKeepToTheImage) {
    ProgramImage image;
    image.initialise(ImageFill::Zero);
    const StoreRules assembleOnly{256, false, false};
    image.setLocationCounter(300);
    EXPECT_EQ(image.store(0x1234, 1, assembleOnly), StoreOutcome::Stored);
    image.setLocationCounter(300);
    EXPECT_EQ(image.store(0x1234, 2, assembleOnly), StoreOutcome::Occupied);

    const StoreRules relaxed{256, true, true};
    image.setLocationCounter(300);
    EXPECT_EQ(image.store(0xABCD, 3, relaxed), StoreOutcome::Stored); // both checks skipped
    EXPECT_EQ(image.word(300), 0xABCD);

    for (const StoreRules& rules : {assembleOnly, relaxed}) {
        image.setLocationCounter(ProgramImage::kCellCount);
        EXPECT_EQ(image.store(0x1, 4, rules), StoreOutcome::OutOfRange);
        image.setLocationCounter(-5);
        EXPECT_EQ(image.store(0x1, 4, rules), StoreOutcome::OutOfRange);
    }
    EXPECT_EQ(image.highestAddress(), ProgramImage::kCellCount - 1);
    EXPECT_FALSE(image.setWord(ProgramImage::kCellCount, 1));
    EXPECT_EQ(image.word(-1), 0);
}

TEST(ProgramImageTest, FillAboveHighest) {
    ProgramImage image;
    image.initialise(ImageFill::Zero);
    const StoreRules strict{4096, true, false};
    image.setLocationCounter(9);
    image.store(0x0102, 1, strict);
    image.fillAboveHighest();
    EXPECT_EQ(image.word(9), 0x0102);
    EXPECT_EQ(image.word(8), 0x0000);
    EXPECT_EQ(image.word(10), 0xFFFF);
}

} // namespace
} // namespace zerka
