// quillet-host: plays the host APRS client UI-View32 on the D-Bus session bus so
// that Quillet can be demonstrated and tested without it. See tools/README.md.

#include "host/dbus_host.h"
#include "host/ini_host_settings.h"
#include "tools/host/bus_adaptors.h"
#include "tools/host/host_station.h"
#include "tools/host/main_window.h"
#include "tools/host/map_info.h"
#include "tools/host/quit_signals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusError>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace quillet;
using namespace quillet::hostapp;

namespace {

void fail(const QString& message) {
    std::fprintf(stderr, "quillet-host: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillet-host"));

    const QString here = QCoreApplication::applicationDirPath();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the host UI-View32 on the D-Bus session bus for Quillet."));
    parser.addHelpOption();
    const QCommandLineOption feedOption(
        QStringLiteral("feed"),
        QStringLiteral("Bulletins to log at start (callsign|addressee|text)."),
        QStringLiteral("file"), here + QStringLiteral("/sample_feed.txt"));
    const QCommandLineOption callsignOption(QStringLiteral("callsign"),
                                            QStringLiteral("The station callsign."),
                                            QStringLiteral("call"), QStringLiteral("G4SIM"));
    const QCommandLineOption mapOption(
        QStringLiteral("map"), QStringLiteral("The map file the host shows."),
        QStringLiteral("file"), here + QStringLiteral("/maps/demo.gif"));
    const QCommandLineOption emptyOption(QStringLiteral("empty"),
                                         QStringLiteral("Start with an empty log."));
    parser.addOptions({feedOption, callsignOption, mapOption, emptyOption});
    parser.process(app);

    // Like the host, it records where it is installed at every start, so that add-ons can
    // place their extras files there. The folder ends with its separator, as the host writes it.
    const IniHostSettings hostSettings;
    if (const auto problem = hostSettings.setProgramFolder(here + QLatin1Char('/'))) {
        fail(QStringLiteral("warning: program folder not recorded: ") + *problem);
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fail(QStringLiteral("no D-Bus session bus: %1").arg(bus.lastError().message()));
        return 1;
    }

    const QString mapPath = QFileInfo(parser.value(mapOption)).absoluteFilePath();
    if (!QFileInfo::exists(mapPath)) {
        fail(QStringLiteral("warning: map file %1 does not exist").arg(mapPath));
    }
    const MapTitle title = readMapTitle(mapPath);
    if (!title.problem.isEmpty()) {
        fail(QStringLiteral("warning: ") + title.problem);
    }

    HostStation host(parser.value(callsignOption), QDir::toNativeSeparators(mapPath), bus);
    if (!parser.isSet(emptyOption)) {
        const QString feedPath = parser.value(feedOption);
        if (host.loadFeed(feedPath) < 0) {
            return 1;
        }
    }

    MapObject map(&host);
    const auto* hostInterface = new HostAdaptor(&host);
    new SimulatorAdaptor(&host, hostInterface);
    new MapAdaptor(&map);

    MainWindow window(host, windowCaption(title.title));
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &host, &HostStation::quit);

    // Objects first, then the name: a client that sees the name can call at once.
    if (!bus.registerObject(QString::fromLatin1(hostbus::kPath), &host,
                            QDBusConnection::ExportAdaptors) ||
        !bus.registerObject(QString::fromLatin1(kMapObjectPath), &map,
                            QDBusConnection::ExportAdaptors)) {
        fail(QStringLiteral("cannot register the host objects: %1").arg(bus.lastError().message()));
        return 1;
    }
    if (!bus.registerService(QString::fromLatin1(hostbus::kService))) {
        fail(QStringLiteral("the D-Bus name %1 is already taken; is another UI-View32 or "
                            "simulator running? (%2)")
                 .arg(QString::fromLatin1(hostbus::kService), bus.lastError().message()));
        return 1;
    }

    window.show();
    return QApplication::exec();
}
