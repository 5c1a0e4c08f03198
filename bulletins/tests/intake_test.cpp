#include "bulletins/bulletin_store.h"
#include "bulletins/fake_clock.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

using namespace quillet;
using quillet::testing::expectInvariants;
using quillet::testing::logLine;

namespace {

class Intake : public ::testing::Test {
protected:
    FakeClock clock;
    BulletinStore store{clock};
    const LocalDateTime start = clock.now();
};

class RecordingLog final : public MessageLogSource {
public:
    std::string text;
    std::vector<int> selectors;
    std::string messageLog(int selector) override {
        selectors.push_back(selector);
        return text;
    }
};

class FailingLog final : public MessageLogSource {
public:
    std::string messageLog(int) override { throw std::runtime_error("host gone"); }
};

TEST_F(Intake, ReadsTheBulletinLogWithSelectorTwoAndStoresEachLine) {
    RecordingLog log;
    log.text = logLine("G4ABC", "BLN1", "Net tonight") + logLine("DL1XYZ", "BLNA", "QRT");
    store.readMessageLog(log);
    ASSERT_EQ(log.selectors, std::vector<int>{2});
    ASSERT_EQ(store.usedCount(), 2);
    EXPECT_EQ(store.bulletins()[0].callsign, "G4ABC");
    EXPECT_EQ(store.bulletins()[1].addressee, "BLNA");
    EXPECT_EQ(store.bulletins()[1].text, "QRT");
}

TEST_F(Intake, AFailedReadLeavesTheTableAsItWas) {
    store.storeMessageLog(logLine("G4ABC", "BLN1", "one"));
    FailingLog log;
    EXPECT_THROW(store.readMessageLog(log), std::runtime_error);
    EXPECT_EQ(store.usedCount(), 1);
    expectInvariants(store);
}

TEST_F(Intake, FieldsAreTrimmedOfBlanksOnlyAndTheBracketPrefixGoes) {
    store.storeMessageLog(" G4ABC \xB3  BLN1EU \xB3  <UIV32N>Hello\t \r\n");
    const Bulletin& b = store.bulletins()[0];
    EXPECT_EQ(b.callsign, "G4ABC");
    EXPECT_EQ(b.addressee, "BLN1EU");
    EXPECT_EQ(b.groupCode, "EU");
    EXPECT_EQ(b.text, "Hello\t"); // a tab is not a blank
    EXPECT_EQ(b.received, start);
    EXPECT_FALSE(b.isRead);
}

TEST_F(Intake, FieldsBeyondTheThirdAreIgnored) {
    store.storeMessageLog("G4ABC\xB3"
                          "BLN1\xB3text\xB3more\xB3"
                          "even more\r\n");
    EXPECT_EQ(store.bulletins()[0].text, "text");
}

TEST_F(Intake, OnlyLinesEndedByCrLfAreRead) {
    // the piece after the last CR LF is unfinished; a lone LF or CR does not end a line
    store.storeMessageLog(logLine("A1", "BLN1", "one") + "B2\xB3"
                                                         "BLN1\xB3two\nC3\xB3"
                                                         "BLN1\xB3three");
    ASSERT_EQ(store.usedCount(), 1);
    EXPECT_EQ(store.bulletins()[0].callsign, "A1");

    store.storeMessageLog("");
    store.storeMessageLog("\r\n\r\n");
    EXPECT_EQ(store.usedCount(), 1);
}

TEST_F(Intake, LinesWithFewerThanThreeFieldsAreSkipped) {
    store.storeMessageLog("G4ABC\r\nG4ABC\xB3"
                          "BLN1\r\n" +
                          logLine("W1AW", "BLN2", "kept"));
    ASSERT_EQ(store.usedCount(), 1);
    EXPECT_EQ(store.bulletins()[0].callsign, "W1AW");
    expectInvariants(store);
}

TEST_F(Intake, EmptyFieldsAreKeptButALineWithoutSenderAndAddresseeIsNoBulletin) {
    store.storeMessageLog(logLine("", "", "orphan text") + logLine("", "BLN1", "") +
                          logLine("G4ABC", "", "x"));
    ASSERT_EQ(store.usedCount(), 2);
    EXPECT_EQ(store.bulletins()[0].addressee, "BLN1");
    EXPECT_EQ(store.bulletins()[1].callsign, "G4ABC");
    expectInvariants(store);
}

TEST_F(Intake, TheSameBulletinTwiceKeepsTheTimeItWasFirstSeen) {
    const std::string log = logLine("G4ABC", "BLN1", "Net tonight");
    store.storeMessageLog(log + log);
    clock.advance(std::chrono::seconds(30));
    store.storeMessageLog(log);
    ASSERT_EQ(store.usedCount(), 1);
    EXPECT_EQ(store.bulletins()[0].received, start);
}

TEST_F(Intake, ALaterTextInTheSameLogReplacesTheEarlierOne) {
    store.storeMessageLog(logLine("G4ABC", "BLN1", "Net at 20:00") +
                          logLine("G4ABC", "BLN1", "Net at 21:00"));
    ASSERT_EQ(store.usedCount(), 1);
    EXPECT_EQ(store.bulletins()[0].text, "Net at 21:00");
}

TEST_F(Intake, AnUpdatedTextKeepsTheReadMarkAndTakesTheTimeOfTheUpdate) {
    store.storeMessageLog(logLine("G4ABC", "BLN1EU", "old"));
    store.markRead(0);
    clock.advance(std::chrono::minutes(5));
    store.storeMessageLog(logLine("G4ABC", "BLN1EU", "new"));
    const Bulletin& b = store.bulletins()[0];
    EXPECT_TRUE(b.isRead);
    EXPECT_EQ(b.text, "new");
    EXPECT_EQ(b.received, start + std::chrono::minutes(5));
    EXPECT_EQ(b.groupCode, "EU");
}

TEST_F(Intake, IdentityIsCaseSensitive) {
    store.storeMessageLog(logLine("g4abc", "BLN1", "x") + logLine("G4ABC", "BLN1", "x") +
                          logLine("G4ABC", "bln1", "x"));
    EXPECT_EQ(store.usedCount(), 3);
    expectInvariants(store);
}

} // namespace
