#include "bulletins/bulletin_news.h"

namespace quillet {

namespace {

// The host's log is numbered with 16-bit counters, so it never holds more distinct bulletins
// than this; beyond it only bulletins long gone from the table are forgotten.
constexpr std::size_t kMaxRemembered = 32767;

} // namespace

std::vector<Bulletin> BulletinNews::take(const BulletinTable& table) {
    std::vector<Bulletin> news;
    for (const Bulletin& b : table) {
        if (!b.inUse) {
            continue;
        }
        auto [it, added] = m_seen.try_emplace(Identity{b.callsign, b.addressee}, b.text);
        if (!added && it->second == b.text) {
            continue;
        }
        it->second = b.text;
        if (m_primed) {
            news.push_back(b);
        }
    }
    m_primed = true;
    if (m_seen.size() > kMaxRemembered) {
        std::map<Identity, std::string> kept;
        for (const Bulletin& b : table) {
            if (b.inUse) {
                kept.emplace(Identity{b.callsign, b.addressee}, b.text);
            }
        }
        m_seen = std::move(kept);
    }
    return news;
}

} // namespace quillet
