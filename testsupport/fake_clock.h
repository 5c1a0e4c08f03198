#pragma once

#include "bulletins/clock.h"

namespace quillet {

// A clock that stands still until a test moves it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(LocalDateTime start = makeLocalDateTime(2026, 12, 6, 12, 0, 0))
        : m_now(start) {}

    LocalDateTime now() const override { return m_now; }
    std::chrono::seconds utcOffset(LocalDateTime) const override { return m_offset; }
    void setUtcOffset(std::chrono::seconds offset) { m_offset = offset; }
    std::chrono::steady_clock::time_point steadyNow() const override {
        return std::chrono::steady_clock::time_point{} + (m_now - LocalDateTime{});
    }
    void set(LocalDateTime t) { m_now = t; }
    void advance(std::chrono::seconds by) { m_now += by; }

private:
    LocalDateTime m_now;
    std::chrono::seconds m_offset{3600};
};

} // namespace quillet
