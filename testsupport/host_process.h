#pragma once

// Starts the host program (quillet-host) for tests and talks to its own bus interface.

#include "contract/host_bus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace quillet::testing {

inline const QString kService = QString::fromLatin1(contract::kService);

inline bool serviceOnBus() {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(kService).value();
}

inline bool writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// Waits, handling events, until the condition holds or the time is up.
inline bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
    return QTest::qWaitFor(condition, ms);
}

// Calls one of the host's own methods, which the program never uses.
inline QDBusMessage callHostControl(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QString::fromLatin1(contract::kPath),
                                       QString::fromLatin1(contract::kControlInterface), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

// One run of the host binary, stopped at the end of the test whatever happened.
class HostProcess {
public:
    // Offscreen unless a test needs real windows ("xcb"). The configuration and data folders
    // are private unless the test names one: the host writes into both.
    explicit HostProcess(QStringList arguments, bool captureErrors = false,
                         const QString& platform = QStringLiteral("offscreen"),
                         const QString& configHome = QString()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        const QString home = configHome.isEmpty() ? m_configHome.path() : configHome;
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(captureErrors ? QProcess::SeparateChannels
                                                      : QProcess::ForwardedChannels);
        m_process.start(QStringLiteral(QUILLET_HOST_PATH), arguments);
    }
    ~HostProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), SIGCONT);
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        if (m_reachedBus) {
            waitFor([] { return !serviceOnBus(); }, 5000);
        }
    }
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;
    // True once the host's name is on the bus; false when the process ended first.
    bool waitUntilOnBus() {
        return m_reachedBus = waitFor([this] { return serviceOnBus() || ended(); }) && !ended();
    }
    bool waitUntilFinished() {
        return waitFor([this] { return ended(); });
    }
    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }
    QProcess& process() { return m_process; }

private:
    bool ended() const { return m_process.state() == QProcess::NotRunning; }
    QTemporaryDir m_configHome; // outlives the process, which is stopped in the destructor
    QProcess m_process;
    bool m_reachedBus = false;
};

} // namespace quillet::testing
