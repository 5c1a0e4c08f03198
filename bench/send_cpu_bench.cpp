// Processor time used by one send: the fixed keystroke sequence with its twenty half-second
// pauses (about ten seconds of wall time). The pauses must sleep, not spin.
// Run: build/bench/quillet_send_cpu_bench
#include "composing/message_sender.h"
#include "composing/sleeping_send_pacer.h"
#include "testsupport/fake_keystroke_sender.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

using namespace quillet;

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void oneSend(benchmark::State& state) {
    QTemporaryDir dir;
    QFile info(dir.filePath(QStringLiteral("demo.inf")));
    info.open(QIODevice::WriteOnly);
    info.write("Demo\r\n0,0\r\nNorth Sea\r\n");
    info.close();
    const std::string map = dir.filePath(QStringLiteral("demo.gif")).toStdString();
    FakeKeystrokeSender keys;
    SleepingSendPacer pacer([] { return false; });
    MessageSender sender(keys, pacer);
    for (auto _ : state) {
        const double before = processorSeconds();
        const Status status = sender.sendMessage(map, 0, "BLN", 1, "WIDE2-2", "Net tonight 20:00");
        const double used = processorSeconds() - before;
        state.SetIterationTime(used);
        state.counters["cpu_s"] = used;
        benchmark::DoNotOptimize(status.ok());
    }
}
BENCHMARK(oneSend)->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
