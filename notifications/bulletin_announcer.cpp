#include "notifications/bulletin_announcer.h"

#include "bulletins/bulletin_list.h"
#include "notifications/notice_text.h"

#include <algorithm>
#include <utility>

namespace quillet {

BulletinAnnouncer::BulletinAnnouncer(Notifier& notifier,
                                     std::function<void(const std::string&)> reportProblem)
    : m_notifier(notifier),
      m_reporting(std::make_shared<Reporting>(Reporting{std::move(reportProblem)})) {}

std::size_t BulletinAnnouncer::afterRefresh(const BulletinTable& table,
                                            std::string_view groupFilter, bool enabled,
                                            const std::function<std::string()>& ownCallsign) {
    std::vector<Bulletin> news = m_news.take(table);
    std::erase_if(news, [&](const Bulletin& b) { return isFilteredOut(b.groupCode, groupFilter); });
    if (news.empty()) {
        return 0;
    }
    const std::string own = ownCallsign();
    std::erase_if(news, [&](const Bulletin& b) { return b.callsign == own; });
    if (!enabled || news.empty()) {
        return news.size();
    }
    m_notifier.notify(composeNotice(news),
                      [weak = std::weak_ptr<Reporting>(m_reporting)](const Status& outcome) {
                          const auto reporting = weak.lock();
                          if (outcome.ok() || !reporting || reporting->shown) {
                              return;
                          }
                          reporting->shown = true;
                          reporting->report(outcome.error());
                      });
    return news.size();
}

} // namespace quillet
