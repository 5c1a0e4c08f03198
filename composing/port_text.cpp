#include "port_text.h"

#include <cctype>

namespace quillet {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::int16_t> convertPort(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) {
        return std::nullopt;
    }
    long value = 0;
    for (const char c : whole) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > 100000) {
            return std::nullopt; // far outside the range already; stop before overflow
        }
    }
    for (const char c : fraction) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
    }
    // Rounding from the digits themselves, so that 2.5 is exactly half and not a binary
    // approximation of it.
    if (!fraction.empty() && fraction.front() >= '5') {
        const bool exactlyHalf =
            fraction.front() == '5' && fraction.find_first_not_of('0', 1) == std::string_view::npos;
        if (!exactlyHalf || value % 2 == 1) {
            ++value;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value < -32768 || value > 32767) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

} // namespace quillet
