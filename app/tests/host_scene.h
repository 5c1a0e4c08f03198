#pragma once

// The real host program on an X display, sent to by keystrokes, with Quillet's main window
// over it: for the tests that type into a real window.

#include "app/tests/main_window_fixture.h"
#include "hostlink/dbus_host.h"
#include "hostlink/xdo_keystroke_sender.h"
#include "testsupport/host_process.h"

#include <chrono>
#include <thread>

namespace quillet::testing {

// The pauses of a send, as the program takes them, with a hook before each one (counted from
// 1); the hook runs on the worker.
class HookedPacer final : public SendPacer {
public:
    std::function<void(int)> onWait;

    void waitSeconds(float seconds) override {
        if (onWait) {
            onWait(++m_waits);
        }
        std::this_thread::sleep_for(std::chrono::duration<float>(seconds));
    }
    bool cancelled() const override { return false; }
    void restart(std::function<void(int)> hook) {
        m_waits = 0;
        onWait = std::move(hook);
    }

private:
    int m_waits = 0;
};

// A host program with its map, and Quillet's main window over it.
struct Scene : WindowServices {
    std::string caption;
    std::unique_ptr<HostProcess> hostProgram;
    DBusHost host{QDBusConnection::sessionBus(), 5000};
    XdoKeystrokeSender keys;
    HookedPacer pacer;
    SystemClock clock;
    std::unique_ptr<MainWindow> window;

    // A caption no other window on the display bears.
    explicit Scene(const char* name)
        : caption("UI-View32 V2.03 [" + std::string(name) + " " +
                  std::to_string(QCoreApplication::applicationPid()) + "]") {}

    bool start(QStringList arguments) {
        const std::string title = caption.substr(17, caption.size() - 18);
        if (!writeFile(dir.filePath(QStringLiteral("sea.inf")),
                       "Sea\r\n54.0,6.0,55.0,9.0\r\n" + QByteArray::fromStdString(title) +
                           "\r\n") ||
            !writeFile(dir.filePath(QStringLiteral("sea.gif")), "GIF89a")) {
            return false;
        }
        // The keystroke path is what is tested: the host offers only the UI-View32 interface.
        arguments << QStringLiteral("--map") << dir.filePath(QStringLiteral("sea.gif"))
                  << QStringLiteral("--uiview32-only");
        hostProgram = std::make_unique<HostProcess>(arguments, false, QStringLiteral("xcb"));
        if (!hostProgram->waitUntilOnBus() ||
            !waitFor([&] { return keys.activateWindow(caption, host.processId()).ok(); })) {
            return false;
        }
        window = std::make_unique<MainWindow>(services(host, keys, pacer, clock),
                                              workers<QtWorkQueue>());
        window->startUp();
        window->show();
        return QTest::qWaitForWindowActive(window.get()) &&
               waitFor([&] { return !window->refreshPending(); });
    }

    // One bulletin through the main window, as Add Message sends it: whether it went out.
    bool send(const std::string& toStation, std::int16_t port, const QString& text) {
        std::optional<bool> sent;
        window->sendMessage(toStation, port, "", text.toStdString(), [&](bool ok) { sent = ok; });
        return waitFor([&] { return sent.has_value(); }, 60000) && *sent;
    }
    QString status() const { return window->statusText(); }
    bool logged(const QString& text) {
        const Result<std::string> log = host.messageLog(kBulletinLogSelector);
        return log && log->find(text.toStdString()) != std::string::npos;
    }
};

} // namespace quillet::testing
