#pragma once

#include "station/core/background_file_writer.h"
#include "station/core/feed.h"
#include "station/core/link.h"
#include "station/core/log_file_keeper.h"
#include "station/core/message_store.h"
#include "station/core/repeat_schedule.h"
#include "station/core/transmit.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

namespace quillet::station {

// One bulletin as the host logs it.
struct FeedBulletin {
    QString callsign;
    QString addressee;
    QString text;

    bool operator==(const FeedBulletin&) const = default;
};

// A bulletin the message form asks to send.
struct SendRequest {
    QString addressee;
    int port = 0;
    QString path;
    QString text;
};

struct SendOutcome {
    bool logged = false;
    QString status; // for the form's status line
};

// A bulletin as the message form's fields hold it, or as the host's own bus interface is
// given it: both are checked and sent the same way.
struct SendFields {
    QString to;
    QString port;
    QString path;
    QString text;
};

// Why these fields are not sent, in the form's words, or an empty text: an empty To (blanks
// around it do not count), a blank inside it, or a port that is not a number from -32768 to
// 65535. The form asks nothing then.
QString sendFieldsProblem(const SendFields& fields);

// What the host knows and does, shared by its bus interfaces and its window: the message log,
// the links, sending and repeating the station's own bulletins.
class HostStation : public QObject {
    Q_OBJECT
public:
    HostStation(QString stationCallsign, QString mapPath, QDBusConnection connection);
    ~HostStation() override;

    const QString& stationCallsign() const { return m_stationCallsign; }
    const QString& mapPath() const { return m_mapPath; }
    const MessageStore& store() const { return m_store; }
    std::vector<FeedBulletin> bulletins() const;
    // The log as MessageLog serves it, kept ready between changes.
    const QString& logText() const;
    // The name of this run's log: within a run the log only grows, so a reader that knows
    // the name and its count of lines can be given the lines after them alone.
    const QString& logId() const { return m_logId; }

    // Adds a KISS or APRS-IS link; call before start().
    void addLink(std::unique_ptr<Link> link, bool isAprsIs);
    const std::vector<std::unique_ptr<Link>>& links() const { return m_links; }
    // Keeps the log in this file from now on, after reading what it holds. Fails with a
    // warning in UTF-8 when the stored log could not be used; the log then starts empty.
    Status keepLogIn(const QString& path);
    // Starts the links and the repeat timer.
    void start();

    // Logs a bulletin unless the same one is logged already.
    void addBulletin(const FeedBulletin& bulletin);
    // Appends every usable line of a feed file, reporting bad lines on stderr. Gives how
    // many lines were read; fails when the file cannot be read, which is reported already.
    Result<int> loadFeed(const QString& path);

    // The packets heard since the last call, newest last, at most `kHeardKept`, as text for
    // the window. A busy feed brings hundreds a second: they are made text only when shown.
    static constexpr std::size_t kHeardKept = 50;
    QStringList takeHeard();

    // Sends the form's bulletin on the links the port names and on APRS-IS. With no links at
    // all (the demo with a feed) it is only logged.
    SendOutcome send(const SendRequest& request);
    // The fields checked as the form checks them, then sent: what the form's Yes and the
    // host's own SendBulletin do.
    SendOutcome sendFields(const SendFields& fields);

    // Announces the closing on the bus, makes sure the announcement has left, then ends the
    // event loop. Only the first request counts.
    void quit();

signals:
    void logChanged();
    void linksChanged();
    // Packets were heard since the last takeHeard(); sent once until then.
    void packetsHeard();
    void problem(const QString& text);
    // Announced on the bus by the host interface.
    void closing();

private:
    void heard(const aprs::Packet& packet);
    void tick();
    // The links that took the bulletin and why the others did not; a bulletin that makes no
    // packet fails.
    Result<SendReport> sendPacket(const OwnBulletin& bulletin);
    bool log(LoggedBulletin bulletin);
    void saveLog();
    void scheduleSave();
    void flushBus();

    QString m_stationCallsign;
    QString m_mapPath;
    QDBusConnection m_connection;
    MessageStore m_store;
    QString m_logId;
    mutable QString m_logText;
    mutable bool m_logTextReady = true;
    std::vector<std::unique_ptr<Link>> m_links;
    std::vector<Link*> m_kissLinks;
    Link* m_aprsIs = nullptr;
    RepeatSchedule m_repeats;
    QTimer m_ticker;
    QTimer m_saveDelay;
    std::unique_ptr<BackgroundFileWriter> m_writer;
    LogFileKeeper m_logFile;
    std::deque<aprs::Packet> m_heard;
    bool m_heardSignalled = false;
    bool m_quitting = false;
};

// Writes a feed's problems to stderr, each with its file name and line number.
void reportFeedProblems(const QString& path, const Feed& feed);

// Text from the air: UTF-8 when it is valid UTF-8, Windows-1252 otherwise. Control
// characters become U+FFFD so that nothing shown can move the cursor or end a line.
QString airText(std::string_view bytes);

} // namespace quillet::station
