#include "hostlink/host_link.h"

#include <utility>

namespace quillet {

template <typename T> Result<T> HostLink::noted(Result<T> result) {
    if (!result) {
        m_lost = true;
        m_map.reset();
    }
    return result;
}

Status HostLink::fetchMap() {
    if (m_map) {
        return {};
    }
    Result<std::unique_ptr<HostMap>> map = noted(m_host.currentMap());
    if (!map) {
        return fail(map.error());
    }
    m_map = std::move(map).value();
    return {};
}

Result<HostReading> HostLink::refresh() {
    return refreshWith([this]() -> Result<LogLines> {
        Result<std::string> log = m_host.messageLog(kBulletinLogSelector);
        if (!log) {
            return fail(log.error());
        }
        return LogLines{{}, 0, std::move(log).value()};
    });
}

Result<HostReading> HostLink::refresh(const LogPosition& held) {
    return refreshWith([this, &held] { return m_host.messageLogAfter(held); });
}

template <typename ReadLog> Result<HostReading> HostLink::refreshWith(ReadLog readLog) {
    const bool wasLost = m_lost;
    if (const Status map = fetchMap(); !map) {
        return fail(map.error());
    }
    Result<LogLines> log = noted(readLog());
    if (!log) {
        return fail(log.error());
    }
    Result<std::string> callsign = noted(m_host.stationCallsign());
    if (!callsign) {
        return fail(callsign.error());
    }
    const Result<bool> direct = noted(m_host.offersDirectSend());
    if (!direct) {
        return fail(direct.error());
    }
    m_lost = false;
    HostReading reading;
    reading.log = std::move(log).value();
    reading.callsign = std::move(callsign).value();
    reading.direct = *direct;
    reading.reconnected = wasLost;
    return reading;
}

Result<std::string> HostLink::stationCallsign() {
    return noted(m_host.stationCallsign());
}

Result<std::string> HostLink::mapFileName() {
    if (const Status map = fetchMap(); !map) {
        return fail(map.error());
    }
    return noted(m_map->mapFileName());
}

Result<DirectSend> HostLink::sendBulletin(const std::string& addressee, int port,
                                          const std::string& path, const std::string& text) {
    return noted(m_host.sendBulletin(addressee, port, path, text));
}

} // namespace quillet
