#include "composing/own_bulletin_board.h"
#include "composing/port_text.h"

#include <gtest/gtest.h>

#include <map>

using namespace quillet;

namespace {

TEST(PortText, WholeNumbersAndFractionsRoundingHalfToEven) {
    const std::pair<const char*, int> cases[] = {{"2", 2},
                                                 {"-1", -1},
                                                 {"+7", 7},
                                                 {" 3 ", 3},
                                                 {"007", 7},
                                                 {"32767", 32767},
                                                 {"-32768", -32768},
                                                 {"2.5", 2},
                                                 {"3.5", 4},
                                                 {"2.500001", 3},
                                                 {"2.4999999999999999999", 2},
                                                 {"-2.5", -2},
                                                 {"-3.5", -4},
                                                 {".5", 0},
                                                 {"5.", 5},
                                                 {"32767.4", 32767}};
    for (const auto& [text, port] : cases) {
        EXPECT_EQ(convertPort(text), port) << '"' << text << '"';
    }
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
    EXPECT_EQ(rows[9], "BLN9>\tEnter Text Here");
    EXPECT_EQ(rows[10], "BLNA>\tEnter Text Here");
    EXPECT_EQ(rows[26], "BLNQ>\tQ text");
    EXPECT_EQ(rows[35], "BLNZ>\tEnter Text Here");
}

TEST(Board, ARowHandsOverItsCodeAndText) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"BLN >\tGeneral news", "BLN ", "General news"},
        {"BLN5>\tEnter Text Here", "BLN5", ""},
        {"BLNA>\tone\ttwo", "BLNA", "one\ttwo"}, // later tabs stay
        {"BLNB>\tEnter Text Here ", "BLNB", "Enter Text Here "}};
    for (const auto& [row, to, text] : cases) {
        const BoardSelection selection = boardSelection(row);
        EXPECT_EQ(selection.toStation, to) << row;
        EXPECT_EQ(selection.message, text) << row;
    }
}

TEST(UpdateFields, TakenFromTheThirdColumnOfAReceivedRowOnly) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"R G4SIM\t6 Dec 2026 21:00:00\tBLN > Hello", "BLN ", "Hello"},
        {"N G4SIM\tdate\tBLN1EU> Euro net", "BLN1EU", "Euro net"},
        {"N G4SIM\tdate\tBLNA> first\tsecond", "BLNA", "first"}, // a tab ends the text
        {"N G4SIM\tdate\tBLNA> a>b", "BLNA", "a>b"},
        {"N G4SIM\tdate\tBLNA>", "BLNA", ""}};
    for (const auto& [row, to, text] : cases) {
        UpdateFields fields;
        ASSERT_TRUE(updateFieldsFromRow(row, fields)) << row;
        EXPECT_EQ(fields.toStation, to) << row;
        EXPECT_EQ(fields.message, text) << row;
    }
    UpdateFields fields;
    for (const char* row :
         {"R Callsign\tReceived\t\t\tBLN> Message", "", "N X\tdate", "N X\tdate\tno mark"}) {
        EXPECT_FALSE(updateFieldsFromRow(row, fields)) << row;
    }
}

} // namespace
