#include "proc_stats.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillet::bench;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ProcessorTicks, AddsUserAndSystemTimeWhateverTheCommandName) {
    // utime 250 and stime 31 are fields 14 and 15; the name holds blanks and parentheses.
    const std::string tail = " S 1 4242 4242 0 -1 4194560 1000 0 0 0 250 31 0 0 20 0 4 0 9\n";
    EXPECT_EQ(processorTicks("4242 (quillet)" + tail), 281u);
    EXPECT_EQ(processorTicks("4242 (Quillet [G4 SIM) x)" + tail), 281u);
    EXPECT_EQ(processorTicks("4242 ()" + tail), 281u);
}

TEST(ProcessorTicks, RefusesLinesItCannotRead) {
    EXPECT_FALSE(processorTicks(""));
    EXPECT_FALSE(processorTicks("4242 quillet S 1 4242 4242 0 -1 4194560 1000 0 0 0 250 31"));
    EXPECT_FALSE(processorTicks("4242 (quillet) S 1 4242 4242 0 -1 4194560 1000 0 0 0 250"));
    EXPECT_FALSE(processorTicks("4242 (quillet) S 1 4242 4242 0 -1 4194560 1000 0 0 0 x 31"));
}

TEST(ProcessorTicks, AgreesWithTheKernelsAccountForThisProcess) {
    // Burn some processor time so both counts are well above zero.
    volatile unsigned long sink = 0;
    rusage usage{};
    do {
        for (int i = 0; i < 1'000'000; ++i) {
            sink = sink + static_cast<unsigned long>(i);
        }
        getrusage(RUSAGE_SELF, &usage);
    } while (usage.ru_utime.tv_sec * 1000 + usage.ru_utime.tv_usec / 1000 < 100);

    const auto ticks = processorTicks(readFile("/proc/self/stat"));
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    ASSERT_TRUE(ticks);
    const double perTick = 1.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    const double seconds =
        static_cast<double>(after.ru_utime.tv_sec + after.ru_stime.tv_sec) +
        static_cast<double>(after.ru_utime.tv_usec + after.ru_stime.tv_usec) / 1e6;
    EXPECT_NEAR(static_cast<double>(*ticks) * perTick, seconds, 3 * perTick + 0.02);
}

TEST(ResidentKib, ReadsTheVmRssLine) {
    const std::string status = "Name:\tquillet\nVmHWM:\t   90000 kB\nVmRSS:\t   51234 kB\n"
                               "RssAnon:\t   20000 kB\n";
    EXPECT_EQ(residentKib(status), 51234u);
}

TEST(ResidentKib, RefusesAStatusWithoutAReadableLine) {
    // Kernel threads have no VmRSS line at all.
    EXPECT_FALSE(residentKib("Name:\tkthreadd\nState:\tS (sleeping)\n"));
    EXPECT_FALSE(residentKib("VmRSS:\t   51234\n"));
    EXPECT_FALSE(residentKib("VmRSS:\t   lots kB\n"));
}

TEST(ResidentKib, GrowsByWhatThisProcessTouches) {
    const auto before = residentKib(readFile("/proc/self/status"));
    std::vector<char> block(64u << 20);
    for (std::size_t i = 0; i < block.size(); i += 4096) {
        block[i] = 1;
    }
    const auto after = residentKib(readFile("/proc/self/status"));
    EXPECT_EQ(block[block.size() / 2], 1);
    ASSERT_TRUE(before);
    ASSERT_TRUE(after);
    EXPECT_GE(*after, *before + 60u * 1024u);
    EXPECT_LE(*after, *before + 80u * 1024u);
}

} // namespace
