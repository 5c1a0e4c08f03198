#include "publishing/schedule.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(webpageUpdateMinutes("1"), 1);
    EXPECT_EQ(webpageUpdateMinutes("  15\t"), 15);
    EXPECT_EQ(webpageUpdateMinutes("+3"), 3);
    EXPECT_EQ(webpageUpdateMinutes("2.5"), 2);
    EXPECT_EQ(webpageUpdateMinutes("3.5"), 4);
    EXPECT_EQ(webpageUpdateMinutes("0.5"), 0);
    EXPECT_EQ(webpageUpdateMinutes("2.51"), 3);
    EXPECT_EQ(webpageUpdateMinutes("-2.5"), -2);
    EXPECT_EQ(webpageUpdateMinutes("0"), 0);
    EXPECT_EQ(webpageUpdateMinutes("-7"), -7);
    EXPECT_EQ(webpageUpdateMinutes("32767"), 32767);
    EXPECT_EQ(webpageUpdateMinutes("-32768"), -32768);
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
}

TEST(Schedule, OneZeroAndNegativeRunAtEveryTick) {
    for (const char* minutes : {"1", "0", "-3", "0.4"}) {
        PublishingSchedule schedule;
        EXPECT_EQ(dueTicks(schedule, every(minutes), 3), (std::vector<int>{1, 2, 3})) << minutes;
        EXPECT_EQ(schedule.minuteCount(), 0);
    }
}

TEST(Schedule, FractionsAndBadTextCountAsTheirConversion) {
    PublishingSchedule twoAndAHalf;
    EXPECT_EQ(dueTicks(twoAndAHalf, every("2.5"), 6), (std::vector<int>{2, 4, 6}));
    PublishingSchedule threeAndAHalf;
    EXPECT_EQ(dueTicks(threeAndAHalf, every("3.5"), 8), (std::vector<int>{4, 8}));
    PublishingSchedule notANumber;
    EXPECT_EQ(dueTicks(notANumber, every("soon"), 20), (std::vector<int>{10, 20}));
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
