#include "tools/host/reconnect_policy.h"

#include <algorithm>
#include <utility>

namespace quillet::hostapp {

ReconnectPolicy::ReconnectPolicy(std::chrono::seconds silenceLimit)
    : m_silenceLimit(silenceLimit) {}

void ReconnectPolicy::connecting(SteadyTime now) {
    m_phase = Phase::Connecting;
    m_since = now;
}

void ReconnectPolicy::connected(SteadyTime now) {
    m_phase = Phase::Connected;
    m_since = now;
    m_reason.clear();
}

void ReconnectPolicy::heard(SteadyTime now) {
    m_since = now;
    m_delay = kFirstDelay;
}

void ReconnectPolicy::failed(SteadyTime now, std::string reason) {
    m_phase = Phase::Waiting;
    m_reason = std::move(reason);
    m_retryAt = now + m_delay;
    m_delay = std::min(m_delay * 2, kLongestDelay);
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

} // namespace quillet::hostapp
