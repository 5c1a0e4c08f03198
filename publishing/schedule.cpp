#include "publishing/schedule.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace quillet {

std::int16_t webpageUpdateMinutes(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return kDefaultWebpageUpdateMinutes;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Plain decimals only: digits with an optional fraction; no exponent, no "inf".
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos) {
        return kDefaultWebpageUpdateMinutes;
    }
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size()) {
        return kDefaultWebpageUpdateMinutes;
    }
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double rounded = std::nearbyint(negative ? -value : value);
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max()) {
        return kDefaultWebpageUpdateMinutes;
    }
    return static_cast<std::int16_t>(rounded);
}

bool PublishingSchedule::tick(const Settings& settings) {
    ++m_minuteCount;
    if (m_minuteCount >= webpageUpdateMinutes(settings.webpageUpdateEvery)) {
        m_minuteCount = 0;
        return true;
    }
    return false;
}

} // namespace quillet
