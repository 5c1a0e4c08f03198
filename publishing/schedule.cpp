#include "publishing/schedule.h"

namespace quillet {

bool PublishingSchedule::tick(const Settings& settings) {
    ++m_minuteCount;
    if (m_minuteCount >= settings.webpageUpdateMinutes) {
        m_minuteCount = 0;
        return true;
    }
    return false;
}

} // namespace quillet
