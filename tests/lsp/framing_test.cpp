// The frame reader: whole messages out of any pieces, and a clear refusal of frames it cannot
// read, after which the next good frame still comes through.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "lsp/framing.h"

namespace zerka::lsp {
namespace {

std::vector<Frame> drain(FrameParser& p) {
    std::vector<Frame> out;
    while (auto f = p.next())
        out.push_back(*f);
    return out;
}

TEST(FrameParser, MessagesArriveWholeWhateverThePieces) {
    const std::string two = frameMessage({{"a", 1}}) + frameMessage({{"b", "\xC3\xA9"}});
    for (size_t piece : {size_t(1), size_t(3), size_t(7), two.size()}) {
        FrameParser p;
        std::vector<Frame> got;
        for (size_t i = 0; i < two.size(); i += piece) {
            p.feed(std::string_view(two).substr(i, piece));
            for (Frame& f : drain(p))
                got.push_back(f);
        }
        ASSERT_EQ(got.size(), 2u) << "piece " << piece;
        EXPECT_TRUE(got[0].ok);
        EXPECT_EQ(nlohmann::json::parse(got[0].body)["a"], 1);
        EXPECT_EQ(nlohmann::json::parse(got[1].body)["b"], "\xC3\xA9"); // length counts bytes
        EXPECT_EQ(p.buffered(), 0u);
    }
}

TEST(FrameParser, OtherHeadersAndCaseAreAccepted) {
    FrameParser p;
    p.feed(
        "content-length: 2\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{}");
    const auto f = p.next();
    ASSERT_TRUE(f && f->ok);
    EXPECT_EQ(f->body, "{}");
}

TEST(FrameParser, BadHeadersAreRefusedAndTheNextFrameIsRead) {
    FrameParser p;
    p.feed("Content-Length: 12x\r\n\r\n");
    p.feed("Content-Type: x\r\n\r\n");
    p.feed("Content-Length: -5\r\n\r\n");
    p.feed(frameMessage({{"ok", true}}));
    const std::vector<Frame> f = drain(p);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_FALSE(f[0].ok);
    EXPECT_EQ(f[0].error, "Content-Length is not a number");
    EXPECT_FALSE(f[1].ok);
    EXPECT_EQ(f[1].error, "frame without Content-Length");
    EXPECT_FALSE(f[2].ok);
    EXPECT_TRUE(f[3].ok);
    EXPECT_EQ(f[3].body, R"({"ok":true})");
}

TEST(FrameParser, AHugeBodyIsSkippedWithoutBeingKept) {
    FrameParser p(1000);
    p.feed("Content-Length: 5000\r\n\r\n");
    p.feed(std::string(100, 'x'));
    const auto refused = p.next();
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->ok);
    EXPECT_NE(refused->error.find("5000 bytes"), std::string::npos);
    for (int i = 0; i < 49; ++i) {
        p.feed(std::string(100, 'x'));
        EXPECT_FALSE(p.next());
        EXPECT_EQ(p.buffered(), 0u);
    }
    p.feed(frameMessage(1));
    const auto next = p.next();
    ASSERT_TRUE(next && next->ok);
    EXPECT_EQ(next->body, "1");
}

TEST(FrameParser, AHeaderThatNeverEndsIsDropped) {
    FrameParser p;
    p.feed(std::string(FrameParser::kMaxHeader + 1, 'h'));
    const auto f = p.next();
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->ok);
    EXPECT_EQ(p.buffered(), 0u);
    // A short body that has not fully arrived waits instead of being cut.
    p.feed("Content-Length: 10\r\n\r\n{\"a\"");
    EXPECT_FALSE(p.next());
}

} // namespace
} // namespace zerka::lsp
