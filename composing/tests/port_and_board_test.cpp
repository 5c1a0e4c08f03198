#include "composing/own_bulletin_board.h"
#include "composing/port_text.h"

#include <gtest/gtest.h>

#include <map>

using namespace quillet;

namespace {

TEST(PortText, WholeNumbersWithSignAndBlanks) {
    EXPECT_EQ(convertPort("2"), 2);
    EXPECT_EQ(convertPort("-1"), -1);
    EXPECT_EQ(convertPort("+7"), 7);
    EXPECT_EQ(convertPort(" 3 "), 3);
    EXPECT_EQ(convertPort("007"), 7);
    EXPECT_EQ(convertPort("32767"), 32767);
    EXPECT_EQ(convertPort("-32768"), -32768);
}

TEST(PortText, FractionsRoundHalfToEven) {
    EXPECT_EQ(convertPort("2.5"), 2);
    EXPECT_EQ(convertPort("3.5"), 4);
    EXPECT_EQ(convertPort("2.50000"), 2);
    EXPECT_EQ(convertPort("2.500001"), 3); // above half, however little
    EXPECT_EQ(convertPort("2.4999999999999999999"), 2);
    EXPECT_EQ(convertPort("-2.5"), -2);
    EXPECT_EQ(convertPort("-3.5"), -4);
    EXPECT_EQ(convertPort(".5"), 0);
    EXPECT_EQ(convertPort("1.6"), 2);
    EXPECT_EQ(convertPort("5."), 5);
    EXPECT_EQ(convertPort("32767.4"), 32767);
}

TEST(PortText, AnythingElseIsNoPort) {
    for (const char* bad : {"", " ", "-", ".", "abc", "1a", "1 2", "1,5", "0x10", "1e3", "--1",
                            "32767.5", "32768", "-32769", "-32768.6", "99999999999999999999"}) {
        EXPECT_FALSE(convertPort(bad).has_value()) << '"' << bad << '"';
    }
}

TEST(Board, ThirtySixRowsInCodeOrderWithThePlaceholder) {
    std::map<std::string, std::string> own{{"BLN", "General"}, {"BLNQ", "Q text"}};
    std::vector<std::string> asked;
    const auto rows = ownBulletinBoardRows([&](const std::string& code) {
        asked.push_back(code);
        const auto it = own.find(code);
        return it == own.end() ? std::string() : it->second;
    });
    ASSERT_EQ(rows.size(), 36u);
    EXPECT_EQ(asked, boardCodes());
    EXPECT_EQ(rows[0], "BLN >\tGeneral");
    EXPECT_EQ(rows[1], "BLN1>\tEnter Text Here");
    EXPECT_EQ(rows[9], "BLN9>\tEnter Text Here");
    EXPECT_EQ(rows[10], "BLNA>\tEnter Text Here");
    EXPECT_EQ(rows[26], "BLNQ>\tQ text");
    EXPECT_EQ(rows[35], "BLNZ>\tEnter Text Here");
}

TEST(Board, ARowHandsOverItsCodeAndText) {
    const auto first = boardSelection("BLN >\tGeneral news");
    EXPECT_EQ(first.toStation, "BLN ");
    EXPECT_EQ(first.message, "General news");
    const auto placeholder = boardSelection("BLN5>\tEnter Text Here");
    EXPECT_EQ(placeholder.toStation, "BLN5");
    EXPECT_EQ(placeholder.message, "");
    EXPECT_EQ(boardSelection("BLNA>\tone\ttwo").message, "one\ttwo"); // later tabs stay
    EXPECT_EQ(boardSelection("BLNB>\tEnter Text Here ").message, "Enter Text Here ");
}

TEST(UpdateFields, TakenFromTheThirdColumnOfAReceivedRow) {
    UpdateFields fields;
    ASSERT_TRUE(updateFieldsFromRow("R G4SIM\t6 Dec 2026 21:00:00\tBLN > Hello", fields));
    EXPECT_EQ(fields.toStation, "BLN ");
    EXPECT_EQ(fields.message, "Hello");
    ASSERT_TRUE(updateFieldsFromRow("N G4SIM\tdate\tBLN1EU> Euro net", fields));
    EXPECT_EQ(fields.toStation, "BLN1EU");
    EXPECT_EQ(fields.message, "Euro net");
    ASSERT_TRUE(updateFieldsFromRow("N G4SIM\tdate\tBLNA> first\tsecond", fields));
    EXPECT_EQ(fields.message, "first"); // a tab in the text ends it
    ASSERT_TRUE(updateFieldsFromRow("N G4SIM\tdate\tBLNA> a>b", fields));
    EXPECT_EQ(fields.toStation, "BLNA");
    EXPECT_EQ(fields.message, "a>b");
    ASSERT_TRUE(updateFieldsFromRow("N G4SIM\tdate\tBLNA>", fields));
    EXPECT_EQ(fields.message, "");
}

TEST(UpdateFields, TheHeadingAndMalformedRowsGiveNothing) {
    UpdateFields fields;
    EXPECT_FALSE(updateFieldsFromRow("R Callsign\tReceived\t\t\tBLN> Message", fields));
    EXPECT_FALSE(updateFieldsFromRow("", fields));
    EXPECT_FALSE(updateFieldsFromRow("N X\tdate", fields));
    EXPECT_FALSE(updateFieldsFromRow("N X\tdate\tno mark", fields));
}

} // namespace
