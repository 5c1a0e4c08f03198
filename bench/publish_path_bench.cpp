// The page follows the board, measured end to end: a bulletin added to quillet-host (on a
// private bus) until Quillet's copy of the page in the copy folder holds it. That is the
// host's log change, Quillet's refresh, the pause that gathers a burst, and the run that
// writes the page and both feeds and copies them. Target: 5 s.
//
//     dbus-run-session -- env QT_QPA_PLATFORM=offscreen build/bench/quillet_publish_path_bench
#include "app/main_window.h"
#include "app/qt_work_queue.h"
#include "contract/host_bus.h"
#include "hostlink/dbus_host.h"
#include "testsupport/fake_host_settings.h"
#include "testsupport/fake_keystroke_sender.h"
#include "testsupport/fake_send_pacer.h"
#include "testsupport/fake_uploader.h"
#include "testsupport/recording_message_boxes.h"
#include "testsupport/recording_notifier.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>

namespace {

using namespace quillet;

bool waitUntil(const std::function<bool()>& condition, int limitMs = 20000) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(500);
    }
    return true;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Quillet {
    QTemporaryDir dir;
    DBusHost host{QDBusConnection::sessionBus(), 5000};
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    SystemClock clock;
    IsoDateTimeFormatter formatter;
    FakeUploader uploader;
    FakeHostSettings hostSettings;
    RecordingMessageBoxes boxes;
    RecordingNotifier notifier;
    std::unique_ptr<MainWindow> window;
    QString web() const { return dir.filePath(QStringLiteral("web")); }
};

Quillet* running = nullptr;
int serial = 0;

void heardToCopiedPage(benchmark::State& state) {
    for (auto _ : state) {
        // Each run starts with nothing waiting, so one run's pause does not hide in another's.
        if (!waitUntil([] {
                return !running->window->publishing() && !running->window->publishWaiting();
            })) {
            state.SkipWithError("Quillet did not come to rest");
            return;
        }
        const QString text = QStringLiteral("Heard number %1").arg(++serial);
        QElapsedTimer clock;
        clock.start();
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(contract::kService), QString::fromLatin1(contract::kPath),
            QString::fromLatin1(contract::kControlInterface),
            QString::fromLatin1(contract::kAddBulletinMethod));
        call.setArguments({QStringLiteral("W1AW"), QStringLiteral("BLN2"), text});
        QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
        if (!waitUntil(
                [&] { return fileBytes(running->web() + "/index.htm").contains(text.toUtf8()); })) {
            state.SkipWithError("the copied page never held the bulletin");
            return;
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(heardToCopiedPage)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "no session bus; run as: dbus-run-session -- %s\n", argv[0]);
        return 1;
    }
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
               {QStringLiteral("--call"), QStringLiteral("N0CALL"), QStringLiteral("--empty")});

    Quillet q;
    running = &q;
    QDir().mkpath(q.web());
    for (const char* name : {"quillet.template", "quillet.js1"}) {
        QFile::copy(QStringLiteral(QUILLET_PAGE_SOURCE_DIR "/") + name,
                    q.dir.filePath(QString::fromLatin1(name)));
    }
    QFile ini(q.dir.filePath(QStringLiteral("quillet.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("AUTO_COPY_ENABLED=TRUE\r\nHTML_FILENAME=index.htm\r\nCOPY_TO_DIRECTORY=" +
                  q.web().toUtf8() + "\r\n") < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ini.fileName()));
        return 1;
    }
    ini.close();
    q.window = std::make_unique<MainWindow>(
        MainWindow::Services{q.host, q.keys, q.pacer, q.clock, q.formatter, [] {}, q.dir.path(),
                             q.uploader, q.hostSettings, "quillet", q.boxes, q.notifier},
        MainWindow::Workers{std::make_unique<QtWorkQueue>(QStringLiteral("host")),
                            std::make_unique<QtWorkQueue>(QStringLiteral("send")),
                            std::make_unique<QtWorkQueue>(QStringLiteral("publish"))});
    const bool onBus = waitUntil([] {
        return QDBusConnection::sessionBus()
            .interface()
            ->isServiceRegistered(QString::fromLatin1(contract::kService))
            .value();
    });
    if (!onBus) {
        std::fprintf(stderr, "%s did not reach the bus in 20 s\n", qPrintable(hostPath));
        return 1;
    }
    q.window->startUp();
    if (!waitUntil([] {
            return !running->window->refreshPending() &&
                   running->window->windowTitle() == QStringLiteral("Quillet [N0CALL]");
        })) {
        std::fprintf(stderr, "Quillet did not reach the host: %s\n",
                     qPrintable(running->window->statusText()));
        return 1;
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    q.window.reset();
    host.terminate();
    host.waitForFinished(5000);
    return 0;
}
