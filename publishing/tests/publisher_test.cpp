#include "bulletins/fake_clock.h"
#include "publishing/fake_transfer_control.h"
#include "publishing/webpage_publisher.h"
#include "publishing_test_support.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

using Lines = std::vector<std::string>;

class Publisher : public ::testing::Test {
protected:
    TempDir program;
    TempDir web;
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    FakeTransferControl inet1;
    FakeTransferWait wait;
    Lines statuses;
    WebpagePublisher publisher{inet1, wait, clock, formatter,
                               [this](const std::string& text) { statuses.push_back(text); }};
    BulletinTable table{};
    PublishInput input{.programDir = program.path(),
                       .settings = settingDefaults(),
                       .bulletins = table,
                       .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                       .version = "V1.0.6"};

    void SetUp() override {
        writeBytes(program / "quillet.template", "<h1>$CALLSIGN $VERSION</h1>\r\n$RAWDATA\r\n");
        writeBytes(program / "quillet.js1", "function go(c) {}\r\n");
        table[0] = bulletin("ALPHA", "BLN1", "hello");
        input.settings.copyToDirectory = web.path().string();
        input.settings.htmlFileName = "index.htm";
    }
};

TEST_F(Publisher, WithBothSwitchesOffNothingIsWrittenAndTheStatusIsLeftAlone) {
    input.settings.autoCopyEnabled = "True";
    input.settings.ftpEnabled = "FALSE";
    publisher.webpageAction(input);
    EXPECT_TRUE(statuses.empty());
    EXPECT_FALSE(fs::exists(program / "quillet.htm"));
    EXPECT_FALSE(fs::exists(program / "quillet.tmp"));
    EXPECT_TRUE(inet1.log.empty());
}

TEST_F(Publisher, ASuccessfulRunEmptiesTheStatusAndPublishes) {
    input.settings.autoCopyEnabled = "TRUE";
    input.settings.ftpEnabled = "TRUE";
    publisher.webpageAction(input);
    EXPECT_EQ(statuses, Lines{""});
    const std::string page = readBytes(program / "quillet.htm");
    EXPECT_TRUE(page.starts_with("<h1>N0CALL V1.0.6</h1>\r\n<tr><td>")) << page;
    EXPECT_EQ(readBytes(web / "index.htm"), page);
    EXPECT_EQ(inet1.commands(),
              (Lines{"PUT quillet.tmp index.htm", "PUT quillet.js quillet.js", "CLOSE"}));
    EXPECT_FALSE(publisher.busy());
}

// A run that cannot make the page says why after emptying the status, keeps the last page
// and delivers nothing.
TEST_F(Publisher, AMissingTemplateOrASilentHostStopsTheRunBeforeDelivery) {
    writeBytes(program / "quillet.htm", "the page of the last run");
    input.settings.autoCopyEnabled = "TRUE";
    input.settings.ftpEnabled = "TRUE";
    const auto expectStopped = [this](const std::string& reason) {
        publisher.webpageAction(input);
        ASSERT_EQ(statuses.size(), 2u);
        EXPECT_EQ(statuses[0], "");
        EXPECT_EQ(statuses[1].rfind("Error doing web page update -> " + reason, 0), 0u)
            << statuses[1];
        EXPECT_EQ(readBytes(program / "quillet.htm"), "the page of the last run");
        EXPECT_FALSE(fs::exists(program / "quillet.tmp"));
        EXPECT_FALSE(fs::exists(web / "index.htm"));
        EXPECT_TRUE(inet1.log.empty());
        statuses.clear();
    };
    input.stationCallsign = [] { return std::optional<std::string>(); };
    expectStopped("the host did not tell the station callsign");
    fs::remove(program / "quillet.template");
    expectStopped("the page template ");
}

TEST_F(Publisher, ADeliveryFailureGoesToTheStatusAfterTheErrorPrefix) {
    input.settings.ftpEnabled = "TRUE";
    inet1.refusals["PUT quillet.js quillet.js"] = "PUT quillet.tmp index.htm failed: Login denied";
    publisher.webpageAction(input);
    EXPECT_EQ(statuses,
              (Lines{"", "Error doing web page update -> PUT quillet.tmp index.htm failed: "
                         "Login denied"}));
    EXPECT_FALSE(publisher.busy());
}

TEST_F(Publisher, ARunStartedDuringAnUploadIsSkippedAndSaysSo) {
    input.settings.ftpEnabled = "TRUE";
    inet1.pollsPerCommand = 3;
    int nested = 0;
    wait.onEvents = [&] {
        // a timer tick or the Setup window's test arrives while the upload waits
        if (nested++ == 1) {
            EXPECT_TRUE(publisher.busy());
            publisher.webpageAction(input);
        }
    };
    publisher.webpageAction(input);
    EXPECT_EQ(statuses, (Lines{"", std::string(kPublishSkipped)}));
    EXPECT_EQ(inet1.commands(),
              (Lines{"PUT quillet.tmp index.htm", "PUT quillet.js quillet.js", "CLOSE"}));
    EXPECT_FALSE(publisher.busy());

    // and once the run has ended the next one goes ahead
    wait.onEvents = nullptr;
    statuses.clear();
    publisher.webpageAction(input);
    EXPECT_EQ(statuses, Lines{""});
}

} // namespace
