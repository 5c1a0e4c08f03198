#pragma once

#include "tools/host/feed.h"
#include "tools/host/simulated_log.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace quillet::hostapp {

// What the simulated host knows and does, shared by its bus interfaces and its window.
class HostStation : public QObject {
    Q_OBJECT
public:
    HostStation(QString stationCallsign, QString mapPath, QDBusConnection connection);

    const QString& stationCallsign() const { return m_stationCallsign; }
    const QString& mapPath() const { return m_mapPath; }
    const SimulatedLog& log() const { return m_log; }

    void addBulletin(const FeedBulletin& bulletin);
    // Appends every usable line of a feed file, reporting bad lines on stderr. Returns how
    // many bulletins were added, or -1 when the file cannot be read.
    int loadFeed(const QString& path);

    // Announces the closing on the bus, makes sure the announcement has left, then ends the
    // event loop. Only the first request counts.
    void quit();

signals:
    void bulletinsAdded(int first, int count);
    // Relayed to the bus by the host interface.
    void UIView32IsClosing();

private:
    void flushBus();

    QString m_stationCallsign;
    QString m_mapPath;
    QDBusConnection m_connection;
    SimulatedLog m_log;
    bool m_quitting = false;
};

// Writes a feed's problems to stderr, each with its file name and line number.
void reportFeedProblems(const QString& path, const Feed& feed);

} // namespace quillet::hostapp
