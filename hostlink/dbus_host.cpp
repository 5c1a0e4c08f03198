#include "hostlink/dbus_host.h"

#include "base/qt_text.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QFile>
#include <QMetaType>
#include <QObject>
#include <QThread>
#include <QVariant>
#include <QXmlStreamReader>

#include <utility>

namespace quillet {

// QtDBus delivers signals to a slot of a QObject; this one hands the host's closing
// announcement to the handler the program set.
class ClosingRelay : public QObject {
    Q_OBJECT
public:
    explicit ClosingRelay(std::function<void()> handler) : m_handler(std::move(handler)) {}

public slots:
    void hostIsClosing() {
        if (m_handler) {
            m_handler();
        }
    }

private:
    std::function<void()> m_handler;
};

// The same for the host's word that its log changed.
class LogChangedRelay : public QObject {
    Q_OBJECT
public:
    explicit LogChangedRelay(std::function<void()> handler) : m_handler(std::move(handler)) {}

public slots:
    void logChanged() {
        if (m_handler) {
            m_handler();
        }
    }

private:
    std::function<void()> m_handler;
};

namespace {

// Whether the process is alive; a zombie has ended.
bool processRunning(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    const qsizetype state = line.lastIndexOf(')') + 2; // the state follows the command name
    return state > 1 && state < line.size() && line[state] != 'Z' && line[state] != 'X';
}

// A killed process leaves the bus when its sockets close, a moment before the system shows it
// ended; give it that moment before calling it alive.
bool processKeepsRunning(qint64 pid) {
    for (int waited = 0; waited < 500; waited += 10) {
        if (!processRunning(pid)) {
            return false;
        }
        QThread::msleep(10);
    }
    return processRunning(pid);
}

bool hostOnBus(const QDBusConnection& connection) {
    const QDBusConnectionInterface* bus = connection.interface();
    return bus && bus->isServiceRegistered(QString::fromLatin1(contract::kService)).value();
}

QString secondsText(int ms) {
    return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" s");
}

// The one place that turns a D-Bus failure into a status-line message.
Failure callFailed(const QDBusConnection& connection, const QDBusError& error, const char* method,
                   int timeoutMs, qint64 hostPid) {
    const QString name = QString::fromLatin1(method);
    QString message;
    QDBusError::ErrorType type = error.type();
    if (error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        type = QDBusError::ServiceUnknown;
    }
    switch (type) {
    case QDBusError::ServiceUnknown:
        message = QStringLiteral("Host not reachable: UI-View32 is not running (%1)").arg(name);
        break;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        // The bus answers NoReply when time runs out, when the host exits before it replies,
        // and when the bus drops the host for an answer larger than it carries. A host still
        // on the bus was too slow; one that left it either ended or was cut off, which its
        // process tells.
        if (hostOnBus(connection)) {
            message = QString::fromLatin1(kNoAnswer.data(), qsizetype(kNoAnswer.size())) +
                      QStringLiteral("%1 within %2").arg(name, secondsText(timeoutMs));
        } else if (processKeepsRunning(hostPid)) {
            message = QStringLiteral("Host not reachable: the bus cut UI-View32 off during %1 "
                                     "while it kept running (an answer too large for the bus "
                                     "does that)")
                          .arg(name);
        } else {
            message = QStringLiteral("Host not reachable: UI-View32 closed during %1").arg(name);
        }
        break;
    case QDBusError::Disconnected:
        message = QStringLiteral("Host not reachable: no connection to the D-Bus session bus (%1)")
                      .arg(name);
        break;
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::InvalidArgs:
        message = QStringLiteral("Host does not offer %1: %2").arg(name, error.message());
        break;
    default:
        message = QStringLiteral("Host call %1 failed: %2").arg(name, error.message());
        break;
    }
    return fail(message.toStdString());
}

// Calls one host method and returns its reply, or why the call failed (and, when asked, the
// error the host or the bus answered).
Result<QDBusMessage> askHost(const QDBusConnection& connection, int timeoutMs, qint64 hostPid,
                             const QString& destination, const QString& path, const char* interface,
                             const char* method, const QVariantList& arguments,
                             QDBusError* answered = nullptr) {
    if (!connection.isConnected()) {
        return fail(
            QStringLiteral("Host not reachable: no connection to the D-Bus session bus (%1)")
                .arg(QString::fromLatin1(method))
                .toStdString());
    }
    QDBusMessage request = QDBusMessage::createMethodCall(
        destination, path, QString::fromLatin1(interface), QString::fromLatin1(method));
    request.setArguments(arguments);

    const QDBusMessage reply = connection.call(request, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (answered != nullptr) {
            *answered = QDBusError(reply);
        }
        return callFailed(connection, QDBusError(reply), method, timeoutMs, hostPid);
    }
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return callFailed(connection, QDBusError(QDBusError::Failed, QStringLiteral("no reply")),
                          method, timeoutMs, hostPid);
    }
    return reply;
}

Failure unexpectedAnswer(const QDBusMessage& reply, const char* method,
                         const char* expectedSignature) {
    return fail(QStringLiteral("Host gave an unexpected answer to %1 (got '%2', "
                               "expected '%3')")
                    .arg(QString::fromLatin1(method), reply.signature(),
                         QString::fromLatin1(expectedSignature))
                    .toStdString());
}

// Calls one host method and returns its single reply value, which must be of the expected
// type; anything else is a failure.
Result<QVariant> callHost(const QDBusConnection& connection, int timeoutMs, qint64 hostPid,
                          const QString& path, const char* interface, const char* method,
                          const QVariantList& arguments, QMetaType expected,
                          const char* expectedSignature) {
    const Result<QDBusMessage> reply =
        askHost(connection, timeoutMs, hostPid, QString::fromLatin1(contract::kService), path,
                interface, method, arguments);
    if (!reply) {
        return fail(reply.error());
    }
    const QVariantList values = reply->arguments();
    if (values.size() != 1 || values.front().metaType() != expected) {
        return unexpectedAnswer(*reply, method, expectedSignature);
    }
    return values.front();
}

Result<std::string> callForText(const QDBusConnection& connection, int timeoutMs, qint64 hostPid,
                                const QString& path, const char* interface, const char* method,
                                const QVariantList& arguments = {}) {
    const Result<QVariant> value = callHost(connection, timeoutMs, hostPid, path, interface, method,
                                            arguments, QMetaType::fromType<QString>(), "s");
    if (!value) {
        return fail(value.error());
    }
    return toWindows1252(value->toString());
}

// The map is addressed by the object path the host gave for it.
class DBusHostMap final : public HostMap {
public:
    DBusHostMap(QDBusConnection connection, QString path, int timeoutMs, qint64 hostPid)
        : m_connection(std::move(connection)), m_path(std::move(path)), m_timeoutMs(timeoutMs),
          m_hostPid(hostPid) {}

    Result<std::string> mapFileName() override {
        return callForText(m_connection, m_timeoutMs, m_hostPid, m_path, contract::kMapInterface,
                           contract::kMapFileNameMethod);
    }

private:
    QDBusConnection m_connection;
    QString m_path;
    int m_timeoutMs;
    qint64 m_hostPid;
};

} // namespace

DBusHost::DBusHost(QDBusConnection connection, int timeoutMs)
    : m_connection(std::move(connection)), m_timeoutMs(timeoutMs) {}

DBusHost::~DBusHost() {
    setClosingHandler({});
    setLogChangedHandler({});
}

Result<std::unique_ptr<HostMap>> DBusHost::currentMap() {
    const Result<QVariant> value =
        callHost(m_connection, m_timeoutMs, m_hostPid, QString::fromLatin1(contract::kPath),
                 contract::kInterface, contract::kCurrentMapMethod, {},
                 QMetaType::fromType<QDBusObjectPath>(), "o");
    if (!value) {
        return fail(value.error());
    }
    // The host's process, asked once per map (once per host while it lives), lets a failed
    // call tell a host that ended from one the bus cut off.
    const QDBusReply<uint> pid =
        m_connection.interface()->servicePid(QString::fromLatin1(contract::kService));
    m_hostPid = pid.isValid() ? pid.value() : 0;
    return std::unique_ptr<HostMap>(std::make_unique<DBusHostMap>(
        m_connection, value->value<QDBusObjectPath>().path(), m_timeoutMs, m_hostPid));
}

Result<std::string> DBusHost::messageLog(int selector) {
    return callForText(m_connection, m_timeoutMs, m_hostPid, QString::fromLatin1(contract::kPath),
                       contract::kInterface, contract::kMessageLogMethod, {QVariant(selector)});
}

Result<std::string> DBusHost::stationCallsign() {
    return callForText(m_connection, m_timeoutMs, m_hostPid, QString::fromLatin1(contract::kPath),
                       contract::kInterface, contract::kStationCallsignMethod);
}

std::int64_t DBusHost::processId() {
    const QDBusConnectionInterface* bus = m_connection.interface();
    if (bus == nullptr) {
        return 0;
    }
    const QDBusReply<uint> pid = bus->servicePid(QString::fromLatin1(contract::kService));
    return pid.isValid() ? pid.value() : 0;
}

void DBusHost::setClosingHandler(std::function<void()> handler) {
    const QString service = QString::fromLatin1(contract::kService);
    const QString path = QString::fromLatin1(contract::kPath);
    const QString interface = QString::fromLatin1(contract::kInterface);
    const QString name = QString::fromLatin1(contract::kClosingSignal);
    if (m_closingRelay) {
        m_connection.disconnect(service, path, interface, name, m_closingRelay.get(),
                                SLOT(hostIsClosing()));
        m_closingRelay.reset();
    }
    if (!handler) {
        return;
    }
    m_closingRelay = std::make_unique<ClosingRelay>(std::move(handler));
    // Subscribing by service name rather than by the current owner's unique name keeps the
    // subscription alive across a restart of the host.
    m_connection.connect(service, path, interface, name, m_closingRelay.get(),
                         SLOT(hostIsClosing()));
}

Status DBusHost::probeOwner() {
    // The bus daemon names the process that owns the host's name now; its interfaces are
    // looked at once, on that process itself, so that the answer belongs to it.
    const QDBusReply<QString> owner =
        m_connection.interface()->serviceOwner(QString::fromLatin1(contract::kService));
    if (!owner.isValid()) {
        return callFailed(m_connection, owner.error(), "Introspect", m_timeoutMs, m_hostPid);
    }
    if (owner.value() == m_probedOwner) {
        return {};
    }
    const Result<QDBusMessage> reply = askHost(
        m_connection, m_timeoutMs, m_hostPid, owner.value(), QString::fromLatin1(contract::kPath),
        "org.freedesktop.DBus.Introspectable", "Introspect", {});
    if (!reply) {
        return fail(reply.error());
    }
    const QVariantList values = reply->arguments();
    if (values.size() != 1 || values.front().metaType() != QMetaType::fromType<QString>()) {
        return unexpectedAnswer(*reply, "Introspect", "s");
    }
    bool direct = false;
    bool logAfter = false;
    bool inObject = false;
    QXmlStreamReader xml(values.front().toString());
    while (xml.readNextStartElement()) {
        if (!inObject && xml.name() == QLatin1String("node")) {
            inObject = true; // the object itself: its interfaces are inside
            continue;
        }
        if (xml.name() == QLatin1String("interface") &&
            xml.attributes().value(QLatin1String("name")) ==
                QLatin1String(contract::kDirectInterface)) {
            while (xml.readNextStartElement()) {
                const auto name = xml.attributes().value(QLatin1String("name"));
                if (xml.name() == QLatin1String("method")) {
                    direct = direct || name == QLatin1String(contract::kSendBulletinMethod);
                    logAfter = logAfter || name == QLatin1String(contract::kMessageLogAfterMethod);
                }
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    m_probedOwner = owner.value();
    m_offersDirect = direct;
    m_offersLogAfter = logAfter;
    return {};
}

Result<bool> DBusHost::offersDirectSend() {
    if (const Status probed = probeOwner(); !probed) {
        return fail(probed.error());
    }
    return m_offersDirect;
}

Result<LogLines> DBusHost::messageLogAfter(const LogPosition& held) {
    // The host is looked at again only when the one looked at last turns out to lack the
    // method: a refresh then makes one bus call fewer, and a host that changed is found out
    // all the same (a new quillet-host answers with the whole log of its own run).
    if (m_probedOwner.isEmpty()) {
        if (const Status probed = probeOwner(); !probed) {
            return fail(probed.error());
        }
    }
    QDBusError answered;
    Result<QDBusMessage> reply = fail("Host does not offer MessageLogAfter");
    if (m_offersLogAfter) {
        reply =
            askHost(m_connection, m_timeoutMs, m_hostPid, QString::fromLatin1(contract::kService),
                    QString::fromLatin1(contract::kPath), contract::kDirectInterface,
                    contract::kMessageLogAfterMethod, {fromWindows1252(held.logId), held.linesHeld},
                    &answered);
        if (answered.type() == QDBusError::UnknownMethod ||
            answered.type() == QDBusError::UnknownInterface) {
            if (const Status probed = probeOwner(); !probed) {
                return fail(probed.error());
            }
        }
    }
    if (!m_offersLogAfter) {
        return Host::messageLogAfter(held); // UI-View32 and older hosts: the whole log
    }
    if (!reply) {
        return fail(reply.error());
    }
    const QVariantList values = reply->arguments();
    if (values.size() != 3 || values[0].metaType() != QMetaType::fromType<QString>() ||
        values[1].metaType() != QMetaType::fromType<int>() ||
        values[2].metaType() != QMetaType::fromType<QString>()) {
        return unexpectedAnswer(*reply, contract::kMessageLogAfterMethod, "sis");
    }
    return LogLines{toWindows1252(values[0].toString()), values[1].toInt(),
                    toWindows1252(values[2].toString())};
}

Result<DirectSend> DBusHost::sendBulletin(const std::string& addressee, int port,
                                          const std::string& path, const std::string& text) {
    const Result<QDBusMessage> reply =
        askHost(m_connection, m_timeoutMs, m_hostPid, QString::fromLatin1(contract::kService),
                QString::fromLatin1(contract::kPath), contract::kDirectInterface,
                contract::kSendBulletinMethod,
                {fromWindows1252(addressee), port, fromWindows1252(path), fromWindows1252(text)});
    if (!reply) {
        return fail(reply.error());
    }
    const QVariantList values = reply->arguments();
    if (values.size() != 2 || values[0].metaType() != QMetaType::fromType<bool>() ||
        values[1].metaType() != QMetaType::fromType<QString>()) {
        return unexpectedAnswer(*reply, contract::kSendBulletinMethod, "bs");
    }
    return DirectSend{values[0].toBool(), toWindows1252(values[1].toString())};
}

void DBusHost::setLogChangedHandler(std::function<void()> handler) {
    const QString service = QString::fromLatin1(contract::kService);
    const QString path = QString::fromLatin1(contract::kPath);
    const QString interface = QString::fromLatin1(contract::kDirectInterface);
    const QString name = QString::fromLatin1(contract::kLogChangedSignal);
    if (m_logChangedRelay) {
        m_connection.disconnect(service, path, interface, name, m_logChangedRelay.get(),
                                SLOT(logChanged()));
        m_logChangedRelay.reset();
    }
    if (!handler) {
        return;
    }
    m_logChangedRelay = std::make_unique<LogChangedRelay>(std::move(handler));
    // By service name, as the closing signal: a restarted host is heard as well.
    m_connection.connect(service, path, interface, name, m_logChangedRelay.get(),
                         SLOT(logChanged()));
}

} // namespace quillet

#include "dbus_host.moc"
