#include "station/program/bus_adaptors.h"

#include "contract/host_bus.h"
#include "station/program/host_station.h"

#include <QTimer>

#include <optional>
#include <string>
#include <utility>

namespace quillet::station {

HostAdaptor::HostAdaptor(HostStation* host) : QDBusAbstractAdaptor(host), m_host(host) {
    connect(host, &HostStation::closing, this, &HostAdaptor::UIView32IsClosing);
}

QDBusObjectPath HostAdaptor::CurrentMap() {
    return QDBusObjectPath(QString::fromLatin1(contract::kMapPath));
}

QString HostAdaptor::MessageLog(int selector) {
    noteLogRead();
    return selector == kBulletinLogSelector ? m_host->logText() : QString();
}

QString HostAdaptor::StationCallsign() {
    return m_host->stationCallsign();
}

HostControlAdaptor::HostControlAdaptor(HostStation* host, const HostAdaptor* hostInterface)
    : QDBusAbstractAdaptor(host), m_host(host), m_hostInterface(hostInterface) {}

void FeedControlAdaptor::AddBulletin(const QString& callsign, const QString& addressee,
                                     const QString& text) {
    m_host->addBulletin({callsign, addressee, text});
}

int FeedControlAdaptor::LoadFeed(const QString& path) {
    const Result<int> loaded = m_host->loadFeed(path);
    return loaded ? *loaded : -1; // the bus answers -1 for a feed that cannot be read
}

int HostControlAdaptor::MessageLogReads() {
    return m_hostInterface->logReads();
}

void HostControlAdaptor::Quit() {
    // Leaves the bus call first, as closing the window would.
    QTimer::singleShot(0, m_host, &HostStation::quit);
}

DirectAdaptor::DirectAdaptor(HostStation* host, HostAdaptor* hostInterface)
    : QDBusAbstractAdaptor(host), m_host(host), m_hostInterface(hostInterface) {
    connect(host, &HostStation::logChanged, this, [this] {
        if (!std::exchange(m_changeSignalled, true)) {
            QTimer::singleShot(0, this, [this] {
                m_changeSignalled = false;
                emit MessageLogChanged();
            });
        }
    });
}

bool DirectAdaptor::SendBulletin(const QString& addressee, int port, const QString& path,
                                 const QString& text, QString& status) {
    const SendOutcome outcome = m_host->sendFields({addressee, QString::number(port), path, text});
    status = outcome.status;
    return outcome.logged;
}

QString DirectAdaptor::MessageLogAfter(const QString& logId, int linesHeld, int& firstLine,
                                       QString& lines) {
    m_hostInterface->noteLogRead();
    const MessageStore& store = m_host->store();
    const std::optional<std::string> after =
        logId == m_host->logId() && linesHeld >= 0
            ? store.textFrom(static_cast<std::size_t>(linesHeld))
            : std::nullopt;
    if (after) {
        firstLine = linesHeld;
        lines = QString::fromStdString(*after);
    } else {
        firstLine = static_cast<int>(store.droppedCount());
        lines = m_host->logText();
    }
    return m_host->logId();
}

MapObject::MapObject(HostStation* host, QObject* parent) : QObject(parent), m_host(host) {}

MapAdaptor::MapAdaptor(MapObject* map) : QDBusAbstractAdaptor(map), m_map(map) {}

QString MapAdaptor::MapFileName() {
    return m_map->host()->mapPath();
}

} // namespace quillet::station
