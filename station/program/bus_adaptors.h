#pragma once

#include "contract/host_bus.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

namespace quillet::station {

class HostStation;

// The host's automation interface on /UIView32.
class HostAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", QUILLET_BUS_INTERFACE_UIVIEW32)
public:
    explicit HostAdaptor(HostStation* host);

public slots:
    QDBusObjectPath CurrentMap();
    // Selector 2 is the bulletin log; the host keeps no other log and answers the
    // other selectors with an empty text.
    QString MessageLog(int selector);
    QString StationCallsign();

    // How often the bulletin log has been read, whole or in part; tests use it to know that
    // a client is up.
    int logReads() const { return m_logReads; }
    void noteLogRead() { ++m_logReads; }

signals:
    // An adaptor's slots and signals are its members on the bus, so their names are the wire's.
    void UIView32IsClosing();

private:
    HostStation* m_host;
    int m_logReads = 0;
};

// Controls that only this host has, on the same object: quitting and, for tests, how often the
// log was read. Offered on the air.
class HostControlAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", QUILLET_BUS_INTERFACE_HOST_CONTROL1)
public:
    HostControlAdaptor(HostStation* host, const HostAdaptor* hostInterface);

public slots:
    int MessageLogReads();
    void Quit();

protected:
    HostStation* m_host;

private:
    const HostAdaptor* m_hostInterface;
};

// The same interface with what demos and tests add to the log; offered only when the host
// plays from a feed without links.
class FeedControlAdaptor : public HostControlAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", QUILLET_BUS_INTERFACE_HOST_CONTROL1)
public:
    using HostControlAdaptor::HostControlAdaptor;

public slots:
    void AddBulletin(const QString& callsign, const QString& addressee, const QString& text);
    int LoadFeed(const QString& path);
};

// quillet-host's own interface on /UIView32 (contract::kDirectInterface): a bulletin sent as
// the message form sends it, without keystrokes, and word when the log changes.
class DirectAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", QUILLET_BUS_INTERFACE_HOST1)
    // Written out so that introspection names both answers.
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"" QUILLET_BUS_INTERFACE_HOST1 "\">\n"
                "    <method name=\"" QUILLET_BUS_METHOD_SEND_BULLETIN "\">\n"
                "      <arg name=\"addressee\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"port\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"path\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"text\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"sent\" type=\"b\" direction=\"out\"/>\n"
                "      <arg name=\"status\" type=\"s\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <method name=\"" QUILLET_BUS_METHOD_MESSAGE_LOG_AFTER "\">\n"
                "      <arg name=\"logId\" type=\"s\" direction=\"in\"/>\n"
                "      <arg name=\"linesHeld\" type=\"i\" direction=\"in\"/>\n"
                "      <arg name=\"logId\" type=\"s\" direction=\"out\"/>\n"
                "      <arg name=\"firstLine\" type=\"i\" direction=\"out\"/>\n"
                "      <arg name=\"lines\" type=\"s\" direction=\"out\"/>\n"
                "    </method>\n"
                "    <signal name=\"" QUILLET_BUS_SIGNAL_LOG_CHANGED "\"/>\n"
                "  </interface>\n")
public:
    DirectAdaptor(HostStation* host, HostAdaptor* hostInterface);

public slots:
    // The form's Send and Yes at once, with the form's checks and words: (sent, status).
    bool SendBulletin(const QString& addressee, int port, const QString& path, const QString& text,
                      QString& status);
    // The bulletin log after the lines the reader holds, or the whole log when the reader
    // holds lines of another run or more than the log has: (logId, firstLine, lines).
    QString MessageLogAfter(const QString& logId, int linesHeld, int& firstLine, QString& lines);

signals:
    // Once per burst of logged bulletins: a loaded feed logs thousands at once.
    void MessageLogChanged();

private:
    HostStation* m_host;
    HostAdaptor* m_hostInterface;
    bool m_changeSignalled = false;
};

// The current map, a separate object at the path CurrentMap hands out.
class MapObject : public QObject {
    Q_OBJECT
public:
    explicit MapObject(HostStation* host, QObject* parent = nullptr);
    HostStation* host() const { return m_host; }

private:
    HostStation* m_host;
};

class MapAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", QUILLET_BUS_INTERFACE_MAP)
public:
    explicit MapAdaptor(MapObject* map);

public slots:
    QString MapFileName();

private:
    MapObject* m_map;
};

} // namespace quillet::station
