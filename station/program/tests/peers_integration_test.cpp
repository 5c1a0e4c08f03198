// quillet-host against a scripted APRS-IS server or TNC, under dbus-run-session. Dire Wolf as
// the TNC is in app/tests/send_end_to_end_test.cpp.

#include "station/core/link_protocol.h"
#include "station/core/transmit.h"
#include "station/program/host_station.h"
#include "station/program/tcp_link_connection.h"
#include "testsupport/checked_value.h"
#include "testsupport/direwolf.h" // for a free port
#include "testsupport/scripted_server.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace quillet::station {
namespace {

using namespace quillet::testing;

std::unique_ptr<Link> tcpLink(const std::string& name, quint16 port,
                              std::unique_ptr<LinkProtocol> protocol) {
    return std::make_unique<Link>(name, "127.0.0.1", port, std::make_unique<TcpLinkConnection>(),
                                  std::move(protocol),
                                  [] { return std::chrono::steady_clock::now(); });
}

QString introspect() {
    return QDBusConnection::sessionBus()
        .call(QDBusMessage::createMethodCall(kService, QString::fromLatin1(contract::kPath),
                                             "org.freedesktop.DBus.Introspectable", "Introspect"))
        .arguments()
        .value(0)
        .toString();
}

void expectEndedWell(QProcess& process) {
    EXPECT_EQ(std::pair(process.exitStatus(), process.exitCode()),
              std::pair(QProcess::NormalExit, 0));
}

// On the air the bus interface offers only quitting and the read count (adding bulletins is
// for demos). A damaged stored log gives an empty log and is kept aside.
TEST(AprsIsServerTest, SetsADamagedLogAsideOffersNoDemoCallsLogsOnceKeepsAndReconnects) {
    ScriptedServer server;
    QTemporaryDir home;
    QDir().mkpath(home.filePath("data/quillet-host"));
    const QString stored = home.filePath("data/quillet-host/message_log.txt");
    ASSERT_TRUE(
        writeFile(stored, QByteArray("G4ABC") + kFieldSeparatorUtf8.data() + "BLN1 cut off\r\n"));
    const QStringList live{"--call", "N0CALL",    "--passcode",
                           "13023",  "--aprs-is", server.address()};
    const QString expected = QString::fromUtf8("G4ABC³BLN1³Net tonight 20:00\r\n"
                                               "W1AW³BLNA³Field day Saturday\r\n"
                                               "F5XYZ³BLN2³18°C, no line end\r\n");
    {
        HostProcess host(live, true, "offscreen", home.path());
        ASSERT_TRUE(host.waitUntilOnBus());
        EXPECT_TRUE(QFile::exists(stored + ".damaged"));
        EXPECT_EQ(logOfHost(), QString());
        const QString xml = introspect();
        EXPECT_TRUE(xml.contains(contract::kMessageLogReadsMethod)) << xml.toStdString();
        EXPECT_FALSE(xml.contains(contract::kAddBulletinMethod) ||
                     xml.contains(contract::kLoadFeedMethod));
        EXPECT_EQ(
            callHostControl(contract::kAddBulletinMethod, {"G4ABC", "BLN1", "invented"}).type(),
            QDBusMessage::ErrorMessage);
        ASSERT_TRUE(waitFor([&] { return server.received.endsWith("\r\n"); }));
        EXPECT_TRUE(QString::fromLatin1(server.received)
                        .contains(QRegularExpression(
                            "^user N0CALL pass 13023 vers quillet-host \\S+ filter g/BLN\\*\r\n$")))
            << server.received.toStdString();
        server.send("# aprsc 2.1.10\r\n# logresp N0CALL verified, server T2TEST\r\n"
                    "G4ABC>APRS,TCPIP*,qAC,T2TEST::BLN1     :Net tonight 20:00{12\r\n"
                    "# a comment G4XXX>APRS::BLN9     :not a packet\r\n");
        server.send(QByteArray(100000, 'x')); // garbage without a line end
        server.send("\r\nG4ABC>APRS,qAR,DIGI::BLN1     :Net tonight 20:00\r\n"
                    "N0GATE>APRS,TCPIP*,qAR,N0GATE:}W1AW>APRS,TCPIP,N0GATE*::BLNA     :Field "
                    "day Saturday\r\nW1AW>APRS::G4ABC    :ack12\r\nnonsense without arrow\r\n"
                    "F5XYZ>APRS::BLN2     :18\xB0"
                    "C, no line end\r\n");
        EXPECT_TRUE(waitFor([&] { return logOfHost() == expected; })) << logOfHost().toStdString();
        // A dropped connection is taken up again after the first wait, 5 to 6 s.
        server.drop();
        EXPECT_TRUE(waitFor([&] { return server.connections == 2; }, 10000));
        callHostControl(contract::kQuitMethod);
        ASSERT_TRUE(host.waitUntilFinished());
        // Its links are closed before they go, without a crash on the way out.
        expectEndedWell(host.process());
        EXPECT_TRUE(host.process().readAllStandardError().contains("damaged"));
    }
    // Started again without options: they were kept in the settings file, and the log on disk.
    HostProcess again({}, false, "offscreen", home.path());
    ASSERT_TRUE(again.waitUntilOnBus());
    EXPECT_EQ(logOfHost(), expected);
    EXPECT_TRUE(waitFor([&] { return server.connections == 3; }));
}

// The stored log's name taken by a link (before or after the start) or a FIFO: the host says
// so, puts a file of its own there, never writes through either, and ends at once on SIGTERM.
TEST(AprsIsServerTest, ALinkOrFifoAsTheStoredLogIsReplacedNeverWrittenThroughOrWaitedOn) {
    ScriptedServer server;
    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(home.filePath("data/quillet-host")));
    const QString stored = home.filePath("data/quillet-host/message_log.txt");
    const QString theirs = home.filePath("theirs.txt");
    const QByteArray theirText = QString::fromUtf8("G4OLD³BLN1³old\r\n").toUtf8();
    ASSERT_TRUE(writeFile(theirs, theirText) && QFile::link(theirs, stored));
    HostProcess host({"--call", "N0CALL", "--aprs-is", server.address()}, true, "offscreen",
                     home.path());
    ASSERT_TRUE(host.waitUntilOnBus());
    ASSERT_TRUE(waitFor([&] { return server.received.endsWith("\r\n"); }));
    server.send("# logresp N0CALL unverified, server T2TEST\r\n");
    const auto storedAfterHearing = [&](int n) {
        server.send(QString("G4ABC>APRS,TCPIP*::BLN%1     :news %1\r\n").arg(n).toLatin1());
        return waitFor(
            [&] {
                QFile file(stored);
                return !QFileInfo(stored).isSymLink() && QFileInfo(stored).isFile() &&
                       file.open(QIODevice::ReadOnly) &&
                       file.readAll().contains(QString("news %1").arg(n).toLatin1());
            },
            15000);
    };
    EXPECT_TRUE(storedAfterHearing(1));
    ASSERT_TRUE(QFile::remove(stored) && QFile::link(theirs, stored));
    EXPECT_TRUE(storedAfterHearing(2));
    ASSERT_TRUE(QFile::remove(stored));
    ASSERT_EQ(::mkfifo(QFile::encodeName(stored).constData(), 0600), 0);
    EXPECT_TRUE(storedAfterHearing(3));
    QFile file(theirs);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), theirText);
    host.signal(SIGTERM);
    ASSERT_TRUE(waitFor([&] { return host.process().state() == QProcess::NotRunning; }, 3000));
    expectEndedWell(host.process());
    EXPECT_TRUE(host.process().readAllStandardError().contains("The log was not stored: "));
}

TEST(AprsIsServerTest, TheDemoInterfaceIsOfferedWhenPlaying) {
    HostProcess playing({"--empty"});
    ASSERT_TRUE(playing.waitUntilOnBus());
    EXPECT_TRUE(introspect().contains(contract::kAddBulletinMethod));
    EXPECT_EQ(
        callHostControl(contract::kLoadFeedMethod, {"/dev/zero"}).arguments().value(0).toInt(), -1);
}

// In-process host with real TCP links: what the message form's Yes does.
TEST(TransmitOverLinksTest, SendsOnTheNamedTncAndVerifiedAprsIsAndSaysWhyNot) {
    ScriptedServer tnc;
    ScriptedServer aprsIs;
    HostStation host("N0CALL", QString(), QDBusConnection("none"));
    host.addLink(tcpLink("KISS 1", tnc.port(), std::make_unique<KissProtocol>()), false);
    host.addLink(tcpLink("KISS 2", freeTcpPort(), std::make_unique<KissProtocol>()), false);
    host.addLink(tcpLink("APRS-IS", aprsIs.port(),
                         std::make_unique<AprsIsProtocol>(AprsIsLogin{"N0CALL", -1, "g/BLN*"})),
                 true);
    host.start();
    ASSERT_EQ(host.links().size(), 3u);
    ASSERT_TRUE(waitFor([&] { return tnc.connections == 1 && aprsIs.received.endsWith("\n"); }));
    aprsIs.send("# logresp N0CALL unverified, server T2TEST\r\n");
    ASSERT_TRUE(
        waitFor([&] { return host.links()[2]->stateText() == "unverified (receive only)"; }));
    SendOutcome outcome = host.send({"BLN2", 2, QString(), "x"});
    EXPECT_FALSE(outcome.logged);
    EXPECT_TRUE(outcome.status.startsWith("Not sent: KISS 2 is retrying in"))
        << outcome.status.toStdString();
    outcome = host.send({"BLN1", 1, "WIDE2-1", "Net"});
    EXPECT_TRUE(outcome.logged) << outcome.status.toStdString();
    EXPECT_TRUE(outcome.status.contains("not verified"));
    const auto packet = valueOf(buildMessagePacket("N0CALL", "BLN1", "Net", "WIDE2-1"));
    const std::string frame = aprs::kissEncode(valueOf(aprs::encodeAx25(packet)), 0);
    EXPECT_TRUE(waitFor([&] { return tnc.received.toStdString() == frame; }));
    EXPECT_EQ(host.logText(), QString::fromUtf8("N0CALL³BLN1³Net\r\n"));
    aprsIs.send("# logresp N0CALL verified, server T2TEST\r\n");
    ASSERT_TRUE(waitFor([&] { return host.links()[2]->stateText() == "verified"; }));
    outcome = host.send({"BLNA", 7, QString(), "Hamfest"});
    EXPECT_TRUE(outcome.logged) << outcome.status.toStdString();
    EXPECT_TRUE(waitFor(
        [&] { return aprsIs.received.endsWith("N0CALL>APZQLT,TCPIP*::BLNA     :Hamfest\r\n"); }));
}

// Added over the bus, from a feed or typed into the message form: held to what a heard
// bulletin must be, and never more than three fields on one line.
TEST(HostStationTest, BulletinsAddedByHandAreHeldToTheRulesOfHeardOnes) {
    HostStation host("N0CALL", QString(), QDBusConnection("none"));
    host.addBulletin({"G4ABC", "BLNa", "lower-case code"});
    host.addBulletin({"G4 ABC", "BLN1", "blank in the sender"});
    host.addBulletin({"G4ABC", "BLN1\r\nX", "line end in the addressee"});
    host.addBulletin({"G4ABC", "BLN1", QString::fromUtf8("flow 25 m³/s\r\nEVIL³x\u2028")});
    EXPECT_TRUE(host.send({"BLN2", 0, QString(), QString::fromUtf8("own ³\ntext")}).logged);
    EXPECT_EQ(host.logText(),
              QString::fromUtf8("G4ABC³BLN1³flow 25 m3/s\uFFFD\uFFFDEVIL3x\uFFFD\r\n"
                                "N0CALL³BLN2³own 3\uFFFDtext\r\n"));
}

} // namespace
} // namespace quillet::station

int main(int argc, char** argv) {
    return quillet::testing::runTestsOnSessionBus(argc, argv);
}
