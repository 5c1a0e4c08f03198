#include "bulletins/bulletin_list.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/fake_clock.h"
#include "bulletins/group_list.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillet;
using quillet::testing::expectInvariants;
using quillet::testing::logLine;

namespace {

// Hostile and oversized logs must leave a sound table and never crash or hang.
class BadInput : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};
    IsoDateTimeFormatter formatter;

    void refresh(const std::string& log) {
        store.storeMessageLog(log);
        store.sortBulletins();
        expectInvariants(store);
        const auto rows = showBulletins(store.bulletins(), "ALL", formatter);
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(store.usedCount()) + 1);
        const auto groups = fillGroupList(store.bulletins(), "ALL");
        EXPECT_EQ(groups.entries.front(), "ALL");
    }
};

TEST_F(BadInput, RandomBytesKeepTheInvariants) {
    std::mt19937 random(42);
    // bias towards the bytes that structure a log so that lines and fields occur often
    const char structural[] = {'\r', '\n', '\xB3', ' ', '<', '>', 'A', 'B'};
    for (int round = 0; round < 50; ++round) {
        std::string log(4096, '\0');
        for (char& c : log) {
            c = random() % 3 == 0 ? structural[random() % sizeof structural]
                                  : static_cast<char>(random() % 256);
        }
        clock.advance(std::chrono::seconds(random() % 3));
        refresh(log);
    }
}

TEST_F(BadInput, EveryByteValueSurvivesInEveryField) {
    std::string log;
    for (int b = 0; b < 256; ++b) {
        const std::string c(1, static_cast<char>(b));
        if (c == "\xB3" || c == "\r") {
            continue;
        }
        log += logLine("X" + c, "BLN" + c + "EU", "text " + c + " end");
    }
    refresh(log);
    EXPECT_EQ(store.usedCount(), kSlotCount);
}

TEST_F(BadInput, MegabyteFieldsAreStoredWhole) {
    const std::string huge(1 << 20, 'x');
    refresh(logLine(huge, "BLN1" + huge, huge));
    ASSERT_EQ(store.usedCount(), 1);
    EXPECT_EQ(store.bulletins()[0].callsign.size(), huge.size());
    EXPECT_EQ(store.bulletins()[0].groupCode, "XXX");
    EXPECT_EQ(store.bulletins()[0].text.size(), huge.size());
}

TEST_F(BadInput, AHundredThousandLinesAreAllTaken) {
    std::string log;
    for (int i = 0; i < 100000; ++i) {
        log += logLine("S" + std::to_string(i % 997), "BLN" + std::to_string(i % 9 + 1), "t");
    }
    refresh(log);
    EXPECT_EQ(store.usedCount(), kSlotCount);
    // the last line of the log is a new bulletin at its turn and must be in the table
    const std::string lastCall = "S" + std::to_string(99999 % 997);
    const std::string lastAddr = "BLN" + std::to_string(99999 % 9 + 1);
    bool found = false;
    for (const auto& b : store.bulletins()) {
        found = found || (b.callsign == lastCall && b.addressee == lastAddr);
    }
    EXPECT_TRUE(found);
}

TEST_F(BadInput, SeparatorsAndLineEndsInOddPlaces) {
    refresh("\xB3\xB3\r\n\xB3\xB3\xB3\r\n\r\r\n\n\r\n" + logLine(" ", " ", " ") +
            "A\xB3\xB3\r\n\xB3"
            "B\xB3\r\n");
    // " A  / empty", " empty / B" are bulletins; blank-only and empty identities are not
    EXPECT_EQ(store.usedCount(), 2);
}

} // namespace
