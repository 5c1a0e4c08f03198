#pragma once

#include "aprs/ax25.h"
#include "base/result.h"
#include "station/core/link_connection.h"
#include "station/core/link_protocol.h"
#include "station/core/reconnect_policy.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quillet::station {

// One link to a TNC or an APRS-IS server: keeps its connection up, hands on the packets it
// hears, sends what it is given, and says in one line how it is doing. Each link stands on its
// own: one that fails never holds up another.
class Link {
public:
    using Now = std::function<SteadyTime()>;
    struct Events {
        std::function<void(const aprs::Packet&)> heard;
        std::function<void(const std::string&)> problem;
        std::function<void()> changed; // the state line may read differently now
    };

    Link(std::string name, std::string host, std::uint16_t port,
         std::unique_ptr<LinkConnection> connection, std::unique_ptr<LinkProtocol> protocol,
         Now now, Backoff backoff = {});

    void setEvents(Events events) { m_events = std::move(events); }
    // Called about once a second: connects, retries and drops silent connections on time.
    void tick();
    // Sends the packet now, or says why this link cannot.
    Status transmit(const aprs::Packet& packet);

    const std::string& name() const { return m_name; }
    std::string address() const { return m_host + ":" + std::to_string(m_port); }
    // "connecting", "connected", "verified", "retrying in 4 s (Connection refused)".
    std::string stateText() const;

private:
    void connected();
    void received(std::string_view bytes);
    void closed(const std::string& reason);
    void changed();

    std::string m_name;
    std::string m_host;
    std::uint16_t m_port;
    std::unique_ptr<LinkConnection> m_connection;
    std::unique_ptr<LinkProtocol> m_protocol;
    Now m_now;
    ReconnectPolicy m_policy;
    Events m_events;
};

// How links wait after a drop, in a sentence for the window and --help.
std::string retryRule(const Backoff& backoff = {});

} // namespace quillet::station
