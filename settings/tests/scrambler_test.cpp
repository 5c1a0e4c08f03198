#include "settings/scrambler.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillet;

namespace {

// Stored passwords depend on this exact result: if it changes, every existing settings file
// holds a password the program can no longer read.
TEST(Scrambler, PinnedPasswordKeepsItsStoredForm) {
    // Table 4 9 2 7 5 1 8 3 6 2 5, then 4 again for the twelfth character:
    //   Q 81-4=77 M   u 117-9=108 l   i 105-2=103 g   l 108-7=101 e   l 108-5=103 g
    //   e 101-1=100 d   t 116-8=108 l   2 50-3=47 /   0 48-6=42 *   2 50-2=48 0
    //   4 52-5=47 /   Z 90-4=86 V
    const Scrambler scrambler;
    EXPECT_EQ(scrambler.encrypt("Quillet2024Z"), "Mlgegdl/*0/V");
    EXPECT_EQ(scrambler.decrypt("Mlgegdl/*0/V"), "Quillet2024Z");
    EXPECT_EQ(scrambler.encrypt(""), "");
    EXPECT_EQ(scrambler.decrypt(""), "");
}

TEST(Scrambler, OffsetsRepeatEveryElevenCharactersAndStayWithinOneToNine) {
    Scrambler scrambler;
    scrambler.initScrambleOffsets(); // a second call changes nothing
    const std::string twelve(12, 'm');
    const std::string down = scrambler.encrypt(twelve);
    const std::string up = scrambler.decrypt(twelve);
    ASSERT_EQ(down.size(), 12u);
    ASSERT_EQ(up.size(), 12u);
    for (std::size_t n = 0; n < 12; ++n) {
        const int moved = 'm' - down[n];
        EXPECT_GE(moved, 1) << "character " << n + 1 << " moved up or stayed";
        EXPECT_LE(moved, 9) << "character " << n + 1;
        EXPECT_EQ(up[n] - 'm', moved) << "decrypt moves by the same amount";
    }
    EXPECT_EQ(down[11], down[0]) << "the twelfth character uses entry 0 again";
}

TEST(Scrambler, RoundTripsEveryByteAtEveryPosition) {
    // Each byte eleven times in a row meets every offset once; the printable characters are
    // what matters, the control bytes show the wrap-around keeps the scrambling reversible.
    std::string all;
    for (int code = 0; code < 256; ++code) {
        all.append(Scrambler::kOffsetCount, static_cast<char>(code));
    }
    const Scrambler scrambler;
    const std::string scrambled = scrambler.encrypt(all);
    EXPECT_EQ(scrambled.size(), all.size());
    EXPECT_NE(scrambled, all);
    EXPECT_EQ(scrambler.decrypt(scrambled), all);
    EXPECT_EQ(scrambler.encrypt(scrambler.decrypt(all)), all);
}

} // namespace
