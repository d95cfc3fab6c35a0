// Loading every chip of a list at once gives what a load of each entry gives, and each
// description file is read once however many entries name it.
#include "chip/chip_catalogue.h"

#include "core/atomic_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zerka::test {
namespace {
namespace fs = std::filesystem;

void expectSameChip(const ChipModel& a, const ChipModel& b) {
    EXPECT_EQ(a.productName, b.productName);
    EXPECT_EQ(a.compilerName, b.compilerName);
    EXPECT_EQ(a.coreVariant, b.coreVariant);
    EXPECT_EQ(a.chipId, b.chipId);
    EXPECT_EQ(a.romWords, b.romWords);
    EXPECT_EQ(a.stackDepth, b.stackDepth);
    EXPECT_EQ(a.emulatorIds, b.emulatorIds);
    EXPECT_EQ(a.implementedBits, b.implementedBits);
    EXPECT_EQ(a.bitPageCount, b.bitPageCount);
    EXPECT_EQ(a.byteCount, b.byteCount);
    EXPECT_EQ(a.wordCount, b.wordCount);
    EXPECT_EQ(a.acm.address, b.acm.address);
}

TEST(ChipCatalogue, EveryEntryAsASingleLoadGivesIt) {
    TempDir dir;
    fs::copy(sourceDir() / "chips", dir.path(), fs::copy_options::recursive);
    // The shipped entries, then again under other spellings, a missing file and a folder.
    std::string list;
    ASSERT_TRUE(readFileBytes(dir.path() / "ZkSel.INC", list));
    list += "KXB0402D.INC         AGAIN      (2k)\n"
            "./KXB0402D.inc       AGAIN2     (2k)\n"
            "NONE.INC             MISSING    (2k)\n"
            "SUBDIR               FOLDER     (2k)\n";
    fs::create_directory(dir.path() / "SUBDIR");
    dir.write("ZkSel.INC", list);

    ChipLibrary library(dir.path());
    ASSERT_TRUE(library.buildChipList());
    ASSERT_GE(library.entries().size(), 12u);
    ChipCatalogue catalogue(library);
    size_t loaded = 0;
    for (size_t i = 0; i < library.entries().size(); ++i) {
        SCOPED_TRACE(library.entries()[i].listText);
        ChipModel single;
        std::string singleError, error;
        const bool ok = library.GetSELUP(int(i), single, {}, &singleError);
        const auto model = catalogue.model(i, &error);
        ASSERT_EQ(model != nullptr, ok);
        if (ok) {
            expectSameChip(*model, single);
            ++loaded;
        } else {
            EXPECT_EQ(error, singleError);
        }
    }
    EXPECT_EQ(loaded, library.entries().size() - 2);
    // Entries naming one file share its model: the file was read once.
    const size_t n = library.entries().size();
    EXPECT_EQ(catalogue.model(0), catalogue.model(n - 4));
    EXPECT_EQ(catalogue.model(0), catalogue.model(n - 3));
    std::string error;
    EXPECT_EQ(catalogue.model(n, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace zerka::test
