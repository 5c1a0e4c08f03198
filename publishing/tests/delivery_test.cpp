#include "publishing/delivery.h"
#include "publishing/publish_targets.h"
#include "publishing/schedule.h"
#include "publishing_test_support.h"
#include "testsupport/fake_uploader.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace quillet;
using namespace quillet::testing;

namespace {

using Lines = std::vector<std::string>;

class Delivery : public ::testing::Test {
protected:
    TempDir program;
    TempDir web;
    Settings settings = settingDefaults();
    FakeUploader uploader;
    void SetUp() override {
        writeBytes(program / "quillet.htm", "<p>page</p>\r\n");
        writeBytes(program / "quillet.js1", "function go(c) {}\r\n");
        writeBytes(program / "quillet.atom", "<feed/>");
        writeBytes(program / "quillet.json", "{}");
        settings.htmlFileName = "index.htm";
        settings.copyToDirectory = web.path().string();
        settings.ftpHost = "ftp.example.org:2121";
    }
    Status deliver() { return deliverWebpage(program.path(), settings, uploader); }
};

// Copying alone uploads nothing; a folder text that ends with a separator gets one more,
// which still names it.
TEST_F(Delivery, ACopyThatFailsPartWayKeepsTheOldPageAndCopyingReplacesBothFiles) {
    // A copy that stops part-way (a full disk) must not replace the good page with a cut one.
    writeBytes(program / "big.htm", std::string(4096, 'n'));
    writeBytes(web / "index.htm", "the good page");
    const Status copied = withFileSizeLimit(
        1000, [&] { return copyFileOver(program / "big.htm", web / "index.htm"); });
    EXPECT_NE(copied.error().find("File too large"), std::string::npos) << copied.error();
    EXPECT_EQ(readBytes(web / "index.htm"), "the good page");
    EXPECT_EQ(std::distance(fs::directory_iterator(web.path()), fs::directory_iterator()), 1);
    settings.autoCopyEnabled = true;
    settings.copyToDirectory += "/";
    writeBytes(web / "index.htm", "an older page that is replaced");
    ASSERT_TRUE(deliver().ok());
    EXPECT_EQ(readBytes(web / "index.htm"), "<p>page</p>\r\n");
    EXPECT_EQ(readBytes(web / "quillet.js"), "function go(c) {}\r\n");
    EXPECT_EQ(readBytes(web / "index.atom") + readBytes(web / "index.json"), "<feed/>{}");
    EXPECT_TRUE(uploader.log.empty());
}

// A failed copy stops the run before any upload. The files go up in order, into the folder
// when one is set; the first failing step ends the run, and the connection is always closed.
TEST_F(Delivery, TheStepsRunInOrderUntilTheFirstFailure) {
    settings.autoCopyEnabled = true;
    settings.ftpEnabled = true;
    settings.copyToDirectory = (web / "not-there").string();
    EXPECT_NE(deliver().error().find("not-there/index.htm (cannot create"), std::string::npos);
    EXPECT_TRUE(uploader.log.empty());
    settings.autoCopyEnabled = false;
    settings.ftpUserName = "op";
    settings.ftpPassword = "secret";
    settings.ftpCaFile = "/etc/ca.pem";
    settings.ftpDirectory = "public_html";
    const Lines steps{"open ftp.example.org:2121 op secret ca /etc/ca.pem",
                      "enter public_html",
                      "put " + (program / "quillet.tmp").string() + " index.htm",
                      "put " + (program / "quillet.js").string() + " quillet.js",
                      "put " + (program / "quillet.atom").string() + " index.atom",
                      "put " + (program / "quillet.json").string() + " index.json"};
    for (std::size_t failing = 0; failing <= steps.size(); ++failing) {
        uploader.log.clear();
        uploader.failures.clear();
        const bool fails = failing < steps.size();
        if (fails) {
            uploader.failures[steps[failing]] = "step " + std::to_string(failing) + " failed";
        }
        const Status delivered = deliver();
        EXPECT_EQ(delivered.ok() ? "" : delivered.error(),
                  fails ? "step " + std::to_string(failing) + " failed" : "");
        Lines expected(steps.begin(), steps.begin() + static_cast<long>(failing + fails));
        expected.emplace_back("close");
        EXPECT_EQ(uploader.log, expected) << failing;
    }
    settings.ftpDirectory.clear();
    uploader.log.clear();
    ASSERT_TRUE(deliver().ok());
    EXPECT_EQ(uploader.log, (Lines{steps[0], steps[2], steps[3], steps[4], steps[5], "close"}));
    fs::remove(program / "quillet.js1");
    EXPECT_NE(deliver().error().find("quillet.js1"), std::string::npos);
    EXPECT_EQ(uploader.log.size(), 6u);
}

// A page name is a plain name and a host is a host: anything else stops the run before a
// file is written or a command sent, and says which setting is wrong.
TEST_F(Delivery, APageNameWithAFolderOrAHostWithMoreIsRefused) {
    settings.autoCopyEnabled = true;
    settings.ftpEnabled = true;
    fs::create_directories(web / "a");
    const auto refused = [&](std::string Settings::*field, const std::string& value) {
        Settings bad = settings;
        bad.*field = value;
        const Status delivered = deliverWebpage(program.path(), bad, uploader);
        const char* key = field == &Settings::ftpHost ? "FTP_HOST \"" : "HTML_FILENAME \"";
        EXPECT_TRUE(delivered.error().starts_with(key)) << value << ": " << delivered.error();
        EXPECT_EQ(delivered.error().find('\n'), std::string::npos);
        EXPECT_TRUE(uploader.log.empty()) << value;
    };
    for (const char* name :
         {"../up.htm", "a/b.htm", "/tmp/abs.htm", "a\\b.htm", "..", "", "x\r\nDELE y", "p.atom"}) {
        refused(&Settings::htmlFileName, name);
    }
    settings.ftpEnabled = false; // a page only copied is held to the same name
    refused(&Settings::htmlFileName, "../up.htm");
    settings.ftpEnabled = true;
    for (const char* host :
         {"host:21/dir", "hostlink/dir", "host?x", "host#x", "user@host", "ho st", "host:0",
          "host:99999", "http://host", "sftp://host:22/etc", "[::1"}) {
        refused(&Settings::ftpHost, host);
    }
    EXPECT_FALSE(fs::exists(program / "quillet.tmp"));
    EXPECT_EQ(std::distance(fs::directory_iterator(web.path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(fs::exists(web.path().parent_path() / "up.htm"));
    for (const auto& [text, scheme, authority] :
         {std::tuple{"ftp.example.org", FtpScheme::ftp, "ftp.example.org"},
          std::tuple{"ftp://127.0.0.1:2121/", FtpScheme::ftp, "127.0.0.1:2121"},
          std::tuple{"ftps://host.example:990", FtpScheme::ftps, "host.example:990"},
          std::tuple{"sftp://[::1]:22", FtpScheme::sftp, "[::1]:22"}}) {
        const Result<FtpAddress> address = parseFtpHost(text);
        ASSERT_TRUE(address.ok()) << address.error();
        EXPECT_EQ(address->scheme, scheme);
        EXPECT_EQ(address->authority(), authority);
    }
}

class Publisher : public ::testing::Test, public PublisherRig<FakeUploader> {
protected:
    void SetUp() override {
        writeBytes(program / "quillet.js1", "function go(c) {}\r\n");
        writeBytes(program / "quillet.template", "<h1>$CALLSIGN $VERSION</h1>\r\n");
        input.settings.htmlFileName = "index.htm";
        input.settings.ftpHost = "ftp.example.org:2121";
        input.settings.ftpEnabled = true;
    }
};

TEST_F(Publisher, ARunEmptiesTheStatusThenReportsOnlyAFailureAndOneUnderWaySkipsTheNext) {
    input.settings.ftpEnabled = false;
    publisher.webpageAction(input);
    EXPECT_TRUE(statuses.empty()) << "both switches off: nothing at all";
    EXPECT_FALSE(fs::exists(program / "quillet.tmp"));
    input.settings.ftpEnabled = true;
    publisher.webpageAction(input);
    EXPECT_EQ(statuses, Lines{""});
    EXPECT_EQ(readBytes(program / "quillet.tmp"), "<h1>N0CALL V1.0.6</h1>\r\n");
    // a failed generation delivers nothing; the previous staged page stays
    input.stationCallsign = [] { return std::optional<std::string>(); };
    uploader.log.clear();
    publisher.webpageAction(input);
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(),
              "Error doing web page update -> the host did not tell the station callsign");
    EXPECT_TRUE(uploader.log.empty());
    statuses.clear();
    // A timer tick or the Setup window's test while a run is under way on the worker.
    ASSERT_TRUE(publisher.begin(input.settings));
    publisher.webpageAction(input);
    EXPECT_EQ(statuses, (Lines{"", std::string(kPublishSkipped)}));
    EXPECT_TRUE(uploader.log.empty());
    publisher.end(publisher.run(input));
    EXPECT_FALSE(publisher.busy());
    EXPECT_TRUE(publisher.begin(input.settings));
}

// The ticks (1-based) at which a run is due, over `count` ticks, with a new interval
// taking effect at the next tick (six ticks counted already reach three) and the count going
// on whatever the switches say.
TEST(Schedule, RunsEveryGivenNumberOfTicks) {
    const struct {
        std::vector<std::pair<std::int16_t, int>> phases; // interval, ticks
        std::vector<int> due;
    } cases[] = {{{{10, 30}}, {10, 20, 30}},
                 {{{0, 2}, {-3, 1}, {0, 1}}, {1, 2, 3, 4}},
                 {{{10, 5}, {3, 4}}, {6, 9}}};
    for (const auto& c : cases) {
        PublishingSchedule schedule;
        std::vector<int> due;
        int tick = 0;
        for (const auto& [minutes, count] : c.phases) {
            Settings settings = settingDefaults();
            settings.webpageUpdateMinutes = minutes;
            for (int i = 0; i < count; ++i) {
                if (schedule.tick(settings)) {
                    due.push_back(tick + 1);
                }
                ++tick;
            }
        }
        EXPECT_EQ(due, c.due) << c.phases.front().first;
    }
}

} // namespace
