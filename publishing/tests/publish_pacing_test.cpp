#include "publishing/publish_pacing.h"
#include "publishing_test_support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Each step "at:event:outcome" at second `at`: C a change with copying and upload on, c copying
// only, u upload only, S the schedule's run, E the run ended, . nothing. Then a run is asked
// for: "copy" or "upload" when one starts ("!" when the schedule's is in it), "@N" when the
// next is due at second N, "-" when nothing waits or a run is under way.
TEST(PublishPacing, ABurstMakesOneRunRunsNeverOverlapAndUploadsKeepAMinuteApart) {
    const std::pair<const char*, const char*> cases[] = {
        {"burst, then a change during the run",
         "0:C:@2 1:C:@2 2:.:upload 3:C:- 10:E:copy 11:E:@62 61:.:@62 62:.:upload 63:E:-"},
        {"upload alone waits for its minute", "0:u:@2 2:.:upload 4:E:- 10:u:@62 62:.:upload"},
        {"the schedule keeps to the minute too",
         "0:S:upload! 1:E:- 30:S:copy! 31:E:@60 60:.:upload 70:E:- 71:C:@73 72:S:copy! 73:E:@120 "
         "120:.:upload"},
        {"copying alone, a later change keeps the earlier time",
         "0:c:@2 1:c:@2 2:.:copy 2:E:- 5:c:@7"},
    };
    for (const auto& [name, script] : cases) {
        PublishPacing pacing;
        const auto start = PublishPacing::Instant{};
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            const std::size_t colon = step.find(':');
            const auto now = start + std::chrono::seconds(std::stoi(step.substr(0, colon)));
            const char event = step[colon + 1];
            if (event == 'C' || event == 'c' || event == 'u') {
                pacing.changed(now, event != 'u', event != 'c');
            } else if (event == 'S') {
                pacing.scheduled(now, true, true);
            } else if (event == 'E') {
                pacing.ended();
            }
            std::string outcome = "-";
            if (const auto run = pacing.start(now)) {
                outcome =
                    std::string(run->upload ? "upload" : "copy") + (run->scheduled ? "!" : "");
            } else if (const auto due = pacing.nextDue()) {
                const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(*due - start);
                outcome = "@" + std::to_string(seconds.count());
            }
            EXPECT_EQ(outcome, step.substr(colon + 3)) << name << ": " << step;
        }
    }
}

// New, replaced and evicted bulletins change the board; a read mark does not.
TEST(PublishPacing, TheBoardChangesWithItsBulletinsNotWithReadMarks) {
    BulletinTable before{};
    before[0] = bulletin("W1AW", "BLN1", "net tonight");
    const auto changedBy = [&](auto edit) {
        BulletinTable after = before;
        edit(after);
        return boardChanged(before, after);
    };
    EXPECT_FALSE(changedBy([](BulletinTable& t) { t[0].isRead = true; }));
    EXPECT_TRUE(changedBy([](BulletinTable& t) { t[1] = bulletin("G4ABC", "BLN2", "x"); }));
    EXPECT_TRUE(changedBy([](BulletinTable& t) { t[0].text = "net tomorrow"; }));
    EXPECT_TRUE(changedBy([](BulletinTable& t) { t[0].received = makeLocalDateTime(2027, 1, 1); }));
    EXPECT_TRUE(changedBy([](BulletinTable& t) { t[0].addressee = "BLN2"; }));
    EXPECT_TRUE(changedBy([](BulletinTable& t) { t[0] = Bulletin{}; }));
}

} // namespace
