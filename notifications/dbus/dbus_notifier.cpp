#include "notifications/dbus/dbus_notifier.h"

#include "base/qt_text.h"
#include "notifications/notice_text.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace quillet {

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Long enough for the bus to start a service on demand; nobody waits for it.
constexpr int kCallTimeoutMs = 10000;
// The service's own default for how long a notice stays up.
constexpr int kServerDefaultExpiry = -1;

std::string problemText(const QDBusError& error) {
    // Unknown name, or a service the bus could not start on demand.
    const QString name = error.name();
    if (error.type() == QDBusError::ServiceUnknown ||
        name == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        name.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Spawn"))) {
        return "Desktop notices unavailable: no notification service on the session bus";
    }
    return "Desktop notices unavailable: " + toWindows1252(error.message());
}

} // namespace

DBusNotifier::DBusNotifier(QString service) : m_service(std::move(service)) {}

void DBusNotifier::notify(const Notice& notice, Done done) {
    if (m_bodyMarkup.has_value()) {
        send(notice, done);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(fail("Desktop notices unavailable: no session bus"));
        return;
    }
    const QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, kPath, kInterface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), &m_context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_context,
                     [this, notice, done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<QStringList> reply = *finished;
                         if (reply.isError()) {
                             done(fail(problemText(reply.error())));
                             return;
                         }
                         m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
                         send(notice, done);
                     });
}

void DBusNotifier::send(const Notice& notice, const Done& done) {
    // The summary is never markup; the body is, when the service says it reads markup.
    const std::string body = *m_bodyMarkup ? escapeNoticeMarkup(notice.body) : notice.body;
    QDBusMessage call = QDBusMessage::createMethodCall(m_service, kPath, kInterface, "Notify");
    call << QStringLiteral("Quillet") << 0u << QString() << fromWindows1252(notice.summary)
         << fromWindows1252(body) << QStringList() << QVariantMap() << kServerDefaultExpiry;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kCallTimeoutMs), &m_context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_context,
                     [done](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<unsigned> reply = *finished;
                         if (reply.isError()) {
                             done(fail(problemText(reply.error())));
                         } else {
                             done({});
                         }
                     });
}

} // namespace quillet
