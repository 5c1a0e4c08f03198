#include "bulletins/bulletin_store.h"
#include "table_helpers.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_host.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillet;
using namespace quillet::testing;
using namespace std::chrono_literals;
using Held = std::vector<std::string>;

namespace {

struct RecordingLog final : MessageLogSource {
    std::string text;
    std::vector<int> selectors;
    bool failing = false;
    Result<std::string> messageLog(int selector) override {
        selectors.push_back(selector);
        return failing ? Result<std::string>(fail("host gone")) : text;
    }
};

class Intake : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};
    const Bulletin& slot(int i) const { return store.bulletins()[i]; }
};

TEST_F(Intake, ReadsLogTwoAndAFailedReadChangesNothing) {
    RecordingLog log;
    log.text = hostLog("G4ABC|BLN1|Net tonight\r\nDL1XYZ|BLNA|QRT\r\n");
    EXPECT_TRUE(store.readMessageLog(log).ok());
    EXPECT_EQ(log.selectors, std::vector<int>{2});
    EXPECT_EQ(held(store), (Held{"G4ABC|BLN1|Net tonight", "DL1XYZ|BLNA|QRT"}));
    log.failing = true;
    EXPECT_EQ(store.readMessageLog(log).error(), "host gone");
    EXPECT_EQ(store.usedCount(), 2);
}

TEST(IntakeLines, EachLineRule) {
    const std::pair<std::string, Held> cases[] = {
        // blanks are trimmed, tabs are not; the bracket prefix goes
        {" G4ABC |  BLN1EU |  <UIV32N>Hello\t \r\n", {"G4ABC|BLN1EU|Hello\t"}},
        // fields beyond the third are ignored
        {"G4ABC|BLN1|text|more\r\n", {"G4ABC|BLN1|text"}},
        // only CR LF ends a line; the unfinished rest is not read
        {"A1|BLN1|one\r\nB2|BLN1|two\nC3|BLN1|three\rx", {"A1|BLN1|one"}},
        // lines with fewer than three fields are skipped
        {"G4ABC\r\nG4ABC|BLN1\r\n\r\nW1AW|BLN2|kept\r\n", {"W1AW|BLN2|kept"}},
        // empty fields are kept, but not an empty identity
        {"||orphan\r\n | | \r\n|BLN1|\r\nG4ABC||x\r\n||\r\n|||\r\n\r\r\n\n\r\n",
         {"|BLN1|", "G4ABC||x"}},
        // identity is case-sensitive
        {"g4abc|BLN1|a\r\nG4ABC|BLN1|b\r\nG4ABC|bln1|c\r\n",
         {"g4abc|BLN1|a", "G4ABC|BLN1|b", "G4ABC|bln1|c"}},
        // a later line of the same bulletin replaces its text
        {"G4ABC|BLN1|20:00\r\nG4ABC|BLN1|21:00\r\n", {"G4ABC|BLN1|21:00"}}};
    for (const auto& [log, expected] : cases) {
        FakeClock clock;
        BulletinStore store(clock);
        store.storeMessageLog(hostLog(log));
        EXPECT_EQ(held(store), expected) << log;
    }
}

TEST_F(Intake, TheTimeChangesWithTheTextAndTheReadMarkStays) {
    const LocalDateTime start = clock.now();
    store.storeMessageLog(hostLog("G4ABC|BLN1EU|old\r\n"));
    store.markRead(0);
    clock.advance(1min);
    store.storeMessageLog(hostLog("G4ABC|BLN1EU|old\r\n")); // the same again: no change
    EXPECT_EQ(slot(0).received, start);
    clock.advance(4min);
    store.storeMessageLog(hostLog("G4ABC|BLN1EU|new\r\n"));
    EXPECT_EQ(slot(0).received, start + 5min);
    EXPECT_TRUE(slot(0).isRead);
}

TEST_F(Intake, TheEarliestReceivedIsEvictedTheLowestSlotAmongEqualTimes) {
    for (int i = 0; i < kSlotCount; ++i) { // all at the same time
        store.storeBulletin("ST" + std::to_string(100 + i), "BLN1", "text");
    }
    clock.advance(1s);
    store.markRead(0);
    store.markRead(1);
    store.storeBulletin("ST100", "BLN1", "changed"); // slot 0 is now the newest
    store.storeBulletin("NEW1", "BLN2", "x");
    EXPECT_EQ(slot(1).callsign, "NEW1");
    EXPECT_FALSE(slot(1).isRead); // a newcomer takes no read mark
    EXPECT_EQ(slot(1).received, clock.now());
    EXPECT_TRUE(slot(0).isRead);
    // with the clock set back, a newcomer is older than all the others: it goes next
    clock.set(makeLocalDateTime(2001, 1, 1));
    store.storeBulletin("NEW2", "BLN2", "x");
    store.storeBulletin("NEW3", "BLN2", "x");
    EXPECT_EQ(slot(2).callsign, "NEW3");
    EXPECT_EQ(slot(3).callsign, "ST103");
    // a bulletin evicted while still logged comes back at the next read, the table sound
    store.storeMessageLog(hostLog("ST101|BLN1|text\r\nST102|BLN1|text\r\n"));
    EXPECT_EQ(held(store).size(), std::size_t(kSlotCount));
}

// Each change gets a time of its own: both tables must take the same changes in one order.
struct TickingClock final : Clock {
    mutable LocalDateTime time = makeLocalDateTime(2026, 12, 6, 12, 0, 0);
    LocalDateTime now() const override { return time += 1s; }
};

TEST(IntakeByDifference, ReadingOnlyNewLinesGivesTheTableOfOneWholeRead) {
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        std::string log; // 60 identities, texts that change, lines that are no bulletin
        for (int line = 0; line < 400; ++line) {
            log += random() % 10 == 0 ? hostLog("G4ABC|BLN1\r\n")
                                      : logLine("ST" + std::to_string(random() % 12),
                                                "BLN" + std::to_string(random() % 5),
                                                "text " + std::to_string(random() % 3));
        }
        const TickingClock clocks[2];
        BulletinStore whole(clocks[0]);
        BulletinStore pieces(clocks[1]);
        whole.storeMessageLog(log);
        whole.sortBulletins();
        FakeHost host;
        host.logId = "run";
        // The log grows by a random number of bytes between refreshes, cut mid-line as well.
        for (std::size_t shown = 0; shown < log.size(); pieces.sortBulletins()) {
            shown = std::min(log.size(), shown + random() % 3000);
            host.log = log.substr(0, shown);
            ASSERT_TRUE(pieces.readMessageLog(host).ok());
        }
        EXPECT_EQ(pieces.bulletins(), whole.bulletins()) << seed; // every field, times too
        EXPECT_EQ(pieces.logPosition(), (LogPosition{"run", 400})) << seed;
    }
}

} // namespace
