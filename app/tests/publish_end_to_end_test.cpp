// Bulletins added to the real host reach the copied page and feeds within seconds; feed readers
// (feedparser, xmllint) find the feeds sound, the board in them, a replaced one under its id.
#include "app/tests/main_window_fixture.h"
#include "hostlink/dbus_host.h"
#include "testsupport/host_process.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the feed readers say against the board (sender, addressee, text, group per
// bulletin): empty when they find nothing wrong.
QString feedReadersFault(const QString& web, const QStringList& board, const QString& before) {
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral("/usr/bin/python3"),
                QStringList{QStringLiteral(QUILLET_SOURCE_DIR "/publishing/tests/check_feeds.py"),
                            web + "/index.atom", web + "/index.json", before} +
                    board);
    if (!check.waitForFinished(30000)) {
        return QStringLiteral("the feed readers did not answer within 30 s");
    }
    return check.exitCode() == 0 ? QString() : QString::fromUtf8(check.readAll());
}

} // namespace

class PublishEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void aBulletinAddedToTheHostIsOnTheCopiedPageAndInBothFeeds() {
        HostProcess hostProgram(
            {QStringLiteral("--call"), QStringLiteral("G4PUB"), QStringLiteral("--empty")});
        QVERIFY2(hostProgram.waitUntilOnBus(), "the host program did not reach the bus in 10 s");
        WindowServices services;
        const QString web = services.dir.filePath(QStringLiteral("web"));
        QVERIFY(QDir().mkpath(web));
        for (const char* name : {"quillet.template", "quillet.js1"}) {
            QVERIFY(QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/publishing/") + name,
                                services.dir.filePath(QString::fromLatin1(name))));
        }
        // Copying on, upload off, the page's address known; the schedule's ten minutes never
        // come within the test.
        QVERIFY(
            writeFile(services.dir.filePath(QStringLiteral("quillet.ini")),
                      "AUTO_COPY_ENABLED=TRUE\r\nHTML_FILENAME=index.htm\r\nCOPY_TO_DIRECTORY=" +
                          web.toUtf8() + "\r\nPAGE_URL=https://example.org/aprs/index.htm\r\n"));
        DBusHost host(QDBusConnection::sessionBus(), 5000);
        FakeKeystrokeSender keys;
        FakeSendPacer pacer;
        SystemClock clock;
        MainWindow window(services.services(host, keys, pacer, clock), workers<QtWorkQueue>());
        window.startUp();

        // Markup, a CDATA end, quotes and an ampersand stay text in every reader.
        const QString hostile = QStringLiteral("Net <b>tonight</b> ]]> \"19:00\" & 'on'");
        QStringList board{"G4ABC", "BLN1EU", hostile, "EU", "W1AW", "BLN2", "Field day", ""};
        const auto hear = [](const QStringList& b, int at) {
            return callHostControl(QString::fromLatin1(contract::kAddBulletinMethod),
                                   {b[at], b[at + 1], b[at + 2]})
                       .type() == QDBusMessage::ReplyMessage;
        };
        QVERIFY(hear(board, 0) && hear(board, 4));
        const auto copied = [&](const QByteArray& text) {
            return fileBytes(web + "/index.htm").contains(text) &&
                   fileBytes(web + "/index.atom").contains(text) &&
                   fileBytes(web + "/index.json").contains(text);
        };
        QVERIFY2(waitFor([&] { return copied("Field day"); }, 10000),
                 "the copied page and feeds did not show the host's bulletins within 10 s");
        QVERIFY(fileBytes(web + "/index.htm").contains("href=\"index.atom\""));
        QCOMPARE(feedReadersFault(web, board, QStringLiteral("-")), QString());

        // The same sender and addressee with a new text, seconds later: the entry keeps its id.
        const QString before = services.dir.filePath(QStringLiteral("before.atom"));
        QVERIFY(QFile::copy(web + "/index.atom", before));
        board[2] = QStringLiteral("Net moved to Friday");
        QVERIFY(hear(board, 0));
        QVERIFY2(waitFor([&] { return copied("moved to Friday"); }, 10000),
                 "the replaced bulletin did not reach the copied feeds within 10 s");
        QCOMPARE(feedReadersFault(web, board, before), QString());
    }
};

QTEST_MAIN(PublishEndToEndTest)
#include "publish_end_to_end_test.moc"
