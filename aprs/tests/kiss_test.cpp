// Octal escapes keep the byte strings in one piece: \300 FEND, \333 FESC, \334 TFEND, \335 TFESC.
#include "aprs/kiss.h"

#include <gtest/gtest.h>

using namespace quillet::aprs;
using namespace std::string_literals;

namespace {

TEST(Kiss, EscapesSurviveBothWaysInAnyChunking) {
    EXPECT_EQ(kissEncode("a\300b\333", 2), "\300\040a\333\334b\333\335\300");
    const std::vector<std::string> frames = {std::string(1024, 'L'), "\300", "\333",
                                             "\333\334\300\335", "x\300y"};
    std::string stream;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        stream += kissEncode(frames[i], static_cast<int>(i) * 3); // port 12: command byte FEND
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
            EXPECT_EQ(out[i].port, static_cast<int>(i) * 3);
        }
        EXPECT_EQ(decoder.droppedFrames(), 0u);
    }
}

TEST(Kiss, BadFramesAreDroppedAndCountedAndMemoryStaysBounded) {
    const std::pair<std::string, std::size_t> cases[] = {
        {"\300\000ab\333x\300"s, 1},               // FESC before a byte that is not TFEND/TFESC
        {"\300\000ab\333\300"s, 1},                // FESC right before FEND
        {"\300\001\062\300", 1},                   // TX delay setting
        {"\300\377\300", 1},                       // return from KISS
        {"\300\000\300"s, 1},                      // data frame with no data
        {"\300\300\300", 0},                       // back-to-back FENDs are no frames
        {"tail of a frame", 0},                    // before the first FEND: joined in the middle
        {kissEncode(std::string(1025, 'x')), 1},   // one byte over the largest frame
        {"\300" + std::string(64 * 1024, 'A'), 1}, // 64 KB without FEND
    };
    for (const auto& [bytes, dropped] : cases) {
        KissDecoder decoder;
        std::vector<KissFrame> out;
        decoder.feed(bytes, out);
        decoder.feed(kissEncode("good"), out);
        EXPECT_EQ(decoder.droppedFrames(), dropped) << bytes.substr(0, 20);
        ASSERT_EQ(out.size(), 1u) << bytes.substr(0, 20); // the next frame still comes through
        EXPECT_EQ(out[0].data, "good");
    }
}

} // namespace
