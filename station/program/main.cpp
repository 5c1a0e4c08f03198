// quillet-host: a small APRS host for Linux that serves UI-View32's D-Bus interface to Quillet.
// It logs the bulletins heard from TNCs (KISS over TCP) and APRS-IS, sends what is typed into
// its message form, and without links plays the host from a feed file. See station/README.md.

#include "aprs/aprs_is.h"
#include "base/files.h"
#include "hostlink/dbus_host.h"
#include "hostlink/ini_host_settings.h"
#include "settings/settings_size_limit.h"
#include "station/core/host_options.h"
#include "station/core/link_protocol.h"
#include "station/program/bus_adaptors.h"
#include "station/program/host_station.h"
#include "station/program/map_info.h"
#include "station/program/program_files.h"
#include "station/program/quit_signals.h"
#include "station/program/station_window.h"
#include "station/program/tcp_link_connection.h"
#include "widgets/x11_display.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDBusError>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>

using namespace quillet;
using namespace quillet::station;

namespace {

void warn(const QString& message) {
    std::fprintf(stderr, "quillet-host: %s\n", qPrintable(message));
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The options kept in the settings file, or none when it cannot be read.
HostOptions storedOptions(const QString& settingsPath, std::string& fileText) {
    const auto contents = readFile(settingsPath.toStdString(), kSettingsFileLimit);
    if (!contents) {
        warn(QStringLiteral("warning: settings not read: cannot read %1 (%2)")
                 .arg(settingsPath, q(contents.error())));
        return {};
    }
    fileText = contents->value_or(std::string());
    std::vector<std::string> problems;
    HostOptions options = parseOptionsSection(fileText, problems);
    for (const std::string& problem : problems) {
        warn(settingsPath + QStringLiteral(": ") + q(problem));
    }
    return options;
}

bool addLinks(HostStation& host, const HostOptions& options) {
    const auto now = [] { return std::chrono::steady_clock::now(); };
    int number = 0;
    for (const std::string& text : options.kiss) {
        const auto endpoint = parseEndpoint(text, 8001);
        if (!endpoint) {
            warn(QStringLiteral("--kiss %1: %2").arg(q(text), q(endpoint.error())));
            return false;
        }
        ++number;
        host.addLink(std::make_unique<Link>("KISS " + std::to_string(number), endpoint->host,
                                            endpoint->port, std::make_unique<TcpLinkConnection>(),
                                            std::make_unique<KissProtocol>(), now),
                     false);
    }
    if (!options.aprsIs.empty()) {
        const auto endpoint = parseEndpoint(options.aprsIs, 14580);
        if (!endpoint) {
            warn(QStringLiteral("--aprs-is %1: %2").arg(q(options.aprsIs), q(endpoint.error())));
            return false;
        }
        const int passcode = options.passcode.value_or(-1);
        if (passcode != -1 && passcode != aprs::passcode(options.call)) {
            warn(QStringLiteral("warning: %1 is not the passcode of %2; APRS-IS will not let "
                                "this station send")
                     .arg(passcode)
                     .arg(q(options.call)));
        }
        AprsIsLogin login{options.call, passcode,
                          options.filter.empty() ? std::string("g/BLN*") : options.filter};
        host.addLink(std::make_unique<Link>("APRS-IS", endpoint->host, endpoint->port,
                                            std::make_unique<TcpLinkConnection>(),
                                            std::make_unique<AprsIsProtocol>(login), now),
                     true);
    }
    return true;
}

// Options are checked before they are kept: a refused one must not be stored for every later
// start to fail on.
bool optionsUsable(const HostOptions& options) {
    if (const Status checked = checkOptions(options); !checked) {
        warn(q(checked.error()) + QStringLiteral("; nothing was saved"));
        return false;
    }
    return true;
}

// Adding bulletins and feeds over the bus is for demos and tests: on the air, any program of
// the user could put invented bulletins into the log that goes out. Quitting stays offered.
void addControlInterface(HostStation& host, const HostAdaptor* hostInterface, bool demo) {
    if (demo) {
        new FeedControlAdaptor(&host, hostInterface);
    } else {
        new HostControlAdaptor(&host, hostInterface);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("quillet-host"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "A small APRS host: logs the bulletins heard from TNCs (KISS over TCP) and APRS-IS, "
            "sends what its message form is given, and serves UI-View32's D-Bus interface to "
            "Quillet. The options are kept in the [Quillet Host] section of %1, so later starts "
            "need none.\n\n%2")
            .arg(IniHostSettings::defaultFilePath(), q(retryRule())));
    parser.addHelpOption();
    const QCommandLineOption callOption({QStringLiteral("call"), QStringLiteral("callsign")},
                                        QStringLiteral("The station callsign."),
                                        QStringLiteral("CALL"));
    const QCommandLineOption passcodeOption(
        QStringLiteral("passcode"),
        QStringLiteral("The APRS-IS passcode of the callsign; -1 (the default) receives only."),
        QStringLiteral("N"));
    const QCommandLineOption kissOption(
        QStringLiteral("kiss"),
        QStringLiteral("A TNC's KISS TCP port (default port 8001); repeat for more TNCs. The "
                       "message form's port N sends on the N-th, 0 on all."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption aprsIsOption(QStringLiteral("aprs-is"),
                                          QStringLiteral("An APRS-IS server (default port 14580)."),
                                          QStringLiteral("HOST:PORT"));
    const QCommandLineOption filterOption(
        QStringLiteral("filter"), QStringLiteral("The APRS-IS server filter (default g/BLN*)."),
        QStringLiteral("EXPR"));
    const QCommandLineOption feedOption(
        QStringLiteral("feed"),
        QStringLiteral("Bulletins to log at start (callsign|addressee|text). Without links the "
                       "host plays from this feed alone and keeps no log."),
        QStringLiteral("FILE"));
    const QCommandLineOption mapOption(QStringLiteral("map"),
                                       QStringLiteral("The map file the host shows."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption emptyOption(
        QStringLiteral("empty"),
        QStringLiteral(
            "Start with an empty log; --feed and the stored options are ignored (for tests)."));
    const QCommandLineOption uiView32OnlyOption(
        QStringLiteral("uiview32-only"),
        QStringLiteral("Offer only UI-View32's own bus interface, not quillet-host's direct one, "
                       "so that Quillet types its bulletins into the message form as it does "
                       "with UI-View32."));
    parser.addOptions({callOption, passcodeOption, kissOption, aprsIsOption, filterOption,
                       feedOption, mapOption, emptyOption, uiView32OnlyOption});
    // Before the application: --help and mistakes need no display.
    if (!parser.parse(arguments)) {
        warn(parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    // Qt aborts when it cannot reach the display; the host says so in a sentence instead.
    if (!x11DisplayReachableOrSaid("quillet-host")) {
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillet-host"));
    // Where the demo feed and map are, and the folder the host records as its own.
    const Result<ProgramFolder> folder = hostProgramFolder();
    if (!folder) {
        warn(QFile::decodeName(folder.error().c_str()));
        return 1;
    }
    const QString here = QFile::decodeName(folder->shippedFiles.c_str());

    HostOptions given;
    given.call = parser.value(callOption).trimmed().toStdString();
    if (parser.isSet(passcodeOption)) {
        bool ok = false;
        given.passcode = parser.value(passcodeOption).toInt(&ok);
        if (!ok) {
            warn(QStringLiteral("--passcode must be a number"));
            return 2;
        }
    }
    for (const QString& link : parser.values(kissOption)) {
        given.kiss.push_back(link.toStdString());
    }
    given.aprsIs = parser.value(aprsIsOption).toStdString();
    given.filter = parser.value(filterOption).toStdString();
    if (parser.isSet(mapOption)) {
        given.map = QFileInfo(parser.value(mapOption)).absoluteFilePath().toStdString();
    }
    if (!optionsUsable(given)) {
        return 2;
    }

    // Like the host, it records where it is installed at every start, so that add-ons can
    // place their extras files there. The folder ends with its separator, as the host writes it.
    const IniHostSettings hostSettings;
    if (const Status recorded = hostSettings.setProgramFolder(
            QFile::decodeName(folder->folder.c_str()) + QLatin1Char('/'));
        !recorded) {
        warn(QStringLiteral("warning: program folder not recorded: ") + q(recorded.error()));
    }

    // A feed or --empty is a demonstration or a test: the stored options do not count, so the
    // demo never goes on the air by itself.
    const bool playing = parser.isSet(feedOption) || parser.isSet(emptyOption);
    std::string settingsText;
    HostOptions options = given;
    if (!playing) {
        options = merged(storedOptions(hostSettings.filePath(), settingsText), given);
        // Options from the command line are kept for the next start.
        if (given.hasLinks() || !given.call.empty()) {
            const std::string updated = withOptionsSection(settingsText, options);
            if (updated != settingsText) {
                const Status saved = replaceFile(hostSettings.filePath().toStdString(), updated);
                if (!saved) {
                    warn(QStringLiteral("warning: options not saved: ") + q(saved.error()));
                }
            }
        }
    }
    const bool live = options.hasLinks();
    if (live && options.call.empty()) {
        warn(QStringLiteral("give the station callsign with --call"));
        return 2;
    }
    if (options.call.empty()) {
        options.call = "G4SIM";
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        warn(QStringLiteral("no D-Bus session bus: %1").arg(bus.lastError().message()));
        return 1;
    }

    const QString mapPath =
        options.map.empty() ? here + QStringLiteral("/maps/demo.gif") : q(options.map);
    if (!QFileInfo::exists(mapPath)) {
        warn(QStringLiteral("warning: map file %1 does not exist").arg(mapPath));
    }
    const Result<QString> title = readMapTitle(mapPath);
    if (!title) {
        warn(QStringLiteral("warning: ") + q(title.error()));
    }

    HostStation host(q(options.call), QDir::toNativeSeparators(mapPath), bus);
    Status logKept;
    if (live) {
        logKept =
            host.keepLogIn(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/quillet-host/message_log.txt"));
        if (!logKept) {
            warn(QStringLiteral("warning: ") + q(logKept.error()));
        }
        if (!addLinks(host, options)) {
            return 2;
        }
    }
    // --empty wins over --feed.
    if (!parser.isSet(emptyOption) && (parser.isSet(feedOption) || !live)) {
        const QString feedPath = parser.isSet(feedOption)
                                     ? parser.value(feedOption)
                                     : here + QStringLiteral("/sample_feed.txt");
        if (!host.loadFeed(feedPath)) {
            return 1;
        }
    }

    MapObject map(&host);
    auto* hostInterface = new HostAdaptor(&host);
    addControlInterface(host, hostInterface, !live);
    new MapAdaptor(&map);
    if (!parser.isSet(uiView32OnlyOption)) {
        new DirectAdaptor(&host, hostInterface);
    }

    StationWindow window(host, windowCaption(title ? *title : QString()));
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &host, &HostStation::quit);

    // Objects first, then the name: a client that sees the name can call at once.
    if (!bus.registerObject(QString::fromLatin1(contract::kPath), &host,
                            QDBusConnection::ExportAdaptors) ||
        !bus.registerObject(QString::fromLatin1(contract::kMapPath), &map,
                            QDBusConnection::ExportAdaptors)) {
        warn(QStringLiteral("cannot register the host objects: %1").arg(bus.lastError().message()));
        return 1;
    }
    if (!bus.registerService(QString::fromLatin1(contract::kService))) {
        warn(QStringLiteral("the D-Bus name %1 is already taken; is another UI-View32 or "
                            "quillet-host running? (%2)")
                 .arg(QString::fromLatin1(contract::kService), bus.lastError().message()));
        return 1;
    }

    window.show();
    if (!logKept) {
        emit host.problem(q(logKept.error()));
    }
    host.start();
    return QApplication::exec();
}
