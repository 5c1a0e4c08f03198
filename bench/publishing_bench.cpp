// Publishing: the time to build a page of 40 rows, and the processor share while a publishing
// run waits for its upload (about 1 MB to a local FTP server that takes it at 256 KiB/s).
// The wait must sleep in the transfer library, not spin: the target is at most 5 % of a core.
// Run: build/bench/quillet_publishing_bench
#include "bulletins/date_time_formatter.h"
#include "publishing/curl/curl_uploader.h"
#include "publishing/feed_writer.h"
#include "publishing/page_generator.h"
#include "publishing/webpage_publisher.h"
#include "testsupport/fake_clock.h"
#include "testsupport/ftp_test_servers.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace {

using namespace quillet;

// A fresh directory, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "quillet-bench-XXXXXX");
        m_path = ::mkdtemp(name.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bulletin bulletin(std::string callsign, std::string addressee, std::string text,
                  LocalDateTime received) {
    return Bulletin{.callsign = std::move(callsign),
                    .addressee = std::move(addressee),
                    .groupCode = {},
                    .text = std::move(text),
                    .received = received,
                    .inUse = true,
                    .isRead = false};
}

BulletinTable fullTable() {
    BulletinTable table{};
    for (int i = 0; i < kSlotCount; ++i) {
        table[i] = bulletin("STATION" + std::to_string(i) + "-9", "BLN" + std::to_string(i % 9 + 1),
                            "Net tonight 20:00 on 145.500 <FM> & \"all\" welcome, ref " +
                                std::to_string(i),
                            makeLocalDateTime(2026, 12, 6, i % 24, i, 0));
    }
    return table;
}

std::string shippedTemplate() {
    return readBytes(std::filesystem::path(QUILLET_PAGE_SOURCE_DIR) / "quillet.template");
}

void renderPage40Rows(benchmark::State& state) {
    const BulletinTable table = fullTable();
    const std::string templateText = shippedTemplate();
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    const PageDateText dateText(formatter);
    const PageInput input{.bulletins = table,
                          .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                          .version = "V1.0.6",
                          .pageName = "index.htm"};
    std::string page;
    for (auto _ : state) {
        static_cast<void>(renderPage(templateText, input, clock, dateText, page));
        benchmark::DoNotOptimize(page.data());
    }
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(renderPage40Rows)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One run's documents for a full table: the page from the shipped template and both feeds.
void pageAndFeeds40Rows(benchmark::State& state) {
    const BulletinTable table = fullTable();
    const std::string templateText = shippedTemplate();
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    const PageDateText dateText(formatter);
    const PageInput input{.bulletins = table,
                          .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                          .version = "V1.0.6",
                          .pageName = "index.htm"};
    const FeedInput feeds{.bulletins = table,
                          .station = "N0CALL",
                          .version = "V1.0.6",
                          .generated = clock.now(),
                          .pageName = "index.htm",
                          .pageUrl = "https://example.org/aprs/index.htm"};
    std::string page;
    std::size_t bytes = 0;
    for (auto _ : state) {
        static_cast<void>(renderPage(templateText, input, clock, dateText, page));
        const std::string atom = atomFeed(feeds, clock);
        const std::string json = jsonFeed(feeds, clock);
        bytes = page.size() + atom.size() + json.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(pageAndFeeds40Rows)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The same, read from the template file and written to quillet.htm, forced to disk.
void generateWebpage40Rows(benchmark::State& state) {
    TempDir dir;
    writeBytes(dir / "quillet.template", shippedTemplate());
    const BulletinTable table = fullTable();
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    const PageDateText dateText(formatter);
    const PageInput input{.bulletins = table,
                          .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                          .version = "V1.0.6",
                          .pageName = "index.htm"};
    for (auto _ : state) {
        const Status generated = generateWebpage(dir.path(), input, clock, dateText);
        if (!generated) {
            state.SkipWithError(generated.error().c_str());
        }
    }
}
BENCHMARK(generateWebpage40Rows)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Processor time of the whole process, or of the calling thread alone.
double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// pyftpdlib whose data connections read at most 256 KiB/s, so the upload takes seconds.
constexpr const char* kThrottledServer = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
port, root, user, password = sys.argv[1:5]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm='elradfmwMT')
ThrottledDTPHandler.read_limit = 256 * 1024
ThrottledDTPHandler.write_limit = 256 * 1024
FTPHandler.authorizer = authorizer
FTPHandler.dtp_handler = ThrottledDTPHandler
FTPServer(('127.0.0.1', int(port)), FTPHandler).serve_forever()
)";

using testing::FtpServer;
using testing::pyftpdlibMissing;

void uploadWaitProcessorShare(benchmark::State& state) {
    if (const std::string missing = pyftpdlibMissing(); !missing.empty()) {
        state.SkipWithError(missing.c_str());
        return;
    }
    TempDir program;
    TempDir root;
    FtpServer server(root.path(), "op", "pw", kThrottledServer);
    // a template of about 1 MB
    std::string big;
    while (big.size() < 1'000'000) {
        big += "<p>Line of the page with some text in it, repeated to make it large.</p>\r\n";
    }
    writeBytes(program / "quillet.template", big + "$RAWDATA\r\n");
    writeBytes(program / "quillet.js1", "function go(c) {}\r\n");
    const BulletinTable table = fullTable();
    FakeClock clock;
    IsoDateTimeFormatter formatter;
    CurlUploader uploader;
    std::string lastStatus;
    WebpagePublisher publisher(uploader, clock, formatter,
                               [&](const std::string& text) { lastStatus = text; });
    Settings settings = settingDefaults();
    settings.ftpEnabled = true;
    settings.ftpHost = server.host();
    settings.ftpUserName = "op";
    settings.ftpPassword = "pw";
    settings.htmlFileName = "index.htm";
    const PublishInput input{.programDir = program.path(),
                             .settings = settings,
                             .bulletins = table,
                             .stationCallsign = [] { return std::optional<std::string>("N0CALL"); },
                             .version = "V1.0.6"};
    double wall = 0, processCpu = 0, threadCpu = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double process0 = cpuSeconds(RUSAGE_SELF);
        const double thread0 = cpuSeconds(RUSAGE_THREAD);
        publisher.webpageAction(input);
        threadCpu += cpuSeconds(RUSAGE_THREAD) - thread0;
        processCpu += cpuSeconds(RUSAGE_SELF) - process0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!lastStatus.empty()) {
            state.SkipWithError(lastStatus.c_str());
            return;
        }
    }
    state.counters["wall_s"] = wall / static_cast<double>(state.iterations());
    // the whole process, and the thread that uploads
    state.counters["cpu_share_process_pct"] = 100.0 * processCpu / wall;
    state.counters["cpu_share_uploading_thread_pct"] = 100.0 * threadCpu / wall;
}
BENCHMARK(uploadWaitProcessorShare)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
