#pragma once

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

    // quillet-host's own interface: looked for once per host process (a restarted host is
    // another owner of the service name), by introspecting the host's object.
    bool offersDirectSend() override;
    DirectSend sendBulletin(const std::string& addressee, int port, const std::string& path,
                            const std::string& text) override;
    void setLogChangedHandler(std::function<void()> handler) override;

    int timeoutMs() const { return m_timeoutMs; }

private:
    QDBusConnection m_connection;
    int m_timeoutMs;
    qint64 m_hostPid = 0; // of the host that gave the current map; 0 when not known
    std::unique_ptr<ClosingRelay> m_closingRelay;
    QString m_probedOwner; // the host process whose interfaces were looked at last
    bool m_offersDirect = false;
    std::unique_ptr<LogChangedRelay> m_logChangedRelay;
};

// The names the host registers on the bus.
namespace hostbus {
inline constexpr char kService[] = "com.peaksystems.UIView32";
inline constexpr char kPath[] = "/UIView32";
inline constexpr char kInterface[] = "com.peaksystems.UIView32";
inline constexpr char kMapInterface[] = "com.peaksystems.UIView32.Map";
inline constexpr char kClosingSignal[] = "UIView32IsClosing";

// quillet-host's own interface, on the same service and object as UI-View32's: a bulletin
// sent without keystrokes, and a signal when its log changes. UI-View32 itself does not offer
// it. The number in the name changes with any change that older programs would misread.
//   SendBulletin(s addressee, i port, s path, s text) -> (b sent, s status): what the
//     message form's Send does, with its checks and its words in `status`;
//   signal MessageLogChanged(): a bulletin was logged (heard, sent, or added), once per burst.
inline constexpr char kDirectInterface[] = "org.quillet.Host1";
inline constexpr char kSendBulletinMethod[] = "SendBulletin";
inline constexpr char kLogChangedSignal[] = "MessageLogChanged";
} // namespace hostbus

} // namespace quillet
