// Quillet against the real host program on a private bus, which offers its own interface:
// bulletins go out through SendBulletin without a keystroke, and what the host logs shows
// without waiting for the half-minute refresh. Run under dbus-run-session, offscreen.
#include "app/main_window.h"
#include "app/qt_work_queue.h"
#include "app/tests/main_window_fixture.h"
#include "base/qt_text.h"
#include "composing/add_message_window.h"
#include "host/dbus_host.h"
#include "testsupport/host_process.h"

#include <QTimer>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

class DirectSendTest : public QObject {
    Q_OBJECT

private slots:
    void bulletinsGoThroughTheHostsOwnInterfaceAndItsLogShowsAtOnce() {
        Simulator simulator(
            {QStringLiteral("--empty"), QStringLiteral("--call"), QStringLiteral("G4DIR")});
        QVERIFY(simulator.waitUntilOnBus());
        DBusHost host(QDBusConnection::sessionBus(), 1000);
        QTemporaryDir dir;
        FakeKeystrokeSender keys;
        FakeSendPacer pacer;
        SystemClock clock;
        IsoDateTimeFormatter formatter;
        FakeTransferControl inet1;
        FakeTransferWait transferWait;
        FakeHostSettings hostSettings;
        RecordingMessageBoxes boxes;
        RecordingNotifier notifier;
        MainWindow window({host, keys, pacer, clock, formatter, [] {}, dir.path(), inet1,
                           transferWait, hostSettings, "quillet", boxes, notifier},
                          workers<QtWorkQueue>());
        window.startUp();
        QTRY_VERIFY(!window.refreshPending());
        // Only the host's word brings its log from now on.
        window.findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
        auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
        // A bulletin that went out closes the form; one that did not keeps it open.
        const auto send = [&](const QString& to, const QString& text, bool sent = true) {
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command2")),
                              Qt::LeftButton);
            auto* message = window.findChild<AddMessageWindow*>();
            QVERIFY(message);
            lineEdit(message, "toStation")->setText(to);
            lineEdit(message, "message")->setText(text);
            QTest::keyClick(lineEdit(message, "message"), Qt::Key_Return);
            QTRY_VERIFY(!window.sending());
            if (sent) {
                QTRY_VERIFY(window.findChild<AddMessageWindow*>() == nullptr);
            } else {
                QVERIFY(window.findChild<AddMessageWindow*>() != nullptr);
            }
        };

        const QString text = QStringLiteral("Caf\u00E9 20:00 \u20AC, 50% off {x}");
        send(QStringLiteral("BLN3"), text);
        QCOMPARE(window.statusText(), QStringLiteral("Sent: <BLN3> ") + text);
        QVERIFY(keys.calls().empty());
        QCOMPARE(host.messageLog(kBulletinLogSelector),
                 logLine("G4DIR", "BLN3", "Caf\xE9 20:00 \x80, 50% off {x}"));
        QTRY_COMPARE(window.getMyMessageForBLN("BLN3"), toWindows1252(text));

        QVERIFY(
            callSimulator(QStringLiteral("AddBulletin"),
                          {QStringLiteral("W1AW"), QStringLiteral("BLN1"), QStringLiteral("heard")})
                .type() == QDBusMessage::ReplyMessage);
        QTRY_VERIFY(!list->findItems(QStringLiteral("\tBLN1> heard"), Qt::MatchEndsWith).isEmpty());

        send(QStringLiteral("BLN 3"), QStringLiteral("refused"), false);
        QCOMPARE(window.statusText(), QStringLiteral("Not sent: \"BLN 3\" is not a destination."));

        // A host that hangs in the call: the same limit as every call, and the window goes on.
        simulator.signal(SIGSTOP);
        send(QStringLiteral("BLN4"), QStringLiteral("stuck"), false);
        QCOMPARE(window.statusText(),
                 QStringLiteral("Error Sending Message: Host did not answer SendBulletin within "
                                "1 s"));
        simulator.signal(SIGCONT);
        QVERIFY(keys.calls().empty());
    }
};

QTEST_MAIN(DirectSendTest)
#include "direct_send_test.moc"
