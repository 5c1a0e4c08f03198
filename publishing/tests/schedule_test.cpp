#include "publishing/schedule.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace quillet;

namespace {

TEST(UpdateMinutes, DecimalTextRoundsHalvesToEvenAndAnythingElseIsTen) {
    const std::vector<std::pair<const char*, int>> cases{
        {"1", 1},    {"  15\t", 15}, {"+3", 3},     {"2.5", 2},       {"3.5", 4},
        {"0.5", 0},  {"2.51", 3},    {"-2.5", -2},  {"32767", 32767}, {"-32768", -32768},
        {"", 10},    {"ten", 10},    {"1e2", 10},   {"0x10", 10},     {"nan", 10},
        {"3 4", 10}, {"1,5", 10},    {"32768", 10}, {"32767.5", 10},  {"-32769", 10}};
    for (const auto& [text, minutes] : cases) {
        EXPECT_EQ(webpageUpdateMinutes(text), minutes) << '"' << text << '"';
    }
}

// The ticks (1-based) at which a run is due, over `count` ticks, with a new interval
// taking effect at the next tick and the count going on whatever the switches say.
TEST(Schedule, RunsEveryGivenNumberOfTicks) {
    const struct {
        std::vector<std::pair<const char*, int>> phases; // interval, ticks
        std::vector<int> due;
    } cases[] = {
        {{{"10", 30}}, {10, 20, 30}},    {{{"3.5", 8}}, {4, 8}},
        {{{"1", 3}}, {1, 2, 3}},         {{{"0", 2}, {"-3", 1}, {"0.4", 1}}, {1, 2, 3, 4}},
        {{{"10", 5}, {"3", 4}}, {6, 9}}, // six ticks counted already reach three
    };
    for (const auto& c : cases) {
        PublishingSchedule schedule;
        std::vector<int> due;
        int tick = 0;
        for (const auto& [minutes, count] : c.phases) {
            Settings settings = settingDefaults();
            settings.webpageUpdateEvery = minutes;
            for (int i = 0; i < count; ++i) {
                if (schedule.tick(settings)) {
                    due.push_back(tick + 1);
                }
                ++tick;
            }
        }
        EXPECT_EQ(due, c.due) << c.phases.front().first;
    }
}

} // namespace
