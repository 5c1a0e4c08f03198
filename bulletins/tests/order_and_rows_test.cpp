#include "bulletins/bulletin_list.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/fake_clock.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quillet;
using quillet::testing::expectInvariants;
using quillet::testing::logLine;

namespace {

class OrderAndRows : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};
    IsoDateTimeFormatter formatter;

    std::vector<std::string> identities() const {
        std::vector<std::string> out;
        for (int i = 0; i < store.usedCount(); ++i) {
            out.push_back(store.bulletins()[i].callsign + " " + store.bulletins()[i].addressee);
        }
        return out;
    }
    std::vector<std::string> rowTexts(std::string_view filter) const {
        std::vector<std::string> out;
        for (const auto& row : showBulletins(store.bulletins(), filter, formatter)) {
            out.push_back(row.text);
        }
        return out;
    }
};

TEST_F(OrderAndRows, SortsByCallsignThenAddressee) {
    store.storeMessageLog(logLine("STATION2", "BLN2", "a") + logLine("STATION2", "BLN1", "b") +
                          logLine("STATION1", "BLN1", "c"));
    store.sortBulletins();
    EXPECT_EQ(identities(),
              (std::vector<std::string>{"STATION1 BLN1", "STATION2 BLN1", "STATION2 BLN2"}));
    expectInvariants(store);
}

TEST_F(OrderAndRows, OrderIsByteOrderNotTheLocales) {
    // digits before upper case before lower case; bytes above 0x7F after all ASCII
    store.storeMessageLog(logLine("station3", "BLN1", "") + logLine("\xC9MILE", "BLN1", "") +
                          logLine("ZULU", "BLN1", "") + logLine("9A1AA", "BLN1", "") +
                          logLine("ALPHA", "BLNA", "") + logLine("ALPHA", "BLN9", "") +
                          logLine("ALPHA", "BLN", ""));
    store.sortBulletins();
    EXPECT_EQ(identities(),
              (std::vector<std::string>{"9A1AA BLN1", "ALPHA BLN", "ALPHA BLN9", "ALPHA BLNA",
                                        "ZULU BLN1", "station3 BLN1", "\xC9MILE BLN1"}));
}

TEST_F(OrderAndRows, ReadMarksAndTimesTravelWithTheirBulletin) {
    store.storeMessageLog(logLine("ZULU", "BLN1", "z"));
    store.markRead(0);
    clock.advance(std::chrono::seconds(7));
    store.storeMessageLog(logLine("ALPHA", "BLN1", "a"));
    store.sortBulletins();
    EXPECT_EQ(store.bulletins()[1].callsign, "ZULU");
    EXPECT_TRUE(store.bulletins()[1].isRead);
    EXPECT_FALSE(store.bulletins()[0].isRead);
    EXPECT_LT(store.bulletins()[1].received, store.bulletins()[0].received);
}

TEST_F(OrderAndRows, AnEmptyTableGivesTheHeadingAlone) {
    const auto rows = showBulletins(store.bulletins(), "ALL", formatter);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "R Callsign\tReceived\t\t\tBLN> Message");
    EXPECT_EQ(rows[0].slot, -1);
}

TEST_F(OrderAndRows, RowsShowMarkCallsignTimeAddresseeAndText) {
    store.storeMessageLog(logLine("G4ABC", "BLN", "General news") +
                          logLine("W1AW", "BLN1EU", "<x>Hello EU"));
    store.markRead(1);
    const auto rows = showBulletins(store.bulletins(), "ALL", formatter);
    ASSERT_EQ(rows.size(), 3u);
    const std::string when = formatter.format(clock.now());
    EXPECT_EQ(rows[1].text, "N G4ABC\t" + when + "\tBLN > General news");
    EXPECT_EQ(rows[2].text, "R W1AW\t" + when + "\tBLN1EU> Hello EU");
    EXPECT_EQ(rows[1].slot, 0);
    EXPECT_EQ(rows[2].slot, 1);
}

TEST_F(OrderAndRows, TheGroupFilterLetsThroughItsGroupOnly) {
    store.storeMessageLog(logLine("A", "BLN1EU", "eu") + logLine("B", "BLN1", "plain") +
                          logLine("C", "BLN1NA", "na") + logLine("D", "bln2eu", "lower"));
    EXPECT_EQ(rowTexts("ALL").size(), 5u);
    const auto eu = showBulletins(store.bulletins(), "EU", formatter);
    ASSERT_EQ(eu.size(), 3u);
    EXPECT_EQ(eu[1].slot, 0);
    EXPECT_EQ(eu[2].slot, 3);             // the group code is upper-cased, so bln2eu belongs to EU
    EXPECT_EQ(rowTexts("eu").size(), 1u); // the filter itself compares exactly
    EXPECT_EQ(rowTexts("XX").size(), 1u);
}

TEST(Filter, AllHidesNothingAndOtherwiseOnlyAnExactMatchPasses) {
    EXPECT_FALSE(isFilteredOut("", "ALL"));
    EXPECT_FALSE(isFilteredOut("EU", "ALL"));
    EXPECT_FALSE(isFilteredOut("EU", "EU"));
    EXPECT_TRUE(isFilteredOut("", "EU"));
    EXPECT_TRUE(isFilteredOut("EUR", "EU"));
    EXPECT_TRUE(isFilteredOut("ALL", "all"));
}

} // namespace
