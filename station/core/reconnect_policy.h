#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

namespace quillet::station {

using SteadyTime = std::chrono::steady_clock::time_point;

// How long a link waits before it tries again. Servers block clients that reconnect at once,
// over and over: the wait grows after every drop, however the connection ended.
struct Backoff {
    std::chrono::seconds first{5};
    std::chrono::seconds longest{300};
    // A connection that stayed up this long was a working link: after it ends, the wait starts
    // again from `first`.
    std::chrono::seconds steady{120};
    // Each wait is lengthened at random by up to this share of it, so that hosts dropped by
    // the same server at once do not all come back at once.
    double jitter = 0.2;
};

// When a link connects, gives up and tries again. Plain logic: the caller says what happened
// and when, and asks what to do next, so that tests can drive it with their own times.
//
// A failed or lost connection is tried again after `first`, then twice as long after each
// further drop up to `longest`; a connection that stayed up `steady` starts again from
// `first`. A connection that stays silent longer than the silence limit (when there is one) is
// dropped, and so is one whose peer has not answered the greeting within the answer limit
// (when there is one), and an attempt that takes longer than 30 s.
class ReconnectPolicy {
public:
    enum class Phase { Idle, Connecting, Connected, Waiting };
    enum class Action { None, Connect, Drop };

    static constexpr std::chrono::seconds kConnectTimeout{30};

    explicit ReconnectPolicy(std::chrono::seconds silenceLimit = std::chrono::seconds::zero(),
                             std::chrono::seconds answerLimit = std::chrono::seconds::zero(),
                             Backoff backoff = {}, std::uint32_t seed = std::random_device()());

    void connecting(SteadyTime now);
    void connected(SteadyTime now);
    void heard(SteadyTime now);
    // The peer answered the greeting: the answer limit no longer applies.
    void answered() { m_answered = true; }
    // The connection failed or was lost; `reason` is shown until the next attempt.
    void failed(SteadyTime now, std::string reason);

    // What the link must do now: open a connection, drop a silent one, or nothing.
    Action poll(SteadyTime now);

    Phase phase() const { return m_phase; }
    const std::string& reason() const { return m_reason; }
    // Whole seconds until the next attempt while waiting, rounded up.
    long long secondsToRetry(SteadyTime now) const;

private:
    std::chrono::seconds m_silenceLimit;
    std::chrono::seconds m_answerLimit;
    Backoff m_backoff;
    std::minstd_rand m_random;
    Phase m_phase = Phase::Idle;
    std::chrono::seconds m_step; // the wait after the next drop, before its jitter
    SteadyTime m_since{};        // when the current phase began, or the last data arrived
    SteadyTime m_connectedAt{};  // when the current connection came up
    bool m_answered = false;
    SteadyTime m_retryAt{};
    std::string m_reason;
};

} // namespace quillet::station
