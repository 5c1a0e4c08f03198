#include "publishing/delivery.h"
#include "publishing/fake_transfer_control.h"
#include "publishing_test_support.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::testing;

namespace {

using Lines = std::vector<std::string>;

class Delivery : public ::testing::Test {
protected:
    TempDir program;
    TempDir web;
    Settings settings = settingDefaults();
    FakeTransferControl inet1;
    FakeTransferWait wait;

    void SetUp() override {
        writeBytes(program / "quillet.htm", "<p>page</p>\r\n");
        writeBytes(program / "quillet.js1", "function go(c) {}\r\n");
        settings.htmlFileName = "index.htm";
        settings.copyToDirectory = web.path().string();
        settings.ftpHost = "ftp.example.org:2121";
        settings.ftpUserName = "op";
        settings.ftpPassword = "secret";
        // the waits show in the control's log, between the commands
        wait.onEvents = [this] { inet1.log.emplace_back("events"); };
    }
    std::optional<std::string> deliver() {
        return deliverWebpage(program.path(), settings, inet1, wait);
    }
};

TEST_F(Delivery, CopyingAloneStagesAndCopiesBothFilesWithoutTouchingTheControl) {
    settings.autoCopyEnabled = "TRUE";
    writeBytes(web / "index.htm", "an older page that is replaced");
    ASSERT_FALSE(deliver());
    EXPECT_EQ(readBytes(program / "quillet.tmp"), "<p>page</p>\r\n");
    EXPECT_EQ(readBytes(program / "quillet.js"), "function go(c) {}\r\n");
    EXPECT_EQ(readBytes(web / "index.htm"), "<p>page</p>\r\n");
    EXPECT_EQ(readBytes(web / "quillet.js"), "function go(c) {}\r\n");
    EXPECT_TRUE(inet1.log.empty());

    // a directory text that ends with a separator gets one more, which still names it
    settings.copyToDirectory = web.path().string() + "/";
    settings.htmlFileName = "other.htm";
    ASSERT_FALSE(deliver());
    EXPECT_EQ(readBytes(web / "other.htm"), "<p>page</p>\r\n");
}

TEST_F(Delivery, UploadSetsTheControlUpThenSendsTheCommandsInOrderWaitingForEach) {
    settings.ftpEnabled = "TRUE";
    settings.ftpDirectory = "public_html";
    inet1.pollsPerCommand = 2;
    ASSERT_FALSE(deliver());
    const Lines setUp{"cancel",  "protocol ftp",    "host ftp.example.org:2121",
                      "user op", "password secret", "local " + program.path().string()};
    ASSERT_GE(inet1.log.size(), setUp.size());
    EXPECT_EQ(Lines(inet1.log.begin(), inet1.log.begin() + 6), setUp);
    EXPECT_EQ(inet1.commands(), (Lines{"CD public_html", "PUT quillet.tmp index.htm",
                                       "PUT quillet.js quillet.js", "CLOSE"}));
    // each command but CLOSE is waited for until the control has stopped executing
    const Lines waited{"events", "events", "events"};
    for (const std::string command :
         {"CD public_html", "PUT quillet.tmp index.htm", "PUT quillet.js quillet.js"}) {
        const auto at = std::find(inet1.log.begin(), inet1.log.end(), "execute " + command);
        ASSERT_NE(at, inet1.log.end());
        EXPECT_EQ(Lines(at + 1, at + 4), waited) << command;
        EXPECT_NE(at[4], "events") << command;
    }
    EXPECT_EQ(inet1.log.back(), "execute CLOSE");
    EXPECT_FALSE(fs::exists(web / "index.htm")) << "copying is off";

    // an empty directory means no CD; the script is always quillet.js
    settings.ftpDirectory.clear();
    settings.htmlFileName = "bulletins.html";
    inet1.log.clear();
    ASSERT_FALSE(deliver());
    EXPECT_EQ(inet1.commands(),
              (Lines{"PUT quillet.tmp bulletins.html", "PUT quillet.js quillet.js", "CLOSE"}));
}

TEST_F(Delivery, FlagsInAnyOtherCapitalisationAreOff) {
    for (const char* flag : {"True", "true", "TRUE ", " TRUE", "YES", ""}) {
        settings.autoCopyEnabled = flag;
        settings.ftpEnabled = flag;
        ASSERT_FALSE(deliver()) << flag;
        EXPECT_TRUE(inet1.log.empty()) << flag;
        EXPECT_FALSE(fs::exists(web / "index.htm")) << flag;
    }
}

TEST_F(Delivery, AMissingCopyDirectoryStopsTheRunBeforeTheUpload) {
    settings.autoCopyEnabled = "TRUE";
    settings.ftpEnabled = "TRUE";
    settings.copyToDirectory = (web / "not-there").string();
    const auto error = deliver();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("not-there"), std::string::npos) << *error;
    EXPECT_NE(error->find("No such file"), std::string::npos) << *error;
    EXPECT_TRUE(inet1.commands().empty());
    EXPECT_EQ(inet1.log, Lines{"cancel"});
}

TEST_F(Delivery, AMissingScriptSourceStopsEveryDeliveryAtStaging) {
    fs::remove(program / "quillet.js1");
    settings.autoCopyEnabled = "TRUE";
    settings.ftpEnabled = "TRUE";
    const auto error = deliver();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("quillet.js1"), std::string::npos) << *error;
    EXPECT_TRUE(fs::exists(program / "quillet.tmp")) << "the page was staged first";
    EXPECT_FALSE(fs::exists(web / "index.htm"));
    EXPECT_TRUE(inet1.commands().empty());
}

TEST_F(Delivery, TheFirstRefusedCommandStopsTheRunWithItsDescription) {
    settings.ftpEnabled = "TRUE";
    settings.ftpDirectory = "www";
    inet1.refusals["PUT quillet.tmp index.htm"] = "CD www failed: Access denied to remote resource";
    const auto error = deliver();
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, "CD www failed: Access denied to remote resource");
    EXPECT_EQ(inet1.commands(), (Lines{"CD www", "PUT quillet.tmp index.htm"}));
    EXPECT_EQ(inet1.log.back(), "cancel");

    // a failed last upload still comes back, through the refused CLOSE
    inet1.log.clear();
    inet1.refusals = {{"CLOSE", "PUT quillet.js quillet.js failed: Timeout was reached"}};
    const auto late = deliver();
    ASSERT_TRUE(late);
    EXPECT_EQ(*late, "PUT quillet.js quillet.js failed: Timeout was reached");
}

} // namespace
