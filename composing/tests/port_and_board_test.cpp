#include "composing/own_bulletin_board.h"
#include "composing/port_text.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

TEST(PortText, WholeNumbersAndFractionsRoundingHalfToEven) {
    const std::pair<const char*, int> cases[] = {
        {"007", 7},         {"-1", -1}, {"+7", 7},  {" 3 ", 3},      {"32767", 32767},
        {"-32768", -32768}, {"2.5", 2}, {"3.5", 4}, {"2.500001", 3}, {"2.4999999999999999999", 2},
        {"-2.5", -2},       {".5", 0}};
    for (const auto& [text, port] : cases) {
        EXPECT_EQ(convertPort(text), port) << '"' << text << '"';
    }
    for (const char* bad : {"", " ", "-", ".", "abc", "1a", "1 2", "1,5", "0x10", "1e3", "--1",
                            "32767.5", "32768", "-32769", "-32768.6", "99999999999999999999"}) {
        EXPECT_FALSE(convertPort(bad).has_value()) << '"' << bad << '"';
    }
}

// The board's rows and what a click hands over are checked through the window in
// composing_windows_test.cpp.
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
