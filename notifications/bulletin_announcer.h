#pragma once

#include "bulletins/bulletin.h"
#include "bulletins/bulletin_news.h"
#include "notifications/notifier.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quillet {

// Raises one desktop notice for what a refresh brought: bulletins new to the table or with a
// changed text, from other stations, in the group the operator is looking at.
class BulletinAnnouncer {
public:
    // `reportProblem` gets the first failure of the desktop's service, and only that one: a
    // desktop without notices is told once, not at every bulletin.
    BulletinAnnouncer(Notifier& notifier, std::function<void(const std::string&)> reportProblem);

    // Call after every refresh that read the host's log. Nothing is announced for the first
    // call, nor while `enabled` is off (what arrives then stays unannounced). `ownCallsign` is
    // asked only when the refresh brought news. Gives how many bulletins were news, the
    // notice on or off.
    std::size_t afterRefresh(const BulletinTable& table, std::string_view groupFilter, bool enabled,
                             const std::function<std::string()>& ownCallsign);

private:
    struct Reporting {
        std::function<void(const std::string&)> report;
        bool shown = false;
    };

    Notifier& m_notifier;
    BulletinNews m_news;
    // Shared with answers still on their way, which may come after the announcer is gone.
    std::shared_ptr<Reporting> m_reporting;
};

} // namespace quillet
