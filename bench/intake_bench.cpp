// One refresh of the bulletin table from the host's log: intake, order and the
// received-bulletin rows, for a short log and for the largest one the host keeps.
// Run: build/bench/quillet_intake_bench
#include "bulletins/bulletin_list.h"
#include "bulletins/bulletin_store.h"
#include "bulletins/date_time_formatter.h"
#include "log_generator.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quillet;

class LogText final : public MessageLogSource {
public:
    explicit LogText(std::string text) : m_text(std::move(text)) {}
    Result<std::string> messageLog(int) override { return m_text; }

private:
    std::string m_text;
};

// The argument is the number of log lines: 200 for a quiet station, 32,767 (about 3 MB) for
// the largest log the host keeps.
void refreshFromLog(benchmark::State& state) {
    LogText log(bench::toMessageLog(bench::generateBulletins(static_cast<int>(state.range(0)))));
    const SystemClock clock;
    const IsoDateTimeFormatter formatter;
    BulletinStore store(clock); // kept across iterations, as the window keeps its table
    for (auto _ : state) {
        (void)store.readMessageLog(log);
        store.sortBulletins();
        auto rows = showBulletins(store.bulletins(), "ALL", formatter);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["log_bytes"] = static_cast<double>(log.messageLog(kBulletinLogSelector)->size());
}
BENCHMARK(refreshFromLog)
    ->Arg(200)
    ->Arg(32767)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// A quiet station's log with one line of 10 MB, as only a damaged or forged log holds: the
// table keeps the text, its row shows the start of it.
void refreshWithHugeLine(benchmark::State& state) {
    LogText log(bench::toMessageLog(bench::generateBulletins(200)) +
                "VK2RT\xB3"
                "BLN3\xB3" +
                std::string(10 << 20, 'x') + "\r\n");
    const SystemClock clock;
    const IsoDateTimeFormatter formatter;
    BulletinStore store(clock);
    for (auto _ : state) {
        (void)store.readMessageLog(log);
        store.sortBulletins();
        auto rows = showBulletins(store.bulletins(), "ALL", formatter);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(refreshWithHugeLine)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The same log read into an empty table each time (first refresh after start-up).
void firstRefreshFromFullLog(benchmark::State& state) {
    LogText log(bench::toMessageLog(bench::generateBulletins(32767)));
    const SystemClock clock;
    const IsoDateTimeFormatter formatter;
    for (auto _ : state) {
        BulletinStore store(clock);
        (void)store.readMessageLog(log);
        store.sortBulletins();
        auto rows = showBulletins(store.bulletins(), "ALL", formatter);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(firstRefreshFromFullLog)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
