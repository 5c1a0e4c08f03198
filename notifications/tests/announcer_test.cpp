#include "bulletins/bulletin_store.h"
#include "bulletins/fake_clock.h"
#include "notifications/bulletin_announcer.h"
#include "notifications/notice_text.h"
#include "notifications/recording_notifier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillet;

namespace {

constexpr const char* kOwn = "G4OWN";

std::string line(const std::string& callsign, const std::string& addressee,
                 const std::string& text) {
    return callsign + '\xB3' + addressee + '\xB3' + text + "\r\n";
}

// More distinct bulletins than the table holds: every refresh evicts one and takes back the
// one evicted the refresh before.
std::string crowdedLog() {
    std::string log;
    for (int i = 0; i < kSlotCount + 1; ++i) {
        log += line("DL" + std::to_string(100 + i), "BLN1", "crowd " + std::to_string(i));
    }
    return log;
}

struct Case {
    const char* name;
    std::vector<std::string> logs; // the host's log at each refresh, the first at start-up
    std::vector<Notice> expected;  // every notice raised, in order
    std::string filter = "ALL";
    bool enabled = true;
};

TEST(BulletinAnnouncer, AnnouncesWhatARefreshBroughtFromOthersInTheShownGroup) {
    const std::string a = line("K1ABC", "BLN1", "Net tonight");
    const std::string several = line("W3C", "BLN2", "c") + line("OE1B", "BLNA", "b") +
                                line("N9Z", "BLN3", "z") + line("G0E", "BLN4", "e") +
                                line("DL1D", "BLN5", "d") + line("F1F", "BLN6", "f") +
                                line(kOwn, "BLN7", "mine") + line("VK2G", "BLN8", "g");
    const std::vector<Case> cases = {
        {"what start-up finds", {a}, {}},
        {"a new bulletin", {"", a}, {{"Bulletin from K1ABC (BLN1)", "Net tonight"}}},
        {"the same text again", {"", a, a}, {{"Bulletin from K1ABC (BLN1)", "Net tonight"}}},
        {"a changed text",
         {a, a + line("K1ABC", "BLN1", "Net moved")},
         {{"Bulletin from K1ABC (BLN1)", "Net moved"}}},
        {"the station's own", {"", line(kOwn, "BLN1", "mine")}, {}},
        {"outside the group shown",
         {"", line("K1ABC", "BLN1NA", "na") + line("K2X", "BLN1EU", "eu") + a},
         {{"Bulletin from K2X (BLN1EU)", "eu"}},
         "EU"},
        {"switched off", {"", a, a + line("K2X", "BLN2", "x")}, {}, "ALL", false},
        {"several at once, in table order",
         {"", several},
         {{"7 new bulletins", "DL1D (BLN5): d\nF1F (BLN6): f\nG0E (BLN4): e\nN9Z (BLN3): z\n"
                              "OE1B (BLNA): b\nand 2 more"}}},
        {"eviction and re-sorting", {crowdedLog(), crowdedLog(), crowdedLog()}, {}},
        {"markup stays text for the notifier",
         {"", line("K1ABC", "BLN1", "Fox <b>& hound</b> &amp;")},
         {{"Bulletin from K1ABC (BLN1)", "Fox <b>& hound</b> &amp;"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClock clock;
        BulletinStore store(clock);
        RecordingNotifier notifier;
        std::vector<std::string> problems;
        BulletinAnnouncer announcer(notifier,
                                    [&](const std::string& text) { problems.push_back(text); });
        for (const std::string& log : c.logs) {
            clock.advance(std::chrono::seconds(30));
            store.storeMessageLog(log);
            store.sortBulletins();
            announcer.afterRefresh(store.bulletins(), c.filter, c.enabled,
                                   [] { return std::string(kOwn); });
        }
        EXPECT_EQ(notifier.notices, c.expected);
        EXPECT_TRUE(problems.empty());
    }
}

TEST(BulletinAnnouncer, TellsOfAMissingServiceOnceAndKeepsTrying) {
    FakeClock clock;
    BulletinStore store(clock);
    RecordingNotifier notifier;
    notifier.failure = "Desktop notices unavailable: no notification service on the session bus";
    std::vector<std::string> problems;
    BulletinAnnouncer announcer(notifier,
                                [&](const std::string& text) { problems.push_back(text); });
    for (const char* text : {"start", "one", "two"}) {
        store.storeMessageLog(line("K1ABC", "BLN1", text));
        announcer.afterRefresh(store.bulletins(), "ALL", true, [] { return std::string(kOwn); });
    }
    EXPECT_EQ(notifier.notices.size(), 2u);
    EXPECT_EQ(problems, std::vector<std::string>{notifier.failure});
}

TEST(NoticeMarkup, EscapesWhatMarkupWouldTakeAndNothingElse) {
    EXPECT_EQ(escapeNoticeMarkup("a <b>&amp; \"c\" 'd' \xE9>"),
              "a &lt;b&gt;&amp;amp; \"c\" 'd' \xE9&gt;");
}

} // namespace
