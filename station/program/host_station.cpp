#include "station/program/host_station.h"

#include "aprs/tnc2.h"
#include "base/files.h"
#include "base/qt_text.h"
#include "station/core/heard_bulletin.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QFile>
#include <QUuid>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

namespace quillet::station {
namespace {

constexpr std::size_t kLargestLogFile = 64u << 20;

std::string utf8(const QString& text) {
    return text.toStdString();
}

QString joined(const std::vector<std::string>& parts) {
    QStringList list;
    for (const std::string& part : parts) {
        list << QString::fromStdString(part);
    }
    return list.join(QStringLiteral("; "));
}

} // namespace

QString airText(std::string_view bytes) {
    return QString::fromStdString(airTextUtf8(bytes));
}

HostStation::HostStation(QString stationCallsign, QString mapPath, QDBusConnection connection)
    : m_stationCallsign(std::move(stationCallsign)), m_mapPath(std::move(mapPath)),
      m_connection(std::move(connection)),
      m_logId(QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, &HostStation::tick);
    // Bulletins come in bursts (a log loaded, a busy channel): one write per burst, at most
    // one every 2 s; a crash loses at most the last 2 s.
    m_saveDelay.setSingleShot(true);
    m_saveDelay.setInterval(2000);
    connect(&m_saveDelay, &QTimer::timeout, this, &HostStation::saveLog);
}

HostStation::~HostStation() {
    if (m_saveDelay.isActive()) {
        saveLog();
    }
}

void HostStation::saveLog() {
    if (!m_writer) {
        return;
    }
    if (std::optional<LogFileWrite> write = m_logFile.next(m_store)) {
        if (write->whole) {
            m_writer->save(std::move(write->text));
        } else {
            m_writer->append(write->text);
        }
    }
}

void HostStation::scheduleSave() {
    if (m_writer && !m_saveDelay.isActive()) {
        m_saveDelay.start();
    }
}

std::vector<FeedBulletin> HostStation::bulletins() const {
    std::vector<FeedBulletin> out;
    for (const LoggedBulletin& b : m_store.bulletins()) {
        out.push_back({QString::fromStdString(b.sender), QString::fromStdString(b.addressee),
                       QString::fromStdString(b.text)});
    }
    return out;
}

const QString& HostStation::logText() const {
    if (!m_logTextReady) {
        m_logText = QString::fromStdString(m_store.text());
        m_logTextReady = true;
    }
    return m_logText;
}

void HostStation::addLink(std::unique_ptr<Link> link, bool isAprsIs) {
    Link* raw = link.get();
    raw->setEvents({[this](const aprs::Packet& packet) { heard(packet); },
                    [this](const std::string& text) { emit problem(QString::fromStdString(text)); },
                    [this] { emit linksChanged(); }});
    if (isAprsIs) {
        m_aprsIs = raw;
    } else {
        m_kissLinks.push_back(raw);
    }
    m_links.push_back(std::move(link));
}

Status HostStation::keepLogIn(const QString& path) {
    const std::string file = path.toStdString();
    m_writer = std::make_unique<BackgroundFileWriter>(file);
    const auto contents = readFile(file, kLargestLogFile);
    QString warning;
    if (contents && *contents) {
        const auto stored = parseLogText(**contents);
        if (stored) {
            for (const LoggedBulletin& bulletin : *stored) {
                m_store.add(bulletin);
            }
            m_logFile.loaded(m_store, stored->size(),
                             (*contents)->empty() || (*contents)->back() == '\n');
            if (m_logFile.rewritePending()) {
                scheduleSave();
            }
            m_logTextReady = false;
            emit logChanged();
            return {};
        }
        warning = QStringLiteral("the stored log %1 is damaged (%2)")
                      .arg(path, QString::fromStdString(stored.error()));
    } else if (!contents) {
        warning = QStringLiteral("the stored log cannot be read: %1")
                      .arg(QStringLiteral("cannot read %1 (%2)")
                               .arg(path, QString::fromStdString(contents.error())));
    } else {
        return {};
    }
    // Kept aside for the user rather than overwritten; the log starts empty, and the first
    // save writes a new file whole whatever became of the old one.
    m_logFile.rewriteNext();
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (QFile::rename(path, aside)) {
        warning += QStringLiteral("; moved to %1, the log starts empty").arg(aside);
    } else {
        warning += QStringLiteral("; the log starts empty");
    }
    return fail(warning.toStdString());
}

void HostStation::start() {
    m_ticker.start();
    tick();
}

bool HostStation::log(LoggedBulletin bulletin) {
    if (!m_store.add(std::move(bulletin))) {
        return false;
    }
    m_logTextReady = false;
    scheduleSave();
    emit logChanged();
    return true;
}

void HostStation::addBulletin(const FeedBulletin& bulletin) {
    if (bulletin.callsign.size() + bulletin.addressee.size() + bulletin.text.size() >
        static_cast<qsizetype>(kLongestFeedLine)) {
        std::fprintf(stderr, "quillet-host: a bulletin longer than %lld characters is not logged\n",
                     static_cast<long long>(kLongestFeedLine));
        return;
    }
    LoggedBulletin logged{utf8(bulletin.callsign), utf8(bulletin.addressee), utf8(bulletin.text)};
    // Nothing added by hand may look different from what could have been heard.
    if (const Status usable = checkBulletinFields(logged.sender, logged.addressee); !usable) {
        const QString text = tr("Not logged: %1").arg(QString::fromStdString(usable.error()));
        std::fprintf(stderr, "quillet-host: %s\n", qPrintable(text));
        emit problem(text);
        return;
    }
    log(std::move(logged));
}

Result<int> HostStation::loadFeed(const QString& path) {
    const Feed feed = readFeedFile(QFile::encodeName(path).toStdString());
    reportFeedProblems(path, feed);
    if (!feed.problems.empty() && feed.problems.front().line == 0) {
        return fail(feed.problems.front().message);
    }
    for (const FeedEntry& entry : feed.bulletins) {
        addBulletin({QString::fromUtf8(entry.callsign), QString::fromUtf8(entry.addressee),
                     QString::fromUtf8(entry.text)});
    }
    return static_cast<int>(feed.bulletins.size());
}

void HostStation::heard(const aprs::Packet& packet) {
    if (m_heard.size() == kHeardKept) {
        m_heard.pop_front();
    }
    m_heard.push_back(packet);
    if (!std::exchange(m_heardSignalled, true)) {
        emit packetsHeard();
    }
    if (std::optional<LoggedBulletin> bulletin = loggedFromPacket(packet)) {
        log(std::move(*bulletin));
    }
}

QStringList HostStation::takeHeard() {
    QStringList lines;
    for (const aprs::Packet& packet : m_heard) {
        lines << airText(aprs::formatTnc2(packet));
    }
    m_heard.clear();
    m_heardSignalled = false;
    return lines;
}

Result<SendReport> HostStation::sendPacket(const OwnBulletin& bulletin) {
    Result<aprs::Packet> packet = buildMessagePacket(utf8(m_stationCallsign), bulletin.addressee,
                                                     bulletin.text, bulletin.path);
    if (!packet) {
        return fail(packet.error());
    }
    return sendOnLinks(*packet, bulletin.port, m_kissLinks, m_aprsIs);
}

SendOutcome HostStation::send(const SendRequest& request) {
    const LoggedBulletin own{utf8(m_stationCallsign), utf8(request.addressee), utf8(request.text)};
    if (m_links.empty()) {
        log(own);
        return {true, tr("Logged: <%1> %2 (no link: not sent on the air)")
                          .arg(request.addressee, request.text)};
    }
    const OwnBulletin bulletin{own.addressee, own.text, utf8(request.path), request.port};
    const Result<SendReport> sent = sendPacket(bulletin);
    if (!sent) {
        return {false, tr("Not sent: %1.").arg(QString::fromStdString(sent.error()))};
    }
    if (sent->tookIt.empty()) {
        return {false, tr("Not sent: %1.").arg(joined(sent->refused))};
    }
    log(own);
    m_repeats.add(bulletin, std::chrono::steady_clock::now());
    QString status =
        tr("Sent on %1: <%2> %3").arg(joined(sent->tookIt), request.addressee, request.text);
    if (!sent->refused.empty()) {
        status += tr(" (not on: %1)").arg(joined(sent->refused));
    }
    return {true, status};
}

namespace {

// A line end would end the log's line: the rest would read as a bulletin of its own.
bool holdsControl(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) ||
               c.unicode() == 0x2028 || c.unicode() == 0x2029;
    });
}

} // namespace

QString sendFieldsProblem(const SendFields& fields) {
    // The form's fields cannot hold them; a bus client's can.
    const std::pair<const QString*, const char*> typed[] = {
        {&fields.to, "To field"}, {&fields.path, "Digi path"}, {&fields.text, "Text"}};
    for (const auto& [field, name] : typed) {
        if (holdsControl(*field)) {
            return HostStation::tr("Not sent: the %1 holds a line end or another control "
                                   "character.")
                .arg(QString::fromLatin1(name));
        }
    }
    const QString to = fields.to.trimmed();
    if (to.isEmpty()) {
        return HostStation::tr("Not sent: the To field is empty.");
    }
    if (to.contains(QLatin1Char(' '))) {
        return HostStation::tr("Not sent: \"%1\" is not a destination.").arg(to);
    }
    // The program types a 16-bit signed number, hand users may type an unsigned one.
    bool ok = false;
    const int port = fields.port.trimmed().toInt(&ok);
    if (!ok || port < -32768 || port > 65535) {
        return HostStation::tr("Not sent: the port \"%1\" is not a number.")
            .arg(fields.port.trimmed());
    }
    // Checked here, before the form asks or anything is logged, also when playing.
    if (const Status fits = messageFitsAFrame(utf8(fields.text)); !fits) {
        return HostStation::tr("Not sent: %1.").arg(QString::fromStdString(fits.error()));
    }
    return {};
}

SendOutcome HostStation::sendFields(const SendFields& fields) {
    if (const QString problem = sendFieldsProblem(fields); !problem.isEmpty()) {
        return {false, problem};
    }
    return send({fields.to.trimmed(), fields.port.trimmed().toInt(), fields.path, fields.text});
}

void HostStation::tick() {
    for (const auto& link : m_links) {
        link->tick();
    }
    for (const OwnBulletin& bulletin : m_repeats.due(std::chrono::steady_clock::now())) {
        const Result<SendReport> sent = sendPacket(bulletin);
        if (!sent || sent->tookIt.empty()) {
            emit problem(
                tr("Repeat of %1 not sent: %2")
                    .arg(QString::fromStdString(bulletin.addressee),
                         sent ? joined(sent->refused) : QString::fromStdString(sent.error())));
        }
    }
    if (m_writer) {
        if (const auto error = m_writer->takeError()) {
            // The file may now lack lines: the next save writes it whole.
            m_logFile.rewriteNext();
            scheduleSave();
            const QString message =
                tr("The log was not stored: %1").arg(QString::fromStdString(*error));
            std::fprintf(stderr, "quillet-host: %s\n", qPrintable(message));
            emit problem(message);
        }
    }
}

void HostStation::quit() {
    if (m_quitting) {
        return;
    }
    m_quitting = true;
    emit closing();
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
        std::fprintf(stderr, "quillet-host: %s: %s\n", qPrintable(where), problem.message.c_str());
    }
}

} // namespace quillet::station
