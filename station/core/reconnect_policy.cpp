#include "station/core/reconnect_policy.h"

#include <algorithm>
#include <utility>

namespace quillet::station {

ReconnectPolicy::ReconnectPolicy(std::chrono::seconds silenceLimit,
                                 std::chrono::seconds answerLimit, Backoff backoff,
                                 std::uint32_t seed)
    : m_silenceLimit(silenceLimit), m_answerLimit(answerLimit), m_backoff(backoff), m_random(seed),
      m_step(backoff.first) {}

void ReconnectPolicy::connecting(SteadyTime now) {
    m_phase = Phase::Connecting;
    m_since = now;
}

void ReconnectPolicy::connected(SteadyTime now) {
    m_phase = Phase::Connected;
    m_since = now;
    m_connectedAt = now;
    m_answered = false;
    m_reason.clear();
}

void ReconnectPolicy::heard(SteadyTime now) {
    m_since = now;
}

void ReconnectPolicy::failed(SteadyTime now, std::string reason) {
    // Data alone does not reset the wait: a server that sends its banner and closes must not
    // be called again at once.
    if (m_phase == Phase::Connected && now - m_connectedAt >= m_backoff.steady) {
        m_step = m_backoff.first;
    }
    m_phase = Phase::Waiting;
    m_reason = std::move(reason);
    using std::chrono::milliseconds;
    const auto step = std::chrono::duration_cast<milliseconds>(m_step);
    const auto spread = static_cast<milliseconds::rep>(static_cast<double>(step.count()) *
                                                       std::max(m_backoff.jitter, 0.0));
    std::uniform_int_distribution<milliseconds::rep> extra(0, spread);
    m_retryAt = now + step + milliseconds(extra(m_random));
    m_step = std::min(m_step * 2, m_backoff.longest);
}

ReconnectPolicy::Action ReconnectPolicy::poll(SteadyTime now) {
    switch (m_phase) {
    case Phase::Idle:
        return Action::Connect;
    case Phase::Waiting:
        return now >= m_retryAt ? Action::Connect : Action::None;
    case Phase::Connecting:
        if (now - m_since >= kConnectTimeout) {
            failed(now, "no answer to the connection attempt");
            return Action::Drop;
        }
        return Action::None;
    case Phase::Connected:
        if (!m_answered && m_answerLimit > std::chrono::seconds::zero() &&
            now - m_connectedAt >= m_answerLimit) {
            failed(now,
                   "no answer to the login within " + std::to_string(m_answerLimit.count()) + " s");
            return Action::Drop;
        }
        if (m_silenceLimit > std::chrono::seconds::zero() && now - m_since >= m_silenceLimit) {
            failed(now, "silent for " + std::to_string(m_silenceLimit.count()) + " s");
            return Action::Drop;
        }
        return Action::None;
    }
    return Action::None;
}

long long ReconnectPolicy::secondsToRetry(SteadyTime now) const {
    if (m_phase != Phase::Waiting || now >= m_retryAt) {
        return 0;
    }
    const auto left = std::chrono::ceil<std::chrono::seconds>(m_retryAt - now);
    return left.count();
}

} // namespace quillet::station
