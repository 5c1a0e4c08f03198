// Sends through the real keystroke layer into the real host program on an X display, where
// something goes wrong on the way: a window of another program that bears the host's caption,
// a window that takes the focus in the middle of the typing, and a host whose window closes
// during the send. Needs DISPLAY with a window manager (the README's test command provides
// one) and runs under dbus-run-session.
#include "app/tests/host_scene.h"

#include <QLineEdit>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

using namespace quillet;
using namespace quillet::testing;

namespace {

// A window of the test's own that counts the keys it receives.
class KeyCounter final : public QLineEdit {
public:
    explicit KeyCounter(const QString& caption) {
        setWindowTitle(caption);
        resize(320, 40);
    }
    std::atomic<int> keys = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        ++keys;
        QLineEdit::keyPressEvent(event);
    }
};

// The pause after the tab that leads to the text field: the text is typed right after it.
constexpr int kWaitBeforeText = 16;

} // namespace

class SendGuardEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void aLookAlikeGetsNoKeyAndAFocusThiefOrAClosingHostStopsTheTyping() {
        if (skipWithoutDisplay()) {
            QSKIP("no X display and QUILLET_SKIP_X11_TESTS=1");
        }
        Scene scene("Guard");
        // Another program's window with the host's very caption, listed before the host's.
        KeyCounter lookAlike(QString::fromStdString(scene.caption));
        lookAlike.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lookAlike));
        QVERIFY(scene.start({QStringLiteral("--empty")}));

        const QString first = QStringLiteral("Look-alike left alone");
        QVERIFY2(scene.send("BLN4", 1, first), qPrintable(scene.status()));
        QCOMPARE(scene.status(), QStringLiteral("Sent: <BLN4> ") + first);
        QCOMPARE(lookAlike.keys.load(), 0);

        // A window takes the focus while the text is being typed.
        const QString thiefCaption =
            QStringLiteral("Focus thief %1").arg(QCoreApplication::applicationPid());
        KeyCounter thief(thiefCaption);
        thief.show();
        QVERIFY(QTest::qWaitForWindowExposed(&thief));
        // The thief's connection is opened before the send starts, as another program's is.
        XdoKeystrokeSender other;
        std::thread stealing;
        scene.pacer.restart([&](int wait) {
            if (wait == kWaitBeforeText) {
                stealing = std::thread([&other, caption = thiefCaption.toStdString()] {
                    // into the text, which takes about a second to type
                    std::this_thread::sleep_for(std::chrono::milliseconds(650));
                    (void)other.activateWindow(caption, 0);
                });
            }
        });
        const QString second = QStringLiteral("This text must never reach another window, "
                                              "not even its last letters");
        QVERIFY(!scene.send("BLN5", 1, second));
        stealing.join();
        const QString status = scene.status();
        QVERIFY2(status.startsWith(QStringLiteral("Error Sending Message to ") +
                                   QString::fromStdString(scene.caption) + QStringLiteral(": ") +
                                   QString::fromLatin1(kFocusLostReason)),
                 qPrintable(status));
        QVERIFY2(status.contains(thiefCaption), qPrintable(status));
        QCOMPARE(thief.keys.load(), 0);
        QCOMPARE(lookAlike.keys.load(), 0);
        QVERIFY(!scene.logged(second));

        // The host closes while the text is typed.
        const auto hostProcess = static_cast<pid_t>(scene.hostProgram->process().processId());
        scene.pacer.restart([hostProcess](int wait) {
            if (wait == kWaitBeforeText) {
                ::kill(hostProcess, SIGKILL);
            }
        });
        QVERIFY(!scene.send("BLN7", 1, QStringLiteral("Typed into a window that is gone")));
        QCOMPARE(scene.status(), QStringLiteral("Error Sending Message to ") +
                                     QString::fromStdString(scene.caption) + QStringLiteral(": ") +
                                     QString::fromLatin1(kWindowClosedReason));
        QCOMPARE(lookAlike.keys.load(), 0);
    }
};

QTEST_MAIN(SendGuardEndToEndTest)
#include "send_guard_end_to_end_test.moc"
