#pragma once

#include "base/result.h"
#include "hostlink/host.h"

#include <memory>
#include <string>

namespace quillet {

// What one refresh fetched from the host.
struct HostReading {
    LogLines log;             // the message log, whole or after the position asked for
    std::string callsign;     // the station's callsign, as the host tells it now
    bool reconnected = false; // the host answers again after a call that failed
    bool direct = false;      // the host offers its own interface (HostLink::sendBulletin)
};

// The program's link to the host: every call, the line a failed call leaves for the status
// line, and picking the host up again after it went away. The map object is fetched once and
// kept while the host lives; after any failed call it is fetched afresh at the next refresh,
// since a restarted host has a new one.
//
// Host calls may take seconds, so the link is used from one worker at a time, never from
// the window's thread.
class HostLink {
public:
    explicit HostLink(Host& host) : m_host(host) {}

    // The map (when there is none), the whole message log and the station callsign, in that
    // order; then whether the host offers its own interface, which a host is asked once.
    Result<HostReading> refresh();
    // The same with only the log's lines after `held`, from a host that can tell them apart.
    Result<HostReading> refresh(const LogPosition& held);
    Result<std::string> stationCallsign();
    // The path of the map the host shows, with its extension.
    Result<std::string> mapFileName();
    // A bulletin sent through the host's own interface, when the last refresh found it.
    Result<DirectSend> sendBulletin(const std::string& addressee, int port, const std::string& path,
                                    const std::string& text);

private:
    // Passes the result on; a failure marks the host lost and drops the map.
    template <typename T> Result<T> noted(Result<T> result);
    Status fetchMap();
    template <typename ReadLog> Result<HostReading> refreshWith(ReadLog readLog);

    Host& m_host;
    std::unique_ptr<HostMap> m_map;
    bool m_lost = false; // the last call failed
};

} // namespace quillet
