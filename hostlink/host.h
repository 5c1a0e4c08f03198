#pragma once

#include "base/result.h"
#include "bulletins/message_log.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

// How a call that the host did not answer within its time limit fails. The call may still
// be under way at the host: a bulletin handed over that way may yet go out.
inline constexpr std::string_view kNoAnswer = "Host did not answer ";

// The map the host currently shows.
class HostMap {
public:
    virtual ~HostMap() = default;
    // Path of the map file, with its extension, in Windows-1252.
    virtual Result<std::string> mapFileName() = 0;
};

// What a host said to a bulletin sent through its own interface; the status is its own
// words (its reason when it refused), in Windows-1252.
struct DirectSend {
    bool sent = false;
    std::string status;
};

// The host APRS client's automation object. Every call asks the host afresh; a call that did
// not come back (no host running, the host went away, or it did not answer in time) fails
// with a line for the status line. Texts are Windows-1252.
class Host : public MessageLogSource {
public:
    virtual Result<std::unique_ptr<HostMap>> currentMap() = 0;
    virtual Result<std::string> stationCallsign() = 0;
    // Result<std::string> messageLog(int selector) comes from MessageLogSource.

    // The host's process, so that keystrokes go to a window of the host itself; 0 when it
    // is not known.
    virtual std::int64_t processId() { return 0; }

    // Runs the handler (on the user-interface thread) when the host announces that it is
    // closing. One handler; a later call replaces it.
    virtual void setClosingHandler(std::function<void()> handler) = 0;

    // A host of our own may offer more than the client's automation object: a bulletin
    // sent without keystrokes, and word when its log changes. Any other host offers neither,
    // which these defaults say.
    //
    // Whether this host offers it; asks the host when it is one not asked before.
    virtual Result<bool> offersDirectSend() { return false; }
    // Sends one bulletin through it.
    virtual Result<DirectSend> sendBulletin(const std::string& /*addressee*/, int /*port*/,
                                            const std::string& /*path*/,
                                            const std::string& /*text*/) {
        return fail("Host does not offer SendBulletin");
    }
    // Runs the handler (on the user-interface thread) whenever the host says that its log
    // changed. One handler; a later call replaces it, an empty one ends it.
    virtual void setLogChangedHandler(std::function<void()> /*handler*/) {}
};

} // namespace quillet
