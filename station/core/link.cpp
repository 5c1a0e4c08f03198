#include "station/core/link.h"

#include <utility>
#include <vector>

namespace quillet::station {

Link::Link(std::string name, std::string host, std::uint16_t port,
           std::unique_ptr<LinkConnection> connection, std::unique_ptr<LinkProtocol> protocol,
           Now now, Backoff backoff)
    : m_name(std::move(name)), m_host(std::move(host)), m_port(port),
      m_connection(std::move(connection)), m_protocol(std::move(protocol)), m_now(std::move(now)),
      m_policy(m_protocol->silenceLimit(), m_protocol->answerLimit(), backoff) {
    m_connection->setHandlers({[this] { connected(); },
                               [this](std::string_view bytes) { received(bytes); },
                               [this](const std::string& reason) { closed(reason); }});
}

void Link::tick() {
    const SteadyTime now = m_now();
    const auto phase = m_policy.phase();
    switch (m_policy.poll(now)) {
    case ReconnectPolicy::Action::Connect:
        m_policy.connecting(now);
        m_connection->open(m_host, m_port);
        changed();
        return;
    case ReconnectPolicy::Action::Drop:
        m_connection->close();
        if (m_events.problem) {
            m_events.problem(m_name + ": " + m_policy.reason());
        }
        changed();
        return;
    case ReconnectPolicy::Action::None:
        // The countdown in the state line moves on.
        if (phase == ReconnectPolicy::Phase::Waiting) {
            changed();
        }
        return;
    }
}

Status Link::transmit(const aprs::Packet& packet) {
    if (m_policy.phase() != ReconnectPolicy::Phase::Connected) {
        return fail(m_name + " is " + stateText());
    }
    Result<std::string> bytes = m_protocol->encode(packet);
    if (!bytes) {
        return fail(m_name + ": " + bytes.error());
    }
    if (const Status written = m_connection->write(*bytes); !written) {
        return fail(m_name + " could not take the packet: " + written.error());
    }
    return {};
}

std::string Link::stateText() const {
    switch (m_policy.phase()) {
    case ReconnectPolicy::Phase::Idle:
    case ReconnectPolicy::Phase::Connecting:
        return "connecting";
    case ReconnectPolicy::Phase::Connected:
        return m_protocol->connectedState();
    case ReconnectPolicy::Phase::Waiting:
        return "retrying in " + std::to_string(m_policy.secondsToRetry(m_now())) + " s (" +
               m_policy.reason() + ")";
    }
    return {};
}

void Link::connected() {
    m_policy.connected(m_now());
    const std::string greeting = m_protocol->start();
    if (!m_protocol->awaitingAnswer()) {
        m_policy.answered();
    }
    if (!greeting.empty()) {
        // A connection that cannot take it has closed, which its closed handler reports.
        (void)m_connection->write(greeting);
    }
    changed();
}

void Link::received(std::string_view bytes) {
    m_policy.heard(m_now());
    const std::string before = m_protocol->connectedState();
    std::vector<aprs::Packet> packets;
    std::vector<std::string> problems;
    m_protocol->receive(bytes, packets, problems);
    if (!m_protocol->awaitingAnswer()) {
        m_policy.answered();
    }
    for (const std::string& problem : problems) {
        if (m_events.problem) {
            m_events.problem(m_name + ": " + problem);
        }
    }
    for (const aprs::Packet& packet : packets) {
        if (m_events.heard) {
            m_events.heard(packet);
        }
    }
    if (m_protocol->connectedState() != before) {
        changed();
    }
}

void Link::closed(const std::string& reason) {
    m_policy.failed(m_now(), reason.empty() ? "closed" : reason);
    if (m_events.problem) {
        m_events.problem(m_name + ": " + m_policy.reason());
    }
    changed();
}

void Link::changed() {
    if (m_events.changed) {
        m_events.changed();
    }
}

std::string retryRule(const Backoff& backoff) {
    const auto span = [](std::chrono::seconds time) {
        return time.count() % 60 == 0 ? std::to_string(time.count() / 60) + " min"
                                      : std::to_string(time.count()) + " s";
    };
    return "After a link fails or drops it waits " + span(backoff.first) +
           " before trying again, twice as long after each further drop up to " +
           span(backoff.longest) + " (each wait lengthened at random by up to " +
           std::to_string(static_cast<int>(backoff.jitter * 100 + 0.5)) +
           " %); a link that stayed up " + span(backoff.steady) + " starts again from " +
           span(backoff.first) + ". An APRS-IS server that does not answer the login within " +
           span(AprsIsProtocol::kLoginAnswerLimit) + " is dropped and tried again the same way.";
}

} // namespace quillet::station
