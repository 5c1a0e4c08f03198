#include "publishing/schedule.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace quillet;

namespace {

// The ticks (1-based) at which a run is due, over `count` ticks.
std::vector<int> dueTicks(PublishingSchedule& schedule, const Settings& settings, int count) {
    std::vector<int> due;
    for (int tick = 1; tick <= count; ++tick) {
        if (schedule.tick(settings)) {
            due.push_back(tick);
        }
    }
    return due;
}

Settings every(const char* minutes) {
    Settings settings = settingDefaults();
    settings.webpageUpdateEvery = minutes;
    return settings;
}

TEST(UpdateMinutes, DecimalTextRoundsHalvesToEven) {
    const std::vector<std::pair<const char*, int>> cases{
        {"1", 1},    {"  15\t", 15}, {"+3", 3},  {"2.5", 2},       {"3.5", 4},        {"0.5", 0},
        {"2.51", 3}, {"-2.5", -2},   {"-7", -7}, {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, minutes] : cases) {
        EXPECT_EQ(webpageUpdateMinutes(text), minutes) << '"' << text << '"';
    }
}

TEST(UpdateMinutes, EmptyNonNumericAndOutOfRangeTextFallsBackToTen) {
    for (const char* text : {"", "   ", "ten", "10 minutes", "1e2", "0x10", "inf", "nan", ".", "-",
                             "3 4", "1,5", "32768", "32767.5", "-32769", "99999999999"}) {
        EXPECT_EQ(webpageUpdateMinutes(text), kDefaultWebpageUpdateMinutes) << '"' << text << '"';
    }
}

TEST(Schedule, RunsEveryGivenNumberOfTicks) {
    PublishingSchedule schedule;
    EXPECT_EQ(dueTicks(schedule, every("10"), 30), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(schedule.minuteCount(), 0);
    EXPECT_EQ(dueTicks(schedule, every("4"), 6), (std::vector<int>{4}));
    EXPECT_EQ(schedule.minuteCount(), 2);
    PublishingSchedule fraction; // the text counts as its conversion: 3.5 is four
    EXPECT_EQ(dueTicks(fraction, every("3.5"), 8), (std::vector<int>{4, 8}));
}

TEST(Schedule, OneZeroAndNegativeRunAtEveryTick) {
    for (const char* minutes : {"1", "0", "-3", "0.4"}) { // 0.4 rounds to none
        PublishingSchedule schedule;
        EXPECT_EQ(dueTicks(schedule, every(minutes), 3), (std::vector<int>{1, 2, 3})) << minutes;
        EXPECT_EQ(schedule.minuteCount(), 0);
    }
}

TEST(Schedule, ANewIntervalCountsFromTheNextTick) {
    PublishingSchedule schedule;
    EXPECT_TRUE(dueTicks(schedule, every("10"), 5).empty());
    EXPECT_TRUE(schedule.tick(every("3"))) << "six ticks counted reach three";
    EXPECT_EQ(dueTicks(schedule, every("3"), 3), (std::vector<int>{3}));
}

TEST(Schedule, TheCountGoesOnWithBothSwitchesOff) {
    Settings off = every("2");
    off.autoCopyEnabled = "FALSE";
    off.ftpEnabled = "FALSE";
    PublishingSchedule schedule;
    EXPECT_EQ(dueTicks(schedule, off, 4), (std::vector<int>{2, 4}));
    EXPECT_EQ(schedule.minuteCount(), 0);
}

} // namespace
