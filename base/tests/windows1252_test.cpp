#include "base/windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

TEST(Windows1252, ConversionKeepsEveryByteSubstitutesWhatItCannotHoldAndUpperCases) {
    std::string every;
    for (int b = 0; b < 256; ++b) {
        every += static_cast<char>(b);
    }
    EXPECT_TRUE(isValidUtf8(utf8FromWindows1252(every)));
    EXPECT_EQ(windows1252FromUtf8(utf8FromWindows1252(every)), every);
    const std::pair<const char*, const char*> cases[] = {{"\xB3", "\u00B3"},
                                                         {"\x80", "\u20AC"},
                                                         {"\x9F", "\u0178"},
                                                         {"Caf\351 21\260C", "Café 21°C"},
                                                         {"Gr\374\337e, \214uvre", "Grüße, Œuvre"}};
    for (const auto& [bytes, utf8] : cases) {
        EXPECT_EQ(utf8FromWindows1252(bytes), utf8) << utf8;
        EXPECT_EQ(windows1252FromUtf8(utf8), bytes) << utf8;
    }
    const std::tuple<std::string, std::string, bool> lossy[] = {
        {"a\u4E2Db\u0100c", "a\032b\032c", true},
        {"x\U0001F4E1y", "x\x1Ay", true},        // beyond 16 bits: one substitute
        {"a\xC3", "a\x1A", false},               // cut short at the end
        {"\xC0\xAF", "\x1A\x1A", false},         // overlong
        {"\xED\xA0\x80", "\x1A\x1A\x1A", false}, // a lone surrogate
        {"\xFF!", "\x1A!", false}};
    for (const auto& [utf8, bytes, valid] : lossy) {
        EXPECT_EQ(windows1252FromUtf8(utf8), bytes);
        EXPECT_EQ(isValidUtf8(utf8), valid);
    }
    EXPECT_EQ(toUpperWindows1252("az09{}"), "AZ09{}");
    EXPECT_EQ(toUpperWindows1252("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F"); // š œ ž ÿ
    EXPECT_EQ(toUpperWindows1252("\xF7\xDF\xB5"), "\xF7\xDF\xB5"); // ÷ ß µ have no capital here
    EXPECT_EQ(toUpperWindows1252("\xE0\xFE"), "\xC0\xDE");
}

} // namespace
} // namespace quillet
