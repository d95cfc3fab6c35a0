// Open documents: URIs, positions in UTF-16 units, incremental edits, and unsaved text winning
// over the file on disk.
#include <gtest/gtest.h>

#include "lsp/documents.h"
#include "support/temp_dir.h"

namespace zerka::lsp {
namespace {

TEST(Uri, PathsWithBlanksAndNonAsciiRoundTrip) {
    const std::filesystem::path p = "/tmp/my dir/caf\xC3\xA9#1.asm";
    const std::string uri = uriFromPath(p);
    EXPECT_EQ(uri, "file:///tmp/my%20dir/caf%C3%A9%231.asm");
    EXPECT_EQ(pathFromUri(uri), p);
    EXPECT_EQ(pathFromUri("file://localhost/a/b.asm"), std::filesystem::path("/a/b.asm"));
    EXPECT_FALSE(pathFromUri("untitled:Untitled-1"));
    EXPECT_FALSE(pathFromUri("file://otherhost/a.asm"));
    EXPECT_FALSE(pathFromUri("file:///a%00b"));
    EXPECT_EQ(pathFromUri("file:///a/%zz"), std::filesystem::path("/a/%zz"));
}

TEST(TextEdits, RangesCountUtf16UnitsAndBadRangesChangeNothing) {
    // "é" is one unit, the emoji two; the edit replaces "X" after them.
    std::string text = "; \xC3\xA9\xF0\x9F\x98\x80X\r\nNOP\n";
    EXPECT_TRUE(applyEdit(text, {TextPosition{0, 5}, TextPosition{0, 6}, "Y"}));
    EXPECT_EQ(text, "; \xC3\xA9\xF0\x9F\x98\x80Y\r\nNOP\n");
    EXPECT_TRUE(applyEdit(text, {TextPosition{1, 0}, TextPosition{2, 0}, ""}));
    EXPECT_EQ(text, "; \xC3\xA9\xF0\x9F\x98\x80Y\r\n");
    const std::string before = text;
    EXPECT_FALSE(applyEdit(text, {TextPosition{5, 0}, TextPosition{5, 1}, "Z"}));
    EXPECT_FALSE(applyEdit(text, {TextPosition{0, 3}, TextPosition{0, 1}, "Z"}));
    EXPECT_EQ(text, before);
    EXPECT_EQ(utf16Column("\xC3\xA9\xF0\x9F\x98\x80X", 6), 3);
}

TEST(DocumentStore, UnsavedTextOverridesTheDiskUntilClosed) {
    test::TempDir dir;
    const auto path = dir.write("A.INC", "ON DISK\n");
    DocumentStore store;
    std::string text;
    ASSERT_TRUE(store.read(path, text));
    EXPECT_EQ(text, "ON DISK\n");
    // The same file named another way is the same document.
    const std::string uri = uriFromPath(dir.path() / "." / "A.INC");
    store.open(uri, "IN EDITOR\n", 1);
    ASSERT_TRUE(store.read(path, text));
    EXPECT_EQ(text, "IN EDITOR\n");
    EXPECT_TRUE(store.change(uri, {{TextPosition{0, 3}, TextPosition{0, 9}, "MEMORY"}}, 2));
    ASSERT_TRUE(store.read(path, text));
    EXPECT_EQ(text, "IN MEMORY\n");
    EXPECT_FALSE(store.change("file:///not/open.asm", {{std::nullopt, std::nullopt, "x"}}, 1));
    store.close(uri);
    ASSERT_TRUE(store.read(path, text));
    EXPECT_EQ(text, "ON DISK\n");
    EXPECT_FALSE(store.read(dir.path(), text)); // a folder is no source
}

} // namespace
} // namespace zerka::lsp
