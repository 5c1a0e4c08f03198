// The program itself against the real host simulator, over the private session bus that
// ctest's dbus-run-session provides.
#include "testsupport/host_process.h"

#include <QProcess>
#include <QtTest>

using namespace quillet::testing;

namespace {

std::unique_ptr<Simulator> startSimulator(const QString& callsign) {
    auto simulator = std::make_unique<Simulator>(
        QStringList{QStringLiteral("--empty"), QStringLiteral("--callsign"), callsign});
    return simulator->waitUntilOnBus() ? std::move(simulator) : nullptr;
}

} // namespace

class HostIntegrationTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        QVERIFY(waitFor([] { return !serviceOnBus(); }, 5000));
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
