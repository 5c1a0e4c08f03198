#include "base/windows1252.h"

#include <gtest/gtest.h>

#include <string>

namespace quillet {
namespace {

std::string everyByte() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

TEST(Windows1252, EveryByteSurvivesTheTripThroughUtf8) {
    const std::string utf8 = utf8FromWindows1252(everyByte());
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(windows1252FromUtf8(utf8), everyByte());
}

TEST(Windows1252, ConvertsBothWays) {
    struct Case {
        const char* bytes;
        const char* utf8;
    };
    const Case cases[] = {
        {"\xB3", "\u00B3"},
        {"\x80", "\u20AC"},
        {"\x9F", "\u0178"},
        {"Caf\xE9 21\xB0"
         "C",
         "Café 21°C"},
        {"Gr\xFC\xDF"
         "e, \x8C"
         "uvre",
         "Grüße, Œuvre"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8FromWindows1252(c.bytes), c.utf8) << c.utf8;
        EXPECT_EQ(windows1252FromUtf8(c.utf8), c.bytes) << c.utf8;
    }
}

TEST(Windows1252, WhatTheCodePageCannotHoldBecomesOneSubstitute) {
    struct Case {
        std::string utf8;
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"a\u4E2Db\u0100c",
         "a\x1A"
         "b\x1A"
         "c",
         true},
        {"x\U0001F4E1y", "x\x1Ay", true},        // beyond 16 bits: one substitute
        {"a\xC3", "a\x1A", false},               // cut short at the end
        {"\xC0\xAF", "\x1A\x1A", false},         // overlong
        {"\xED\xA0\x80", "\x1A\x1A\x1A", false}, // a lone surrogate
        {"\xFF!", "\x1A!", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(windows1252FromUtf8(c.utf8), c.bytes);
        EXPECT_EQ(isValidUtf8(c.utf8), c.valid);
    }
}

TEST(Windows1252, UpperCaseFollowsTheCodePagesLetters) {
    EXPECT_EQ(toUpperWindows1252("az09{}"), "AZ09{}");
    EXPECT_EQ(toUpperWindows1252("\x9A\x9C\x9E\xFF"), "\x8A\x8C\x8E\x9F"); // š œ ž ÿ
    EXPECT_EQ(toUpperWindows1252("\xF7\xDF\xB5"), "\xF7\xDF\xB5"); // ÷ ß µ have no capital here
    EXPECT_EQ(toUpperWindows1252("\xE0\xFE"), "\xC0\xDE");
}

} // namespace
} // namespace quillet
