#include "host/text_codec.h"

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

TEST(TextCodecTest, EveryByteSurvivesTheTripThroughUnicode) {
    const std::string bytes = everyByte();
    const QString unicode = fromWindows1252(bytes);
    ASSERT_EQ(unicode.size(), 256) << "one character per byte, NUL included";
    EXPECT_EQ(toWindows1252(unicode), bytes);
    // The trip through UTF-8, as texts travel on the bus, keeps them too.
    EXPECT_EQ(toWindows1252(QString::fromUtf8(unicode.toUtf8())), bytes);
}

TEST(TextCodecTest, CodePageCharactersMapToTheirUnicodeLetters) {
    EXPECT_EQ(fromWindows1252("\xB3"), QString(QChar(0x00B3)));
    EXPECT_EQ(toWindows1252(QString(QChar(0x00B3))), "\xB3");
    EXPECT_EQ(fromWindows1252("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(toWindows1252(QString(QChar(0x20AC))), "\x80");
    EXPECT_EQ(fromWindows1252("Caf\xE9 21\xB0"
                              "C"),
              QString::fromUtf8("Café 21°C"));
    EXPECT_EQ(toWindows1252(QString::fromUtf8("Grüße, Œuvre")), "Gr\xFC\xDF"
                                                                "e, \x8C"
                                                                "uvre");
}

TEST(TextCodecTest, CharactersOutsideTheCodePageBecomeSubstitutes) {
    EXPECT_EQ(toWindows1252(QString::fromUtf8("a\u4E2Db\u0100c")), "a\x1A"
                                                                   "b\x1A"
                                                                   "c");
    // A character beyond the 16-bit plane is one substitute, not one per UTF-16 unit.
    EXPECT_EQ(toWindows1252(QString::fromUtf8("x\U0001F4E1y")), "x\x1Ay");
}

TEST(TextCodecTest, RepeatedUseKeepsNoState) {
    // A text ending in half a surrogate pair must not leak into the next conversion.
    const QString broken = QStringLiteral("ab") + QChar(0xD83D);
    const std::string first = toWindows1252(broken);
    EXPECT_EQ(first.substr(0, 2), "ab");
    EXPECT_EQ(toWindows1252(QStringLiteral("cd")), "cd");
    EXPECT_EQ(toWindows1252(QString()), "");
    EXPECT_EQ(fromWindows1252(""), QString());
}

} // namespace
} // namespace quillet
