// Drives DBusHost against the real host on a private session bus. Run through
// ctest, which wraps the binary in dbus-run-session.

#include "base/qt_text.h"
#include "bulletins/bulletin_store.h"
#include "hostlink/dbus_host.h"
#include "testsupport/host_process.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

namespace quillet {
namespace {

using namespace quillet::testing;

template <typename T> std::string errorOf(const Result<T>& result) {
    return result ? "no error" : result.error();
}

std::string said(const Result<std::string>& result) {
    return result ? *result : "failed: " + result.error();
}

std::string mapFileOf(const Result<std::unique_ptr<HostMap>>& map) {
    return !map ? "failed: " + map.error() : *map ? said((*map)->mapFileName()) : "no map";
}

std::string offersOf(const Result<bool>& offers) {
    return offers ? (*offers ? "offers" : "does not offer") : "failed: " + offers.error();
}

bool added(const char* from, const char* to, const QString& text) {
    return callHostControl(contract::kAddBulletinMethod,
                           {QString::fromLatin1(from), QString::fromLatin1(to), text})
               .type() == QDBusMessage::ReplyMessage;
}

class DBusHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(serviceOnBus()) << "an earlier test left a host behind";
        m_mapPath = m_dir.filePath(QString::fromUtf8("K\xC3\xBCste.gif"));
        ASSERT_TRUE(writeFile(m_mapPath, "GIF89a"));
    }
    std::unique_ptr<HostProcess> start() {
        auto host = std::make_unique<HostProcess>(
            QStringList{QStringLiteral("--empty"), QStringLiteral("--map"), m_mapPath,
                        QStringLiteral("--callsign"), QStringLiteral("DL0QT")});
        EXPECT_TRUE(host->waitUntilOnBus()) << "the host never appeared on the bus";
        return host;
    }

    QTemporaryDir m_dir;
    QString m_mapPath;
    DBusHost m_host{QDBusConnection::sessionBus(), 1000};
};

TEST_F(DBusHostTest, ServesInWindows1252TheLatestClosingHandlerFiresAndNoHostFailsClearly) {
    int replaced = 0;
    int closings = 0;
    m_host.setClosingHandler([&replaced] { ++replaced; });
    m_host.setClosingHandler([&closings] { ++closings; });
    EXPECT_EQ(errorOf(m_host.stationCallsign()),
              "Host not reachable: UI-View32 is not running (StationCallsign)");
    EXPECT_EQ(errorOf(m_host.currentMap()),
              "Host not reachable: UI-View32 is not running (CurrentMap)");
    auto host = start();
    EXPECT_EQ(said(m_host.stationCallsign()), "DL0QT");
    EXPECT_EQ(mapFileOf(m_host.currentMap()), toWindows1252(m_mapPath));
    EXPECT_EQ(said(m_host.messageLog(kBulletinLogSelector)), "");
    ASSERT_TRUE(added("G4SIM", "BLN1", QString::fromUtf8("Caf\xC3\xA9 at 21:00 \xE2\x82\xAC")));
    EXPECT_EQ(said(m_host.messageLog(kBulletinLogSelector)), "G4SIM\xB3"
                                                             "BLN1\xB3"
                                                             "Caf\xE9 at 21:00 \x80\r\n");
    // Only lines the table lacks come; the whole log beyond the log's end and from a new run.
    const SystemClock clock;
    BulletinStore table(clock);
    ASSERT_TRUE(table.readMessageLog(m_host).ok() && added("W1AW", "BLN2", QStringLiteral("2")));
    const LogPosition held = table.logPosition();
    const std::string whole = said(m_host.messageLog(kBulletinLogSelector));
    for (const auto& [asked, first, lines] : {std::tuple(held, 1, whole.substr(whole.find("W1"))),
                                              std::tuple(LogPosition{held.logId, 3}, 0, whole)}) {
        const Result<LogLines> got = m_host.messageLogAfter(asked);
        ASSERT_TRUE(got) << got.error();
        EXPECT_EQ(std::tuple(got->logId, got->firstLine, got->lines),
                  std::tuple(held.logId, first, lines));
    }
    ASSERT_EQ(callHostControl(contract::kQuitMethod).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(waitFor([&closings] { return closings == 1; }));
    ASSERT_TRUE(host->waitUntilFinished());
    host.reset();
    host = start();
    ASSERT_TRUE(added("DL1XYZ", "BLN3", QStringLiteral("3")) && table.readMessageLog(m_host).ok());
    EXPECT_NE(table.logPosition().logId, held.logId);
    EXPECT_EQ(std::pair(table.logPosition().linesHeld, table.usedCount()), std::pair(1, 2));
    const Result<std::unique_ptr<HostMap>> staleMap = m_host.currentMap();
    ASSERT_TRUE(staleMap && *staleMap) << staleMap.error();
    host->process().kill();
    ASSERT_TRUE(host->waitUntilFinished());
    ASSERT_TRUE(waitFor([] { return !serviceOnBus(); }));
    EXPECT_EQ(errorOf(m_host.messageLog(kBulletinLogSelector)).substr(0, 20),
              "Host not reachable: ");
    EXPECT_EQ(errorOf((*staleMap)->mapFileName()).substr(0, 20), "Host not reachable: ");
    host.reset();
    host = start();
    EXPECT_EQ(mapFileOf(m_host.currentMap()), toWindows1252(m_mapPath));
    EXPECT_EQ(replaced, 0);
}

// The own interface checks a bulletin in the message form's words, logs it as written and
// signals it; a frozen host times out; a new host without the interface is found out.
TEST_F(DBusHostTest, TheOwnInterfaceSendsOrRefusesInTheFormsWordsAndSignalsEachLogging) {
    int changes = 0;
    m_host.setLogChangedHandler([&changes] { ++changes; });
    auto host = start();
    EXPECT_EQ(offersOf(m_host.offersDirectSend()), "offers");
    struct Case {
        const char* to;
        int port;
        std::string text;
        bool sent;
        std::string status;
    };
    const Case cases[] = {
        {"   ", 1, "x", false, "Not sent: the To field is empty."},
        {"BLN 1", 1, "x", false, "Not sent: \"BLN 1\" is not a destination."},
        {"BLN1", 70000, "x", false, "Not sent: the port \"70000\" is not a number."},
        {"BLN1", -32769, "x", false, "Not sent: the port \"-32769\" is not a number."},
        {"BLN1", 1,
         "x\r\nG4SIM\xB3"
         "BLN2\xB3"
         "forged",
         false, "Not sent: the Text holds a line end or another control character."},
        {"BLN1", 1, std::string(246, 'x'), false,
         "Not sent: the message would be 257 bytes, more than the 256 a packet carries (a text "
         "of at most 245 bytes)."},
        // Blanks around the addressee go, the text stays as written, letters beyond ASCII too.
        {" BLN1 ", -1, " Caf\xE9 \x80 ", true,
         "Logged: <BLN1>  Caf\xE9 \x80  (no link: not sent on the air)"},
    };
    for (const Case& c : cases) {
        const Result<DirectSend> answer = m_host.sendBulletin(c.to, c.port, "WIDE2-2", c.text);
        ASSERT_TRUE(answer) << answer.error();
        EXPECT_EQ(answer->sent, c.sent) << c.to << ' ' << c.port;
        EXPECT_EQ(answer->status, c.status);
    }
    EXPECT_TRUE(waitFor([&changes] { return changes == 1; }));
    EXPECT_EQ(said(m_host.messageLog(kBulletinLogSelector)), "DL0QT\xB3"
                                                             "BLN1\xB3 Caf\xE9 \x80 \r\n");
    ASSERT_TRUE(added("G4SIM", "BLN2", QStringLiteral("y")));
    EXPECT_TRUE(waitFor([&changes] { return changes == 2; })) << changes;

    // A frozen host: every call gives up after the limit, and the host answers once it thaws.
    host->signal(SIGSTOP);
    EXPECT_EQ(errorOf(m_host.messageLog(kBulletinLogSelector)),
              "Host did not answer MessageLog within 1 s");
    EXPECT_EQ(errorOf(m_host.sendBulletin("BLN1", 1, "", "x")),
              "Host did not answer SendBulletin within 1 s");
    host->signal(SIGCONT);
    EXPECT_EQ(said(m_host.stationCallsign()), "DL0QT");

    host.reset();
    host = std::make_unique<HostProcess>(
        QStringList{QStringLiteral("--empty"), QStringLiteral("--uiview32-only")});
    ASSERT_TRUE(host->waitUntilOnBus());
    const Result<LogLines> whole = m_host.messageLogAfter({});
    EXPECT_TRUE(whole && whole->logId.empty()) << errorOf(whole); // looked at again: the whole log
    EXPECT_EQ(offersOf(m_host.offersDirectSend()), "does not offer");
    EXPECT_EQ(errorOf(m_host.sendBulletin("BLN1", 1, "", "x")).substr(0, 32),
              "Host does not offer SendBulletin");
}

// A host that answers with the wrong types. It serves from its own thread and connection
// so that the blocking calls of the test can reach it.
class WrongHost : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", QUILLET_BUS_INTERFACE_UIVIEW32)
public slots:
    QString CurrentMap() { return QString::fromLatin1(contract::kMapPath); }
    int MessageLog(int selector) { return selector; }
};

TEST_F(DBusHostTest, WrongReplyTypesAreFailures) {
    QThread thread;
    WrongHost wrongHost;
    wrongHost.moveToThread(&thread);
    thread.start();
    QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("wrong-host"));
    ASSERT_TRUE(connection.registerObject(QString::fromLatin1(contract::kPath), &wrongHost,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(kService));
    EXPECT_EQ(errorOf(m_host.messageLog(kBulletinLogSelector)),
              "Host gave an unexpected answer to MessageLog (got 'i', expected 's')");
    EXPECT_EQ(errorOf(m_host.currentMap()),
              "Host gave an unexpected answer to CurrentMap (got 's', expected 'o')");
    connection.unregisterService(kService);
    QDBusConnection::disconnectFromBus(QStringLiteral("wrong-host"));
    thread.quit();
    thread.wait();
}

// A host that dies in MessageLog, or one the bus cuts off while it answers (as for an answer
// too large): its connection closes before the reply, and its process runs on a while.
constexpr char kFailingHost[] = R"(
import dbus, dbus.service, dbus.mainloop.glib, os, signal, sys, time
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(dbus.bus.BUS_SESSION)
service, path, interface, fate = sys.argv[1:5]
class Host(dbus.service.Object):
    @dbus.service.method(interface, out_signature="o")
    def CurrentMap(self):
        return dbus.ObjectPath("/UIView32/Map")
    @dbus.service.method(interface, in_signature="i", out_signature="s")
    def MessageLog(self, selector):
        if fate == "dies":
            os.kill(os.getpid(), signal.SIGKILL)
        bus.close()
        time.sleep(3)
        os._exit(0)
Host(bus, path)
bus.request_name(service)
GLib.MainLoop().run()
)";

TEST_F(DBusHostTest, AHostCutOffTheBusIsToldApartFromOneThatClosed) {
    const std::pair<QString, std::string> cases[] = {
        {"dies", "Host not reachable: UI-View32 closed during MessageLog"},
        {"is cut off", "Host not reachable: the bus cut UI-View32 off during MessageLog while it "
                       "kept running (an answer too large for the bus does that)"},
    };
    for (const auto& [fate, error] : cases) {
        QProcess host;
        host.setProcessChannelMode(QProcess::ForwardedChannels);
        host.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"), kFailingHost, kService,
                    QString::fromLatin1(contract::kPath), QString::fromLatin1(contract::kInterface),
                    fate});
        ASSERT_TRUE(waitFor([] { return serviceOnBus(); }))
            << "the host that " << fate.toStdString() << " never came on the bus";
        ASSERT_TRUE(m_host.currentMap());
        EXPECT_EQ(errorOf(m_host.messageLog(kBulletinLogSelector)), error);
        EXPECT_TRUE(host.waitForFinished(10000))
            << "the host that " << fate.toStdString() << " did not end within 10 s";
    }
}

} // namespace
} // namespace quillet

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "dbus_host_integration_test.moc"
