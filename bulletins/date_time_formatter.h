#pragma once

#include "clock.h"

#include <string>

namespace quillet {

// Turns a local date-time into the text the station's locale uses: short date, a blank,
// the time with seconds. The application supplies the locale-aware one; the core only
// ever formats through this.
class DateTimeFormatter {
public:
    virtual ~DateTimeFormatter() = default;
    virtual std::string format(LocalDateTime t) const = 0;
};

// A locale-free formatter ("2026-12-06 09:05:00") for tests, benchmarks and tools.
class IsoDateTimeFormatter final : public DateTimeFormatter {
public:
    std::string format(LocalDateTime t) const override;
};

} // namespace quillet
