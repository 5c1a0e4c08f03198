// The page follows the board: bulletins added to the real host program reach the copied page
// and both feeds within seconds, and feed readers (Debian's feedparser, xmllint) find the
// feeds sound, the table in them and a replaced bulletin under its old id.
#include "app/tests/main_window_fixture.h"
#include "hostlink/dbus_host.h"
#include "testsupport/host_process.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace quillet;
using namespace quillet::testing;

namespace {

struct Heard {
    QString from, to, text, group;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the feed readers say of the copied feeds: empty when they find nothing wrong.
QString feedReadersFault(const QString& web, const QList<Heard>& board, const QString& before) {
    QJsonArray expected;
    for (const Heard& b : board) {
        expected.append(
            QJsonObject{{"from", b.from}, {"to", b.to}, {"text", b.text}, {"group", b.group}});
    }
    QProcess check;
    QStringList arguments{QStringLiteral(QUILLET_SOURCE_DIR "/publishing/tests/check_feeds.py"),
                          web + "/index.atom", web + "/index.json",
                          QString::fromUtf8(QJsonDocument(expected).toJson())};
    if (!before.isEmpty()) {
        arguments << before;
    }
    check.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!check.waitForFinished(30000)) {
        return QStringLiteral("the feed readers did not answer within 30 s");
    }
    const QString said = QString::fromUtf8(check.readAll());
    return check.exitCode() == 0 ? QString()
                                 : said + QStringLiteral(" (exit %1)").arg(check.exitCode());
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
        // Copying on, upload off, and the page's address known; the schedule's ten minutes
        // never come within the test.
        QVERIFY(writeFile(services.dir.filePath(QStringLiteral("quillet.ini")),
                          "AUTO_COPY_ENABLED=TRUE\r\nCOPY_TO_DIRECTORY=" + web.toUtf8() +
                              "\r\nHTML_FILENAME=index.htm\r\n"
                              "PAGE_URL=https://example.org/aprs/index.htm\r\n"));
        DBusHost host(QDBusConnection::sessionBus(), 5000);
        FakeKeystrokeSender keys;
        FakeSendPacer pacer;
        SystemClock clock;
        MainWindow window(services.services(host, keys, pacer, clock), workers<QtWorkQueue>());
        window.startUp();

        // Markup, a CDATA end, quotes and an ampersand: text in every reader.
        QList<Heard> board{{"G4ABC", "BLN1EU", "Net <b>tonight</b> ]]> \"19:00\" & 'on'", "EU"},
                           {"W1AW", "BLN2", "Field day", ""}};
        for (const Heard& b : board) {
            QCOMPARE(callHostControl(QString::fromLatin1(contract::kAddBulletinMethod),
                                     {b.from, b.to, b.text})
                         .type(),
                     QDBusMessage::ReplyMessage);
        }
        const auto copied = [&](const QByteArray& text) {
            return fileBytes(web + "/index.htm").contains(text) &&
                   fileBytes(web + "/index.atom").contains(text) &&
                   fileBytes(web + "/index.json").contains("Field day");
        };
        QVERIFY2(waitFor([&] { return copied("Field day"); }, 10000),
                 "the copied page and feeds did not show the host's bulletins within 10 s");
        QVERIFY(fileBytes(web + "/index.htm").contains("Net &lt;b&gt;tonight&lt;/b&gt; ]]&gt;"));
        QVERIFY(fileBytes(web + "/index.htm").contains("href=\"index.atom\""));
        const QString fault = feedReadersFault(web, board, {});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        // The same sender and addressee with a new text: the entry keeps its id.
        const QString before = services.dir.filePath(QStringLiteral("before.atom"));
        QVERIFY(QFile::copy(web + "/index.atom", before));
        QTest::qWait(1100); // a new second, so that the replaced line's time differs
        board[0].text = QStringLiteral("Net moved to Friday");
        QCOMPARE(callHostControl(QString::fromLatin1(contract::kAddBulletinMethod),
                                 {board[0].from, board[0].to, board[0].text})
                     .type(),
                 QDBusMessage::ReplyMessage);
        QVERIFY2(waitFor([&] { return copied("moved to Friday"); }, 10000),
                 "the replaced bulletin did not reach the copied feed within 10 s");
        const QString replaced = feedReadersFault(web, board, before);
        QVERIFY2(replaced.isEmpty(), qPrintable(replaced));
    }
};

QTEST_MAIN(PublishEndToEndTest)
#include "publish_end_to_end_test.moc"
