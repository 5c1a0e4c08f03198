#include "bulletins/text_rules.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

TEST(TextPrefix, OnlyALeadingClosedBracketIsRemoved) {
    EXPECT_EQ(stripTextPrefix("<UIV32N>Hello"), "Hello");
    EXPECT_EQ(stripTextPrefix("<a>b>c"), "b>c"); // up to the first ">"
    EXPECT_EQ(stripTextPrefix("<>Hello"), "Hello");
    EXPECT_EQ(stripTextPrefix("<x> spaced"), " spaced"); // no further trimming
    EXPECT_EQ(stripTextPrefix("<never closed"), "<never closed");
    EXPECT_EQ(stripTextPrefix("Hello <x> there"), "Hello <x> there");
    EXPECT_EQ(stripTextPrefix(" <x>Hello"), " <x>Hello");
    EXPECT_EQ(stripTextPrefix(""), "");
    EXPECT_EQ(stripTextPrefix("<x>"), "");
}

TEST(TrimBlanks, RemovesSpacesOnlyAtBothEnds) {
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\ta\t"), "\ta\t");
    EXPECT_EQ(trimBlanks("    "), "");
    EXPECT_EQ(trimBlanks(""), "");
}

TEST(GroupCode, CharactersFiveToSevenTrimmedAndUpperCased) {
    EXPECT_EQ(groupCodeOf("BLN1EU"), "EU");
    EXPECT_EQ(groupCodeOf("BLN1 WX"), "WX");
    EXPECT_EQ(groupCodeOf("bln2usa"), "USA");
    EXPECT_EQ(groupCodeOf("BLN3ABCDE"), "ABC");
    EXPECT_EQ(groupCodeOf("BLN1"), "");
    EXPECT_EQ(groupCodeOf("BLN"), "");
    EXPECT_EQ(groupCodeOf("BLN1 "), "");
    EXPECT_EQ(groupCodeOf("BLN1 A B"), "A");              // inner blank stays, outer ones go
    EXPECT_EQ(groupCodeOf("BLN1\xE9t\xE9"), "\xC9T\xC9"); // é -> É in Windows-1252
}

TEST(PadAddressee, OnlyAThreeCharacterAddresseeGetsABlank) {
    EXPECT_EQ(padAddressee("BLN"), "BLN ");
    EXPECT_EQ(padAddressee("BLN1"), "BLN1");
    EXPECT_EQ(padAddressee("AB"), "AB");
    EXPECT_EQ(padAddressee(""), "");
}

} // namespace
