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

LocalDateTime makeLocalDateTime(int year, unsigned month, unsigned day, int hour, int minute,
                                int second) {
    using namespace std::chrono;
    return local_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}} +
           hours{hour} + minutes{minute} + seconds{second};
}

} // namespace quillet
