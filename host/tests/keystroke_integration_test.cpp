// Types into the real host simulator through libxdo on a real X display, then reads what the
// host logged over a private session bus. Needs DISPLAY with a window manager running (the
// README's test command provides both); run through ctest, which wraps the binary in
// dbus-run-session.

#include "host/dbus_host.h"
#include "host/keystroke_notation.h"
#include "host/tests/simulator_process.h"
#include "host/xdo_keystroke_sender.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quillet {
namespace {

using namespace quillet::testing;

// The program waits half a second after each row; the simulator needs far less.
constexpr int kRowPauseMs = 200;

// The map title, in Windows-1252, as the map's information file gives it. The process id
// keeps windows of other runs on the same display from being taken for this one.
const std::string kTitle = "K\xFCste & Co " + std::to_string(QCoreApplication::applicationPid());
const std::string kCaption = "UI-View32 V2.03 [" + kTitle + "]";

class KeystrokeIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            if (qgetenv("QUILLET_SKIP_X11_TESTS") == "1") {
                GTEST_SKIP() << "no X display and QUILLET_SKIP_X11_TESTS=1";
            }
            FAIL() << "DISPLAY is not set: this test types into a real X window and needs an X "
                      "display with a window manager. Run the tests with scripts/test.sh, or "
                      "set QUILLET_SKIP_X11_TESTS=1 to skip it.";
        }
        ASSERT_TRUE(m_sender.hasDisplay()) << m_sender.lastError();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_FALSE(serviceOnBus()) << "an earlier test left a host behind";

        const QString map = m_dir.filePath(QStringLiteral("coast.gif"));
        ASSERT_TRUE(writeFile(map, "GIF89a"));
        ASSERT_TRUE(
            writeFile(m_dir.filePath(QStringLiteral("coast.inf")),
                      QByteArray("Coast map\r\n54.0,6.0,55.0,9.0\r\n") + kTitle.c_str() + "\r\n"));
        m_simulator = std::make_unique<Simulator>(
            QStringList{QStringLiteral("--empty"), QStringLiteral("--callsign"),
                        QStringLiteral("DL0QT"), QStringLiteral("--map"), map},
            false, QStringLiteral("xcb"));
        ASSERT_TRUE(m_simulator->waitUntilOnBus()) << "the simulator never appeared on the bus";
        // The name is on the bus a moment before the window is mapped.
        ASSERT_TRUE(waitFor([this] { return m_sender.activateWindow(kCaption); }))
            << "the simulator's window never became active: " << m_sender.lastError();
    }

    // One call per row with a pause after each, as the program types a message.
    void typeRows(const std::vector<std::string>& rows) {
        for (const std::string& row : rows) {
            ASSERT_TRUE(m_sender.sendKeys(row))
                << "row \"" << row << "\": " << m_sender.lastError();
            QTest::qWait(kRowPauseMs);
        }
    }

    static std::vector<std::string> hostRows(const std::string& to, const std::string& port,
                                             const std::string& digi, const std::string& text) {
        std::vector<std::string> rows{"%M", "%t", "%t"};
        rows.insert(rows.end(), 8, "\t");
        rows.insert(rows.end(),
                    {escapeKeystrokeText(to), "\t", port, "\t", escapeKeystrokeText(digi), "\t",
                     escapeKeystrokeText(text), "{enter}", "%y", "%H"});
        return rows;
    }

    // Waits for the host's log to reach the expected text; returns what it last held.
    std::string waitForLog(const std::string& expected) {
        std::string log;
        waitFor(
            [&] {
                log = m_host.messageLog(2);
                return log == expected;
            },
            5000);
        return log;
    }

    XdoKeystrokeSender m_sender;
    QTemporaryDir m_dir;
    std::unique_ptr<Simulator> m_simulator;
    DBusHost m_host;
};

TEST_F(KeystrokeIntegrationTest, TheHostSequenceLogsTheTextAsWritten) {
    // Invalid notation is refused before anything is typed: an Alt+M let through here would
    // leave the menu open and spoil the message below.
    EXPECT_FALSE(m_sender.sendKeys("%M(")) << "unbalanced parenthesis accepted";
    EXPECT_NE(m_sender.lastError().find("notation"), std::string::npos) << m_sender.lastError();

    const std::string text = "50% off {x} [a] (b) ~+^ net at 20:00, 145.500 MHz!";
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(m_sender.activateWindow(kCaption)) << m_sender.lastError();
    typeRows(hostRows("BLN1", "1", "WIDE2-2", text));
    const std::string expected = hostLogLine("DL0QT", "BLN1", text);
    EXPECT_EQ(waitForLog(expected), expected);
    std::printf("one message typed and logged in %lld ms\n",
                static_cast<long long>(timer.elapsed()));

    // A second message into the same window, found by the start of its caption.
    ASSERT_TRUE(m_sender.activateWindow(kCaption.substr(0, kCaption.size() - 3)))
        << m_sender.lastError();
    typeRows(hostRows("BLN2EU", "-1", "", "second"));
    const std::string both = expected + hostLogLine("DL0QT", "BLN2EU", "second");
    EXPECT_EQ(waitForLog(both), both);
}

TEST_F(KeystrokeIntegrationTest, NoWindowWithTheCaptionIsAFailure) {
    EXPECT_FALSE(m_sender.activateWindow("UI-View32 V2.03 [Nowhere]"));
    EXPECT_NE(m_sender.lastError().find("Nowhere"), std::string::npos) << m_sender.lastError();
    // A caption longer than the window's is not a prefix of it.
    EXPECT_FALSE(m_sender.activateWindow(kCaption + " "));
    QTest::qWait(300);
    EXPECT_EQ(m_host.messageLog(2), "");
}

} // namespace
} // namespace quillet

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
