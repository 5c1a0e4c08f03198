#include "clock.h"

#include <ctime>

namespace quillet {

LocalDateTime SystemClock::now() const {
    // A busy log reads the clock once per new bulletin; the conversion to local time is
    // the costly part, so it is done once per second and thread.
    thread_local std::time_t lastSecond = -1;
    thread_local LocalDateTime lastLocal{};
    const std::time_t t = std::time(nullptr);
    if (t == lastSecond) {
        return lastLocal;
    }
    std::tm fields{};
    localtime_r(&t, &fields);
    lastSecond = t;
    return lastLocal = makeLocalDateTime(
               fields.tm_year + 1900, static_cast<unsigned>(fields.tm_mon + 1),
               static_cast<unsigned>(fields.tm_mday), fields.tm_hour, fields.tm_min, fields.tm_sec);
}

std::chrono::seconds SystemClock::utcOffset(LocalDateTime t) const {
    using namespace std::chrono;
    const year_month_day date{floor<days>(t)};
    const hh_mm_ss time{t - floor<days>(t)};
    std::tm fields{};
    fields.tm_year = static_cast<int>(date.year()) - 1900;
    fields.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    fields.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    fields.tm_hour = static_cast<int>(time.hours().count());
    fields.tm_min = static_cast<int>(time.minutes().count());
    fields.tm_sec = static_cast<int>(time.seconds().count());
    fields.tm_isdst = -1; // the zone's rules say whether summer time applies then
    const std::time_t instant = std::mktime(&fields);
    std::tm local{};
    if (instant == static_cast<std::time_t>(-1) || localtime_r(&instant, &local) == nullptr) {
        return seconds{0};
    }
    return seconds{local.tm_gmtoff};
}

LocalDateTime makeLocalDateTime(int year, unsigned month, unsigned day, int hour, int minute,
                                int second) {
    using namespace std::chrono;
    return local_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}} +
           hours{hour} + minutes{minute} + seconds{second};
}

} // namespace quillet
