// Drives DBusHost against the real host simulator on a private session bus. Run through
// ctest, which wraps the binary in dbus-run-session.

#include "base/qt_text.h"
#include "host/dbus_host.h"
#include "host/tests/simulator_process.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <thread>

namespace quillet {
namespace {

constexpr int kCallTimeoutMs = 1000;

using namespace quillet::testing;

// What a call to the host failed with; "no error" when it answered.
template <typename Call> std::string hostErrorOf(Call call) {
    try {
        call();
    } catch (const HostError& error) {
        return error.what();
    }
    return "no error";
}

class DBusHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_FALSE(serviceOnBus()) << "an earlier test left a host behind";
        m_feedPath = m_dir.filePath(QStringLiteral("feed.txt"));
        ASSERT_TRUE(writeFile(m_feedPath, "# three bulletins, one of them an update\n"
                                          "G4ABC|BLN1|Caf\xC3\xA9 net 20:00\n\n"
                                          "DL1XYZ|BLN2EU|Wetter 21\xC2\xB0"
                                          "C | sonnig\r\n"
                                          "G4ABC|BLN1|Caf\xC3\xA9 net moved to 20:30\n"));
        m_mapPath = m_dir.filePath(QString::fromUtf8("K\xC3\xBCste.gif"));
        ASSERT_TRUE(writeFile(m_mapPath, "GIF89a"));
    }

    std::unique_ptr<Simulator> start(QStringList extra = {}) {
        auto simulator = std::make_unique<Simulator>(
            QStringList{QStringLiteral("--feed"), m_feedPath, QStringLiteral("--map"), m_mapPath,
                        QStringLiteral("--callsign"), QStringLiteral("DL0QT")} +
            extra);
        EXPECT_TRUE(simulator->waitUntilOnBus()) << "the simulator never appeared on the bus";
        return simulator;
    }

    // The feed above as the host must log it, in Windows-1252.
    static std::string expectedLog() {
        return hostLogLine("G4ABC", "BLN1", "Caf\xE9 net 20:00") +
               hostLogLine("DL1XYZ", "BLN2EU",
                           "Wetter 21\xB0"
                           "C | sonnig") +
               hostLogLine("G4ABC", "BLN1", "Caf\xE9 net moved to 20:30");
    }

    QTemporaryDir m_dir;
    QString m_feedPath;
    QString m_mapPath;
    DBusHost m_host{QDBusConnection::sessionBus(), kCallTimeoutMs};
};

TEST_F(DBusHostTest, EveryCallFailsClearlyWhenNoHostIsRunning) {
    EXPECT_EQ(hostErrorOf([this] { m_host.stationCallsign(); }),
              "Host not reachable: UI-View32 is not running (StationCallsign)");
    EXPECT_THROW(m_host.messageLog(kBulletinLogSelector), HostError);
    EXPECT_THROW(m_host.currentMap(), HostError);
}

TEST_F(DBusHostTest, ServesStationMapAndAGrowingLogInWindows1252) {
    auto simulator = start();
    EXPECT_EQ(m_host.stationCallsign(), "DL0QT");
    const auto map = m_host.currentMap();
    EXPECT_EQ(map->mapFileName(), toWindows1252(m_mapPath));
    EXPECT_NE(map->mapFileName().find("K\xFCste.gif"), std::string::npos);
    EXPECT_EQ(m_host.messageLog(kBulletinLogSelector), expectedLog());

    // an added bulletin extends the log
    ASSERT_EQ(callSimulator(QStringLiteral("AddBulletin"),
                            {QStringLiteral("G4SIM"), QStringLiteral("BLN1"),
                             QString::fromUtf8("Net moved to 21:00 \xE2\x82\xAC")})
                  .type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(m_host.messageLog(kBulletinLogSelector),
              expectedLog() + hostLogLine("G4SIM", "BLN1", "Net moved to 21:00 \x80"));
}

TEST_F(DBusHostTest, EmptyHostLoadsAFeedOnRequest) {
    auto simulator = start({QStringLiteral("--empty")});
    EXPECT_EQ(m_host.messageLog(kBulletinLogSelector), "");
    const QDBusMessage reply = callSimulator(QStringLiteral("LoadFeed"), {m_feedPath});
    ASSERT_EQ(reply.arguments().size(), 1);
    EXPECT_EQ(reply.arguments().front().toInt(), 3);
    EXPECT_EQ(m_host.messageLog(kBulletinLogSelector), expectedLog());
}

TEST_F(DBusHostTest, OnlyTheLatestClosingHandlerFiresAndItFollowsRestartedHosts) {
    int replaced = 0;
    int closings = 0;
    m_host.setClosingHandler([&replaced] { ++replaced; });
    m_host.setClosingHandler([&closings] { ++closings; });

    auto first = start();
    ASSERT_EQ(callSimulator(QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(waitFor([&closings] { return closings == 1; }));
    ASSERT_TRUE(first->waitUntilFinished());
    EXPECT_EQ(first->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->process().exitCode(), 0);
    first.reset();

    for (const int number : {SIGTERM, SIGINT}) {
        auto again = start();
        again->signal(number);
        EXPECT_TRUE(waitFor([&closings, expected = closings + 1] { return closings == expected; }))
            << number;
        ASSERT_TRUE(again->waitUntilFinished());
        EXPECT_EQ(again->process().exitCode(), 0);
    }
    QTest::qWait(100); // let a stray second delivery show up
    EXPECT_EQ(closings, 3);
    EXPECT_EQ(replaced, 0);
}

TEST_F(DBusHostTest, VanishedHostFailsAndARestartedOneServesAgain) {
    auto simulator = start();
    const auto staleMap = m_host.currentMap();
    simulator->process().kill();
    ASSERT_TRUE(simulator->waitUntilFinished());
    ASSERT_TRUE(waitFor([] { return !serviceOnBus(); }));
    EXPECT_THROW(m_host.messageLog(kBulletinLogSelector), HostError);
    EXPECT_THROW(staleMap->mapFileName(), HostError);
    simulator.reset();

    auto restarted = start();
    EXPECT_EQ(m_host.stationCallsign(), "DL0QT");
    EXPECT_EQ(m_host.currentMap()->mapFileName(), toWindows1252(m_mapPath));
    EXPECT_EQ(m_host.messageLog(kBulletinLogSelector), expectedLog());
}

TEST_F(DBusHostTest, FrozenHostTimesOutAndRecovers) {
    auto simulator = start();
    simulator->signal(SIGSTOP);
    EXPECT_EQ(hostErrorOf([this] { m_host.messageLog(kBulletinLogSelector); }),
              "Host did not answer MessageLog within 1 s");
    simulator->signal(SIGCONT);
    EXPECT_EQ(m_host.stationCallsign(), "DL0QT");
}

TEST_F(DBusHostTest, SecondSimulatorRefusesTheTakenName) {
    auto first = start();
    Simulator second({QStringLiteral("--empty")}, true);
    ASSERT_TRUE(second.waitUntilFinished());
    EXPECT_NE(second.process().exitCode(), 0);
    EXPECT_TRUE(second.process().readAllStandardError().contains("already taken"));
    EXPECT_EQ(m_host.stationCallsign(), "DL0QT") << "the first simulator must be unharmed";
}

// A host that answers with the wrong types. It serves from its own thread and connection
// so that the blocking calls of the test can reach it.
class WrongHost : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.peaksystems.UIView32")
public slots:
    QString CurrentMap() { return QStringLiteral("/UIView32/CurrentMap"); }
    int MessageLog(int selector) { return selector; }
    QString StationCallsign() { return QStringLiteral("N0CALL"); }
};

TEST_F(DBusHostTest, WrongReplyTypesAreHostErrors) {
    QThread thread;
    WrongHost wrongHost;
    wrongHost.moveToThread(&thread);
    thread.start();
    QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("wrong-host"));
    ASSERT_TRUE(connection.registerObject(QString::fromLatin1(hostbus::kPath), &wrongHost,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(kService));

    EXPECT_EQ(m_host.stationCallsign(), "N0CALL") << "the fake host is not reachable";
    EXPECT_EQ(hostErrorOf([this] { m_host.messageLog(kBulletinLogSelector); }),
              "Host gave an unexpected answer to MessageLog (got 'i', expected 's')");
    EXPECT_THROW(m_host.currentMap(), HostError);

    connection.unregisterService(kService);
    connection.unregisterObject(QString::fromLatin1(hostbus::kPath));
    QDBusConnection::disconnectFromBus(QStringLiteral("wrong-host"));
    thread.quit();
    thread.wait();
}

// A host the bus cuts off while it answers, as it does one whose answer is too large: its
// connection closes before the reply, and its process keeps running for a while.
constexpr char kCutOffHost[] = R"(
import dbus, dbus.service, dbus.mainloop.glib, os, time
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(dbus.bus.BUS_SESSION)
class Host(dbus.service.Object):
    @dbus.service.method("com.peaksystems.UIView32", out_signature="o")
    def CurrentMap(self):
        return dbus.ObjectPath("/UIView32/Map")
    @dbus.service.method("com.peaksystems.UIView32", in_signature="i", out_signature="s")
    def MessageLog(self, selector):
        bus.close()
        time.sleep(3)
        os._exit(0)
Host(bus, "/UIView32")
bus.request_name("com.peaksystems.UIView32")
GLib.MainLoop().run()
)";

TEST_F(DBusHostTest, AHostCutOffTheBusIsToldApartFromOneThatClosed) {
    auto simulator = start();
    m_host.currentMap();
    simulator->signal(SIGSTOP); // so that it dies in the middle of the call
    std::thread killer([&] {
        QThread::msleep(200);
        simulator->signal(SIGKILL);
    });
    EXPECT_EQ(hostErrorOf([this] { m_host.messageLog(kBulletinLogSelector); }),
              "Host not reachable: UI-View32 closed during MessageLog");
    killer.join();
    simulator.reset();

    QProcess cutOff;
    cutOff.setProcessChannelMode(QProcess::ForwardedChannels);
    cutOff.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), kCutOffHost});
    ASSERT_TRUE(waitFor([] { return serviceOnBus(); }));
    m_host.currentMap();
    EXPECT_EQ(hostErrorOf([this] { m_host.messageLog(kBulletinLogSelector); }),
              "Host not reachable: the bus cut UI-View32 off during MessageLog while it kept "
              "running (an answer too large for the bus does that)");
    EXPECT_TRUE(cutOff.waitForFinished(10000));
}

} // namespace
} // namespace quillet

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "no session bus; run under dbus-run-session\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}

#include "dbus_host_integration_test.moc"
