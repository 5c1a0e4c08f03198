// TNC2 lines as an APRS-IS full feed delivers them: positions, weather, objects, messages and
// bulletins, with q-constructs and server names in the path, some third-party packets.
// Run: build/bench/quillet_aprs_bench
#include "aprs/message.h"
#include "aprs/third_party.h"
#include "aprs/tnc2.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace quillet::aprs;

std::vector<std::string> feedLines(int count) {
    const char* calls[] = {"N0CALL",   "DL1ABC-9", "OH2XYZ-15", "VK2TDS-7", "W1AW",
                           "G4ABC-10", "JA1XYZ-3", "PY2ABC",    "ZS6XYZ-1", "KC2QLT-12"};
    const char* paths[] = {",WIDE1-1,WIDE2-1,qAR,DB0ABC-10",
                           ",TCPIP*,qAC,T2FINLAND",
                           ",WIDE2-1,qAO,KD2XYZ-10",
                           ",qAS,K4ABC",
                           ",DIGI1*,WIDE2*,qAR,OH7RDA",
                           ",TCPIP*,qAI,K5PTH,T2HUB1,200106F8020204020000000000000002,T2FINLAND",
                           ""};
    const char* infos[] = {
        "!5021.55N/00711.22E#PHG5130 Digipeater and IGate",
        "=4903.50N/07201.75W-Test 001234 on 144.390",
        "@092345z4903.50N/07201.75W_220/004g005t077r000p000P000h50b09900wRSW",
        ":BLN1     :Net tonight 20:00 local on the club repeater{12",
        ":BLNA     :Hamfest Saturday, doors open 08:00",
        ":N0CALL-9 :Are you on the air?{A3",
        ":N0CALL-9 :ack A3",
        ";LEADER   *092345z4903.50N/07201.75W>088/036",
        "`(_fn\"Oj/]\"4-}=",
        "}KB1XYZ>APRS,TCPIP,N0CALL*::BLN3EMCOM:Drill on Sunday",
        ">Monitoring 145.825 MHz",
    };
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(std::string(calls[i % 10]) + ">APRS" + paths[i % 7] + ':' + infos[i % 11] +
                        "\r\n");
    }
    return lines;
}

void parseTnc2Lines(benchmark::State& state) {
    const auto lines = feedLines(1000);
    for (auto _ : state) {
        for (const auto& line : lines) {
            auto packet = parseTnc2(line);
            benchmark::DoNotOptimize(packet);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(parseTnc2Lines)->Repetitions(5)->ReportAggregatesOnly(true);

// What the host does with every line: parse, unwrap third-party, look for a message.
void parseLinesToMessages(benchmark::State& state) {
    const auto lines = feedLines(1000);
    for (auto _ : state) {
        for (const auto& line : lines) {
            auto packet = parseTnc2(line);
            if (packet) {
                auto inner = unwrapThirdParty(*packet);
                if (inner) {
                    auto message = parseMessage(inner->info);
                    benchmark::DoNotOptimize(message);
                }
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(parseLinesToMessages)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
