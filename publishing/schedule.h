#pragma once

#include "settings/settings.h"

#include <cstdint>

namespace quillet {

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
