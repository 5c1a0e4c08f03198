// One refresh of the bulletin table from a host on the bus: fetch the 3 MB log over D-Bus,
// convert it to Windows-1252, store, sort and build the list rows.
//
// It starts the host itself and so needs a session bus of its own:
//
//     dbus-run-session -- build/bench/quillet_dbus_bench
//
// The host is found through $QUILLET_HOST_PROGRAM, else where the build put it.

#include "base/qt_text.h"
#include "bulletins/bulletin_list.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/clock.h"
#include "bulletins/date_time_formatter.h"
#include "hostlink/dbus_host.h"
#include "hostlink/host_link.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace quillet;

constexpr int kLogLines = 32767;

DBusHost* benchHost = nullptr;

// A busy evening's log: a few hundred stations, each re-sending a handful of bulletins, so
// that the 40-slot table sees new bulletins, updates and evictions. Lines are about 90
// bytes, a few with accented letters; the same seed gives the same feed.
QByteArray generateFeed(int lines) {
    static constexpr std::array prefixes{"G4",  "G0",  "M0", "2E0", "DL1", "DL2", "DK5", "PA3",
                                         "PE1", "ON4", "F5", "F4",  "EA4", "I2",  "OH2", "SM5",
                                         "W1",  "K1",  "N2", "VE3", "VK2", "ZL1", "JA1", "LA9"};
    static constexpr std::array addressees{"BLN",    "BLN1",   "BLN2",   "BLN3",    "BLN4",
                                           "BLN5",   "BLNA",   "BLNB",   "BLNC",    "BLN1EU",
                                           "BLN2EU", "BLN2NA", "BLNAWX", "BLN3USA", "BLN1 WX"};
    static constexpr std::array phrases{
        "Net tonight 20:00 local on 144.800, all welcome, check-ins via the digi",
        "Digipeater off air Saturday 09:00-12:00 for mast work, use the alternate",
        "Club meeting Thursday 19:30, talk on HF antennas, visitors welcome",
        "Gale warning for coastal areas, winds 8 to 9 later, stay safe out there",
        "Fieldday am Wochenende, Treffpunkt Parkplatz Süd, bitte Funkgeräte mitbringen",
        "Réunion du radio-club vendredi 20 h, température prévue 18°C, apéritif",
        "iGate back on air after power outage, please report any coverage gaps",
        "Rally this Sunday, doors open 10:00, talk-in on 145.500, bring a friend"};
    std::mt19937 random(20261206);
    std::vector<std::string> stations;
    for (int i = 0; i < 300; ++i) {
        std::string call = prefixes[random() % prefixes.size()];
        for (int letter = 0; letter < 3; ++letter) {
            call += static_cast<char>('A' + random() % 26);
        }
        stations.push_back(call);
    }
    QByteArray feed;
    feed.reserve(lines * 96);
    for (int i = 0; i < lines; ++i) {
        const std::string& call = stations[random() % stations.size()];
        // Each station uses only a few of the addressees, so pairs repeat often.
        const char* addressee =
            addressees[(call[call.size() - 1] + random() % 4) % addressees.size()];
        const std::string text = std::string(phrases[random() % phrases.size()]) + " #" +
                                 std::to_string(random() % 1000);
        feed += call.c_str();
        feed += '|';
        feed += addressee;
        feed += '|';
        feed += text.c_str();
        feed += '\n';
    }
    return feed;
}

bool serviceOnBus() {
    return QDBusConnection::sessionBus()
        .interface()
        ->isServiceRegistered(QString::fromLatin1(contract::kService))
        .value();
}

QDBusMessage callHostControl(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(contract::kService), QString::fromLatin1(contract::kPath),
        QString::fromLatin1(contract::kControlInterface), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 60000);
}

void refreshFromHost(benchmark::State& state) {
    const SystemClock clock;
    const IsoDateTimeFormatter formatter;
    for (auto _ : state) {
        BulletinStore store(clock);
        if (const Status read = store.readMessageLog(*benchHost); !read) {
            state.SkipWithError(read.error().c_str());
            break;
        }
        store.sortBulletins();
        const std::vector<BulletinRow> rows =
            showBulletins(store.bulletins(), kAllGroups, formatter);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(refreshFromHost)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// A refresh as the window makes it, one bulletin after the host logged one more: the host
// link's calls (log, callsign, the host's interfaces), the new lines into a copy of the table,
// the sort and the list rows. By difference (argument 1) only the new line crosses the bus;
// the whole read (0) is what every refresh cost before and what other hosts still cost.
void refreshAfterOneNewLine(benchmark::State& state) {
    const bool byDifference = state.range(0) == 1;
    const SystemClock clock;
    const IsoDateTimeFormatter formatter;
    HostLink link(*benchHost);
    auto table = std::make_shared<BulletinStore>(clock);
    if (const Result<HostReading> first = link.refresh(LogPosition{}); first) {
        table->storeLogLines(first->log);
    }
    static int added = 0; // across runs: a text logged before would be no new line
    for (auto _ : state) {
        state.PauseTiming();
        callHostControl(QString::fromLatin1(contract::kAddBulletinMethod),
                        {QStringLiteral("G4NEW"), QStringLiteral("BLN1"),
                         QStringLiteral("Fresh news #%1").arg(++added)});
        state.ResumeTiming();
        auto store = std::make_shared<BulletinStore>(*table);
        const Result<HostReading> reading =
            link.refresh(byDifference ? store->logPosition() : LogPosition{});
        if (!reading) {
            state.SkipWithError(reading.error().c_str());
            break;
        }
        store->storeLogLines(reading->log);
        store->sortBulletins();
        const std::vector<BulletinRow> rows =
            showBulletins(store->bulletins(), kAllGroups, formatter);
        benchmark::DoNotOptimize(rows.data());
        state.counters["bytes"] = static_cast<double>(reading->log.lines.size());
        table = std::move(store);
    }
}
BENCHMARK(refreshAfterOneNewLine)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The bus call alone, conversion included, to see where a refresh spends its time.
void fetchLog(benchmark::State& state) {
    for (auto _ : state) {
        const Result<std::string> log = benchHost->messageLog(kBulletinLogSelector);
        if (!log) {
            state.SkipWithError(log.error().c_str());
            break;
        }
        benchmark::DoNotOptimize(log->data());
        state.counters["bytes"] = static_cast<double>(log->size());
    }
}
BENCHMARK(fetchLog)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "no session bus; run as: dbus-run-session -- %s\n", argv[0]);
        return 1;
    }
    if (serviceOnBus()) {
        std::fprintf(stderr, "a host is already on this bus; use a private one "
                             "(dbus-run-session)\n");
        return 1;
    }

    QTemporaryDir dir;
    const QString feedPath = dir.filePath(QStringLiteral("feed.txt"));
    QFile feedFile(feedPath);
    if (!dir.isValid() || !feedFile.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write the feed in %s\n", qPrintable(dir.path()));
        return 1;
    }
    feedFile.write(generateFeed(kLogLines));
    feedFile.close();

    QString hostPath = qEnvironmentVariable("QUILLET_HOST_PROGRAM");
    if (hostPath.isEmpty()) {
        hostPath = QStringLiteral(QUILLET_HOST_PATH);
    }
    // The host records its program folder in the host's settings under
    // $XDG_CONFIG_HOME; a private one keeps the user's real settings untouched.
    QTemporaryDir configHome;
    if (!configHome.isValid()) {
        std::fprintf(stderr, "cannot make a temporary settings folder\n");
        return 1;
    }
    QProcess hostProgram;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    hostProgram.setProcessEnvironment(environment);
    hostProgram.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hostProgram.start(hostPath, {QStringLiteral("--empty")});
    const QDeadlineTimer deadline(10000);
    while (!serviceOnBus() && hostProgram.state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        QThread::msleep(20);
    }
    if (!serviceOnBus()) {
        std::fprintf(stderr, "the host %s did not come up\n", qPrintable(hostPath));
        return 1;
    }

    const QDBusMessage loaded = callHostControl(contract::kLoadFeedMethod, {feedPath});
    if (loaded.arguments().value(0).toInt() != kLogLines) {
        std::fprintf(stderr, "the host did not take the whole feed\n");
        return 1;
    }
    DBusHost host(QDBusConnection::sessionBus(), 30000);
    benchHost = &host;
    const Result<std::string> log = host.messageLog(kBulletinLogSelector);
    if (!log) {
        std::fprintf(stderr, "the log cannot be read: %s\n", log.error().c_str());
        return 1;
    }
    std::fprintf(stderr, "log: %d lines, %zu bytes\n", kLogLines, log->size());

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    callHostControl(contract::kQuitMethod);
    hostProgram.waitForFinished(5000);
    return 0;
}
