// Quillet on quillet-host's own interface, measured end to end: Quillet's main window with its
// real work queues and D-Bus client, the host program on a private bus, and a scripted
// APRS-IS server that the host logs in to (verified, so a send goes out on it).
//  - sendOnDirectPath: from Enter in the Add Message window to the status line's "Sent:",
//    which comes once the host has answered, and it answers once it has logged the bulletin.
//    Target: 50 ms (the keystroke path takes about ten seconds).
//  - heardToShown: from the server writing a bulletin line to the host to Quillet's list
//    holding it. Target: 1 s at the median (the half-minute refresh alone: up to 30 s).
//  - heardToCopiedPage: from the server writing a bulletin line to the host until Quillet's
//    copy of the page in its copy folder holds it: the host's log change, the refresh, the
//    pause that gathers a burst into one run, and the run that writes the page and both feeds
//    and copies them. Target: 5 s.
// Each run starts with Quillet idle: no refresh under way or held back, no publishing run
// under way or waiting.
//
//     dbus-run-session -- env QT_QPA_PLATFORM=offscreen build/bench/quillet_direct_path_bench
#include "app/main_window.h"
#include "app/qt_work_queue.h"
#include "bulletins/clock.h"
#include "composing/add_message_window.h"
#include "hostlink/dbus_host.h"
#include "testsupport/fake_host_settings.h"
#include "testsupport/fake_keystroke_sender.h"
#include "testsupport/fake_send_pacer.h"
#include "testsupport/fake_uploader.h"
#include "testsupport/recording_message_boxes.h"
#include "testsupport/recording_notifier.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

using namespace quillet;

// Runs the event loop until the condition holds; false after the time limit.
bool waitUntil(const std::function<bool()>& condition, int limitMs = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(100);
    }
    return true;
}

// Quillet's main window over the real D-Bus client; keystrokes and uploads go to fakes, which
// the direct path never uses.
struct Quillet {
    QTemporaryDir dir;
    DBusHost host;
    FakeKeystrokeSender keys;
    FakeSendPacer pacer;
    SystemClock clock;
    IsoDateTimeFormatter formatter;
    FakeUploader uploader;
    FakeHostSettings hostSettings;
    RecordingMessageBoxes boxes;
    RecordingNotifier notifier;
    MainWindow window{{host, keys, pacer, clock, formatter, [] {}, dir.path(), uploader,
                       hostSettings, "quillet", boxes, notifier},
                      {std::make_unique<QtWorkQueue>(QStringLiteral("host")),
                       std::make_unique<QtWorkQueue>(QStringLiteral("send")),
                       std::make_unique<QtWorkQueue>(QStringLiteral("publish"))}};

    template <typename T> T* child(const char* name) {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    // No refresh under way, none held back by the one-a-second rest, no window open, no
    // publishing run under way or waiting.
    bool idle() {
        return !window.refreshPending() && !child<QTimer>("logChangeRest")->isActive() &&
               window.findChild<AddMessageWindow*>() == nullptr && !window.publishing() &&
               !window.publishWaiting();
    }
    QString web() const { return dir.filePath(QStringLiteral("web")); }
    // The page's template and script, and settings that copy the page into web() at once.
    bool preparePublishing() {
        QDir().mkpath(web());
        for (const char* name : {"quillet.template", "quillet.js1"}) {
            QFile::copy(QStringLiteral(QUILLET_PAGE_SOURCE_DIR "/") + name,
                        dir.filePath(QString::fromLatin1(name)));
        }
        QFile ini(dir.filePath(QStringLiteral("quillet.ini")));
        return ini.open(QIODevice::WriteOnly) &&
               ini.write("AUTO_COPY_ENABLED=TRUE\r\nHTML_FILENAME=index.htm\r\nCOPY_TO_DIRECTORY=" +
                         web().toUtf8() + "\r\n") > 0;
    }
    bool listHolds(const QString& ending) {
        return !child<QListWidget>("List1")->findItems(ending, Qt::MatchEndsWith).isEmpty();
    }
};

struct Running {
    Quillet* quillet = nullptr;
    QTcpSocket* server = nullptr; // the scripted server's end of the host's APRS-IS link
};
Running running;
int serial = 0; // makes every bulletin new

void sendOnDirectPath(benchmark::State& state) {
    Quillet& q = *running.quillet;
    for (auto _ : state) {
        if (!waitUntil([&] { return q.idle(); })) {
            state.SkipWithError("Quillet did not come to rest");
            return;
        }
        QTest::mouseClick(q.child<QPushButton>("Command2"), Qt::LeftButton);
        auto* message = q.window.findChild<AddMessageWindow*>();
        auto* text = message->findChild<QLineEdit*>(QStringLiteral("message"));
        message->findChild<QLineEdit*>(QStringLiteral("toStation"))->setText("BLN5");
        text->setText(QStringLiteral("Sent number %1").arg(++serial));
        const QString sent = QStringLiteral("Sent: <BLN5> ") + text->text();
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(text, Qt::Key_Return);
        if (!waitUntil([&] { return q.window.statusText() == sent; })) {
            state.SkipWithError(
                qPrintable(QStringLiteral("no \"Sent:\": ") + q.window.statusText()));
            return;
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(sendOnDirectPath)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void heardToShown(benchmark::State& state) {
    Quillet& q = *running.quillet;
    for (auto _ : state) {
        if (!waitUntil([&] { return q.idle(); })) {
            state.SkipWithError("Quillet did not come to rest");
            return;
        }
        const QString text = QStringLiteral("Heard number %1").arg(++serial);
        QElapsedTimer clock;
        clock.start();
        running.server->write("W1AW>APRS,TCPIP*,qAC,T2TEST::BLN2     :" + text.toUtf8() + "\r\n");
        running.server->flush();
        if (!waitUntil([&] { return q.listHolds(QStringLiteral("\tBLN2> ") + text); })) {
            state.SkipWithError("the heard bulletin never showed");
            return;
        }
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(heardToShown)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// A bulletin heard as heardToShown hears it, until the copied page holds it.
void heardToCopiedPage(benchmark::State& state) {
    Quillet& q = *running.quillet;
    for (auto _ : state) {
        if (!waitUntil([&] { return q.idle(); })) {
            state.SkipWithError("Quillet did not come to rest");
            return;
        }
        const QString text = QStringLiteral("Heard number %1").arg(++serial);
        QElapsedTimer clock;
        clock.start();
        running.server->write("W1AW>APRS,TCPIP*,qAC,T2TEST::BLN2     :" + text.toUtf8() + "\r\n");
        running.server->flush();
        QFile page(q.web() + QStringLiteral("/index.htm"));
        if (!waitUntil([&] {
                const bool holds =
                    page.open(QIODevice::ReadOnly) && page.readAll().contains(text.toUtf8());
                page.close();
                return holds;
            })) {
            state.SkipWithError("the copied page never held the heard bulletin");
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
               {QStringLiteral("--call"), QStringLiteral("N0CALL"), QStringLiteral("--passcode"),
                QStringLiteral("13023"), QStringLiteral("--aprs-is"),
                QStringLiteral("127.0.0.1:%1").arg(server.serverPort())});
    if (!server.waitForNewConnection(20000)) {
        std::fprintf(stderr, "%s did not connect\n", qPrintable(hostPath));
        return 1;
    }
    running.server = server.nextPendingConnection();
    running.server->write("# logresp N0CALL verified, server T2TEST\r\n");
    running.server->flush();
    // A server comments every 20 s or so; a silent one is dropped by the host after 60 s.
    QTimer comments;
    QObject::connect(&comments, &QTimer::timeout,
                     [] { running.server->write("# aprsc 2.1.10 T2TEST\r\n"); });
    comments.start(15000);

    auto quillet = std::make_unique<Quillet>();
    running.quillet = quillet.get();
    if (!quillet->preparePublishing()) {
        std::fprintf(stderr, "cannot write the page's files into %s\n",
                     qPrintable(quillet->dir.path()));
        return 1;
    }
    quillet->window.startUp();
    // The first refresh finds the host and its own interface.
    if (!waitUntil([&] {
            return !quillet->window.refreshPending() &&
                   quillet->window.windowTitle() == QStringLiteral("Quillet [N0CALL]");
        })) {
        std::fprintf(stderr, "Quillet did not reach the host: %s\n",
                     qPrintable(quillet->window.statusText()));
        return 1;
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!quillet->keys.calls().empty()) {
        std::fprintf(stderr, "keystrokes were typed: the direct path was not taken\n");
        return 1;
    }
    quillet.reset();
    host.terminate();
    host.waitForFinished(5000);
    return 0;
}
