#include "hostlink/host_link.h"

namespace quillet {

template <typename Call> auto HostLink::ask(Call call) -> Result<decltype(call())> {
    try {
        return call();
    } catch (const HostError& error) {
        m_lost = true;
        m_map.reset();
        return fail(error.what());
    }
}

Result<HostReading> HostLink::refresh() {
    const bool wasLost = m_lost;
    return ask([&] {
        if (!m_map) {
            m_map = m_host.currentMap();
        }
        HostReading reading;
        reading.log = m_host.messageLog(kBulletinLogSelector);
        reading.callsign = m_host.stationCallsign();
        reading.direct = m_host.offersDirectSend();
        m_lost = false;
        reading.reconnected = wasLost;
        return reading;
    });
}

Result<std::string> HostLink::stationCallsign() {
    return ask([&] { return m_host.stationCallsign(); });
}

Result<std::string> HostLink::mapFileName() {
    return ask([&] {
        if (!m_map) {
            m_map = m_host.currentMap();
        }
        return m_map->mapFileName();
    });
}

Result<DirectSend> HostLink::sendBulletin(const std::string& addressee, int port,
                                          const std::string& path, const std::string& text) {
    return ask([&] { return m_host.sendBulletin(addressee, port, path, text); });
}

} // namespace quillet
