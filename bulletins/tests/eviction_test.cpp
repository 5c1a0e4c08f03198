#include "bulletins/bulletin_store.h"
#include "bulletins/fake_clock.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace std::chrono_literals;
using quillet::testing::expectInvariants;
using quillet::testing::logLine;

namespace {

std::string station(int i) {
    return "ST" + std::to_string(100 + i);
}

class Eviction : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};

    // Fills all forty slots, one bulletin per call, the clock moving by `step` after each.
    void fillTable(std::chrono::seconds step) {
        for (int i = 0; i < kSlotCount; ++i) {
            store.storeBulletin(station(i), "BLN1", "text");
            clock.advance(step);
        }
    }
};

TEST_F(Eviction, FortyOneBulletinsInOneSecondEvictSlotZero) {
    std::string log;
    for (int i = 0; i <= kSlotCount; ++i) {
        log += logLine(station(i), "BLN1", "text");
    }
    store.storeMessageLog(log);
    ASSERT_EQ(store.usedCount(), kSlotCount);
    EXPECT_EQ(store.bulletins()[0].callsign, station(kSlotCount));
    for (int i = 1; i < kSlotCount; ++i) {
        EXPECT_EQ(store.bulletins()[i].callsign, station(i));
    }
    expectInvariants(store);
}

TEST_F(Eviction, TheEarliestReceivedGoesAndTheNewcomerIsUnread) {
    fillTable(1s);
    // slot 0 is refreshed by a text change, so slot 1 now holds the earliest
    store.markRead(1);
    store.storeBulletin(station(0), "BLN1", "changed");
    store.storeBulletin("NEW1", "BLN2", "arrives");
    EXPECT_EQ(store.bulletins()[1].callsign, "NEW1");
    EXPECT_FALSE(store.bulletins()[1].isRead);
    EXPECT_EQ(store.bulletins()[1].received, clock.now());
    EXPECT_EQ(store.bulletins()[0].text, "changed");
    expectInvariants(store);
}

TEST_F(Eviction, AmongEqualTimesTheLowestSlotGoes) {
    fillTable(0s);
    store.markRead(0);
    clock.advance(1s);
    store.storeBulletin(station(0), "BLN1", "changed"); // slot 0 is now the newest
    store.storeBulletin("NEW1", "BLN2", "x");
    EXPECT_EQ(store.bulletins()[1].callsign, "NEW1");
    EXPECT_TRUE(store.bulletins()[0].isRead);
    store.storeBulletin("NEW2", "BLN2", "x");
    EXPECT_EQ(store.bulletins()[2].callsign, "NEW2");
    expectInvariants(store);
}

TEST_F(Eviction, WithTheClockSetBackTheEarliestStillGoesAndTakesNoReadMark) {
    fillTable(1s);
    store.markRead(0);
    store.markRead(5);
    clock.set(makeLocalDateTime(2001, 1, 1)); // every receipt time now lies in the future
    store.storeBulletin("NEW1", "BLN2", "x");
    EXPECT_EQ(store.bulletins()[0].callsign, "NEW1");
    EXPECT_FALSE(store.bulletins()[0].isRead);
    // the next one received earliest is now slot 1, and the newcomer in slot 0 is older
    // than all of them, so it goes next
    store.storeBulletin("NEW2", "BLN2", "x");
    EXPECT_EQ(store.bulletins()[0].callsign, "NEW2");
    EXPECT_EQ(store.bulletins()[1].callsign, station(1));
    EXPECT_TRUE(store.bulletins()[5].isRead);
    expectInvariants(store);
}

TEST_F(Eviction, ABulletinEvictedWhileStillLoggedComesBackAsNewAtTheNextRead) {
    std::string log;
    for (int i = 0; i <= kSlotCount; ++i) {
        log += logLine(station(i), "BLN1", "text");
        clock.advance(1s);
    }
    store.storeMessageLog(log);
    clock.advance(30s);
    store.storeMessageLog(log);
    // each re-read evicts the earliest and re-admits what was pushed out; the table stays
    // sound and holds forty distinct bulletins
    EXPECT_EQ(store.usedCount(), kSlotCount);
    expectInvariants(store);
}

} // namespace
