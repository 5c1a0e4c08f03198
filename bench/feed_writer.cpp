// Writes a feed file for the host with the same busy log the intake benchmark
// reads, so that the running program can be measured against a host with a full log.
// Run: build/bench/quillet_bench_feed LINES FILE
#include "log_generator.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <string_view>

int main(int argc, char** argv) {
    int lines = 0;
    const std::string_view count = argc == 3 ? argv[1] : "";
    const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), lines);
    if (argc != 3 || error != std::errc() || end != count.data() + count.size() || lines < 1) {
        std::fprintf(stderr, "usage: %s LINES FILE\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << quillet::bench::toFeed(quillet::bench::generateBulletins(lines));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
