#pragma once

#include "station/core/reconnect_policy.h"

#include <chrono>
#include <string>
#include <vector>

namespace quillet::station {

// One of the station's own bulletins as it goes out again: where and what.
struct OwnBulletin {
    std::string addressee;
    std::string text;
    std::string path; // the digipeater path as typed, "" for none
    int port = 0;     // the message form's port
    bool operator==(const OwnBulletin&) const = default;
};

// Sends the station's own bulletins again at a decaying rate, as APRS stations do, so that
// stations that missed the first one (a collision, a station switched on later) still hear it
// without the channel filling up:
// - bulletins (BLN0-BLN9 and group bulletins): 1, 2, 4 and 8 minutes after the previous
//   sending, then every 20 minutes, until 4 hours after the first sending;
// - announcements (BLNA-BLNZ), which announce something days ahead: 1, 2, 4 and 8 minutes
//   after the previous sending, then every hour, until 4 days after the first sending.
// A newer text for the same addressee takes the older one's place in the schedule.
class RepeatSchedule {
public:
    // Called when the bulletin has just been sent the first time.
    void add(OwnBulletin bulletin, SteadyTime now);
    // The bulletins to send again now; each moves on to its next time or leaves the schedule.
    std::vector<OwnBulletin> due(SteadyTime now);
    std::size_t size() const { return m_entries.size(); }

    static bool isAnnouncement(const std::string& addressee);

private:
    struct Entry {
        OwnBulletin bulletin;
        SteadyTime first;
        SteadyTime next;
        int sent = 1;
    };
    static std::chrono::seconds gapAfter(const Entry& entry);
    static std::chrono::seconds lifetime(const Entry& entry);

    std::vector<Entry> m_entries;
};

} // namespace quillet::station
