#include "chip/options_calibration_marker.h"
#include "chip/options_engineer.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace zerka {
namespace {

// Feeds the text and returns the positions (0-based) at which the sequence completed.
std::string completions(EngineerKeySequence& keys, std::string_view typed) {
    std::string at;
    for (size_t i = 0; i < typed.size(); ++i) {
        if (keys.feed(typed[i])) at += std::to_string(i) + " ";
    }
    return at;
}

TEST(EngineerKeySequence, CompletesOnTheFiveLettersInAnyCase) {
    EngineerKeySequence keys;
    EXPECT_EQ(completions(keys, "ZERKA"), "4 ");
    EXPECT_EQ(completions(keys, "zErKa"), "4 ");
    EXPECT_EQ(keys.progress(), 0u);
}

TEST(EngineerKeySequence, FirstLetterRestartsAndStrayKeysReset) {
    EngineerKeySequence keys;
    EXPECT_EQ(completions(keys, "ZEZERKA"), "6 ");    // Z restarts the count
    EXPECT_EQ(completions(keys, "ZERXKA"), "");       // X resets
    EXPECT_EQ(completions(keys, "ZERKKA"), "");       // a repeated letter is out of order
    EXPECT_EQ(completions(keys, "ERKA"), "");         // no start
    EXPECT_EQ(completions(keys, "ZERK ZERKA"), "9 "); // blank resets, Z starts again
    EXPECT_EQ(completions(keys, "ZERKAZERKA"), "4 9 ");
    keys.feed('Z');
    keys.feed('E');
    EXPECT_EQ(keys.progress(), 2u);
    keys.feed('\0');
    EXPECT_EQ(keys.progress(), 0u);
}

TEST(CalibrationMarker, FileNameTakesFiveCharactersOfTheChipText) {
    EXPECT_EQ(calibrationMarkerFileName("KXA201  (8K)"), "ZkKXA20.mem");
    EXPECT_EQ(calibrationMarkerFileName("K1"), "ZkK1.mem");
    EXPECT_EQ(calibrationMarkerFileName("CHIPA (16k)"), "ZkCHIPA.mem");
    EXPECT_FALSE(calibrationMarkerFileName("../AB"));
    EXPECT_FALSE(calibrationMarkerFileName("A\\B"));
    EXPECT_FALSE(calibrationMarkerFileName(std::string_view("AB\0CD", 5)));
    EXPECT_EQ(calibrationMarkerFileName("ABCDE/F"), "ZkABCDE.mem"); // beyond the five
}

TEST(CalibrationMarker, HaoLineOffersSoftwareSwitchesOnly) {
    CalibrationMarker m = calibrationMarkerFromText("#HAO\r\n");
    EXPECT_TRUE(m.found && m.softwareSwitches && m.editBoxes);
    EXPECT_FALSE(m.hardwareSwitch);

    m = calibrationMarkerFromText("#hao\n#HAO");
    EXPECT_FALSE(m.hardwareSwitch);
    EXPECT_TRUE(m.softwareSwitches);

    for (const char* text : {"#HAO\nX\n", "CAL\n", "#HAO \n", "\n#HAO\n"}) {
        m = calibrationMarkerFromText(text);
        EXPECT_TRUE(m.hardwareSwitch && m.softwareSwitches && m.editBoxes) << text;
    }

    m = calibrationMarkerFromText("");
    EXPECT_TRUE(m.found);
    EXPECT_FALSE(m.softwareSwitches || m.hardwareSwitch || m.editBoxes);
}

TEST(CalibrationMarker, FileIsFoundRegardlessOfCase) {
    test::TempDir dir;
    EXPECT_FALSE(readCalibrationMarker(dir.path(), "KXA20  (8K)").found);
    dir.write("ZKKXA20.MEM", "#HAO\n");
    CalibrationMarker m = readCalibrationMarker(dir.path(), "KXA20  (8K)");
    EXPECT_TRUE(m.found && m.softwareSwitches);
    EXPECT_FALSE(m.hardwareSwitch);
    // A folder of that name is no marker.
    std::filesystem::create_directory(dir.path() / "ZkKXB30.mem");
    EXPECT_FALSE(readCalibrationMarker(dir.path(), "KXB30  (8K)").found);
}

} // namespace
} // namespace zerka
