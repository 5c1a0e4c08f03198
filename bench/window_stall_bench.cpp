// The longest the window's thread is held up while a refresh of the host's largest log, a
// send and a publishing run are under way, with a host that answers every call after 4 s.
// A 1 ms timer on the window's thread measures the largest gap between its ticks; the stall
// is that gap less the 1 ms it is due anyway. Target: at most one frame, 16 ms.
// Run: QT_QPA_PLATFORM=offscreen build/bench/quillet_window_stall_bench
#include "app/main_window.h"
#include "app/qt_work_queue.h"
#include "composing/sleeping_send_pacer.h"
#include "log_generator.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_host_settings.h"
#include "testsupport/fake_keystroke_sender.h"
#include "testsupport/fake_uploader.h"
#include "testsupport/recording_message_boxes.h"
#include "testsupport/recording_notifier.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace quillet;

// Every call answers after the delay, as a busy or swapping host would.
class SlowHost final : public Host {
public:
    std::atomic<int> delayMs = 0;
    std::string log; // set before the window starts

    Result<std::unique_ptr<HostMap>> currentMap() override {
        pause();
        return std::unique_ptr<HostMap>(std::make_unique<Map>(*this));
    }
    Result<std::string> messageLog(int) override {
        pause();
        return log;
    }
    Result<std::string> stationCallsign() override {
        pause();
        return std::string("G4SIM");
    }
    void setClosingHandler(std::function<void()>) override {}
    QString mapFile;

private:
    struct Map final : HostMap {
        explicit Map(SlowHost& owner) : m_owner(owner) {}
        Result<std::string> mapFileName() override {
            m_owner.pause();
            return m_owner.mapFile.toStdString();
        }
        SlowHost& m_owner;
    };
    void pause() const { std::this_thread::sleep_for(std::chrono::milliseconds(delayMs.load())); }
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// A window as the program builds it, with real work queues, over the slow host.
struct Station {
    QTemporaryDir dir;
    SlowHost host;
    FakeKeystrokeSender keys;
    SleepingSendPacer pacer{[] { return false; }}; // the real half-second pauses
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    FakeUploader uploader;
    FakeHostSettings hostSettings;
    RecordingMessageBoxes boxes;
    RecordingNotifier notifier;
    std::unique_ptr<MainWindow> window;

    Station() {
        host.log = bench::toMessageLog(bench::generateBulletins(32767));
        host.mapFile = dir.filePath(QStringLiteral("demo.gif"));
        writeFile(dir.filePath(QStringLiteral("demo.inf")), "Demo\r\n0,0\r\nNorth Sea\r\n");
        for (const char* name : {"quillet.template", "quillet.js1"}) {
            QFile::copy(QStringLiteral(QUILLET_PAGE_SOURCE_DIR "/") + name,
                        dir.filePath(QString::fromLatin1(name)));
        }
        writeFile(dir.filePath(QStringLiteral("quillet.ini")),
                  "AUTO_COPY_ENABLED=TRUE\r\nCOPY_TO_DIRECTORY=" + dir.path().toUtf8() +
                      "/web\r\nFTP_ENABLED=TRUE\r\n");
        QDir(dir.path()).mkdir(QStringLiteral("web"));
        window = std::make_unique<MainWindow>(
            MainWindow::Services{host, keys, pacer, clock, formatter, [] {}, dir.path(), uploader,
                                 hostSettings, "quillet", boxes, notifier},
            MainWindow::Workers{std::make_unique<QtWorkQueue>(QStringLiteral("host")),
                                std::make_unique<QtWorkQueue>(QStringLiteral("send")),
                                std::make_unique<QtWorkQueue>(QStringLiteral("publish"))});
        window->startUp();
        window->show();
        waitWhile([this] { return window->refreshPending(); });
        host.delayMs = 4000;
    }

    // Runs the event loop until `busy` turns false; returns the longest stall in ms.
    template <typename Busy> static double waitWhile(Busy busy) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = clock.nsecsElapsed();
        qint64 longest = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        probe.start();
        while (busy()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
        return std::max(0.0, static_cast<double>(longest) / 1e6 - 1.0);
    }
};

template <typename Start, typename Busy>
void measure(benchmark::State& state, Start start, Busy busy) {
    Station station;
    for (auto _ : state) {
        start(station);
        const double stall = Station::waitWhile([&] { return busy(station); });
        state.SetIterationTime(stall / 1000.0);
        state.counters["max_stall_ms"] = stall;
    }
}

// The same probe with nothing under way: how much of a stall the machine itself adds.
void idleForFourSeconds(benchmark::State& state) {
    QElapsedTimer elapsed;
    measure(
        state, [&](Station&) { elapsed.start(); },
        [&](Station&) { return elapsed.elapsed() < 4000; });
}
void refreshOfTheLargestLog(benchmark::State& state) {
    measure(
        state, [](Station& s) { s.window->refreshMessages(); },
        [](Station& s) { return s.window->refreshPending(); });
}
void oneSend(benchmark::State& state) {
    measure(
        state, [](Station& s) { s.window->sendMessage("BLN", 1, "WIDE2-2", "Net at 20:00", {}); },
        [](Station& s) { return s.window->sending(); });
}
void onePublishingRun(benchmark::State& state) {
    measure(
        state, [](Station& s) { s.window->webpageAction(); },
        [](Station& s) { return s.window->publishing(); });
}

BENCHMARK(idleForFourSeconds)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(refreshOfTheLargestLog)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(oneSend)->UseManualTime()->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);
BENCHMARK(onePublishingRun)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
