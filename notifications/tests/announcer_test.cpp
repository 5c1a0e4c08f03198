#include "bulletins/tests/table_helpers.h"
#include "notifications/bulletin_announcer.h"
#include "testsupport/fake_clock.h"
#include "testsupport/recording_notifier.h"

using namespace quillet;
using quillet::testing::logLine;

namespace {

// More bulletins than the table holds: each refresh evicts some and takes back others.
std::string crowdedLog() {
    std::string log;
    for (int i = 0; i <= kSlotCount; ++i) {
        log += logLine("DL" + std::to_string(100 + i), "BLN1", "crowd");
    }
    return log;
}

struct Case {
    const char* name;
    std::vector<std::string> logs; // the host's log at each refresh, the first at start-up
    std::vector<Notice> expected;  // every notice raised, in order
    std::size_t news;              // the bulletins counted as news, notices on or off
    std::string filter = "ALL";
    std::vector<bool> on = {}; // notices on at each refresh; on throughout when empty
    std::string failure = "";  // the notification service's answer, when it fails
};

TEST(BulletinAnnouncer, AnnouncesWhatARefreshBroughtFromOthersInTheShownGroup) {
    const std::string a = logLine("K1ABC", "BLN1", "Net tonight");
    const Notice aNotice{"Bulletin from K1ABC (BLN1)", "Net tonight"};
    std::string five;
    for (const char* call : {"W3C", "OE1B", "N9Z", "G0E", "DL1D"}) {
        five += logLine(call, std::string("BLN") + call[1], call);
    }
    const std::string several = logLine("G4OWN", "BLN7", "own") + five +
                                logLine("F1F", "BLN1", "F1F") + logLine("VK2G", "BLNK", "VK2G");
    const std::vector<Case> cases = {
        {"a new bulletin, then the same again", {"", a, a}, {aNotice}, 1},
        {"a changed text",
         {a, a + logLine("K1ABC", "BLN1", "Net moved")},
         {{"Bulletin from K1ABC (BLN1)", "Net moved"}},
         1},
        {"the station's own", {"", logLine("G4OWN", "BLN1", "mine")}, {}, 0},
        {"outside the group shown",
         {"", logLine("K1ABC", "BLN1NA", "na") + logLine("K2X", "BLN1EU", "eu") + a},
         {{"Bulletin from K2X (BLN1EU)", "eu"}},
         1,
         "EU"},
        {"switched off", {"", a}, {}, 1, "ALL", {true, false}},
        {"switched on again after bulletins came", {"", a, a}, {}, 1, "ALL", {true, false, true}},
        {"several at once, in table order, the own left out",
         {"", several},
         {{"7 new bulletins",
           "DL1D (BLNL): DL1D\nF1F (BLN1): F1F\nG0E (BLN0): G0E\nN9Z (BLN9): N9Z\n"
           "OE1B (BLNE): OE1B\nand 2 more"}},
         7},
        {"five: all shown, none more",
         {"", five},
         {{"5 new bulletins",
           "DL1D (BLNL): DL1D\nG0E (BLN0): G0E\nN9Z (BLN9): N9Z\nOE1B (BLNE): OE1B\n"
           "W3C (BLN3): W3C"}},
         5},
        {"eviction and re-sorting", {crowdedLog(), crowdedLog(), crowdedLog()}, {}, 0},
        {"markup is left to the notifier",
         {"", logLine("K1ABC", "BLN1", "Fox <b>& hound</b>")},
         {{"Bulletin from K1ABC (BLN1)", "Fox <b>& hound</b>"}},
         1},
        {"no service: told once, tried again",
         {"", a, a + logLine("K2X", "BLN2", "x")},
         {aNotice, {"Bulletin from K2X (BLN2)", "x"}},
         2,
         "ALL",
         {},
         "no service"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        BulletinStore store(clock);
        RecordingNotifier notifier;
        notifier.failure = c.failure;
        std::vector<std::string> problems;
        std::size_t news = 0;
        BulletinAnnouncer announcer(notifier, [&](const std::string& t) { problems.push_back(t); });
        for (std::size_t i = 0; i < c.logs.size(); ++i) {
            const std::string& log = c.logs[i];
            clock.advance(std::chrono::seconds(30));
            store.storeMessageLog(log);
            store.sortBulletins();
            news += announcer.afterRefresh(store.bulletins(), c.filter, c.on.empty() || c.on[i],
                                           [] { return std::string("G4OWN"); });
        }
        EXPECT_EQ(notifier.notices, c.expected);
        EXPECT_EQ(news, c.news);
        EXPECT_EQ(problems, c.failure.empty() ? std::vector<std::string>{}
                                              : std::vector<std::string>{c.failure});
    }
}

} // namespace
