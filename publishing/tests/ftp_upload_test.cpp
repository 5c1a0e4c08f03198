// Uploads to a real FTP server on 127.0.0.1 through the libcurl control, with the program's
// own wait keeping a Qt event loop running.

#include "bulletins/fake_clock.h"
#include "ftp_test_servers.h"
#include "publishing/curl/curl_transfer_control.h"
#include "publishing/qt/qt_transfer_wait.h"
#include "publishing/webpage_publisher.h"
#include "publishing_test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

using namespace quillet;
using namespace quillet::testing;
using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

// Every byte value, CR and LF among them, so any text-mode change would show.
std::string pageBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

class FtpUpload : public ::testing::Test {
protected:
    TempDir program;
    TempDir root;
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    CurlTransferControl inet1;
    QtTransferWait wait;
    Lines statuses;
    WebpagePublisher publisher{inet1, wait, clock, formatter,
                               [this](const std::string& text) { statuses.push_back(text); }};
    BulletinTable table{};
    PublishInput input{.programDir = program.path(),
                       .settings = settingDefaults(),
                       .bulletins = table,
                       .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                       .version = "V1.0.6"};
    const std::string script = "function go(c) {}\r\n" + pageBytes(3000);

    void SetUp() override {
        if (const std::string missing = pyftpdlibMissing(); !missing.empty()) {
            FAIL() << missing;
        }
        // "$RAWDATA" comes last, so the page ends with the bytes of the template.
        writeBytes(program / "quillet.template", pageBytes(200000));
        writeBytes(program / "quillet.js1", script);
        input.settings.ftpEnabled = "TRUE";
        input.settings.ftpUserName = "op";
        input.settings.ftpPassword = "right horse";
        input.settings.htmlFileName = "index.htm";
    }

    // Runs webpageAction as the schedule would, with a timer ticking beside it; returns
    // how long the run took and counts the ticks that ran meanwhile.
    std::chrono::milliseconds publish(int& ticks) {
        QTimer ticker;
        ticks = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        const auto start = std::chrono::steady_clock::now();
        publisher.webpageAction(input);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    void expectFailureWithin20Seconds(const std::string& expectedPart) {
        int ticks = 0;
        const auto took = publish(ticks);
        ASSERT_EQ(statuses.size(), 2u);
        EXPECT_EQ(statuses[0], "");
        EXPECT_TRUE(statuses[1].starts_with("Error doing web page update -> ")) << statuses[1];
        EXPECT_NE(statuses[1].find(expectedPart), std::string::npos) << statuses[1];
        EXPECT_LT(took, 20s);
        // the event loop went on: a 50 ms timer ran through the whole wait
        EXPECT_GE(ticks, static_cast<int>(took / 50ms) / 4) << took.count() << " ms";
        EXPECT_FALSE(publisher.busy());
    }
};

TEST_F(FtpUpload, BothFilesArriveByteForByteAlsoInACdDirectory) {
    FtpServer server(root.path(), "op", "right horse");
    input.settings.ftpHost = server.host();
    int ticks = 0;
    publish(ticks);
    EXPECT_EQ(statuses, Lines{""});
    const std::string page = readBytes(program / "quillet.htm");
    ASSERT_GT(page.size(), 200000u);
    EXPECT_EQ(readBytes(root / "index.htm"), page);
    EXPECT_EQ(readBytes(root / "quillet.js"), script);

    // into a directory, over a new connection, with a blank in the remote page name
    fs::create_directories(root / "site" / "www");
    input.settings.ftpDirectory = "site/www";
    input.settings.htmlFileName = "bulletin board.htm";
    statuses.clear();
    publish(ticks);
    EXPECT_EQ(statuses, Lines{""});
    EXPECT_EQ(readBytes(root / "site" / "www" / "bulletin board.htm"), page);
    EXPECT_EQ(readBytes(root / "site" / "www" / "quillet.js"), script);
}

TEST_F(FtpUpload, AWrongPasswordOrAMissingDirectoryIsReportedAndTheNextRunStartsAfresh) {
    FtpServer server(root.path(), "op", "right horse");
    input.settings.ftpHost = server.host();
    input.settings.ftpPassword = "wrong";
    expectFailureWithin20Seconds("Login denied");
    statuses.clear();
    input.settings.ftpPassword = "right horse";
    input.settings.ftpDirectory = "no_such_dir";
    expectFailureWithin20Seconds("CD no_such_dir failed");
    EXPECT_FALSE(fs::exists(root / "index.htm"));

    statuses.clear();
    input.settings.ftpDirectory.clear();
    int ticks = 0;
    publish(ticks);
    EXPECT_EQ(statuses, Lines{""});
    EXPECT_TRUE(fs::exists(root / "index.htm"));
}

TEST_F(FtpUpload, AServerThatIsNotThereIsReported) {
    input.settings.ftpHost = "127.0.0.1:" + std::to_string(freeLoopbackPort());
    expectFailureWithin20Seconds("Couldn't connect");
}

TEST_F(FtpUpload, AServerThatNeverAnswersIsReportedWithinTheTimeLimits) {
    SilentServer server;
    input.settings.ftpHost = server.host();
    expectFailureWithin20Seconds("Timeout");
    EXPECT_GE(server.accepted(), 1u);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
