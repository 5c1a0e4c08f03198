// One refresh of the bulletin table from a full-size host log: intake, order and the
// received-bulletin rows. Run: build/bench/quillet_intake_bench
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
    std::string messageLog(int) override { return m_text; }

private:
    std::string m_text;
};

// The largest log the host keeps: 32,767 lines, about 3 MB.
void refreshFromFullLog(benchmark::State& state) {
    LogText log(bench::toMessageLog(bench::generateBulletins(32767)));
    const SystemClock clock;
    const IsoDateTimeFormatter formatter;
    BulletinStore store(clock); // kept across iterations, as the window keeps its table
    for (auto _ : state) {
        store.readMessageLog(log);
        store.sortBulletins();
        auto rows = showBulletins(store.bulletins(), "ALL", formatter);
        benchmark::DoNotOptimize(rows);
    }
    state.counters["log_bytes"] = static_cast<double>(log.messageLog(2).size());
}
BENCHMARK(refreshFromFullLog)
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
        store.readMessageLog(log);
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
