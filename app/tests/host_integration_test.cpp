// The main window and the program itself against the real host simulator, over the
// private session bus that ctest's dbus-run-session provides.
#include "app/tests/main_window_fixture.h"
#include "host/dbus_host.h"
#include "host/tests/simulator_process.h"

#include <QProcess>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

void addBulletin(const char* callsign, const char* addressee, const char* text) {
    const QVariantList arguments{QString::fromUtf8(callsign), QString::fromUtf8(addressee),
                                 QString::fromUtf8(text)};
    QCOMPARE(callSimulator(QStringLiteral("AddBulletin"), arguments).type(),
             QDBusMessage::ReplyMessage);
}

std::unique_ptr<Simulator> startSimulator(const QString& callsign) {
    auto simulator = std::make_unique<Simulator>(
        QStringList{QStringLiteral("--empty"), QStringLiteral("--callsign"), callsign});
    if (!simulator->waitUntilOnBus()) {
        return nullptr;
    }
    return simulator;
}

// Host calls on the window's own worker thread, as the program makes them.
using Window = BasicWindowFixture<DBusHost, SystemClock, QtWorkQueue>;

void refresh(Window& w) {
    w.window.refreshMessages();
    QTRY_VERIFY_WITH_TIMEOUT(!w.window.refreshPending(), 10000);
}

} // namespace

class HostIntegrationTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QVERIFY(waitFor([] { return !serviceOnBus(); }, 5000));
    }

    void aHostThatGoesAwayIsReportedAndARestartedOneIsPickedUp() {
        Window w;
        {
            auto simulator = startSimulator(QStringLiteral("G4SIM"));
            QVERIFY(simulator);
            addBulletin("DL1XYZ", "BLN1EU", "Relais l\xC3\xA4uft");
            w.window.startUp();
            QTRY_VERIFY_WITH_TIMEOUT(!w.window.refreshPending(), 10000);
            QCOMPARE(w.window.windowTitle(), QStringLiteral("Quillet [G4SIM]"));
            QCOMPARE(w.list("List1")->count(), 2);
            QVERIFY(w.list("List1")->item(1)->text().endsWith(
                QString::fromUtf8("BLN1EU> Relais l\xC3\xA4uft")));
            simulator->signal(SIGKILL);
            QVERIFY(simulator->waitUntilFinished());
        }
        QVERIFY(waitFor([] { return !serviceOnBus(); }, 5000));
        refresh(w);
        QVERIFY2(w.window.statusText().startsWith(QStringLiteral("Host ")),
                 qPrintable(w.window.statusText()));
        QCOMPARE(w.list("List1")->count(), 2); // what was shown stays
        QCOMPARE(w.endings, 0);

        auto again = startSimulator(QStringLiteral("G4NEW"));
        QVERIFY(again);
        addBulletin("VK2RT", "BLN2", "two");
        refresh(w);
        QCOMPARE(w.window.statusText(), QStringLiteral("Connected to the host again"));
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Quillet [G4NEW]"));
        QCOMPARE(w.list("List1")->count(), 3);
    }

    void theProgramEndsWhenTheHostCloses() {
        auto simulator = startSimulator(QStringLiteral("G4SIM"));
        QVERIFY(simulator);
        QProcess quillet;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        quillet.setProcessEnvironment(environment);
        quillet.setProcessChannelMode(QProcess::ForwardedChannels);
        quillet.start(QStringLiteral(QUILLET_PATH), {});
        QVERIFY(quillet.waitForStarted());
        // Its first refresh reads the log after it has subscribed to the closing event.
        QVERIFY(waitFor([] {
            return callSimulator(QStringLiteral("MessageLogReads")).arguments().value(0).toInt() >
                   0;
        }));
        callSimulator(QStringLiteral("Quit"));
        QVERIFY(quillet.waitForFinished(10000));
        QCOMPARE(quillet.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quillet.exitCode(), 0);
        QVERIFY(simulator->waitUntilFinished());
    }
};

QTEST_MAIN(HostIntegrationTest)
#include "host_integration_test.moc"
