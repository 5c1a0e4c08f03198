#include "station/core/repeat_schedule.h"

#include <algorithm>
#include <utility>

namespace quillet::station {

using std::chrono::hours;
using std::chrono::minutes;

bool RepeatSchedule::isAnnouncement(const std::string& addressee) {
    return addressee.size() == 4 && addressee.compare(0, 3, "BLN") == 0 && addressee[3] >= 'A' &&
           addressee[3] <= 'Z';
}

std::chrono::seconds RepeatSchedule::gapAfter(const Entry& entry) {
    // The first four gaps double from one minute: quick repeats while a bulletin is new.
    if (entry.sent <= 4) {
        return minutes(1 << (entry.sent - 1));
    }
    return isAnnouncement(entry.bulletin.addressee) ? minutes(60) : minutes(20);
}

std::chrono::seconds RepeatSchedule::lifetime(const Entry& entry) {
    return isAnnouncement(entry.bulletin.addressee) ? hours(4 * 24) : hours(4);
}

void RepeatSchedule::add(OwnBulletin bulletin, SteadyTime now) {
    std::erase_if(m_entries, [&](const Entry& entry) {
        return entry.bulletin.addressee == bulletin.addressee;
    });
    Entry entry{std::move(bulletin), now, now, 1};
    entry.next = now + gapAfter(entry);
    m_entries.push_back(std::move(entry));
}

std::vector<OwnBulletin> RepeatSchedule::due(SteadyTime now) {
    std::vector<OwnBulletin> out;
    for (Entry& entry : m_entries) {
        if (now >= entry.next) {
            out.push_back(entry.bulletin);
            ++entry.sent;
            entry.next = now + gapAfter(entry);
        }
    }
    std::erase_if(m_entries,
                  [&](const Entry& entry) { return entry.next - entry.first > lifetime(entry); });
    return out;
}

} // namespace quillet::station
