#include "core/number.h"

#include <gtest/gtest.h>

using zerka::testNumber;

TEST(NumberNotation, ExamplesOfTheNotation) {
    EXPECT_EQ(testNumber("12").value, 12);
    EXPECT_EQ(testNumber("12D").value, 12);
    EXPECT_EQ(testNumber("0FFH").value, 255);
    EXPECT_EQ(testNumber("1BH").value, 27);
    EXPECT_EQ(testNumber("101B").value, 5);
    EXPECT_EQ(testNumber("1B").value, 1);
    EXPECT_EQ(testNumber("-5").value, -5);
    EXPECT_EQ(testNumber("+7").value, 7);
    EXPECT_TRUE(testNumber("0ffh").isNumber);
    EXPECT_EQ(testNumber("0ffh").value, 255);
}

TEST(NumberNotation, NotNumbers) {
    for (const char* t : {"", "-5H", "0AB", "ABH", "H", "12X", "1.5", "0FF", "12G3", "-", "+", "0AD",
                          "12.", "1 2"})
        EXPECT_FALSE(testNumber(t).isNumber) << t;
}

TEST(NumberNotation, BinaryWithOtherDigitsIsZero) {
    auto t = testNumber("12B");
    EXPECT_TRUE(t.isNumber);
    EXPECT_EQ(t.value, 0);
}

TEST(NumberNotation, SignAndDecimalLetterAgree) {
    EXPECT_EQ(testNumber("-12D").value, -12);
    EXPECT_FALSE(testNumber("-101B").isNumber);
}

TEST(NumberNotation, LargeValuesWrapTo32Bits) {
    EXPECT_EQ(testNumber("0FFFFFFFFH").value, -1);
    EXPECT_EQ(testNumber("100000000H").value, 0);
}
