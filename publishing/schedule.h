#pragma once

#include "settings/settings.h"

#include <cstdint>
#include <string_view>

namespace quillet {

inline constexpr std::int16_t kDefaultWebpageUpdateMinutes = 10;

// The minutes between publishing runs from the settings text: blanks around the number are
// ignored and a fraction goes to the nearest whole number, a half to the even neighbour
// ("2.5" is 2, "3.5" is 4). Text that is empty, not a decimal number or outside the 16-bit
// range gives the default of 10 minutes, so a mistyped setting still publishes regularly.
// Zero and negative numbers are kept: they publish at every tick.
std::int16_t webpageUpdateMinutes(std::string_view text);

// The count of the once-a-minute publishing tick (Timer60Sec).
class PublishingSchedule {
public:
    // One tick: counts it and tells whether a publishing run is due now, resetting the
    // count when it is. The setting is read at every tick, so a change counts at the next.
    // The switches are not looked at here: the run itself returns at once when both are
    // off, and the count goes on regardless.
    bool tick(const Settings& settings);

    std::int16_t minuteCount() const { return m_minuteCount; }

private:
    std::int16_t m_minuteCount = 0;
};

} // namespace quillet
