#include "core/atomic_file.h"
#include "core/checksum.h"
#include "core/output_names.h"
#include "core/path_lookup.h"
#include "core/signal.h"
#include "core/text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zerka;

TEST(Checksum, TwoBytesExample) {
    Checksum16 c;
    c.add(0x12);
    c.add(0x34);
    EXPECT_EQ(c.value(), 0x346C);
}

TEST(Checksum, WordIsHighByteFirst) {
    Checksum16 a, b;
    a.addWord(0x1234);
    b.add(0x12);
    b.add(0x34);
    EXPECT_EQ(a.value(), b.value());
    Checksum16 z;
    z.addWord(0);
    EXPECT_EQ(z.value(), 0);
}

TEST(OutputNames, ExtensionIsTheFirstDotInTheLastFourCharacters) {
    EXPECT_EQ(outputFileName("/w/prog.asm", ".lst"), "/w/prog.lst");
    EXPECT_EQ(outputFileName("/w/prog.s", ".hex"), "/w/prog.hex");
    EXPECT_EQ(outputFileName("/w/prog.text", ".map"), "/w/prog.text.map"); // dot 5 from the end
    EXPECT_EQ(outputFileName("/w/a.b.c", ".obj"), "/w/a.obj");
    EXPECT_EQ(outputFileName("/w.x/prog", ".err"), "/w.x/prog.err");
    EXPECT_EQ(outputFileName(".a", ".EEH"), ".EEH");
    EXPECT_EQ(outputFileName("ab", "_inv.hex"), "ab_inv.hex");
}

TEST(PathLookup, FindsNamesCaseInsensitivelyWithEitherSeparator) {
    test::TempDir dir;
    dir.write("Sub/Chip_A.inc", "x");
    auto found = findFileCaseInsensitive(dir.path(), "SUB\\CHIP_A.INC");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->filename(), "Chip_A.inc");
    EXPECT_EQ(found->parent_path().filename(), "Sub");
    EXPECT_FALSE(findFileCaseInsensitive(dir.path(), "SUB/MISSING.INC").has_value());
    EXPECT_FALSE(findFileCaseInsensitive(dir.path(), "").has_value());
    EXPECT_TRUE(findFileCaseInsensitive(dir.path(), "sub/chip_a.inc").has_value());
}

// The batch lookup answers as the single one does: absolute names from the root, every
// component ignoring case, the first name in sorted order when several differ only in case.
TEST(PathLookup, CachedLookupsAnswerAsSingleOnes) {
    test::TempDir dir, other;
    dir.write("Sub/Chip_A.inc", "x");
    dir.write("sub/chip_b.INC", "x");
    other.write("Abs/Deep.Inc", "x");
    std::string absolute = (other.path() / "ABS" / "DEEP.INC").string();
    PathLookupCache cache;
    for (const std::string& name :
         {std::string("SUB\\CHIP_A.INC"), std::string("SUB/CHIP_B.INC"), std::string("sub/x.inc"),
          std::string("./SUB/../SUB/CHIP_A.INC"), absolute, std::string("")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(cache.find(dir.path(), name), findFileCaseInsensitive(dir.path(), name));
    }
    // "Sub" sorts before "sub", and the lookup goes on in that folder only.
    EXPECT_EQ(cache.find(dir.path(), "SUB/CHIP_A.INC"), dir.path() / "Sub" / "Chip_A.inc");
    EXPECT_FALSE(cache.find(dir.path(), "SUB/CHIP_B.INC").has_value());
    EXPECT_EQ(cache.find(dir.path(), absolute), other.path() / "Abs" / "Deep.Inc");
}

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporary) {
    test::TempDir dir;
    auto p = dir.write("f.txt", "old");
    ASSERT_TRUE(writeFileAtomic(p, "new content"));
    EXPECT_EQ(dir.read("f.txt"), "new content");
    size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path()))
        ++n;
    EXPECT_EQ(n, 1u);
    std::string err;
    EXPECT_FALSE(writeFileAtomic(dir.path() / "no/such/dir/f", "x", &err));
    EXPECT_FALSE(err.empty());
}

TEST(SignalTest, ConnectEmitDisconnect) {
    Signal<int> s;
    int sum = 0;
    auto id = s.connect([&](int v) { sum += v; });
    s.connect([&](int v) { sum += 10 * v; });
    s.emit(2);
    EXPECT_EQ(sum, 22);
    s.disconnect(id);
    s.emit(1);
    EXPECT_EQ(sum, 32);
}

TEST(Text, Helpers) {
    EXPECT_EQ(toUpperAscii("abZ\xe4"), "ABZ\xe4");
    EXPECT_EQ(padRight("ab", 4), "ab  ");
    EXPECT_EQ(padRight("abcdef", 4), "abcd");
    EXPECT_EQ(hexText(0xab, 4), "00AB");
}
