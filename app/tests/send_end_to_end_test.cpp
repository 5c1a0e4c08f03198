// The whole road of a sent bulletin: Quillet's Add Message window sends it through libxdo
// into the real host simulator's window on a real X display, the simulator logs it, and at
// the refresh after the send Quillet holds it as the station's own bulletin. Needs DISPLAY
// with a window manager (the README's test command provides one) and runs under
// dbus-run-session.
#include "app/main_window.h"
#include "app/qt_work_queue.h"
#include "composing/add_message_window.h"
#include "composing/sleeping_send_pacer.h"
#include "host/dbus_host.h"
#include "host/fake_host_settings.h"
#include "host/xdo_keystroke_sender.h"
#include "notifications/recording_notifier.h"
#include "publishing/fake_transfer_control.h"
#include "settings/window/recording_message_boxes.h"
#include "testsupport/host_process.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

class SendEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void aBulletinTypedIntoTheHostComesBackAsAnOwnBulletin() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            if (qgetenv("QUILLET_SKIP_X11_TESTS") == "1") {
                QSKIP("no X display and QUILLET_SKIP_X11_TESTS=1");
            }
            QFAIL("DISPLAY is not set: this test types into a real X window. Run the tests "
                  "with scripts/test.sh, or set QUILLET_SKIP_X11_TESTS=1 to skip it.");
        }
        // A map whose title no other window on the display bears, in Windows-1252 on its
        // way to the caption, which X holds as UTF-8.
        QTemporaryDir dir;
        const QByteArray title =
            "K\xFCste & Co " + QByteArray::number(QCoreApplication::applicationPid());
        QVERIFY(writeFile(dir.filePath(QStringLiteral("sea.inf")),
                          "Sea map\r\n54.0,6.0,55.0,9.0\r\n" + title + "\r\n"));
        const QString map = dir.filePath(QStringLiteral("sea.gif"));
        QVERIFY(writeFile(map, "GIF89a"));

        Simulator simulator({QStringLiteral("--empty"), QStringLiteral("--callsign"),
                             QStringLiteral("G4E2E"), QStringLiteral("--map"), map},
                            false, QStringLiteral("xcb"));
        QVERIFY(simulator.waitUntilOnBus());
        XdoKeystrokeSender keys;
        QVERIFY2(keys.hasDisplay(), keys.lastError().c_str());
        const std::string caption = "UI-View32 V2.03 [" + title.toStdString() + "]";
        // its window is up, and found by the start of its caption too
        QVERIFY(
            waitFor([&] { return keys.activateWindow(caption.substr(0, caption.size() - 3)); }));
        QVERIFY(!keys.activateWindow(caption + " ")); // a longer caption is no prefix
        QVERIFY(keys.lastError().find("no window has the caption") != std::string::npos);

        DBusHost host(QDBusConnection::sessionBus(), 5000);
        SleepingSendPacer pacer([] { return false; });
        SystemClock clock;
        IsoDateTimeFormatter formatter;
        FakeTransferControl inet1;
        FakeTransferWait transferWait;
        FakeHostSettings hostSettings;
        RecordingMessageBoxes boxes;
        RecordingNotifier notifier;
        MainWindow window({host, keys, pacer, clock, formatter, [] {}, dir.path(), inet1,
                           transferWait, hostSettings, "quillet", boxes, notifier},
                          {std::make_unique<QtWorkQueue>(QStringLiteral("host")),
                           std::make_unique<QtWorkQueue>(QStringLiteral("send")),
                           std::make_unique<QtWorkQueue>(QStringLiteral("publish"))});
        window.startUp();
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(!window.refreshPending(), 10000);
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillet [G4E2E]"));

        // Add Single, code 7, a text with characters the keystroke notation uses itself.
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command2")),
                          Qt::LeftButton);
        auto* message = window.findChild<AddMessageWindow*>();
        QVERIFY(message);
        // As an operator would, type once the window is up: the toolkit activates a new
        // window only when it is first exposed, and that must not land in the middle of the
        // send and take the keys.
        QVERIFY(QTest::qWaitForWindowExposed(message));
        QVERIFY(QTest::qWaitForWindowActive(message));
        QTest::qWait(500);
        auto* combo = message->findChild<QComboBox*>(QStringLiteral("Combo1"));
        QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 6));
        message->findChild<QLineEdit*>(QStringLiteral("digi"))->setText(QStringLiteral("WIDE2-2"));
        const QString text = QStringLiteral("Net 20:00, 50% off {x} (bring a +1)");
        auto* textField = message->findChild<QLineEdit*>(QStringLiteral("message"));
        textField->setText(text);
        QTest::keyClick(textField, Qt::Key_Return); // about ten seconds of typing

        QTRY_COMPARE_WITH_TIMEOUT(window.statusText(), QStringLiteral("Sent: <BLN7> ") + text,
                                  30000);
        QTRY_VERIFY(window.findChild<AddMessageWindow*>() == nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!window.refreshPending(), 10000);
        QCOMPARE(window.getMyMessageForBLN("BLN7"), text.toStdString()); // an own bulletin
        auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
        QVERIFY(list->item(1)->text().endsWith(QStringLiteral("\tBLN7> ") + text));
    }
};

QTEST_MAIN(SendEndToEndTest)
#include "send_end_to_end_test.moc"
