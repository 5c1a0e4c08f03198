#include "tools/host/simulated_log.h"

namespace quillet::hostapp {

QString logLine(const FeedBulletin& bulletin) {
    return bulletin.callsign + kLogFieldSeparator + bulletin.addressee + kLogFieldSeparator +
           bulletin.text + QStringLiteral("\r\n");
}

void SimulatedLog::add(const FeedBulletin& bulletin) {
    m_bulletins.push_back(bulletin);
    m_text += logLine(bulletin);
}

} // namespace quillet::hostapp
