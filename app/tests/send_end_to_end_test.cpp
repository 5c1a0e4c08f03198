// The whole road of a bulletin, with Dire Wolf as the station's TNC and the real host program.
// Heard: Dire Wolf decodes it from audio, the host logs it, Quillet's refresh lists it (the
// page made from the list is in main_window_test.cpp). Sent: Quillet's Add Message window types it
// through libxdo into the host's window on a real X display, the host logs it as the station's own
// and sends it to Dire Wolf, whose transmitted audio atest decodes. Needs DISPLAY with a
// window manager (the README's test command provides one) and runs under dbus-run-session.
#include "app/tests/host_scene.h"
#include "composing/add_message_window.h"
#include "testsupport/direwolf.h"

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
    void aBulletinHeardReachesTheListAndOneSentGoesOnTheAir() {
        if (skipWithoutDisplay()) {
            QSKIP("no X display and QUILLET_SKIP_X11_TESTS=1");
        }
        // A map title in Windows-1252 on its way to the caption, which X holds as UTF-8.
        Scene scene("K\xFCste & Co");
        DireWolf radio;
        QVERIFY2(radio.start(), radio.output().constData());
        QVERIFY(scene.start({QStringLiteral("--call"), QStringLiteral("G4E2E"),
                             QStringLiteral("--kiss"),
                             QStringLiteral("127.0.0.1:%1").arg(radio.kissPort())}));
        QVERIFY(radio.waitForOutput("Attached to KISS TCP client"));
        MainWindow& window = *scene.window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillet [G4E2E]"));
        // The host's window is found by the start of its caption too; a longer one is no prefix.
        const std::string& caption = scene.caption;
        QVERIFY(scene.keys.activateWindow(caption.substr(0, caption.size() - 3), 0).ok());
        QVERIFY(scene.keys.activateWindow(caption + " ", 0)
                    .error()
                    .starts_with("no window has the caption"));

        // Heard: the test need not wait the half minute between refreshes.
        window.findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(500);
        auto* list = window.findChild<QListWidget*>(QStringLiteral("List1"));
        const QString heard = QStringLiteral("Swap <b>meet</b> & \"eat\"");
        QVERIFY(radio.play("W1AW>APRS,WIDE2-1::BLN3     :" + heard.toUtf8() + "\n"));
        QTRY_VERIFY_WITH_TIMEOUT(
            !list->findItems(QStringLiteral("\tBLN3> ") + heard, Qt::MatchEndsWith).isEmpty(),
            20000);

        // Add Single, code 7, a text with characters the keystroke notation uses itself.
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Command2")),
                          Qt::LeftButton);
        auto* message = window.findChild<AddMessageWindow*>();
        QVERIFY(message);
        // As an operator would, type once the window is up: the toolkit activates a new
        // window only when it is first exposed, and that must not land in the middle of the
        // send and take the keys.
        QVERIFY(QTest::qWaitForWindowExposed(message));
        // Each try returns once the window has held the focus for a while, or after two
        // seconds; a loaded machine may need more than one.
        XdoKeystrokeSender focusing;
        std::string activation;
        QVERIFY2(waitFor([&] {
                     const Status active = focusing.activateWindow(
                         message->windowTitle().toStdString(), QCoreApplication::applicationPid());
                     activation = active ? std::string() : active.error();
                     return active.ok();
                 }),
                 activation.c_str());
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
