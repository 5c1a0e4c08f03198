#pragma once

#include <chrono>
#include <string>

namespace quillet::hostapp {

using SteadyTime = std::chrono::steady_clock::time_point;

// When a link connects, gives up and tries again. Plain logic: the caller says what happened
// and when, and asks what to do next, so that tests can drive it with their own times.
//
// A failed or lost connection is tried again after 1 s, then 2, 4, ... up to 60 s between
// attempts. The wait starts again at 1 s once a connection has brought data, so a peer that
// accepts and closes at once is not hammered. A connection that stays silent longer than the
// silence limit (when there is one) is dropped; so is an attempt that takes longer than 30 s.
class ReconnectPolicy {
public:
    enum class Phase { Idle, Connecting, Connected, Waiting };
    enum class Action { None, Connect, Drop };

    static constexpr std::chrono::seconds kFirstDelay{1};
    static constexpr std::chrono::seconds kLongestDelay{60};
    static constexpr std::chrono::seconds kConnectTimeout{30};

    explicit ReconnectPolicy(std::chrono::seconds silenceLimit = std::chrono::seconds::zero());

    void connecting(SteadyTime now);
    void connected(SteadyTime now);
    void heard(SteadyTime now);
    // The connection failed or was lost; `reason` is shown until the next attempt.
    void failed(SteadyTime now, std::string reason);

    // What the link must do now: open a connection, drop a silent one, or nothing.
    Action poll(SteadyTime now);

    Phase phase() const { return m_phase; }
    const std::string& reason() const { return m_reason; }
    // Whole seconds until the next attempt while waiting, rounded up.
    long long secondsToRetry(SteadyTime now) const;
    std::chrono::seconds nextDelay() const { return m_delay; }

private:
    std::chrono::seconds m_silenceLimit;
    Phase m_phase = Phase::Idle;
    std::chrono::seconds m_delay = kFirstDelay;
    SteadyTime m_since{}; // when the current phase began, or the last data arrived
    SteadyTime m_retryAt{};
    std::string m_reason;
};

} // namespace quillet::hostapp
