#pragma once

#include "host/host.h"

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

// The host's automation object, reached over D-Bus. Each call blocks until the host
// answers or the timeout runs out; any failure becomes a HostError whose message fits the
// status line. Texts arrive as UTF-8 and are handed on as Windows-1252.
class DBusHost final : public Host {
public:
    static constexpr int kDefaultTimeoutMs = 5000;

    explicit DBusHost(QDBusConnection connection = QDBusConnection::sessionBus(),
                      int timeoutMs = kDefaultTimeoutMs);
    ~DBusHost() override;

    DBusHost(const DBusHost&) = delete;
    DBusHost& operator=(const DBusHost&) = delete;

    std::unique_ptr<HostMap> currentMap() override;
    std::string messageLog(int selector) override;
    std::string stationCallsign() override;
    // Asks the bus which process owns the host's name now.
    std::int64_t processId() override;
    void setClosingHandler(std::function<void()> handler) override;

    int timeoutMs() const { return m_timeoutMs; }

private:
    QDBusConnection m_connection;
    int m_timeoutMs;
    qint64 m_hostPid = 0; // of the host that gave the current map; 0 when not known
    std::unique_ptr<ClosingRelay> m_closingRelay;
};

// The names the host registers on the bus.
namespace hostbus {
inline constexpr char kService[] = "com.peaksystems.UIView32";
inline constexpr char kPath[] = "/UIView32";
inline constexpr char kInterface[] = "com.peaksystems.UIView32";
inline constexpr char kMapInterface[] = "com.peaksystems.UIView32.Map";
inline constexpr char kClosingSignal[] = "UIView32IsClosing";
} // namespace hostbus

} // namespace quillet
