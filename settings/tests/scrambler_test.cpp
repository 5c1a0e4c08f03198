#include "settings/scrambler.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillet;

namespace {

// Stored passwords depend on this exact result: if it changes, every existing settings file
// holds a password the program can no longer read. The table is 4 9 2 7 5 1 8 3 6 2 5, then
// 4 again for the twelfth character (Q 81-4=77 M, ..., Z 90-4=86 V).
TEST(Scrambler, PinnedFormAndRoundTripOfEveryByteAtEveryPosition) {
    Scrambler scrambler;
    scrambler.initScrambleOffsets(); // a second call changes nothing
    EXPECT_EQ(scrambler.encrypt("Quillet2024Z"), "Mlgegdl/*0/V");
    EXPECT_EQ(scrambler.decrypt("Mlgegdl/*0/V"), "Quillet2024Z");
    EXPECT_EQ(scrambler.encrypt(""), "");

    // Each byte eleven times in a row meets every offset once.
    std::string all;
    for (int code = 0; code < 256; ++code) {
        all.append(Scrambler::kOffsetCount, static_cast<char>(code));
    }
    const std::string scrambled = scrambler.encrypt(all);
    EXPECT_EQ(scrambled.size(), all.size());
    EXPECT_EQ(scrambler.decrypt(scrambled), all);
    EXPECT_EQ(scrambler.encrypt(scrambler.decrypt(all)), all);
}

} // namespace
