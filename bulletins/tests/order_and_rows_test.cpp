#include "bulletins/bulletin_list.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/group_list.h"
#include "bulletins/text_rules.h"
#include "table_helpers.h"
#include "testsupport/fake_clock.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quillet;
using namespace quillet::testing;
using Held = std::vector<std::string>;

namespace {

// One bulletin from a station of its own to each addressee.
std::string logOf(const std::vector<std::string>& addressees) {
    std::string log;
    for (std::size_t i = 0; i < addressees.size(); ++i) {
        log += logLine(std::to_string(i), addressees[i], "t");
    }
    return log;
}

class OrderAndRows : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};
    IsoDateTimeFormatter formatter;

    std::vector<int> slotsShown(std::string_view filter) const {
        std::vector<int> out;
        for (const BulletinRow& row : showBulletins(store.bulletins(), filter, formatter)) {
            out.push_back(row.slot);
        }
        return out;
    }
};

TEST_F(OrderAndRows, SortedByCallsignThenAddresseeInByteOrderWithTheirMarks) {
    // digits before upper case before lower case; bytes above 0x7F after all ASCII
    store.storeMessageLog(hostLog("station3|BLN1|\r\n\xC9MILE|BLN1|\r\nZULU|BLN1|\r\n9A1AA|BLN1|"
                                  "\r\nALPHA|BLNA|\r\nALPHA|BLN9|\r\nALPHA|BLN|\r\n"));
    store.markRead(2);
    store.sortBulletins();
    EXPECT_EQ(held(store), (Held{"9A1AA|BLN1|", "ALPHA|BLN|", "ALPHA|BLN9|", "ALPHA|BLNA|",
                                 "ZULU|BLN1|", "station3|BLN1|", "\xC9MILE|BLN1|"}));
    EXPECT_TRUE(store.bulletins()[4].isRead); // the mark travels with ZULU
    EXPECT_FALSE(store.bulletins()[0].isRead);
}

// Each row also as the sentence a screen reader says.
TEST_F(OrderAndRows, RowsShowMarkCallsignTimeAddresseeAndText) {
    const BulletinRow heading{
        "R Callsign\tReceived\t\t\tBLN> Message", -1,
        "Columns: read mark and sender, time received, bulletin code and text"};
    EXPECT_EQ(showBulletins(store.bulletins(), "ALL", formatter), std::vector{heading});
    const std::string longText(kLongestShownText + 1, 'x'); // cut in the row and when spoken
    store.storeMessageLog(hostLog("G4ABC|BLN|General news\r\nW1AW|BLN1EU|<x>Hello EU\r\n") +
                          logLine("ZZ9", "BLN2", longText));
    store.markRead(1);
    const std::string when = formatter.format(clock.now());
    EXPECT_EQ(showBulletins(store.bulletins(), "ALL", formatter),
              (std::vector<BulletinRow>{
                  heading,
                  {"N G4ABC\t" + when + "\tBLN > General news", 0,
                   "G4ABC to BLN at " + when + ": General news (unread)"},
                  {"R W1AW\t" + when + "\tBLN1EU> Hello EU", 1,
                   "W1AW to BLN1EU at " + when + ": Hello EU"},
                  {"N ZZ9\t" + when + "\tBLN2> " + shownText(longText), 2,
                   "ZZ9 to BLN2 at " + when + ": " + shownText(longText) + " (unread)"}}));
}

TEST_F(OrderAndRows, TheFilterShowsItsGroupOnlyComparedExactly) {
    store.storeMessageLog(logOf({"BLN1EU", "BLN1", "BLN1NA", "bln2eu", "BLN3E"}));
    EXPECT_EQ(slotsShown("ALL"), (std::vector<int>{-1, 0, 1, 2, 3, 4}));
    EXPECT_EQ(slotsShown("EU"), (std::vector<int>{-1, 0, 3})); // group codes are upper-cased
    EXPECT_EQ(slotsShown("E"), (std::vector<int>{-1, 4}));
    EXPECT_EQ(slotsShown("eu"), (std::vector<int>{-1}));
}

TEST(GroupList, AllThenEachGroupOnceInSlotOrderWithTheFilterSelected) {
    struct Case {
        std::vector<std::string> addressees;
        std::string filter;
        GroupList list;
    };
    const Case cases[] = {
        {{}, "ALL", {{"ALL"}, 0}},
        {{"BLN1NA", "BLN2EU", "BLN3NA", "BLN4"}, "ALL", {{"ALL", "NA", "EU"}, 0}},
        {{"BLN1NA", "BLN2EU"}, "EU", {{"ALL", "NA", "EU"}, 2}},
        {{"BLN1NA", "BLN2EU"}, "eu", {{"ALL", "NA", "EU"}, 0}},
        {{"BLN1NA", "BLN2EU"}, "WX", {{"ALL", "NA", "EU"}, 0}}, // a filter no longer held
        {{"BLN1ALL", "BLN2EU"}, "ALL", {{"ALL", "EU"}, 0}}};
    for (const Case& c : cases) {
        FakeClock clock;
        BulletinStore store(clock);
        store.storeMessageLog(logOf(c.addressees));
        EXPECT_EQ(fillGroupList(store.bulletins(), c.filter), c.list) << c.filter;
    }
}

} // namespace

// Hostile and oversized logs leave a sound table, rows and group list, and never crash or hang.
TEST(BadInput, HostileLogsKeepTheTableSound) {
    std::string everyByte, longLog;
    for (int b = 1; b < 256; ++b) {
        const std::string c(
            1, static_cast<char>(
                   b == static_cast<unsigned char>(kFieldSeparator) || b == '\r' ? 0 : b));
        everyByte += logLine("X" + c, "BLN" + c + "EU", "text " + c + " end");
    }
    for (int i = 0; i < 100000; ++i) {
        longLog += logLine(std::to_string(i % 997), std::string("BLN") + char('1' + i % 9), "t");
    }
    const std::string huge(1 << 20, 'x');
    const std::vector<std::string> logs{everyByte, longLog, logLine(huge, "BLN1" + huge, huge)};

    IsoDateTimeFormatter formatter;
    for (const std::string& log : logs) {
        FakeClock clock;
        BulletinStore store(clock);
        store.storeMessageLog(log);
        store.sortBulletins();
        const auto table = held(store); // checks the invariants
        EXPECT_EQ(showBulletins(store.bulletins(), "ALL", formatter).size(),
                  static_cast<std::size_t>(store.usedCount()) + 1);
        const auto groups = fillGroupList(store.bulletins(), "ALL").entries;
        ASSERT_FALSE(groups.empty());
        EXPECT_EQ(groups.front(), "ALL");
        if (&log == &logs.back()) { // a megabyte in each field, stored whole
            EXPECT_EQ(table, std::vector<std::string>{huge + "|BLN1" + huge + '|' + huge});
            EXPECT_EQ(store.bulletins()[0].groupCode, "XXX");
        } else if (&log == &logs.back() - 1) { // the last line is new at its turn: it is held
            const std::string last = std::to_string(99999 % 997) + "|BLN1|t";
            EXPECT_NE(std::find(table.begin(), table.end(), last), table.end());
        }
    }
}
