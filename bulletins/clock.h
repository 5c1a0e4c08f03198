#pragma once

#include <chrono>

namespace quillet {

// Local wall-clock time to the second, without a time zone: the program only ever
// shows and compares the station's own local times.
using LocalDateTime = std::chrono::local_seconds;

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    // How far the local time `t` stands from UTC there, so that a time can be written with
    // its offset; summer time included.
    virtual std::chrono::seconds utcOffset(LocalDateTime t) const = 0;
    // A time that only ever goes forward, whatever is done to the wall clock, for measuring
    // waits: a change of summer time must not hold anything back for an hour.
    virtual std::chrono::steady_clock::time_point steadyNow() const = 0;
};

// Reads the system clock and converts it with the process's local time zone.
class SystemClock final : public Clock {
public:
    LocalDateTime now() const override;
    std::chrono::seconds utcOffset(LocalDateTime t) const override;
    std::chrono::steady_clock::time_point steadyNow() const override {
        return std::chrono::steady_clock::now();
    }
};

// Builds a local date-time from calendar fields; used by the clocks and by tests.
LocalDateTime makeLocalDateTime(int year, unsigned month, unsigned day, int hour = 0,
                                int minute = 0, int second = 0);

} // namespace quillet
