// The whole road of a bulletin, with Dire Wolf as the station's TNC and the real host program.
// Heard: Dire Wolf decodes it from audio, the host logs it, Quillet's refresh lists it and
// Test Webpage copies it onto the page. Sent: Quillet's Add Message window types it through
// libxdo into the host's window on a real X display, the host logs it as the station's own
// and sends it to Dire Wolf, whose transmitted audio atest decodes. Needs DISPLAY with a
// window manager (the README's test command provides one) and runs under dbus-run-session.
#include "app/tests/main_window_fixture.h"
#include "composing/add_message_window.h"
#include "composing/sleeping_send_pacer.h"
#include "host/dbus_host.h"
#include "host/xdo_keystroke_sender.h"
#include "settings/window/setup_window.h"
#include "testsupport/direwolf.h"
#include "testsupport/host_process.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

class SendEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void aBulletinHeardReachesThePageAndOneSentGoesOnTheAir() {
        if (skipWithoutDisplay()) {
            QSKIP("no X display and QUILLET_SKIP_X11_TESTS=1");
        }
        // A map whose title no other window on the display bears, in Windows-1252 on its
        // way to the caption, which X holds as UTF-8.
        WindowServices services;
        const QTemporaryDir& dir = services.dir;
        const QByteArray title =
            "K\xFCste & Co " + QByteArray::number(QCoreApplication::applicationPid());
        QVERIFY(writeFile(dir.filePath(QStringLiteral("sea.inf")),
                          "Sea map\r\n54.0,6.0,55.0,9.0\r\n" + title + "\r\n"));
        const QString map = dir.filePath(QStringLiteral("sea.gif"));
        QVERIFY(writeFile(map, "GIF89a"));

        // The program folder: the page's template and script, and settings that copy the page.
        for (const char* name : {"quillet.template", "quillet.js1"}) {
            QVERIFY(QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/publishing/") + name,
                                dir.filePath(QString::fromLatin1(name))));
        }
        QVERIFY(writeFile(dir.filePath(QStringLiteral("quillet.ini")),
                          "AUTO_COPY_ENABLED=TRUE\r\nCOPY_TO_DIRECTORY=" + dir.path().toUtf8() +
                              "\r\nHTML_FILENAME=board.htm\r\n"));

        DireWolf radio;
        QVERIFY2(radio.start(), radio.output().constData());
        // Without its own interface the host is sent to as UI-View32 is: by keystrokes.
        Simulator simulator({QStringLiteral("--call"), QStringLiteral("G4E2E"),
                             QStringLiteral("--kiss"),
                             QStringLiteral("127.0.0.1:%1").arg(radio.kissPort()),
                             QStringLiteral("--map"), map, QStringLiteral("--uiview32-only")},
                            false, QStringLiteral("xcb"));
        QVERIFY(simulator.waitUntilOnBus());
        QVERIFY(radio.waitForOutput("Attached to KISS TCP client"));
        XdoKeystrokeSender keys;
        QVERIFY2(keys.hasDisplay(), keys.displayError().c_str());
        const std::string caption = "UI-View32 V2.03 [" + title.toStdString() + "]";
        // its window is up, and found by the start of its caption too
        QVERIFY(waitFor(
            [&] { return keys.activateWindow(caption.substr(0, caption.size() - 3), 0).ok(); }));
        // a longer caption is no prefix
        QVERIFY(
            keys.activateWindow(caption + " ", 0).error().starts_with("no window has the caption"));

        DBusHost host(QDBusConnection::sessionBus(), 5000);
        SleepingSendPacer pacer([] { return false; });
        SystemClock clock;
        MainWindow window(services.services(host, keys, pacer, clock), workers<QtWorkQueue>());
        window.startUp();
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(!window.refreshPending(), 10000);
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillet [G4E2E]"));

        // Heard: the test need not wait the half minute between refreshes.
        window.findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(500);
        auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
        const QString heard = QStringLiteral("Swap <b>meet</b> & \"eat\"");
        QVERIFY(radio.play("W1AW>APRS,WIDE2-1::BLN3     :" + heard.toUtf8() + "\n"));
        QTRY_VERIFY_WITH_TIMEOUT(
            !list->findItems(QStringLiteral("\tBLN3> ") + heard, Qt::MatchEndsWith).isEmpty(),
            20000);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command5")),
                          Qt::LeftButton);
        auto* setup = window.findChild<SetupWindow*>();
        QVERIFY(setup);
        QTest::mouseClick(setup->findChild<QPushButton*>(QStringLiteral("Command3")),
                          Qt::LeftButton);
        // "done." comes once the page has been copied
        QTRY_COMPARE_WITH_TIMEOUT(services.boxes.shown,
                                  QStringList{QStringLiteral("information: done.")}, 10000);
        setup->close();
        const auto page = [&] {
            QFile file(dir.filePath(QStringLiteral("board.htm")));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            page().contains("<td>Swap &lt;b&gt;meet&lt;/b&gt; &amp; &quot;eat&quot;</td></tr>\r\n"),
            10000);
        QCOMPARE(window.statusText(), QString());

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
        const QString text = QStringLiteral("Net 20:00, 50% off [x] (bring a +1) ^");
        auto* textField = message->findChild<QLineEdit*>(QStringLiteral("message"));
        textField->setText(text);
        QTest::keyClick(textField, Qt::Key_Return); // about ten seconds of typing

        QTRY_COMPARE_WITH_TIMEOUT(window.statusText(), QStringLiteral("Sent: <BLN7> ") + text,
                                  30000);
        QTRY_VERIFY(window.findChild<AddMessageWindow*>() == nullptr);
        QTRY_COMPARE(window.getMyMessageForBLN("BLN7"), text.toStdString()); // an own bulletin
        QVERIFY(!list->findItems(QStringLiteral("\tBLN7> ") + text, Qt::MatchEndsWith).isEmpty());
        QVERIFY2(waitFor(
                     [&] {
                         return radio.decodeTransmitted().contains(
                             "G4E2E>APZQLT,WIDE2-2::BLN7     :" + text.toUtf8());
                     },
                     20000),
                 radio.output().constData());
    }
};

QTEST_MAIN(SendEndToEndTest)
#include "send_end_to_end_test.moc"
