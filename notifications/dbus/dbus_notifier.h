#pragma once

#include "notifications/notifier.h"

#include <QObject>
#include <QString>

#include <optional>

namespace quillet {

// Notices through the freedesktop notification service on the session bus. Every call is
// asynchronous: the window's thread hands the notice over and goes on, and the answers come
// back through its event loop.
class DBusNotifier final : public Notifier {
public:
    explicit DBusNotifier(QString service = QStringLiteral("org.freedesktop.Notifications"));

    void notify(const Notice& notice, Done done) override;

private:
    void send(const Notice& notice, const Done& done);

    QString m_service;
    std::optional<bool> m_bodyMarkup; // known once the service has told its capabilities
    QObject m_context;                // owns the watchers of calls still on their way
};

} // namespace quillet
