#pragma once

#include "tools/host/feed.h"

#include <QString>

#include <vector>

namespace quillet::hostapp {

// The separator the host puts between the fields of a log line.
inline constexpr QChar kLogFieldSeparator = u'\u00B3';

// One line of the host's bulletin log, CR LF included.
QString logLine(const FeedBulletin& bulletin);

// The host's bulletin log. Like the real host it only ever grows: a bulletin that repeats
// an earlier sender and addressee is appended, and readers take the later line.
class SimulatedLog {
public:
    void add(const FeedBulletin& bulletin);

    // The whole log as the host serves it; kept ready because clients read it often.
    const QString& text() const { return m_text; }
    const std::vector<FeedBulletin>& bulletins() const { return m_bulletins; }

private:
    std::vector<FeedBulletin> m_bulletins;
    QString m_text;
};

} // namespace quillet::hostapp
