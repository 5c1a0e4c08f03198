#pragma once

#include "contract/host_bus.h"
#include "hostlink/host.h"

#include <QDBusConnection>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QDBusMessage;
class QVariant;

namespace quillet {

class ClosingRelay;
class LogChangedRelay;

// The host's automation object, reached over D-Bus. Each call blocks until the host
// answers or the timeout runs out; any failure gives a line that fits the status line.
// Texts arrive as UTF-8 and are handed on as Windows-1252.
class DBusHost final : public Host {
public:
    static constexpr int kDefaultTimeoutMs = 5000;

    explicit DBusHost(QDBusConnection connection = QDBusConnection::sessionBus(),
                      int timeoutMs = kDefaultTimeoutMs);
    ~DBusHost() override;

    DBusHost(const DBusHost&) = delete;
    DBusHost& operator=(const DBusHost&) = delete;

    Result<std::unique_ptr<HostMap>> currentMap() override;
    Result<std::string> messageLog(int selector) override;
    // By MessageLogAfter from a host that offers it, else the whole log.
    Result<LogLines> messageLogAfter(const LogPosition& held) override;
    Result<std::string> stationCallsign() override;
    // Asks the bus which process owns the host's name now.
    std::int64_t processId() override;
    void setClosingHandler(std::function<void()> handler) override;

    // quillet-host's own interface: looked for once per host process (a restarted host is
    // another owner of the service name), by introspecting the host's object.
    Result<bool> offersDirectSend() override;
    Result<DirectSend> sendBulletin(const std::string& addressee, int port, const std::string& path,
                                    const std::string& text) override;
    void setLogChangedHandler(std::function<void()> handler) override;

    int timeoutMs() const { return m_timeoutMs; }

private:
    QDBusConnection m_connection;
    int m_timeoutMs;
    qint64 m_hostPid = 0; // of the host that gave the current map; 0 when not known
    std::unique_ptr<ClosingRelay> m_closingRelay;
    // Looks at the interfaces of the process that owns the host's name now, once per process.
    Status probeOwner();

    QString m_probedOwner; // the host process whose interfaces were looked at last
    bool m_offersDirect = false;
    bool m_offersLogAfter = false;
    std::unique_ptr<LogChangedRelay> m_logChangedRelay;
};

} // namespace quillet
