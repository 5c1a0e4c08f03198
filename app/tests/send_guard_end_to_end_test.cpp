// Sends through the real keystroke layer into the real host program on an X display, where
// something goes wrong on the way: a window of another program that bears the host's caption
// and names the host's process as its own, a window of another program that declares itself
// the host's dialog, takes the focus and names itself the active window during the send, and a
// host whose window closes during the send. Needs DISPLAY with a window manager (the README's test
// command provides one) and runs under dbus-run-session.
#include "app/tests/host_scene.h"

#include <QLineEdit>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

// X11's headers come after Qt's, whose names their macros would hide.
#include "testsupport/x11_properties.h"

#include <X11/Xatom.h>

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

Display* qtDisplay() {
    return qApp->nativeInterface<QNativeInterface::QX11Application>()->display();
}

// The managed window with the caption that is not `besides`, or 0.
unsigned long otherWindowNamed(const std::string& caption, WId besides) {
    unsigned long found = 0;
    for (const unsigned long window :
         property(qtDisplay(), DefaultRootWindow(qtDisplay()), "_NET_CLIENT_LIST", XA_WINDOW)) {
        char* name = nullptr;
        if (window != besides && XFetchName(qtDisplay(), window, &name) != 0 && name != nullptr) {
            found = caption == name ? window : found;
            XFree(name);
        }
    }
    return found;
}

// Moves the keyboard focus into the window and, once the window manager has seen the focus
// leave its client (it then names no active window), names the window the active one: what
// any program can do.
void strike(Display* display, unsigned long window) {
    const Window root = DefaultRootWindow(display);
    const auto active = [&] { return property(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW); };
    const std::vector<unsigned long> before = active();
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (active() == before && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    forge(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW, window);
}

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
        // It even claims to be the host's process.
        const auto hostProcess = static_cast<pid_t>(scene.hostProgram->process().processId());
        forge(qtDisplay(), lookAlike.winId(), "_NET_WM_PID", XA_CARDINAL,
              static_cast<unsigned long>(hostProcess));
        const unsigned long hostWindow = otherWindowNamed(scene.caption, lookAlike.winId());
        QVERIFY(hostWindow != 0);

        const QString first = QStringLiteral("Look-alike left alone");
        QVERIFY2(scene.send("BLN4", 1, first), qPrintable(scene.status()));
        QCOMPARE(scene.status(), QStringLiteral("Sent: <BLN4> ") + first);
        QCOMPARE(lookAlike.keys.load(), 0);

        // A window of another program that declares itself a dialog of the host's window takes
        // the focus before the text is typed, from a connection opened before the send.
        const QString thiefCaption =
            QStringLiteral("Focus thief %1").arg(QCoreApplication::applicationPid());
        KeyCounter thief(thiefCaption);
        thief.show();
        QVERIFY(QTest::qWaitForWindowExposed(&thief));
        forge(qtDisplay(), thief.winId(), "WM_TRANSIENT_FOR", XA_WINDOW, hostWindow);
        Display* thiefDisplay = XOpenDisplay(nullptr);
        QVERIFY(thiefDisplay != nullptr);
        scene.pacer.restart([&](int wait) {
            if (wait == kWaitBeforeText) {
                strike(thiefDisplay, thief.winId());
            }
        });
        const QString second = QStringLiteral("This text must never reach another window, "
                                              "not even its last letters");
        QVERIFY(!scene.send("BLN5", 1, second));
        XCloseDisplay(thiefDisplay);
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
