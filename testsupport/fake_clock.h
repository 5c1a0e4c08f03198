#pragma once

#include "bulletins/clock.h"

namespace quillet {

// A clock that stands still until a test moves it, and counts how often it was read.
class FakeClock final : public Clock {
public:
    explicit FakeClock(LocalDateTime start = makeLocalDateTime(2026, 12, 6, 12, 0, 0))
        : m_now(start) {}

    LocalDateTime now() const override {
        ++m_reads;
        return m_now;
    }
    void set(LocalDateTime t) { m_now = t; }
    void advance(std::chrono::seconds by) { m_now += by; }
    int reads() const { return m_reads; }

private:
    LocalDateTime m_now;
    mutable int m_reads = 0;
};

} // namespace quillet
