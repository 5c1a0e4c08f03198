// The notifier against Debian's notification daemon, dunst, on the test's own session bus
// and X display: what dunst keeps in its history is what the operator was shown.

#include "notifications/dbus/dbus_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

using namespace quillet;

namespace {

// What dunst showed for each notice in its history: the body's markup read as a renderer
// does, tags dropped and entities turned back into characters.
QStringList shownBodies() {
    // Only closed notices go into the history.
    QProcess::execute(QStringLiteral("dunstctl"), {QStringLiteral("close-all")});
    QProcess dunstctl;
    dunstctl.start(QStringLiteral("dunstctl"), {QStringLiteral("history")});
    dunstctl.waitForFinished(5000);
    const QJsonDocument history = QJsonDocument::fromJson(dunstctl.readAllStandardOutput());
    QStringList shown;
    for (const QJsonValue& notice : history["data"][0].toArray()) {
        QString body = notice["body"]["data"].toString();
        body.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        shown << notice["summary"]["data"].toString() + QLatin1Char('|') +
                     body.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                         .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                         .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }
    return shown;
}

} // namespace

class DunstNotifierTest : public QObject {
    Q_OBJECT

private slots:
    void noticeArrivesWithItsTextAsWritten() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            QSKIP("dunst needs an X display and DISPLAY is unset; scripts/test.sh starts one");
        }
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(QStringLiteral("dunst")));
        QFile rc(config.filePath(QStringLiteral("dunst/dunstrc")));
        QVERIFY(rc.open(QIODevice::WriteOnly) && rc.write("[global]\n    markup = full\n") > 0);
        rc.close();
        QProcess dunst;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        dunst.setProcessEnvironment(env);
        dunst.start(QStringLiteral("dunst"), {});
        QVERIFY2(dunst.waitForStarted(), "dunst did not start (Debian package dunst)");
        // Notifying before dunst holds the name would have the bus start one of its own.
        QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.Notifications")));
        DBusNotifier notifier;
        std::optional<Status> outcome;
        notifier.notify({"Bulletin from K1ABC (BLN1)", "Fox <b>& hound</b> &amp; caf\xE9"},
                        [&](const Status& status) { outcome = status; });
        QVERIFY(!outcome.has_value()); // the answer comes later, through the event loop
        QTRY_VERIFY(outcome.has_value());
        QVERIFY2(outcome->ok(), outcome->error().c_str());
        QTRY_COMPARE(shownBodies(),
                     QStringList{"Bulletin from K1ABC (BLN1)|Fox <b>& hound</b> &amp; café"});
        dunst.terminate();
        dunst.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(DunstNotifierTest)
#include "dunst_notifier_test.moc"
