#include "publishing/publish_pacing.h"
#include "publishing_test_support.h"
#include "testsupport/fake_uploader.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quillet;
using namespace quillet::testing;

namespace {

// Each step "at:event:outcome" at second `at`: C a change with copying and upload on, c copying
// only, u upload only, S the schedule's run, E the run ended, . nothing. Then a run that is due
// goes through the publisher: "c" when it copied, "u" when it uploaded, "!" when the schedule's
// is in it; "@N" when the next is due at second N, "-" when nothing waits or one is under way.
TEST(PublishPacing, ABurstMakesOneRunRunsNeverOverlapAndUploadsKeepAMinuteApart) {
    const std::pair<const char*, const char*> cases[] = {
        {"burst, then a change during the run",
         "0:C:@2 1:C:@2 2:.:cu 3:C:- 10:E:c 11:E:@62 61:.:@62 62:.:cu 63:E:-"},
        {"upload alone waits for its minute", "0:u:@2 2:.:u 4:E:- 10:u:@62 62:.:u"},
        {"the schedule keeps to the minute too",
         "0:S:cu! 1:E:- 30:S:c! 31:E:@60 60:.:cu 70:E:- 71:C:@73 72:S:c! 73:E:@120 120:.:cu"},
        {"copying alone, a later change keeps the earlier time",
         "0:c:@2 1:c:@2 2:.:c 2:E:- 5:c:@7"},
    };
    for (const auto& [name, script] : cases) {
        PublisherRig<FakeUploader> rig;
        TempDir web;
        writeBytes(rig.program / "quillet.template", "$RAWDATA\r\n");
        writeBytes(rig.program / "quillet.js1", "");
        rig.input.settings.copyToDirectory = web.path().string();
        PublishPacing pacing(rig.clock);
        const LocalDateTime start = rig.clock.now();
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            const std::size_t colon = step.find(':');
            const int at = std::stoi(step.substr(0, colon));
            rig.clock.set(start + std::chrono::seconds(at));
            const char event = step[colon + 1];
            Settings& settings = rig.input.settings;
            if (event == 'C' || event == 'c' || event == 'u' || event == 'S') {
                settings.autoCopyEnabled = event != 'u';
                settings.ftpEnabled = event != 'c';
                event == 'S' ? pacing.scheduled(true, true)
                             : pacing.changed(settings.autoCopyEnabled, settings.ftpEnabled);
            } else if (event == 'E') {
                pacing.ended();
            }
            std::string outcome = "-";
            if (const auto run = pacing.start()) {
                const std::size_t logged = rig.uploader.log.size();
                fs::remove(web / "quillet.htm");
                PublishInput input = rig.input;
                input.settings = run->settings(settings);
                rig.publisher.webpageAction(input);
                outcome = std::string(fs::exists(web / "quillet.htm") ? "c" : "") +
                          (rig.uploader.log.size() > logged ? "u" : "") +
                          (run->scheduled ? "!" : "");
            } else if (const auto wait = pacing.untilDue()) {
                outcome = "@" + std::to_string(at + wait->count() / 1000);
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
    EXPECT_TRUE(changedBy([](BulletinTable& t) { t[0] = Bulletin{}; }));
}

} // namespace
