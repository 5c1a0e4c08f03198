#include "aprs/kiss.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;
using namespace std::string_literals;

namespace {

std::vector<KissFrame> decodeAll(KissDecoder& decoder, std::string_view bytes) {
    std::vector<KissFrame> frames;
    decoder.feed(bytes, frames);
    return frames;
}

TEST(Kiss, EscapesSurviveBothWaysInAnyChunking) {
    EXPECT_EQ(kissEncode("a\xC0"
                         "b\xDB",
                         2),
              "\xC0\x20"
              "a\xDB\xDC"
              "b\xDB\xDD\xC0");
    const std::vector<std::string> frames = {"plain", "\xC0", "\xDB", "\xDB\xDC\xC0\xDD",
                                             "x\xC0\xC0y"};
    std::string stream;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        stream += kissEncode(frames[i], static_cast<int>(i));
    }
    for (std::size_t chunk = 1; chunk <= 7; ++chunk) {
        KissDecoder decoder;
        std::vector<KissFrame> out;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            decoder.feed(std::string_view(stream).substr(at, chunk), out);
        }
        ASSERT_EQ(out.size(), frames.size()) << "chunk " << chunk;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(out[i].data, frames[i]) << "chunk " << chunk;
            EXPECT_EQ(out[i].port, static_cast<int>(i));
        }
        EXPECT_EQ(decoder.droppedFrames(), 0u);
    }
}

TEST(Kiss, BrokenAndNonDataFramesAreDroppedAndCounted) {
    struct Case {
        std::string bytes;
        std::size_t dropped;
    };
    const Case cases[] = {
        {"\xC0\x00"
         "ab\xDB"
         "x\xC0"s,
         1}, // FESC before a byte that is not TFEND/TFESC
        {"\xC0\x00"
         "ab\xDB\xC0"s,
         1},                                // FESC right before FEND
        {"\xC0\x01\x32\xC0", 1},            // TX delay setting
        {"\xC0\xFF\xC0", 1},                // return from KISS
        {"\xC0\x00\xC0"s, 1},               // data frame with no data
        {"\xC0\xC0\xC0", 0},                // back-to-back FENDs are no frames
        {"tail of a frame joined late", 0}, // before the first FEND
    };
    for (const Case& c : cases) {
        KissDecoder decoder;
        const std::string good = kissEncode("good");
        const auto frames = decodeAll(decoder, c.bytes + good);
        EXPECT_EQ(decoder.droppedFrames(), c.dropped) << c.bytes;
        ASSERT_EQ(frames.size(), 1u) << c.bytes; // the next frame still comes through
        EXPECT_EQ(frames[0].data, "good");
    }
}

TEST(Kiss, OversizeFramesAreDroppedWithoutHoldingTheirBytes) {
    KissDecoder decoder(16);
    EXPECT_EQ(decodeAll(decoder, kissEncode(std::string(16, 'x'))).size(), 1u);
    EXPECT_TRUE(decodeAll(decoder, kissEncode(std::string(17, 'x'))).empty());
    EXPECT_EQ(decoder.droppedFrames(), 1u);

    KissDecoder stream; // 64 KB without FEND, in chunks as TCP delivers them
    std::vector<KissFrame> out;
    stream.feed("\xC0", out);
    for (int i = 0; i < 64; ++i) {
        stream.feed(std::string(1024, 'A'), out);
    }
    stream.feed(kissEncode("after"), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].data, "after");
    EXPECT_EQ(stream.droppedFrames(), 1u);
}

} // namespace
