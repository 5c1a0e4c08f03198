#include "tools/host/host_station.h"

#include <QCoreApplication>
#include <QDBusMessage>

#include <cstdio>
#include <utility>

namespace quillet::hostapp {

HostStation::HostStation(QString stationCallsign, QString mapPath, QDBusConnection connection)
    : m_stationCallsign(std::move(stationCallsign)), m_mapPath(std::move(mapPath)),
      m_connection(std::move(connection)) {}

void HostStation::addBulletin(const FeedBulletin& bulletin) {
    m_log.add(bulletin);
    emit bulletinsAdded(static_cast<int>(m_log.bulletins().size()) - 1, 1);
}

int HostStation::loadFeed(const QString& path) {
    const Feed feed = readFeedFile(path);
    reportFeedProblems(path, feed);
    if (!feed.problems.empty() && feed.problems.front().line == 0) {
        return -1;
    }
    const int first = static_cast<int>(m_log.bulletins().size());
    for (const FeedBulletin& bulletin : feed.bulletins) {
        m_log.add(bulletin);
    }
    const int count = static_cast<int>(feed.bulletins.size());
    if (count > 0) {
        emit bulletinsAdded(first, count);
    }
    return count;
}

void HostStation::quit() {
    if (m_quitting) {
        return;
    }
    m_quitting = true;
    emit UIView32IsClosing();
    flushBus();
    QCoreApplication::quit();
}

void HostStation::flushBus() {
    // Sending a signal only queues it. The bus daemon handles one sender's messages in
    // order, so once it has answered a call made after the signal, the signal is on its way
    // to every listener and the process may exit.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
    m_connection.call(ping, QDBus::Block, 2000);
}

void reportFeedProblems(const QString& path, const Feed& feed) {
    for (const FeedProblem& problem : feed.problems) {
        const QString where =
            problem.line > 0 ? QStringLiteral("%1:%2").arg(path).arg(problem.line) : path;
        std::fprintf(stderr, "quillet-host: %s: %s\n", qPrintable(where),
                     qPrintable(problem.message));
    }
}

} // namespace quillet::hostapp
