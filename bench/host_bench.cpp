// quillet-host measured: the cost of serving MessageLog with a full log of 32,767 lines, and
// the host's processor share while an APRS-IS server feeds it 500 lines a second.
//
// It starts quillet-host itself (found through $QUILLET_HOST, else where the build put it)
// and needs a session bus of its own:
//
//     dbus-run-session -- build/bench/quillet_host_bench

#include "bench/proc_stats.h"
#include "contract/host_bus.h"
#include "station/core/message_store.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

using namespace quillet;

constexpr int kLogLines = 32767;

std::string bulletinLine(int n) {
    return "G" + std::to_string(n % 9) + "AB" + static_cast<char>('A' + n % 26) +
           ">APRS,TCPIP*,qAC,T2TEST::BLN" + std::to_string(n % 10) +
           "     :Net tonight 20:00 on 144.800, all welcome, bulletin number " + std::to_string(n) +
           "\r\n";
}

// Host side, in the host's own code: a new bulletin arrives in a full log, and the next
// MessageLog needs the whole text again.
void messageLogAfterANewBulletin(benchmark::State& state) {
    station::MessageStore store;
    for (int n = 0; n < kLogLines; ++n) {
        store.add({"G4ABC", "BLN1", "Net tonight 20:00 on 144.800, number " + std::to_string(n)});
    }
    int next = kLogLines;
    for (auto _ : state) {
        store.add(
            {"G4ABC", "BLN1", "Net tonight 20:00 on 144.800, number " + std::to_string(next++)});
        const QString text = QString::fromStdString(store.text());
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(messageLogAfterANewBulletin)->Unit(benchmark::kMillisecond);

struct Running {
    QProcess* host = nullptr;
    QTcpSocket* link = nullptr;
};
Running running;

std::uint64_t hostTicks() {
    std::ifstream stat("/proc/" + std::to_string(running.host->processId()) + "/stat");
    std::string line;
    std::getline(stat, line);
    return bench::processorTicks(line).value_or(0);
}

QDBusMessage messageLogCall() {
    return QDBusMessage::createMethodCall(QString::fromLatin1(contract::kService),
                                          QString::fromLatin1(contract::kPath),
                                          QString::fromLatin1(contract::kInterface),
                                          QString::fromLatin1(contract::kMessageLogMethod))
           << kBulletinLogSelector;
}

// The running host answers MessageLog(2) with its full log: the bus round trip, an upper
// bound of the host's side.
void messageLogOverTheBus(benchmark::State& state) {
    const std::uint64_t before = hostTicks();
    for (auto _ : state) {
        const QDBusMessage reply =
            QDBusConnection::sessionBus().call(messageLogCall(), QDBus::Block, 30000);
        state.counters["lines"] = static_cast<double>(
            reply.arguments().value(0).toString().count(QStringLiteral("\r\n")));
    }
    // The host's own processor time per answer, from its clock ticks over all iterations.
    state.counters["host_cpu_ms"] = benchmark::Counter(
        1000.0 * static_cast<double>(hostTicks() - before) / sysconf(_SC_CLK_TCK),
        benchmark::Counter::kAvgIterations);
}
BENCHMARK(messageLogOverTheBus)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A full APRS-IS feed as a server sends it without a filter: mostly positions and weather,
// one line in five a bulletin sent again, one new bulletin a second, a comment now and then.
QByteArray feedLine(int n) {
    if (n % 100 == 0) {
        return "# aprsc 2.1.10 7 Dec 2026 12:00:00 GMT T2TEST 127.0.0.1:14580\r\n";
    }
    if (n % 500 == 1) {
        return QByteArray::fromStdString(bulletinLine(kLogLines + n));
    }
    if (n % 5 == 0) {
        return QByteArray::fromStdString(bulletinLine(n % 400));
    }
    return QStringLiteral("DL%1ABC-9>APRS,WIDE1-1,qAR,DB0XYZ:!5130.%2N/00730.00E>123/045/"
                          "A=000123 on the move\r\n")
        .arg(n % 10)
        .arg(n % 100, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

// 500 lines a second for 20 s; measures the host's processor time over the run (the kernel
// counts it in 10 ms ticks, so a longer run reads finer).
void processorShareAt500LinesPerSecond(benchmark::State& state) {
    for (auto _ : state) {
        const std::uint64_t before = hostTicks();
        QElapsedTimer clock;
        clock.start();
        int sent = 0;
        for (int tick = 1; tick <= 1000; ++tick) {
            QByteArray batch;
            for (int i = 0; i < 10; ++i, ++sent) {
                batch += feedLine(sent);
            }
            running.link->write(batch);
            running.link->flush();
            while (clock.elapsed() < tick * 20) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                QThread::msleep(2);
            }
        }
        const double seconds = clock.elapsed() / 1000.0;
        const double cpu = static_cast<double>(hostTicks() - before) / sysconf(_SC_CLK_TCK);
        state.SetIterationTime(seconds);
        state.counters["lines_per_s"] = sent / seconds;
        state.counters["host_cpu_percent"] = 100.0 * cpu / seconds;
    }
}
BENCHMARK(processorShareAt500LinesPerSecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "no session bus; run as: dbus-run-session -- %s\n", argv[0]);
        return 1;
    }
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QTemporaryDir home;
    QString hostPath = qEnvironmentVariable("QUILLET_HOST");
    if (hostPath.isEmpty()) {
        hostPath = QStringLiteral(QUILLET_HOST_PATH);
    }
    QProcess host;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    host.setProcessEnvironment(environment);
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(hostPath,
               {QStringLiteral("--call"), QStringLiteral("N0CALL"), QStringLiteral("--aprs-is"),
                QStringLiteral("127.0.0.1:%1").arg(server.serverPort())});
    if (!server.waitForNewConnection(20000)) {
        std::fprintf(stderr, "%s did not connect\n", qPrintable(hostPath));
        return 1;
    }
    running = {&host, server.nextPendingConnection()};
    running.link->write("# logresp N0CALL unverified, server T2TEST\r\n");
    for (int n = 0; n < kLogLines; ++n) {
        running.link->write(QByteArray::fromStdString(bulletinLine(kLogLines * 10 + n)));
    }
    running.link->flush();
    // Wait until the whole log is in.
    QElapsedTimer filling;
    filling.start();
    qsizetype lines = 0;
    while (lines < kLogLines && filling.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        running.link->waitForBytesWritten(100);
        const QDBusMessage reply =
            QDBusConnection::sessionBus().call(messageLogCall(), QDBus::Block, 30000);
        lines = reply.arguments().value(0).toString().count(QStringLiteral("\r\n"));
    }
    std::fprintf(stderr, "log of %lld lines filled in %.1f s\n", static_cast<long long>(lines),
                 filling.elapsed() / 1000.0);
    // The host stores a new log a moment after the last change: let that pass first.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    host.terminate();
    host.waitForFinished(5000);
    return 0;
}
