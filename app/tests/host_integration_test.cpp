// The main window and the program itself against the real host simulator, over the
// private session bus that ctest's dbus-run-session provides.
#include "app/main_window.h"
#include "bulletins/date_time_formatter.h"
#include "composing/fake_send_pacer.h"
#include "host/dbus_host.h"
#include "host/fake_host_settings.h"
#include "host/fake_keystroke_sender.h"
#include "host/tests/simulator_process.h"
#include "publishing/fake_transfer_control.h"
#include "settings/window/recording_message_boxes.h"

#include <QListWidget>
#include <QProcess>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}

void addBulletin(const QString& callsign, const QString& addressee, const QString& text) {
    QCOMPARE(callSimulator(QStringLiteral("AddBulletin"), {callsign, addressee, text}).type(),
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

struct Window {
    QTemporaryDir dir; // the program's folder, where its settings file goes
    DBusHost host{QDBusConnection::sessionBus(), 1000};
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    SystemClock clock;
    IsoDateTimeFormatter formatter;
    FakeTransferControl inet1;
    FakeTransferWait transferWait;
    FakeHostSettings hostSettings;
    RecordingMessageBoxes boxes;
    int endings = 0;
    MainWindow window{{host, keys, pacer, clock, formatter, [this] { ++endings; }, dir.path(),
                       inet1, transferWait, hostSettings, "quillet", boxes}};
    QListWidget* list(const char* name) {
        return window.findChild<QListWidget*>(QString::fromLatin1(name));
    }
};

} // namespace

class HostIntegrationTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QVERIFY(waitFor([] { return !serviceOnBus(); }, 5000));
    }

    void theWindowShowsWhatTheHostLoggedAndEndsWhenItCloses() {
        auto simulator = startSimulator(QStringLiteral("G4SIM"));
        QVERIFY(simulator);
        addBulletin(QStringLiteral("W1AW"), QStringLiteral("BLN2NA"), QStringLiteral("Field day"));
        addBulletin(QStringLiteral("DL1XYZ"), QStringLiteral("BLN1EU"),
                    QString::fromUtf8("Relais l\xC3\xA4uft"));
        addBulletin(QStringLiteral("G4SIM"), QStringLiteral("BLN"), QStringLiteral("<UIV>Own"));
        addBulletin(QStringLiteral("W1AW"), QStringLiteral("BLN2NA"), QStringLiteral("Moved"));

        Window w;
        w.window.startUp();
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Quillet [G4SIM]"));
        QCOMPARE(w.window.statusText(), QStringLiteral("V1.0.6"));
        const QStringList rows = entries(w.list("List1"));
        QCOMPARE(rows.size(), 4);
        QVERIFY(rows[1].startsWith(QStringLiteral("N DL1XYZ\t")));
        QVERIFY(rows[1].endsWith(QString::fromUtf8("BLN1EU> Relais l\xC3\xA4uft")));
        QVERIFY(rows[2].endsWith(QStringLiteral("\tBLN > Own")));
        QVERIFY(rows[3].endsWith(QStringLiteral("\tBLN2NA> Moved")));
        QCOMPARE(entries(w.list("List2")), (QStringList{"ALL", "EU", "NA"}));

        callSimulator(QStringLiteral("Quit"));
        QTRY_COMPARE_WITH_TIMEOUT(w.endings, 1, 10000);
        QVERIFY(simulator->waitUntilFinished());
    }

    void aHostThatGoesAwayIsReportedAndARestartedOneIsPickedUp() {
        Window w;
        {
            auto simulator = startSimulator(QStringLiteral("G4SIM"));
            QVERIFY(simulator);
            addBulletin(QStringLiteral("W1AW"), QStringLiteral("BLN1"), QStringLiteral("one"));
            w.window.startUp();
            QCOMPARE(w.list("List1")->count(), 2);
            simulator->signal(SIGKILL);
            QVERIFY(simulator->waitUntilFinished());
        }
        QVERIFY(waitFor([] { return !serviceOnBus(); }, 5000));
        w.window.refreshMessages();
        QVERIFY2(w.window.statusText().startsWith(QStringLiteral("Host ")),
                 qPrintable(w.window.statusText()));
        QCOMPARE(w.list("List1")->count(), 2); // what was shown stays
        QCOMPARE(w.endings, 0);

        auto again = startSimulator(QStringLiteral("G4NEW"));
        QVERIFY(again);
        addBulletin(QStringLiteral("VK2RT"), QStringLiteral("BLN2"), QStringLiteral("two"));
        w.window.refreshMessages();
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
