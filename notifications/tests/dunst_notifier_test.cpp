// The notifier against Debian's notification daemon, dunst, on the test's own session bus
// and X display: what dunst keeps in its history is what the operator would have seen.

#include "notifications/dbus/dbus_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace quillet;

namespace {

// The text a markup body shows: tags go, entities become their characters.
QString shownText(QString markup) {
    markup.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return markup.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QByteArray dunstctl(const QString& command) {
    QProcess process;
    process.start(QStringLiteral("dunstctl"), {command});
    process.waitForFinished(5000);
    return process.readAllStandardOutput();
}

// The bodies of the notices in dunst's history whose summary is `summary`.
QStringList historyBodies(const QString& summary) {
    dunstctl(QStringLiteral("close-all")); // only closed notices are in the history
    const QJsonArray groups =
        QJsonDocument::fromJson(dunstctl(QStringLiteral("history"))).object()["data"].toArray();
    QStringList bodies;
    for (const QJsonValue& group : groups) {
        for (const QJsonValue& entry : group.toArray()) {
            const QJsonObject notice = entry.toObject();
            if (notice["summary"].toObject()["data"].toString() == summary) {
                bodies << notice["body"].toObject()["data"].toString();
            }
        }
    }
    return bodies;
}

} // namespace

class DunstNotifierTest : public QObject {
    Q_OBJECT

private slots:
    void noticeArrivesWithItsTextAsWritten() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("dunst needs an X display and DISPLAY is unset; scripts/test.sh starts one");
        }
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("dunst")).isEmpty(),
                 "dunst is not installed (Debian packages dunst and libnotify-bin)");
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(QStringLiteral("dunst")));
        QFile rc(config.filePath(QStringLiteral("dunst/dunstrc")));
        QVERIFY(rc.open(QIODevice::WriteOnly));
        rc.write("[global]\n    markup = full\n");
        rc.close();

        QProcess dunst;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        dunst.setProcessEnvironment(env);
        dunst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        dunst.start(QStringLiteral("dunst"), {});
        // Notifying before dunst holds the name would have the bus start one of its own.
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     QStringLiteral("org.freedesktop.Notifications")),
                                 10000);

        DBusNotifier notifier;
        const QString summary = QStringLiteral("Bulletin from K1ABC (BLN1)");
        std::optional<Status> outcome;
        notifier.notify({"Bulletin from K1ABC (BLN1)", "Fox <b>& hound</b> &amp; caf\xE9"},
                        [&](const Status& status) { outcome = status; });
        QTRY_VERIFY(outcome.has_value());
        QVERIFY2(outcome->ok(), outcome->error().c_str());
        QStringList bodies;
        QTRY_VERIFY((bodies = historyBodies(summary)).size() == 1);
        QCOMPARE(shownText(bodies.front()), QStringLiteral("Fox <b>& hound</b> &amp; café"));

        dunst.terminate();
        dunst.waitForFinished(5000);
    }

    void missingServiceIsReportedNotAwaited() {
        DBusNotifier notifier(QStringLiteral("org.quillet.NoSuchService"));
        std::optional<Status> outcome;
        notifier.notify({"s", "b"}, [&](const Status& status) { outcome = status; });
        QVERIFY(!outcome.has_value()); // the answer comes through the event loop
        QTRY_VERIFY(outcome.has_value());
        QCOMPARE(QString::fromStdString(outcome->error()),
                 QStringLiteral("Desktop notices unavailable: no notification service on the "
                                "session bus"));
    }
};

QTEST_GUILESS_MAIN(DunstNotifierTest)
#include "dunst_notifier_test.moc"
