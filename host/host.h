#pragma once

#include "bulletins/message_log.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace quillet {

// A host call that did not come back: no host running, the host went away, or it did not
// answer in time. The message is meant for the status line.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The map the host currently shows.
class HostMap {
public:
    virtual ~HostMap() = default;
    // Path of the map file, with its extension, in Windows-1252.
    virtual std::string mapFileName() = 0;
};

// The host APRS client's automation object. Every call asks the host afresh and throws
// HostError when it fails; texts are Windows-1252.
class Host : public MessageLogSource {
public:
    virtual std::unique_ptr<HostMap> currentMap() = 0;
    virtual std::string stationCallsign() = 0;
    // std::string messageLog(int selector) comes from MessageLogSource.

    // The host's process, so that keystrokes go to a window of the host itself; 0 when it
    // is not known. Never throws.
    virtual std::int64_t processId() { return 0; }

    // Runs the handler (on the user-interface thread) when the host announces that it is
    // closing. One handler; a later call replaces it.
    virtual void setClosingHandler(std::function<void()> handler) = 0;
};

} // namespace quillet
